// vantrel-build: turns a project file into an installer. The work is in builder/cli.cpp;
// this only gathers the arguments as UTF-8 (on Windows from the wide command line, so that
// any file name works).
#include <filesystem>
#include <string>
#include <vector>

#include "builder/cli.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "builder/text_encoding.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args;
    std::filesystem::path program;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return 2;
    for (int i = 1; i < count; ++i)
        args.push_back(vantrel::builder::Utf16ToUtf8(wide[i]));
    std::vector<wchar_t> self(32768);
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    program = std::filesystem::path(std::wstring(self.data(), length));
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::error_code error;
    program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error && argc > 0)
        program = std::filesystem::absolute(argv[0], error);
#endif
    return vantrel::builder::RunBuilder(args, program, stdout, stderr);
}
