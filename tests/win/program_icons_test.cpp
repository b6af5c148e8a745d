// The program's icon on its windows: both sizes, each loaded at the size the system asks
// for at the screen's density (a small icon is not the large one shrunk by the system).
#include "ui/program_icons.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "actions/uninstaller_icon.h"
#include "context/install_log.h"
#include "support/child_process.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An icon file with a 16 x 16 and a 32 x 32 image at 32 bits, each an opaque square.
Bytes TwoSizeIcon() {
    const std::uint8_t sides[] = {16, 32};
    std::vector<Bytes> images;
    for (const std::uint8_t side : sides) {
        Bytes image;
        Put(image, 40, 4);  // the image's header
        Put(image, side, 4);
        Put(image, side * 2u, 4);  // colours and mask together
        Put(image, 1, 2);
        Put(image, 32, 2);
        image.resize(image.size() + 24);
        for (int pixel = 0; pixel < side * side; ++pixel)
            Put(image, 0xFF2040C0, 4);
        image.resize(image.size() + side * 4u);  // the mask: a u32 per row, every pixel shown
        images.push_back(image);
    }
    Bytes file = {0, 0, 1, 0, 2, 0};
    std::uint32_t offset = 6 + 16 * 2;
    for (std::size_t i = 0; i < images.size(); ++i) {
        file.insert(file.end(), {sides[i], sides[i], 0, 0});
        Put(file, 1, 2);
        Put(file, 32, 2);
        Put(file, static_cast<std::uint32_t>(images[i].size()), 4);
        Put(file, offset, 4);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const Bytes& image : images)
        file.insert(file.end(), image.begin(), image.end());
    return file;
}

int IconWidth(LRESULT icon) {
    ICONINFO info{};
    if (icon == 0 || !GetIconInfo(reinterpret_cast<HICON>(icon), &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

TEST(ProgramIcons, BothSizesComeFromTheProgramAtTheSystemsSizes) {
    test::TempFolder folder(L"program-icons");
    const std::wstring program = folder.Join(L"with-icon.exe");
    ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_OS_PROBE_EXE).c_str(), program.c_str(), FALSE));
    InstallLog log;
    ReplaceUninstallerIcon(program, TwoSizeIcon(), log);
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HWND window =
        CreateWindowExW(0, L"STATIC", L"icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    GiveProgramIcons(window, module);
    const LRESULT big = SendMessageW(window, WM_GETICON, ICON_BIG, 0);
    const LRESULT small = SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
    EXPECT_EQ(IconWidth(big), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(IconWidth(small), GetSystemMetrics(SM_CXSMICON));
    DestroyWindow(window);
    FreeLibrary(module);
}

TEST(ProgramIcons, AProgramWithoutAnIconGivesNone) {
    HWND window = CreateWindowExW(0, L"STATIC", L"no icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    // The test program itself carries no icon.
    GiveProgramIcons(window, GetModuleHandleW(nullptr));
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
    DestroyWindow(window);
}

TEST(ProgramIcons, AnIconFileGivesBothSizesAtTheSystemsSizes) {
    test::TempFolder folder(L"file-icons");
    const std::wstring iconFile = folder.Join(L"uninstall.ico");
    const Bytes bytes = TwoSizeIcon();
    ASSERT_TRUE(test::WriteTestFile(iconFile, std::string(bytes.begin(), bytes.end())));
    const FileIcons icons(iconFile);
    ASSERT_TRUE(icons.Loaded());
    HWND window = CreateWindowExW(0, L"STATIC", L"file icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    icons.GiveTo(window);
    EXPECT_EQ(IconWidth(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(IconWidth(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)), GetSystemMetrics(SM_CXSMICON));
    DestroyWindow(window);
}

TEST(ProgramIcons, AFileThatIsNoIconGivesNone) {
    test::TempFolder folder(L"file-icons-broken");
    const std::wstring iconFile = folder.Join(L"uninstall.ico");
    ASSERT_TRUE(test::WriteTestFile(iconFile, "not an icon"));
    const FileIcons icons(iconFile);
    EXPECT_FALSE(icons.Loaded());
    EXPECT_FALSE(FileIcons(folder.Join(L"missing.ico")).Loaded());
    HWND window = CreateWindowExW(0, L"STATIC", L"no file icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    icons.GiveTo(window);
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    DestroyWindow(window);
}

}  // namespace
}  // namespace vantrel
