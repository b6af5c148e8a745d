// The last action step: the product registration, with what the earlier steps collected.
#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "actions/product_registration.h"
#include "engine/corrupt_payload.h"
#include "engine/install_actions_steps.h"
#include "support/file_system.h"
#include "support/registry_text.h"
#include "support/system_info.h"

namespace vantrel {
namespace {

constexpr std::size_t kRegistrationStatusMessage = 32;

// The font pairs of a saved font list: a double-quoted font name, then a double-quoted file
// name, for each font.
std::vector<FontEntry> SavedFonts(std::wstring_view list) {
    std::vector<FontEntry> fonts;
    std::vector<std::wstring> texts;
    for (std::size_t open = list.find(L'"'); open != std::wstring_view::npos;) {
        const std::size_t close = list.find(L'"', open + 1);
        if (close == std::wstring_view::npos)
            break;
        texts.emplace_back(list.substr(open + 1, close - open - 1));
        open = list.find(L'"', close + 1);
    }
    for (std::size_t index = 0; index + 1 < texts.size(); index += 2)
        fonts.push_back({texts[index], texts[index + 1]});
    return fonts;
}

// The product's font list as the uninstaller reads it. A reinstallation writes only the
// fonts that changed; the earlier installation's other fonts are still the product's, so
// they stay on the list the uninstaller removes.
std::string ProductFontList(const std::vector<FontEntry>& written, std::wstring_view earlierList) {
    std::vector<FontEntry> fonts = written;
    for (const FontEntry& earlier : SavedFonts(earlierList)) {
        const bool known = std::any_of(fonts.begin(), fonts.end(), [&earlier](const FontEntry& font) {
            return _wcsicmp(font.fontName.c_str(), earlier.fontName.c_str()) == 0;
        });
        if (!known)
            fonts.push_back(earlier);
    }
    std::wstring list;
    for (const FontEntry& font : fonts) {
        if (!list.empty())
            list += L' ';
        list += L"\"" + font.fontName + L"\" \"" + font.fileName + L"\"";
    }
    return ToSystemCodePage(list);
}

// What Windows shows as the product's size: the uninstaller, the payload's files on the
// installation drive and the project's extra size.
std::uint64_t EstimatedSizeOf(const InstallRun& run, const std::wstring& installerPath) {
    const Payload& payload = run.payload;
    const bool stub = (payload.header.productFlags2 & product_flags2::kBuildStubImage) != 0 &&
                      payload.stubImage && !payload.stubImage->empty();
    const std::uint64_t uninstallerSize =
        stub ? payload.stubImage->size() : FileSizeOf(installerPath).value_or(0);
    std::vector<std::uint64_t> fileSizes;
    for (const std::int32_t size : payload.header.fileSizes)
        fileSizes.push_back(size > 0 ? static_cast<std::uint64_t>(size) : 0);
    const auto& sizeRecord = run.session.settings.pageStyles;
    const std::uint64_t extraSize = (std::uint64_t{sizeRecord[1]} << 32) | sizeRecord[0];
    return EstimatedInstallSize(uninstallerSize, fileSizes, ClusterSizeOf(run.session.folders.installDir),
                                extraSize);
}

}  // namespace

void RunRegistrationStep(InstallRun& run, ActionCarry& carry) {
    InstallSession& session = run.session;
    ShowActionStatusMessage(run, kRegistrationStatusMessage);
    ProductRegistrationInput input(session.settings, session.Messages(), session.flags.low);
    input.productFlagsHigh = session.flags.high;
    input.productFlags2 = run.Flags2();
    input.productName = session.product.name;
    input.companyName = session.product.company;
    input.installDir = session.folders.installDir;
    input.sharedDir = session.folders.sharedDir;
    input.installerPath = ModuleFilePath();
    input.runStamp = run.state.runStamp;
    input.estimatedSize = EstimatedSizeOf(run, input.installerPath);
    const std::wstring keyName =
        session.settings.uninstallKeyName.empty() ? session.product.name : session.settings.uninstallKeyName;
    input.productFonts = ProductFontList(
        run.extracted.productFonts,
        ReadRegistryText(HKEY_LOCAL_MACHINE, UninstallKeyPath(keyName).c_str(), L"ProductFonts"));
    input.sharedFiles = SharedFilesText(run, carry);
    if (run.payload.stubImage)
        input.stubImage = *run.payload.stubImage;
    input.expand = RunExpander(run);
    input.showStatus = [&run](const std::wstring& path) { ShowActionStatus(run, path); };
    input.progress = [&run](int percent) {
        if (run.seams.progress.percent)
            run.seams.progress.percent(percent);
    };
    input.corruptPayload = [&run](int errorCode) { CorruptPayloadError(run.state, errorCode); };
    RegisterProduct(input, run.Log(), run.Failures(), run.uninstallData);
}

}  // namespace vantrel
