// Writer side of the settings stream (the builder's); the reader is settings_stream.cpp.
#include <stdexcept>
#include <string>

#include "format/byte_writer.h"
#include "format/settings_stream.h"

namespace vantrel {

std::vector<std::uint8_t> WriteSettingsStream(const Settings& s) {
    std::vector<std::uint8_t> out;
    ByteWriter w(out);
    auto wide = [](const std::wstring& text) { return Utf16Bytes(text); };
    auto checkCount = [](std::size_t count, std::size_t limit, const char* what) {
        if (count > limit)
            throw std::length_error(std::string("too many ") + what);
    };
    w.U32(s.productFlagsLow);  // 1
    w.U32(s.productFlagsHigh);
    w.U8(s.automaticMode);  // 2
    w.VarText(s.taskbarText);
    w.VarText(s.displayTitle);
    w.F64(s.titleSize);
    w.U32(s.progressDialogOption);
    if (s.statusDelay > kMaxStatusDelay)
        throw std::invalid_argument("status delay above 9999");
    w.U16(s.statusDelay);  // 7
    w.U8(s.shortcutMode);
    w.Raw(s.uninstallerFileTime);
    w.VarText(s.companyName);  // 10
    w.VarText(s.productName);
    w.VarText(s.displayProductName);
    w.U8(s.bitness);
    w.U8(s.sharedFolderLocation);
    w.VarText(s.sharedFolderName);  // 15
    w.VarText(s.portableSharedFolder);
    w.VarText(s.startMenuFolder);
    w.VarText(s.productVersion);
    w.VarText(s.defaultInstallFolder);
    w.VarText(s.productRegistryKey);  // 20
    w.Text32(wide(s.registryInstructions));
    w.VarText(s.registryMergeText);
    if (s.bitmapSize < 0 || s.bitmapSize > kMaxBitmapSize)
        throw std::invalid_argument("bitmap size outside 0..100");
    w.I32(s.bitmapSize);
    w.I32(s.stretchMode);
    w.Text16(wide(s.startPageText));  // 25
    checkCount(s.licenceTexts.size(), kMaxLicences, "licence texts");
    w.I32(static_cast<std::int32_t>(s.licenceTexts.size()));
    for (const auto& text : s.licenceTexts)
        w.Text32(wide(text));
    checkCount(s.readmeTexts.size(), kMaxReadmes, "readme texts");
    w.I32(static_cast<std::int32_t>(s.readmeTexts.size()));
    for (const auto& text : s.readmeTexts)
        w.Text32(wide(text));
    w.VarText(s.uninstallSubfolder);  // 30
    w.Text8(AsBytes(s.uninstallerFileName));
    w.VarText(s.uninstallKeyName);
    w.CText(s.installLocationValue);
    w.VarText(s.installerTitle);
    w.I32(s.headerTextColor);  // 35
    w.U8(s.sidePictureFrame);
    w.U32(s.titleColor);
    w.U8(s.titleShadow);
    w.U8(s.titlePosition);
    w.Text16(wide(s.titleFont));  // 40
    w.U32(s.topColor);
    w.U32(s.bottomColor);
    w.Text32(s.bitmap);  // 43: the length, the bytes, and BitmapTPI when there are bytes
    if (!s.bitmap.empty())
        w.U32(s.bitmapTpi);
    w.U8(s.copyright.position);  // 44
    if (s.copyright.position != 0) {
        w.U32(s.copyright.color);
        w.F64(s.copyright.size);
        w.VarText(s.copyright.text);
        w.VarText(s.copyright.font);
    }
    if (s.productFlagsLow & product_flags::kRequiredProduct) {  // 45
        w.VarText(s.requiredProduct.lookupName);
        w.VarText(s.requiredProduct.displayName);
        w.VarText(s.requiredProduct.minimumVersion);
    }
    w.VarText(s.startSound);  // 46
    w.VarText(s.desktopFolder);
    w.Text32(s.desktopFolderIcon);
    for (const std::string* batch :
         {&s.preInstallBatch, &s.postInstallBatch, &s.exitBatch, &s.uninstallBatch1, &s.uninstallBatch2,
          &s.upgradeBatch, &s.reinstallBatch}) {
        w.VarText8(*batch);  // 49 to 55
    }
    w.Raw(s.spareRecord);  // 56
    w.U32(s.excludedWindowsVersions);
    w.U8(s.dataInFile);
    for (const std::wstring* text :
         {&s.launchApplication, &s.openItem, &s.openItem2, &s.startNotification, &s.beginNotification,
          &s.completionNotification, &s.upgradeNotification, &s.downgradeNotification,
          &s.reinstallNotification, &s.uninstallNotification, &s.startPageAddress, &s.cancelNotification,
          &s.errorNotification}) {
        w.VarText(*text);  // 59 to 71
    }
    w.CText(s.questionVersion);  // 72
    w.Text8(AsBytes(s.minimumVersion));
    w.VarText(s.installPassword);
    w.VarText(s.mustUninstallVersion);
    w.VarText(s.firewallText);  // 76
    w.VarText(s.pathSubfolder);
    for (std::uint32_t word : s.pageStyles)
        w.U32(word);
    if (s.productFlagsLow & product_flags::kRegisterForUninstall)
        w.Text32(s.uninstallerIcon);  // 79

    checkCount(s.conditionalDeletions.size(), kMaxListEntries, "conditional deletions");  // 80
    for (const auto& e : s.conditionalDeletions) {
        if (e.pattern == kDeletionListEnd)
            throw std::invalid_argument("deletion entry named like the terminator");
        w.CText(e.pattern);
        w.U8(e.condition);
        w.CText(e.value);
        w.U8(e.flags);
    }
    w.CText(kDeletionListEnd);
    checkCount(s.associations.size(), kMaxListRecords, "associations");  // 81
    w.I32(static_cast<std::int32_t>(s.associations.size()));
    for (const auto& r : s.associations) {
        w.U32(r.kind);
        w.CText(r.extension);
        w.CText(r.fileType);
        w.CText(r.description);
        w.CText(r.verbs);
        w.CText(r.verbCaption);
        w.VarText(r.command);
        w.WText(r.language);
        w.VarText(r.icon);
    }
    checkCount(s.shortcuts.size(), kMaxListRecords, "shortcuts");  // 82
    w.I32(static_cast<std::int32_t>(s.shortcuts.size()));
    for (const auto& r : s.shortcuts) {
        w.VarText(r.target);
        w.VarText(r.name);
        w.VarText(r.icon);
        w.VarText(r.arguments);
        w.VarText(r.workingFolder);
        w.U8(r.desktop);
        w.U8(r.startMenu);
        w.U8(r.startup);
        w.CText(r.customFolder);
        w.U8(r.showMode);
        w.U8(r.noRecord);
    }
    w.VarText(s.rootShortcutTarget);  // 83
    w.VarText(s.rootShortcutName);
    w.WText(s.pinCommand);
    w.WText(s.pinName);
    checkCount(s.savedValues.size(), kMaxListRecords, "saved values");  // 84
    w.I32(static_cast<std::int32_t>(s.savedValues.size()));
    for (const auto& v : s.savedValues) {
        w.CText(v.name);
        w.U8(v.type);
        w.VarText(v.value);
    }
    w.Text16(wide(s.supportOffer));  // 85
    w.Text32(s.productIcon);
    checkCount(s.autoClose.size(), kMaxListEntries, "applications to close");  // 87
    for (const auto& r : s.autoClose) {
        if (r.titlePattern == kAutoCloseListEnd)
            throw std::invalid_argument("AutoCloseList entry named like the end");
        w.Text16(wide(r.titlePattern));
        w.CText(r.classPattern);
        w.CText(r.programName);
        w.U8(r.action);
        w.U8(r.phaseMask);
    }
    w.Text16(wide(kAutoCloseListEnd));

    const MessageTable& table = s.messages;  // 88 to 91
    if (table.LanguageCount() < 1 || table.LanguageCount() > kMaxLanguages) {
        throw std::length_error("language count outside 1..200");
    }
    const std::size_t messages = table.MessageCount();
    if (messages < 1 || messages > static_cast<std::size_t>(kMaxMessages)) {
        throw std::length_error("message count outside 1..10000");
    }
    if (table.Texts().size() != messages * table.LanguageCount()) {
        throw std::invalid_argument("message table is not messages x languages");
    }
    w.U8(static_cast<std::uint8_t>(table.LanguageCount()));
    w.I32(static_cast<std::int32_t>(messages));
    for (const auto& name : table.LanguageNames())
        w.WText(name);
    for (const auto& text : table.Texts())
        w.WText(text);
    w.U32(kSettingsEndMarker);  // 92
    return out;
}

}  // namespace vantrel
