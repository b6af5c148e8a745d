#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

class FailureList;
class InstallLog;
class MessageTable;
class UninstallData;
struct Settings;

// What the product registration needs from the installation run. The installation sequence
// calls RegisterProduct after the firewall step, with the status line showing message 32
// and the progress at 98.
struct ProductRegistrationInput {
    ProductRegistrationInput(const Settings& settingsIn, const MessageTable& messagesIn,
                             std::uint32_t& flagsLow)
        : settings(settingsIn), messages(messagesIn), productFlagsLow(flagsLow) {}

    const Settings& settings;
    const MessageTable& messages;
    // The running option words: the low word gains 0x4000 (restart needed) when the
    // uninstaller can only be replaced at the next restart.
    std::uint32_t& productFlagsLow;
    std::uint32_t productFlagsHigh = 0;
    std::uint32_t productFlags2 = 0;
    std::wstring productName;  // %ProductName%
    std::wstring companyName;  // %CompanyName%
    std::wstring installDir;
    std::wstring sharedDir;
    std::wstring installerPath;  // the running program
    std::uint64_t runStamp = 0;
    std::uint64_t estimatedSize = 0;            // bytes (see EstimatedInstallSize)
    std::string productFonts;                   // "\"name\" \"file\"" per font, 8-bit
    std::string sharedFiles;                    // the shared-file list of the shared-file step, 8-bit
    std::span<const std::uint8_t> stubImage;    // the uninstaller program; empty: copy the installer
    std::function<void(std::wstring&)> expand;  // installer variables in saved values
    std::function<void(const std::wstring&)> showStatus;  // a path on the status line
    std::function<void(int percent)> progress;
    // Ends the run for a saved value of an unknown type (error 200); must not return.
    std::function<void(int errorCode)> corruptPayload;
    // Where the search path lives (tests point it elsewhere); empty: the machine's.
    const wchar_t* searchPathKey = nullptr;
};

// Saves the background bitmap and the readme and licence copies, adds the product's folder to
// the search path, writes the uninstaller and registers the product under the Uninstall key.
// Never stops the installation: failures go to the log or the failure list.
void RegisterProduct(ProductRegistrationInput& input, InstallLog& log, FailureList& failures,
                     UninstallData& uninstallData);

// The size Windows shows for the product: the uninstaller image, each installed file rounded
// up to whole clusters, and the extra size of the project.
std::uint64_t EstimatedInstallSize(std::uint64_t uninstallerImageSize,
                                   std::span<const std::uint64_t> fileSizes, std::uint64_t clusterSize,
                                   std::uint64_t extraSize);
// The cluster size of the drive that holds `folder`; 4096 when it cannot be found.
std::uint64_t ClusterSizeOf(const std::wstring& folder);

// The texts of a few product-key values, shared with their readers.
std::wstring SizeText(double size);              // 12.5 -> "12.5", 20 -> "20"
std::wstring ColorText(std::uint32_t colorRef);  // "RRGGBB"
std::wstring UninstallKeyPath(const std::wstring& uninstallKeyName);

}  // namespace vantrel
