#include "support/screenshot.h"

#include <algorithm>

#include "support/child_process.h"
#include "support/test_files.h"
#include "support/wizard_driver.h"

namespace vantrel::test {

std::string Describe(const Pixel& p) {
    return "rgb(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}

bool Colourful(const Pixel& p) {
    return std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) > 60;
}

bool Screenshot::Valid() const {
    return bytes_.size() > 54 && bytes_[0] == 'B' && bytes_[1] == 'M' && U16(28) == 24 &&
           bytes_.size() >= U32(10) + static_cast<std::size_t>(Stride() * Height());
}

int Screenshot::Height() const {
    const auto height = static_cast<std::int32_t>(U32(22));
    return height < 0 ? -height : height;
}

Pixel Screenshot::At(int x, int y) const {
    const auto rawHeight = static_cast<std::int32_t>(U32(22));
    const int row = rawHeight > 0 ? Height() - 1 - y : y;
    const std::size_t at = U32(10) + static_cast<std::size_t>(row * Stride() + x * 3);
    return {Byte(at + 2), Byte(at + 1), Byte(at)};
}

std::string TakeRepaintedScreenshot(HWND window, const RECT& area, const std::string& unixPath,
                                    DWORD timeoutMs) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(1000);
    return TakeScreenshot(area, unixPath, timeoutMs);
}

std::string TakeScreenshot(const RECT& area, const std::string& unixPath, DWORD timeoutMs) {
    const std::wstring windowsPath = HostPathToWindows(unixPath.c_str());
    DeleteFileW(windowsPath.c_str());
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring crop = std::to_wstring(area.right - area.left) + L"x" +
                              std::to_wstring(area.bottom - area.top) + L"+" + std::to_wstring(area.left) +
                              L"+" + std::to_wstring(area.top);
    const std::wstring unixTarget(unixPath.begin(), unixPath.end());
    ChildProcess start = ChildProcess::Start(
        std::wstring(system) + L"\\cmd.exe",
        L"/c start /unix /usr/bin/import -window root -crop " + crop + L" BMP3:" + unixTarget);
    start.Wait(timeoutMs);
    std::string bytes;
    WaitUntil(
        [&] {
            bytes = ReadTestFile(windowsPath);
            return Screenshot(bytes).Valid();
        },
        timeoutMs);
    return bytes;
}

}  // namespace vantrel::test
