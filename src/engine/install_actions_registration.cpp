// The last action step: the product registration, with what the earlier steps collected.
#include <windows.h>

#include <string>
#include <vector>

#include "actions/product_registration.h"
#include "engine/corrupt_payload.h"
#include "engine/install_actions_steps.h"
#include "support/system_info.h"

namespace vantrel {
namespace {

constexpr std::size_t kRegistrationStatusMessage = 32;

// The product's font list as the uninstaller reads it: the quoted font name and the quoted
// file name for each font.
std::string ProductFontList(const std::vector<FontEntry>& fonts) {
    std::wstring list;
    for (const FontEntry& font : fonts) {
        if (!list.empty())
            list += L' ';
        list += L"\"" + font.fontName + L"\" \"" + font.fileName + L"\"";
    }
    return ToSystemCodePage(list);
}

std::uint64_t FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// What Windows shows as the product's size: the uninstaller, the payload's files on the
// installation drive and the project's extra size.
std::uint64_t EstimatedSizeOf(const InstallRun& run, const std::wstring& installerPath) {
    const Payload& payload = run.payload;
    const bool stub = (payload.header.productFlags2 & product_flags2::kBuildStubImage) != 0 &&
                      payload.stubImage && !payload.stubImage->empty();
    const std::uint64_t uninstallerSize = stub ? payload.stubImage->size() : FileSizeOf(installerPath);
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
    input.productFonts = ProductFontList(run.extracted.productFonts);
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
