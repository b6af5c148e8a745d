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
#include "support/screenshot.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::Describe;
using test::EngineBytes;
using test::Pixel;
using test::Screenshot;

constexpr DWORD kTimeoutMs = 60000;

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
    RECT area{};
    GetWindowRect(page, &area);
    const std::string path = std::string(VANTREL_SCREENSHOT_DIR) + "/language-page-" + c.name + ".bmp";
    const Screenshot shot(test::TakeRepaintedScreenshot(page, area, path, kTimeoutMs));
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
