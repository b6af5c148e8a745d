// Builder library sources arrive with the project-file reader.
