#include "format/payload_error_codes.h"

#include <algorithm>
#include <array>

namespace vantrel {
namespace {

using namespace payload_error;

constexpr std::array kCodes = {
    PayloadErrorCode{kDeferredReplacementLength, "a deferred replacement was given a negative data length"},
    PayloadErrorCode{kNoRawData, "the payload section has no raw data"},
    PayloadErrorCode{kSeekRawData, "the file cannot be positioned at the payload section"},
    PayloadErrorCode{kStatusDelay, "status delay above 9999"},
    PayloadErrorCode{kHeaderMagic, "wrong magic number in the payload header"},
    PayloadErrorCode{kSettingsSize, "settings size out of range (or the payload header is cut off)"},
    PayloadErrorCode{kLicenceCount, "licence count out of range"},
    PayloadErrorCode{kSettingsCheck, "the decoded settings do not match their checksum"},
    PayloadErrorCode{kReadmeCount, "readme count out of range"},
    PayloadErrorCode{kFileCount, "negative file count"},
    PayloadErrorCode{kFileSize, "a file size out of range"},
    PayloadErrorCode{kNegativeDataSize, "negative data size"},
    PayloadErrorCode{kLanguageCount, "language count 0 or above 200"},
    PayloadErrorCode{kMessageCount, "message count out of range"},
    PayloadErrorCode{kEndMarker, "wrong end marker after the settings"},
    PayloadErrorCode{kLeadingPartUnreadable, "the program file cannot be read for the integrity check"},
    PayloadErrorCode{kAssociationCount, "too many associations"},
    PayloadErrorCode{kSavedValueCount, "too many saved values"},
    PayloadErrorCode{kDeletionCount, "too many conditional deletions"},
    PayloadErrorCode{kBitmapSize, "bitmap size out of range"},
    PayloadErrorCode{kProgramFileCheck,
                     "the program file does not match its file check (it was changed after building)"},
    PayloadErrorCode{kAutoCloseCount, "too many applications to close"},
    PayloadErrorCode{kStubImage, "the bytes after the payload section cannot be read"},
    PayloadErrorCode{kPeHeaderOffset, "PE header offset unreadable or out of range"},
    PayloadErrorCode{kSectionCount, "section count unreadable or out of range"},
    PayloadErrorCode{kNegativeDataEnd, "negative data end"},
    PayloadErrorCode{kDataAreaLength, "the data area's length differs from the data size"},
    PayloadErrorCode{kSettingsDecode, "the settings block does not decode"},
    PayloadErrorCode{kShortcutCount, "too many shortcuts"},
    PayloadErrorCode{kDataAreaCheck, "the data area does not match its checksum"},
    PayloadErrorCode{kBlockDecode, "a data block does not decompress"},
    PayloadErrorCode{kBlockSize, "a data block's stored size is 0 or negative"},
    PayloadErrorCode{kBlockCheck, "a data block does not match its checksum"},
    PayloadErrorCode{kBlockBeyondArea, "a data block runs past the end of the data area"},
    PayloadErrorCode{kDeletionVersion, "a conditional deletion has a version that is not a version"},
    PayloadErrorCode{kEmptyName, "a file record has an empty name"},
    PayloadErrorCode{kNegativeFileSize, "a negative file size"},
    PayloadErrorCode{kFileTooLarge, "a file size above 1 GiB"},
    PayloadErrorCode{kAppletName, "a control-panel applet record without a name"},
    PayloadErrorCode{kAppletClass, "a control-panel applet record without its class identifier"},
    PayloadErrorCode{kBytesLeftInArea, "bytes left in the data area after the last file record"},
    PayloadErrorCode{kDecodedLeftOver, "decoded data left over that no file record used"},
    PayloadErrorCode{kFirewallFields, "a firewall entry without exactly 4 fields"},
    PayloadErrorCode{kFileDataCheck, "a file's data does not match its checksum"},
    PayloadErrorCode{kUnknownKind, "a file record with an unknown destination kind"},
    PayloadErrorCode{kSavedValueType, "a saved value with an unknown type"},
};

}  // namespace

std::span<const PayloadErrorCode> PayloadErrorCodes() {
    return kCodes;
}

const char* PayloadErrorMeaning(int code) {
    const auto it =
        std::lower_bound(kCodes.begin(), kCodes.end(), code,
                         [](const PayloadErrorCode& entry, int wanted) { return entry.code < wanted; });
    if (it != kCodes.end() && it->code == code)
        return it->meaning;
    if (code > kSignatureBase)
        return "the signature check rejected the file";
    return nullptr;
}

}  // namespace vantrel
