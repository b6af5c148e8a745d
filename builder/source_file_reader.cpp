#include "builder/source_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "builder/setup_builder.h"
#include "builder/text_encoding.h"

    namespace vantrel::builder {
    namespace {

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    }  // namespace

    PayloadDataReader OpenSourceFile(const std::filesystem::path& path, std::uint64_t size) {
        std::error_code code;
        if (std::filesystem::is_directory(path, code))
            throw BuildError("cannot read \"" + PathText(path) + "\": it is a folder");
#ifdef _WIN32
        std::FILE* opened = _wfopen(path.c_str(), L"rb");
#else
        std::FILE* opened = std::fopen(path.c_str(), "rb");
#endif
        if (!opened)
            throw BuildError("cannot read \"" + PathText(path) + "\": " + std::strerror(errno));
        std::shared_ptr<std::FILE> file(opened, FileCloser());
        auto changed = [path] {
            return BuildError("\"" + PathText(path) + "\" changed while the installer was built");
        };
        if (size == 0 && std::fgetc(file.get()) != EOF)
            throw changed();
        return [file, path, changed, left = size](std::span<std::uint8_t> out) mutable {
            if (out.size() > left)
                throw changed();
            if (std::fread(out.data(), 1, out.size(), file.get()) != out.size()) {
                if (std::ferror(file.get()))
                    throw BuildError("cannot read \"" + PathText(path) + "\": read error");
                throw changed();  // shorter than when it was scanned
            }
            left -= out.size();
            // After the last piece the file must end here too.
            if (left == 0 && std::fgetc(file.get()) != EOF)
                throw changed();
        };
    }

}  // namespace vantrel::builder
