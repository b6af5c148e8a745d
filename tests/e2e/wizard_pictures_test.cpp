// What the pages look like in each of their four layouts: a screenshot of the language page
// (ImageMagick's import, run on the display the tests use) checked by a few pixel colours
// of its artwork. The pictures stay in the build folder for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "e2e/engine_bytes.h"
#include "format/settings.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::EngineBytes;

constexpr DWORD kTimeoutMs = 60000;

struct Pixel {
    int r = 0, g = 0, b = 0;
};

// A 24-bit bitmap file as import writes it ("BMP3:").
class Screenshot {
  public:
    explicit Screenshot(std::string bytes) : bytes_(std::move(bytes)) {}
    bool Valid() const {
        return bytes_.size() > 54 && bytes_[0] == 'B' && bytes_[1] == 'M' && U16(28) == 24 &&
               bytes_.size() >= U32(10) + static_cast<std::size_t>(Stride() * Height());
    }
    int Width() const { return static_cast<int>(U32(18)); }
    int Height() const {
        const auto height = static_cast<std::int32_t>(U32(22));
        return height < 0 ? -height : height;
    }
    Pixel At(int x, int y) const {
        const auto rawHeight = static_cast<std::int32_t>(U32(22));
        const int row = rawHeight > 0 ? Height() - 1 - y : y;
        const std::size_t at = U32(10) + static_cast<std::size_t>(row * Stride() + x * 3);
        return {Byte(at + 2), Byte(at + 1), Byte(at)};
    }

  private:
    int Stride() const { return (Width() * 3 + 3) / 4 * 4; }
    int Byte(std::size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    std::uint32_t U16(std::size_t at) const {
        return static_cast<std::uint32_t>(Byte(at) | Byte(at + 1) << 8);
    }
    std::uint32_t U32(std::size_t at) const { return U16(at) | U16(at + 2) << 16; }
    std::string bytes_;
};

std::string Describe(const Pixel& p) {
    return "rgb(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + ")";
}
bool Bluish(const Pixel& p) {
    return p.b > p.r + 40;
}
bool White(const Pixel& p) {
    return p.r > 245 && p.g > 245 && p.b > 245;
}
bool PaleBlue(const Pixel& p) {
    return p.r > 150 && p.b > p.r + 25;
}
bool Grey(const Pixel& p) {
    return std::abs(p.r - p.b) < 12 && std::abs(p.g - p.b) < 12 && !White(p);
}

// Grabs a rectangle of the screen into `unixPath` with ImageMagick (a program of the host,
// started through Wine's start /unix), waiting until the file is complete.
std::string TakeScreenshot(const RECT& area, const std::string& unixPath) {
    const std::wstring windowsPath = test::HostPathToWindows(unixPath.c_str());
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
    start.Wait(kTimeoutMs);
    std::string bytes;
    test::WaitUntil(
        [&] {
            bytes = test::ReadTestFile(windowsPath);
            return Screenshot(bytes).Valid();
        },
        kTimeoutMs);
    return bytes;
}

struct PictureCase {
    const char* name;
    std::uint32_t pageStyle;
};

class WizardPictures : public testing::TestWithParam<PictureCase> {};

TEST_P(WizardPictures, TheLayoutShowsItsArtwork) {
    const PictureCase& c = GetParam();
    const std::wstring product = L"Vantrel Picture " + std::wstring(c.name, c.name + std::strlen(c.name));
    test::TempFolder root(L"picture-" + std::wstring(c.name, c.name + std::strlen(c.name)));
    Settings s = test::FixtureSettings(product);
    s.defaultInstallFolder = root.Join(L"app");
    std::vector<std::wstring> texts(120 * 2);
    for (std::size_t language = 0; language < 2; ++language) {
        texts[82 * 2 + language] = L"Choose the language of the installation.";
        texts[94 * 2 + language] = L"Language";
        texts[48 * 2 + language] = L"&Next";
        texts[49 * 2 + language] = L"Cancel";
        texts[65 * 2 + language] = L"Setup";
    }
    s.messages = MessageTable({L"English", L"Fran\u00e7ais"}, texts);
    s.installerTitle = L"Picture Setup";
    for (std::size_t word = 2; word < s.pageStyles.size(); ++word)
        s.pageStyles[word] = c.pageStyle;
    const std::wstring setupPath = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), s, {}).Save(setupPath));

    ChildProcess child = ChildProcess::Start(setupPath, L"");
    ASSERT_TRUE(child.Started());
    const HWND page = test::WaitForPageWithControl(child.Id(), IDC_PAGE_LANGUAGES, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    // Drawn once it is on top; the driver waits for the page, not for its paint.
    RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(1000);
    RECT area{};
    GetWindowRect(page, &area);
    const std::string path = std::string(VANTREL_SCREENSHOT_DIR) + "/language-page-" + c.name + ".bmp";
    const Screenshot shot(TakeScreenshot(area, path));
    ASSERT_TRUE(shot.Valid()) << path;
    ASSERT_EQ(shot.Width(), area.right - area.left);

    // A point of a control, as a fraction of its rectangle, in the screenshot.
    const auto sample = [&](int id, double fx, double fy) {
        const RECT rect = test::ControlRect(page, id);
        const int x = rect.left + static_cast<int>((rect.right - rect.left) * fx) - area.left;
        const int y = rect.top + static_cast<int>((rect.bottom - rect.top) * fy) - area.top;
        return shot.At(x, y);
    };
    switch (c.pageStyle) {
        case 0: {
            // No artwork: left of the list lies the page's own face.
            EXPECT_EQ(GetDlgItem(page, IDC_PAGE_PICTURE), nullptr);
            const RECT list = test::ControlRect(page, IDC_PAGE_LANGUAGES);
            const Pixel face = shot.At(list.left - area.left - 6, list.bottom - area.top - 6);
            EXPECT_TRUE(Grey(face)) << Describe(face);
            break;
        }
        case 1: {
            const Pixel picture = sample(IDC_PAGE_PICTURE, 0.5, 0.8);
            EXPECT_TRUE(Bluish(picture)) << Describe(picture);
            EXPECT_EQ(GetDlgItem(page, IDC_PAGE_PANEL), nullptr);
            break;
        }
        case 2: {
            const Pixel bandEnd = sample(IDC_PAGE_HEADER, 0.98, 0.5);
            EXPECT_TRUE(PaleBlue(bandEnd)) << Describe(bandEnd);
            const Pixel bandStart = sample(IDC_PAGE_HEADER, 0.005, 0.9);
            EXPECT_TRUE(White(bandStart) || bandStart.r > 235) << Describe(bandStart);
            EXPECT_EQ(test::ControlText(page, IDC_PAGE_HEADER_TITLE), L"Picture Setup");
            EXPECT_EQ(test::ControlText(page, IDC_PAGE_HEADER_SUBTITLE), L"Language");
            break;
        }
        case 3: {
            const Pixel picture = sample(IDC_PAGE_PICTURE, 0.5, 0.8);
            EXPECT_TRUE(Bluish(picture)) << Describe(picture);
            // The panel right of the picture, below the list.
            const RECT panel = test::ControlRect(page, IDC_PAGE_PANEL);
            const Pixel white = shot.At(panel.left - area.left + 6, panel.bottom - area.top - 4);
            EXPECT_TRUE(White(white)) << Describe(white);
            break;
        }
        default:
            FAIL();
    }
    test::ClickControl(page, IDC_PAGE_CANCEL);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

INSTANTIATE_TEST_SUITE_P(Wizard, WizardPictures,
                         testing::Values(PictureCase{"FullWidth", 0}, PictureCase{"SidePicture", 1},
                                         PictureCase{"Header", 2}, PictureCase{"Panel", 3}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
