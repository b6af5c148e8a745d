// The engine's command-line parser, the input taken as UTF-16 code units.
#include <string>

#include "run/command_line.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    CommandLineServices services{[](std::wstring_view w) { return std::string(w.size(), '?'); },
                                 [](const std::wstring& path) { return L"C:\\base\\" + path; }};
    const CommandLineResult result = ParseCommandLine(text, services);
    if (result.error)
        UsageText(result.error->message, L"setup.exe");
    return 0;
}
