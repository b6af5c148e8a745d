// ui-probe: starts a Windows program, shows what its first window says, answers it, and
// prints the program's full exit code. Used by scripts/demo to let a newcomer see the engine.
//   ui-probe PROGRAM [ARGUMENTS...] [--press CAPTION]
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/child_process.h"
#include "support/ui_driver.h"

namespace {

void PrintUtf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: ui-probe PROGRAM [ARGUMENTS...] [--press CAPTION]\n", stderr);
        return 2;
    }
    std::wstring arguments;
    std::wstring press = L"OK";
    for (int i = 2; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--press" && i + 1 < argc) {
            press = argv[++i];
            continue;
        }
        if (!arguments.empty()) arguments += L" ";
        arguments += argv[i];
    }
    auto child = vantrel::test::ChildProcess::Start(argv[1], arguments);
    if (!child.Started()) {
        std::fputs("ui-probe: the program did not start\n", stderr);
        return 2;
    }
    // A program that ends without showing anything is reported as such.
    HWND window = nullptr;
    while (window == nullptr) {
        if (auto code = child.Wait(50)) {
            std::printf("(no window)\nexit code: %ld\n", static_cast<long>(*code));
            return 0;
        }
        window = vantrel::test::WaitForTopLevelWindow(child.Id(), 50);
    }
    PrintUtf8(L"window title: " + vantrel::test::WindowText(window) + L"\n");
    PrintUtf8(L"window text:\n" + vantrel::test::AllStaticText(window) + L"\n");
    PrintUtf8(L"pressing: " + press + L"\n");
    vantrel::test::PressButton(window, press);
    if (auto code = child.Wait(30000)) {
        std::printf("exit code: %ld\n", static_cast<long>(*code));
        return 0;
    }
    std::fputs("ui-probe: the program did not end\n", stderr);
    return 1;
}
