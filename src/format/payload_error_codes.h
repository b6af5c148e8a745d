#pragma once

#include <span>

namespace vantrel {

// The payload error codes: the number a damaged installer reports ("Error code: N") and
// support staff are quoted. Every code is named here, once, and listed with its meaning in
// kPayloadErrorCodes below; the engine, the builder and `inspect` all use these names.
// Append only: a code is never renumbered, reused or removed, since installers already in
// the field report it.
namespace payload_error {
inline constexpr int kDeferredReplacementLength = 5;
inline constexpr int kNoRawData = 9;
inline constexpr int kSeekRawData = 10;
inline constexpr int kStatusDelay = 19;
inline constexpr int kHeaderMagic = 20;
inline constexpr int kSettingsSize = 22;
inline constexpr int kLicenceCount = 24;
inline constexpr int kSettingsCheck = 25;
inline constexpr int kReadmeCount = 26;
inline constexpr int kFileCount = 27;
inline constexpr int kFileSize = 28;
inline constexpr int kNegativeDataSize = 29;
inline constexpr int kLanguageCount = 30;
inline constexpr int kMessageCount = 31;
inline constexpr int kEndMarker = 32;
inline constexpr int kLeadingPartUnreadable = 35;
inline constexpr int kAssociationCount = 36;
inline constexpr int kSavedValueCount = 37;
inline constexpr int kDeletionCount = 38;
inline constexpr int kBitmapSize = 39;
inline constexpr int kProgramFileCheck = 40;
inline constexpr int kAutoCloseCount = 41;
inline constexpr int kStubImage = 42;
inline constexpr int kPeHeaderOffset = 43;
inline constexpr int kSectionCount = 44;
inline constexpr int kNegativeDataEnd = 45;
inline constexpr int kDataAreaLength = 46;
inline constexpr int kSettingsDecode = 47;
inline constexpr int kShortcutCount = 48;
inline constexpr int kDataAreaCheck = 55;
inline constexpr int kBlockDecode = 60;
inline constexpr int kBlockSize = 61;
inline constexpr int kBlockCheck = 62;
inline constexpr int kBlockBeyondArea = 63;
inline constexpr int kDeletionVersion = 65;
inline constexpr int kEmptyName = 70;
inline constexpr int kNegativeFileSize = 71;
inline constexpr int kFileTooLarge = 72;
inline constexpr int kAppletName = 78;
inline constexpr int kAppletClass = 79;
inline constexpr int kBytesLeftInArea = 80;
inline constexpr int kDecodedLeftOver = 83;
inline constexpr int kFirewallFields = 90;
inline constexpr int kFileDataCheck = 100;
inline constexpr int kUnknownKind = 110;
inline constexpr int kSavedValueType = 200;
// The signature check's verdict is added to this one.
inline constexpr int kSignatureBase = 1000;
}  // namespace payload_error

struct PayloadErrorCode {
    int code;
    const char* meaning;
};

// Every payload error code with its meaning, in ascending order of code.
std::span<const PayloadErrorCode> PayloadErrorCodes();

// The meaning of a code (for codes above kSignatureBase, the signature check's), or null
// for a number that is no payload error code.
const char* PayloadErrorMeaning(int code);

}  // namespace vantrel
