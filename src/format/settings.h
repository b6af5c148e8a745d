#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "format/message_table.h"

namespace vantrel {

using Bytes = std::vector<std::uint8_t>;

// Named bits of the two option words. ProductFlags is 64-bit: low word | high word << 32.
namespace product_flags {
// low word
inline constexpr std::uint32_t kMustUninstallFirst = 0x1;
inline constexpr std::uint32_t kUninstallStartMenuShortcut = 0x2;
inline constexpr std::uint32_t kRegisterForUninstall = 0x4;
inline constexpr std::uint32_t kAskBeforeRemovingFonts = 0x10;
inline constexpr std::uint32_t kCompressedBlocks = 0x20;
inline constexpr std::uint32_t kCreateLog = 0x40;
inline constexpr std::uint32_t kShowFolderPage = 0x80;
inline constexpr std::uint32_t kSingleInstance = 0x100;
inline constexpr std::uint32_t kUninstallSilently = 0x200;
inline constexpr std::uint32_t kRemoveInstallTree = 0x400;
inline constexpr std::uint32_t kDeferAnyLockedFile = 0x800;
inline constexpr std::uint32_t kRemoveFromPath = 0x1000;
inline constexpr std::uint32_t kRebootNeeded = 0x4000;
inline constexpr std::uint32_t kBackgroundBitmap = 0x8000;
inline constexpr std::uint32_t kRequiredProduct = 0x10000;
inline constexpr std::uint32_t kAskBeforeDeletingShared = 0x20000;
inline constexpr std::uint32_t kVerifyWrites = 0x40000;
inline constexpr std::uint32_t kClearAttributesOnRetry = 0x80000;
inline constexpr std::uint32_t kLogEachFile = 0x100000;
inline constexpr std::uint32_t kNoEndNotice = 0x400000;
inline constexpr std::uint32_t kPreBatchOption = 0x800000;
inline constexpr std::uint32_t kPostBatchOption = 0x1000000;
inline constexpr std::uint32_t kExitBatchOption = 0x2000000;
inline constexpr std::uint32_t kUninstallBatch1Option = 0x4000000;
inline constexpr std::uint32_t kUninstallBatch2Option = 0x8000000;
inline constexpr std::uint32_t kNoExistingInstallQuestion = 0x10000000;
inline constexpr std::uint32_t kNoBackgroundWindow = 0x20000000;
// high word
inline constexpr std::uint32_t kIntegrityCheck = 0x1;
inline constexpr std::uint32_t kUninstallDesktopShortcut = 0x2;
inline constexpr std::uint32_t kShowStartMenuPage = 0x4;
inline constexpr std::uint32_t kCompareVersions = 0x10;
inline constexpr std::uint32_t kUninstallShortcutInUninstallDir = 0x40;
inline constexpr std::uint32_t kBackgroundMaximized = 0x100;
inline constexpr std::uint32_t kRebootQuestionWhenAutomatic = 0x200;
inline constexpr std::uint32_t kNoStartQuestion = 0x800;
inline constexpr std::uint32_t kVersionQuestion = 0x1000;
inline constexpr std::uint32_t kRestartAfterUninstall = 0x2000;
inline constexpr std::uint32_t kCopyReadme = 0x4000;
inline constexpr std::uint32_t kCopyLicence = 0x8000;
inline constexpr std::uint32_t kHideFileNamesInProgress = 0x20000;
inline constexpr std::uint32_t kGrantInstallDirAccess = 0x40000;
inline constexpr std::uint32_t kShowProgressDialog = 0x80000;
inline constexpr std::uint32_t kCreateRebootMarker = 0x200000;
inline constexpr std::uint32_t kKeepInstallLog = 0x400000;
inline constexpr std::uint32_t kNoPortableUninstaller = 0x1000000;
inline constexpr std::uint32_t kSummaryOffersLog = 0x2000000;
inline constexpr std::uint32_t kDesktopFolderDefaultsToProduct = 0x4000000;
inline constexpr std::uint32_t kInstallLogShortcut = 0x8000000;
inline constexpr std::uint32_t kUpgradeBatchOption = 0x10000000;
inline constexpr std::uint32_t kReinstallBatchOption = 0x20000000;
inline constexpr std::uint32_t kGrantSharedDirAccess = 0x40000000;

// Silent mode forces these (applied right after the words are read).
inline constexpr std::uint32_t kSilentLowKeep = 0x7FFFFF7F;
inline constexpr std::uint32_t kSilentLowSet = 0x30600000;
inline constexpr std::uint32_t kSilentHighKeep = 0xFFF7EDE3;
inline constexpr std::uint32_t kSilentHighSet = 0x800;
}  // namespace product_flags

namespace product_flags2 {
inline constexpr std::uint32_t kReinstallBatchRestricted = 0x1;
inline constexpr std::uint32_t kRestorePoint = 0x2;
inline constexpr std::uint32_t kBuildStubImage = 0x20;
inline constexpr std::uint32_t kPreBatchTitled = 0x40;
inline constexpr std::uint32_t kPostBatchTitled = 0x80;
inline constexpr std::uint32_t kUpgradeBatchTitled = 0x100;
inline constexpr std::uint32_t kReinstallBatchTitled = 0x200;
// Small pictures on the Next, Cancel and Browse buttons; cleared on systems before XP,
// whose buttons cannot show a picture beside their text.
inline constexpr std::uint32_t kButtonImages = 0x400;
inline constexpr std::uint32_t kEnciphered = 0x1000;
inline constexpr std::uint32_t kRecordInstallLocationValue = 0x2000;
inline constexpr std::uint32_t kLaunchDirectly = 0x100000;
}  // namespace product_flags2

// Values of the one-byte mode fields.
namespace automatic_mode {
inline constexpr std::uint8_t kOn = 1;   // switches automatic mode on
inline constexpr std::uint8_t kOff = 2;  // switches it off, unless silent
}  // namespace automatic_mode
namespace product_bitness {
inline constexpr std::uint8_t k64Bit = 1;  // needs 64-bit Windows; file-system redirection off
inline constexpr std::uint8_t k32Bit = 2;  // needs 32-bit Windows
}  // namespace product_bitness
namespace shortcut_mode {
inline constexpr std::uint8_t kAllUsers = 1;
}  // namespace shortcut_mode

// Settings-stream field numbers the engine acts on while the stream is read.
namespace settings_field {
inline constexpr int kBitness = 13;
inline constexpr int kErrorNotification = 71;
inline constexpr int kMessages = 91;
}  // namespace settings_field

// One list entry of the settings (see the field comments in Settings).
struct FileAssociationRecord {
    std::uint32_t kind = 0;
    std::string extension;    // 8-bit, ANSI code page
    std::string fileType;     // 8-bit
    std::string description;  // 8-bit
    std::string verbs;        // 8-bit, comma-separated
    std::string verbCaption;  // 8-bit
    std::wstring command;
    std::wstring language;
    std::wstring icon;

    bool operator==(const FileAssociationRecord&) const = default;
};

struct ShortcutRecord {
    std::wstring target;
    std::wstring name;
    std::wstring icon;
    std::wstring arguments;
    std::wstring workingFolder;
    std::uint8_t desktop = 0;
    std::uint8_t startMenu = 0;
    std::uint8_t startup = 0;
    std::string customFolder;  // CText
    std::uint8_t showMode = 0;
    std::uint8_t noRecord = 0;

    bool operator==(const ShortcutRecord&) const = default;
};

struct SavedValue {
    std::string name;       // CText
    std::uint8_t type = 1;  // 1 REG_SZ, 2 REG_EXPAND_SZ, 4 REG_DWORD (decimal text)
    std::wstring value;

    bool operator==(const SavedValue&) const = default;
};

struct ConditionalDeletion {
    std::string pattern;  // encoded text
    std::uint8_t condition = 0;
    std::string value;
    std::uint8_t flags = 0;

    bool operator==(const ConditionalDeletion&) const = default;
};

struct AutoCloseRecord {
    std::wstring titlePattern;  // Text16 (UTF-16 bytes)
    std::string classPattern;   // CText
    std::string programName;    // CText
    std::uint8_t action = 0;
    std::uint8_t phaseMask = 0;

    bool operator==(const AutoCloseRecord&) const = default;
};

struct CopyrightSettings {
    std::uint8_t position = 0;  // 0: none of the following fields are stored
    std::uint32_t color = 0;
    double size = 0.0;
    std::wstring text;
    std::wstring font;

    bool operator==(const CopyrightSettings&) const = default;
};

struct RequiredProduct {
    std::wstring lookupName;
    std::wstring displayName;
    std::wstring minimumVersion;

    bool operator==(const RequiredProduct&) const = default;
};

// The decoded settings block, field by field in reading order. Texts are UTF-16 unless the
// member is a std::string (8-bit) or Bytes (binary data carried in a text field).
struct Settings {
    std::uint32_t productFlagsLow = 0;                   // 1
    std::uint32_t productFlagsHigh = 0;                  // 1
    std::uint8_t automaticMode = 0;                      // 2
    std::wstring taskbarText;                            // 3
    std::wstring displayTitle;                           // 4
    double titleSize = 0.0;                              // 5
    std::uint32_t progressDialogOption = 0;              // 6
    std::uint16_t statusDelay = 0;                       // 7 (0..9999)
    std::uint8_t shortcutMode = 0;                       // 8
    std::array<std::uint8_t, 24> uninstallerFileTime{};  // 9
    std::wstring companyName;                            // 10
    std::wstring productName;                            // 11
    std::wstring displayProductName;                     // 12
    std::uint8_t bitness = 0;                            // 13
    std::uint8_t sharedFolderLocation = 0;               // 14
    std::wstring sharedFolderName;                       // 15
    std::wstring portableSharedFolder;                   // 16
    std::wstring startMenuFolder;                        // 17
    std::wstring productVersion;                         // 18
    std::wstring defaultInstallFolder;                   // 19
    std::wstring productRegistryKey;                     // 20
    std::wstring registryInstructions;                   // 21 (Text32)
    Bytes registryMergeText;                             // 22 (VarText, written unchanged to a .reg file)
    std::int32_t bitmapSize = 0;                         // 23 (0..100)
    std::int32_t stretchMode = 0;                        // 24
    std::wstring startPageText;                          // 25 (Text16)
    std::vector<std::wstring> licenceTexts;              // 26, 27 (0..20, Text32 each)
    std::vector<std::wstring> readmeTexts;               // 28, 29 (0..20, Text32 each)
    std::wstring uninstallSubfolder;                     // 30
    std::string uninstallerFileName;                     // 31 (Text8)
    std::wstring uninstallKeyName;                       // 32
    std::string installLocationValue;                    // 33 (CText)
    std::wstring installerTitle;                         // 34
    std::int32_t headerTextColor = 0;                    // 35
    std::uint8_t sidePictureFrame = 0;                   // 36
    std::uint32_t titleColor = 0;                        // 37
    std::uint8_t titleShadow = 0;                        // 38
    std::uint8_t titlePosition = 0;                      // 39
    std::wstring titleFont;                              // 40 (Text16)
    std::uint32_t topColor = 0;                          // 41
    std::uint32_t bottomColor = 0;                       // 42
    Bytes bitmap;                                // 43 (length i32, bytes, then BitmapTPI when not empty)
    std::uint32_t bitmapTpi = 0;                 // 43
    CopyrightSettings copyright;                 // 44
    RequiredProduct requiredProduct;             // 45 (only with low bit kRequiredProduct)
    Bytes startSound;                            // 46 (WAV data)
    std::wstring desktopFolder;                  // 47
    Bytes desktopFolderIcon;                     // 48 (Text32)
    std::string preInstallBatch;                 // 49
    std::string postInstallBatch;                // 50
    std::string exitBatch;                       // 51
    std::string uninstallBatch1;                 // 52
    std::string uninstallBatch2;                 // 53
    std::string upgradeBatch;                    // 54
    std::string reinstallBatch;                  // 55
    std::array<std::uint8_t, 20> spareRecord{};  // 56
    std::uint32_t excludedWindowsVersions = 0;   // 57
    std::uint8_t dataInFile = 0;                 // 58
    std::wstring launchApplication;              // 59
    std::wstring openItem;                       // 60
    std::wstring openItem2;                      // 61
    std::wstring startNotification;              // 62
    std::wstring beginNotification;              // 63
    std::wstring completionNotification;         // 64
    std::wstring upgradeNotification;            // 65
    std::wstring downgradeNotification;          // 66
    std::wstring reinstallNotification;          // 67
    std::wstring uninstallNotification;          // 68
    std::wstring startPageAddress;               // 69
    std::wstring cancelNotification;             // 70
    std::wstring errorNotification;              // 71
    std::string questionVersion;                 // 72 (CText)
    std::string minimumVersion;                  // 73 (Text8)
    std::wstring installPassword;                // 74
    std::wstring mustUninstallVersion;           // 75
    std::wstring firewallText;                   // 76
    std::wstring pathSubfolder;                  // 77
    std::array<std::uint32_t, 10> pageStyles{};  // 78 (words 0,1: extra size; 2..9: page styles)
    Bytes uninstallerIcon;                       // 79 (only with low bit kRegisterForUninstall)
    std::vector<ConditionalDeletion> conditionalDeletions;  // 80
    std::vector<FileAssociationRecord> associations;        // 81
    std::vector<ShortcutRecord> shortcuts;                  // 82
    std::wstring rootShortcutTarget;                        // 83
    std::wstring rootShortcutName;                          // 83
    std::wstring pinCommand;                                // 83 (WText)
    std::wstring pinName;                                   // 83 (WText)
    std::vector<SavedValue> savedValues;                    // 84
    std::wstring supportOffer;                              // 85 (Text16)
    Bytes productIcon;                                      // 86 (Text32)
    std::vector<AutoCloseRecord> autoClose;                 // 87
    MessageTable messages;                                  // 88..91

    std::uint64_t ProductFlags() const { return (std::uint64_t{productFlagsHigh} << 32) | productFlagsLow; }

    bool operator==(const Settings&) const = default;
};

}  // namespace vantrel
