// The small pictures on the Next, Cancel and Browse buttons: a screenshot of the folder page
// in each layout, with and without the product's wish for them. The pictures stay in the
// build folder for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "e2e/engine_bytes.h"
#include "format/payload_writer.h"
#include "format/settings.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/screenshot.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::Colourful;
using test::Describe;
using test::EngineBytes;
using test::Pixel;
using test::Screenshot;

constexpr DWORD kTimeoutMs = 60000;

struct ButtonImagesCase {
    const char* name;
    std::uint32_t pageStyle;
    bool images;
};

class WizardButtonImages : public testing::TestWithParam<ButtonImagesCase> {};

TEST_P(WizardButtonImages, NextCancelAndBrowseShowAPictureLeftOfTheirText) {
    const ButtonImagesCase& c = GetParam();
    const std::wstring name(c.name, c.name + std::strlen(c.name));
    const std::wstring product = L"Vantrel Button Images " + name;
    test::TempFolder root(L"button-images-" + name);
    Settings s = test::FixtureSettings(product);
    s.productFlagsLow |= product_flags::kShowFolderPage;
    s.defaultInstallFolder = root.Join(L"app");
    std::vector<std::wstring> texts(120);
    texts[11] = L"Choose the folder.";
    texts[24] = L"Installation folder";
    texts[90] = L"&Install";  // Next of a folder page without a Start-menu page after it
    texts[49] = L"Cancel";
    texts[52] = L"B&rowse...";
    texts[65] = L"Setup";
    texts[98] = L"The installation was cancelled.";
    texts[111] = L"Cancelled";
    s.messages = MessageTable({L"English"}, texts);
    for (std::size_t word = 2; word < s.pageStyles.size(); ++word)
        s.pageStyles[word] = c.pageStyle;
    PayloadWriteOptions options;
    if (c.images)
        options.productFlags2 = product_flags2::kButtonImages;
    const std::wstring setupPath = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(EngineBytes(), s, {}, options).Save(setupPath));

    ChildProcess child = ChildProcess::Start(setupPath, L"");
    ASSERT_TRUE(child.Started());
    const HWND page = test::WaitForPageWithControl(child.Id(), IDC_PAGE_FOLDER, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    RECT area{};
    GetWindowRect(page, &area);
    const std::string path = std::string(VANTREL_SCREENSHOT_DIR) + "/button-images-" + c.name + ".bmp";
    const Screenshot shot(test::TakeRepaintedScreenshot(page, area, path, kTimeoutMs));
    ASSERT_TRUE(shot.Valid()) << path;

    for (const auto& [id, text] :
         {std::pair{IDC_PAGE_NEXT, L"&Install"}, std::pair{IDC_PAGE_CANCEL, L"Cancel"},
          std::pair{IDC_PAGE_BROWSE, L"B&rowse..."}}) {
        SCOPED_TRACE(testing::Message() << "button " << id);
        // The text keeps its mark for the keyboard; a space keeps it off the picture.
        EXPECT_EQ(test::ControlText(page, id), (c.images ? L" " : L"") + std::wstring(text));
        EXPECT_EQ(SendMessageW(GetDlgItem(page, id), BM_GETIMAGE, IMAGE_ICON, 0) != 0, c.images);
        // The left half of the button's inside, where the picture lies before the centred text.
        const RECT button = test::ControlRect(page, id);
        int colourful = 0;
        Pixel seen;
        for (int y = button.top + 3; y < button.bottom - 3; ++y) {
            for (int x = button.left + 3; x < (button.left + button.right) / 2; ++x) {
                const Pixel p = shot.At(x - area.left, y - area.top);
                if (Colourful(p)) {
                    ++colourful;
                    seen = p;
                }
            }
        }
        if (c.images)
            EXPECT_GT(colourful, 10) << "no picture in the button";
        else
            EXPECT_EQ(colourful, 0) << "a coloured pixel " << Describe(seen);
    }
    test::ClickControl(page, IDC_PAGE_CANCEL);
    const HWND box = test::WaitForWindowTitled(child.Id(), L"Cancelled", kTimeoutMs);
    ASSERT_NE(box, nullptr);
    test::ClickControl(box, IDOK);
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

INSTANTIATE_TEST_SUITE_P(Wizard, WizardButtonImages,
                         testing::Values(ButtonImagesCase{"FullWidth", 0, true},
                                         ButtonImagesCase{"SidePicture", 1, true},
                                         ButtonImagesCase{"Header", 2, true},
                                         ButtonImagesCase{"Panel", 3, true},
                                         ButtonImagesCase{"HeaderWithout", 2, false}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
