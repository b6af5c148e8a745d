#include "format/settings_stream.h"

#include <stdexcept>
#include <string>

#include "format/byte_writer.h"

namespace vantrel {
namespace {

template <std::size_t N>
void ReadFixed(StreamReader& in, std::array<std::uint8_t, N>& out) {
    in.Bytes(out.data(), N);
}

class FieldReader {
  public:
    FieldReader(StreamReader& in, Settings& s, const SettingsReadHooks& hooks)
        : in_(in), s_(s), hooks_(hooks) {}

    int Run();

  private:
    void Done(int field) {
        if (hooks_.afterField)
            hooks_.afterField(s_, field);
    }
    int Lists();
    int Messages();

    StreamReader& in_;
    Settings& s_;
    const SettingsReadHooks& hooks_;
};

int FieldReader::Run() {
    using namespace payload_error;
    s_.productFlagsLow = in_.U32();  // 1
    s_.productFlagsHigh = in_.U32();
    s_.automaticMode = in_.U8();  // 2
    if (hooks_.afterModeFields)
        hooks_.afterModeFields(s_);

    s_.taskbarText = in_.VarTextW();   // 3
    s_.displayTitle = in_.VarTextW();  // 4
    if (hooks_.afterDisplayTitle) {
        if (const int error = hooks_.afterDisplayTitle(s_); error != 0)
            return error;
    }
    s_.titleSize = in_.F64();             // 5
    s_.progressDialogOption = in_.U32();  // 6
    if (hooks_.backgroundWindowSeam)
        hooks_.backgroundWindowSeam(s_);

    s_.statusDelay = in_.U16();  // 7
    if (s_.statusDelay > kMaxStatusDelay)
        return kStatusDelay;
    Done(7);
    s_.shortcutMode = in_.U8();  // 8
    Done(8);
    ReadFixed(in_, s_.uninstallerFileTime);  // 9
    Done(9);
    s_.companyName = in_.VarTextW();  // 10
    Done(10);
    s_.productName = in_.VarTextW();  // 11
    Done(11);
    s_.displayProductName = in_.VarTextW();  // 12
    Done(12);
    s_.bitness = in_.U8();  // 13
    Done(13);
    s_.sharedFolderLocation = in_.U8();  // 14
    Done(14);
    s_.sharedFolderName = in_.VarTextW();  // 15
    Done(15);
    s_.portableSharedFolder = in_.VarTextW();  // 16
    Done(16);
    s_.startMenuFolder = in_.VarTextW();  // 17
    Done(17);
    s_.productVersion = in_.VarTextW();  // 18
    Done(18);
    s_.defaultInstallFolder = in_.VarTextW();  // 19
    Done(19);
    s_.productRegistryKey = in_.VarTextW();  // 20
    Done(20);
    s_.registryInstructions = in_.Text32W();  // 21
    Done(21);
    s_.registryMergeText = in_.VarText();  // 22
    Done(22);
    s_.bitmapSize = in_.I32();  // 23
    if (s_.bitmapSize < 0 || s_.bitmapSize > kMaxBitmapSize)
        return kBitmapSize;
    Done(23);
    s_.stretchMode = in_.I32();  // 24
    Done(24);
    s_.startPageText = in_.Text16W();  // 25
    Done(25);
    const std::int32_t licences = in_.I32();  // 26
    if (licences < 0 || licences > kMaxLicences)
        return kLicenceCount;
    s_.licenceTexts.clear();
    for (std::int32_t i = 0; i < licences; ++i)
        s_.licenceTexts.push_back(in_.Text32W());  // 27
    Done(27);
    const std::int32_t readmes = in_.I32();  // 28
    if (readmes < 0 || readmes > kMaxReadmes)
        return kReadmeCount;
    s_.readmeTexts.clear();
    for (std::int32_t i = 0; i < readmes; ++i)
        s_.readmeTexts.push_back(in_.Text32W());  // 29
    Done(29);
    s_.uninstallSubfolder = in_.VarTextW();  // 30
    Done(30);
    s_.uninstallerFileName = in_.Text8A();  // 31
    Done(31);
    s_.uninstallKeyName = in_.VarTextW();  // 32
    Done(32);
    s_.installLocationValue = in_.CText();  // 33
    Done(33);
    s_.installerTitle = in_.VarTextW();  // 34
    Done(34);
    s_.headerTextColor = in_.I32();  // 35
    Done(35);
    s_.sidePictureFrame = in_.U8();  // 36
    Done(36);
    s_.titleColor = in_.U32();  // 37
    Done(37);
    s_.titleShadow = in_.U8();  // 38
    Done(38);
    s_.titlePosition = in_.U8();  // 39
    Done(39);
    s_.titleFont = in_.Text16W();  // 40
    Done(40);
    s_.topColor = in_.U32();  // 41
    Done(41);
    s_.bottomColor = in_.U32();  // 42
    Done(42);
    const std::int32_t bitmapLength = in_.I32();  // 43
    s_.bitmap.clear();
    s_.bitmapTpi = 0;
    if (bitmapLength > 0) {
        s_.bitmap = in_.Counted(static_cast<std::uint32_t>(bitmapLength));
        s_.bitmapTpi = in_.U32();
    }
    Done(43);
    s_.copyright = {};
    s_.copyright.position = in_.U8();  // 44
    if (s_.copyright.position != 0) {
        s_.copyright.color = in_.U32();
        s_.copyright.size = in_.F64();
        s_.copyright.text = in_.VarTextW();
        s_.copyright.font = in_.VarTextW();
    }
    Done(44);
    s_.requiredProduct = {};
    if (s_.productFlagsLow & product_flags::kRequiredProduct) {  // 45
        s_.requiredProduct.lookupName = in_.VarTextW();
        s_.requiredProduct.displayName = in_.VarTextW();
        s_.requiredProduct.minimumVersion = in_.VarTextW();
        Done(45);
    }
    s_.startSound = in_.VarText();  // 46
    Done(46);
    s_.desktopFolder = in_.VarTextW();  // 47
    Done(47);
    s_.desktopFolderIcon = in_.Text32();  // 48
    Done(48);
    s_.preInstallBatch = in_.VarText8();  // 49
    Done(49);
    s_.postInstallBatch = in_.VarText8();  // 50
    Done(50);
    s_.exitBatch = in_.VarText8();  // 51
    Done(51);
    s_.uninstallBatch1 = in_.VarText8();  // 52
    Done(52);
    s_.uninstallBatch2 = in_.VarText8();  // 53
    Done(53);
    s_.upgradeBatch = in_.VarText8();  // 54
    Done(54);
    s_.reinstallBatch = in_.VarText8();  // 55
    Done(55);
    ReadFixed(in_, s_.spareRecord);  // 56
    Done(56);
    s_.excludedWindowsVersions = in_.U32();  // 57
    Done(57);
    s_.dataInFile = in_.U8();  // 58
    Done(58);
    std::wstring* notifications[] = {&s_.launchApplication,
                                     &s_.openItem,
                                     &s_.openItem2,
                                     &s_.startNotification,
                                     &s_.beginNotification,
                                     &s_.completionNotification,
                                     &s_.upgradeNotification,
                                     &s_.downgradeNotification,
                                     &s_.reinstallNotification,
                                     &s_.uninstallNotification,
                                     &s_.startPageAddress,
                                     &s_.cancelNotification,
                                     &s_.errorNotification};
    int field = 59;  // 59 to 71
    for (std::wstring* text : notifications) {
        *text = in_.VarTextW();
        Done(field++);
    }
    s_.questionVersion = in_.CText();  // 72
    Done(72);
    s_.minimumVersion = in_.Text8A();  // 73
    Done(73);
    s_.installPassword = in_.VarTextW();  // 74
    Done(74);
    s_.mustUninstallVersion = in_.VarTextW();  // 75
    Done(75);
    s_.firewallText = in_.VarTextW();  // 76
    Done(76);
    s_.pathSubfolder = in_.VarTextW();  // 77
    Done(77);
    for (auto& word : s_.pageStyles)
        word = in_.U32();  // 78
    Done(78);
    s_.uninstallerIcon.clear();
    if (s_.productFlagsLow & product_flags::kRegisterForUninstall) {  // 79
        s_.uninstallerIcon = in_.Text32();
        Done(79);
    }
    if (const int error = Lists(); error != 0)
        return error;
    return Messages();
}

int FieldReader::Lists() {
    using namespace payload_error;
    s_.conditionalDeletions.clear();  // 80
    for (;;) {
        ConditionalDeletion entry;
        entry.pattern = in_.CText();
        if (entry.pattern == kDeletionListEnd)
            break;
        if (s_.conditionalDeletions.size() >= kMaxListEntries)
            return kDeletionCount;
        entry.condition = in_.U8();
        entry.value = in_.CText();
        entry.flags = in_.U8();
        s_.conditionalDeletions.push_back(std::move(entry));
    }
    Done(80);

    const std::int32_t associations = in_.I32();  // 81
    if (associations < 0 || associations > kMaxListRecords)
        return kAssociationCount;
    s_.associations.clear();
    for (std::int32_t i = 0; i < associations; ++i) {
        FileAssociationRecord r;
        r.kind = in_.U32();
        r.extension = in_.CText();
        r.fileType = in_.CText();
        r.description = in_.CText();
        r.verbs = in_.CText();
        r.verbCaption = in_.CText();
        r.command = in_.VarTextW();
        r.language = in_.WText();
        r.icon = in_.VarTextW();
        s_.associations.push_back(std::move(r));
    }
    Done(81);

    const std::int32_t shortcuts = in_.I32();  // 82
    if (shortcuts < 0 || shortcuts > kMaxListRecords)
        return kShortcutCount;
    s_.shortcuts.clear();
    for (std::int32_t i = 0; i < shortcuts; ++i) {
        ShortcutRecord r;
        r.target = in_.VarTextW();
        r.name = in_.VarTextW();
        r.icon = in_.VarTextW();
        r.arguments = in_.VarTextW();
        r.workingFolder = in_.VarTextW();
        r.desktop = in_.U8();
        r.startMenu = in_.U8();
        r.startup = in_.U8();
        r.customFolder = in_.CText();
        r.showMode = in_.U8();
        r.noRecord = in_.U8();
        s_.shortcuts.push_back(std::move(r));
    }
    Done(82);

    s_.rootShortcutTarget = in_.VarTextW();  // 83
    s_.rootShortcutName = in_.VarTextW();
    s_.pinCommand = in_.WText();
    s_.pinName = in_.WText();
    Done(83);

    const std::int32_t saved = in_.I32();  // 84
    if (saved < 0 || saved > kMaxListRecords)
        return kSavedValueCount;
    s_.savedValues.clear();
    for (std::int32_t i = 0; i < saved; ++i) {
        SavedValue v;
        v.name = in_.CText();
        v.type = in_.U8();
        v.value = in_.VarTextW();
        s_.savedValues.push_back(std::move(v));
    }
    Done(84);

    s_.supportOffer = in_.Text16W();  // 85
    Done(85);
    s_.productIcon = in_.Text32();  // 86
    Done(86);

    s_.autoClose.clear();  // 87
    for (;;) {
        AutoCloseRecord r;
        r.titlePattern = in_.Text16W();
        if (r.titlePattern == kAutoCloseListEnd)
            break;
        if (s_.autoClose.size() >= kMaxListEntries)
            return kAutoCloseCount;
        r.classPattern = in_.CText();
        r.programName = in_.CText();
        r.action = in_.U8();
        r.phaseMask = in_.U8();
        s_.autoClose.push_back(std::move(r));
    }
    Done(87);
    return 0;
}

int FieldReader::Messages() {
    using namespace payload_error;
    const std::uint8_t languages = in_.U8();  // 88
    if (languages == 0 || languages > kMaxLanguages)
        return kLanguageCount;
    Done(88);
    const std::int32_t messages = in_.I32();  // 89
    if (messages < 1 || messages > kMaxMessages)
        return kMessageCount;
    Done(89);
    // The counts are only claims: a stream that ends before its table does is not padded out
    // to them (up to two million empty texts), since all that can follow is the end-marker
    // failure. Nothing is reserved for the same reason.
    std::vector<std::wstring> names;  // 90
    for (int i = 0; i < languages && !in_.Failed(); ++i)
        names.push_back(in_.WText());
    Done(90);
    std::vector<std::wstring> texts;  // 91
    const std::size_t textCount = static_cast<std::size_t>(messages) * languages;
    for (std::size_t i = 0; i < textCount && !in_.Failed(); ++i)
        texts.push_back(in_.WText());
    s_.messages = MessageTable(std::move(names), std::move(texts));
    Done(91);
    if (in_.U32() != kSettingsEndMarker)
        return kEndMarker;  // 92
    return 0;
}

}  // namespace

int ReadSettingsStream(StreamReader& stream, Settings& settings, const SettingsReadHooks& hooks) {
    return FieldReader(stream, settings, hooks).Run();
}

}  // namespace vantrel
