# One warning set for every target of the project.
add_library(vantrel_warnings INTERFACE)
target_compile_options(vantrel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wnon-virtual-dtor
  -Wold-style-cast -Wcast-align -Wunused -Woverloaded-virtual -Wnull-dereference
  -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
option(VANTREL_WERROR "Treat warnings as errors" ON)
if(VANTREL_WERROR)
  target_compile_options(vantrel_warnings INTERFACE -Werror)
endif()
