// The small readers of texts that come from files on disk or from a payload: encoded texts,
// version texts of installed files, paths read back by the uninstaller, wildcard patterns,
// message formats, the product's registry key and batch text. The first byte chooses the
// reader; the rest is its input.
#include <string_view>

#include "format/batch_text.h"
#include "format/file_version.h"
#include "format/path_canonical.h"
#include "format/product_registry_key.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "format/version_compare.h"
#include "format/wildcard_match.h"
#include "fuzz_input.h"

using namespace vantrel;

namespace {

int Sign(int value) {
    return (value > 0) - (value < 0);
}

std::wstring VersionText(std::uint64_t packed) {
    return std::to_wstring(packed >> 48) + L"." + std::to_wstring((packed >> 32) & 0xFFFF) + L"." +
           std::to_wstring((packed >> 16) & 0xFFFF) + L"." + std::to_wstring(packed & 0xFFFF);
}

void EncodedTexts(std::string_view bytes) {
    // Any bytes decode; what is decoded encodes and decodes to itself.
    const std::wstring decoded = DecodeText(bytes);
    FUZZ_CHECK(DecodeText(EncodeText(decoded)) == decoded);
    const std::wstring utf16 = Utf8ToUtf16(bytes);
    FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(utf16)) == utf16);
    FUZZ_CHECK(DecodeText(EncodeText(utf16)) == utf16);
    // Every byte of Windows-1252 has its own character, so its text comes back byte for byte.
    FUZZ_CHECK(Utf16ToWindows1252(Windows1252ToUtf16(bytes)) == bytes);
    FUZZ_CHECK(Utf8ToUtf16(Windows1252ToUtf8(bytes)) == Windows1252ToUtf16(bytes));
}

void Versions(std::string_view bytes) {
    std::string_view rest = bytes;
    const std::string_view left = fuzz::NextPart(rest, '\0');
    const std::string_view right = rest;
    FUZZ_CHECK(VersionCompare(left, left) == 0);
    FUZZ_CHECK(Sign(VersionCompare(left, right)) == -Sign(VersionCompare(right, left)));
    for (const std::string_view text : {left, right}) {
        if (const auto packed = ParseFileVersion(text)) {
            const std::wstring again = VersionText(*packed);
            FUZZ_CHECK(ParseFileVersion(std::string(again.begin(), again.end())) == packed);
        }
    }
}

void Paths(const std::wstring& path) {
    const std::wstring canonical = CanonicalPathText(path);
    FUZZ_CHECK(CanonicalPathText(canonical) == canonical);
    FUZZ_CHECK(!HasParentSegment(canonical));
    if (!canonical.empty())
        FUZZ_CHECK(IsSameOrAncestorFolder(canonical, canonical + L"\\x"));
    IsAbsolutePathText(path);
    IsRemovableProductRegistryKey(path);
}

void Wildcards(const std::wstring& input) {
    const std::size_t split = input.find(L'\0');
    const std::wstring_view pattern = std::wstring_view(input).substr(0, split);
    const std::wstring_view name =
        split == std::wstring::npos ? std::wstring_view() : std::wstring_view(input).substr(split + 1);
    WildcardMatch(pattern, name);
    FUZZ_CHECK(WildcardMatch(L"*", name));
    if (!HasWildcard(name))
        FUZZ_CHECK(WildcardMatch(name, name));
    const std::string narrowPattern(pattern.begin(), pattern.end());
    const std::string narrowName(name.begin(), name.end());
    WildcardMatch(narrowPattern, narrowName);
}

void Formats(const std::wstring& format) {
    const std::wstring text = FormatText(format, {L"text", -12, 4000000000u, L""});
    FormatText(format, {});
    FUZZ_CHECK(text.size() <= format.size() * 4097 + 64);
}

void Batches(const std::wstring& text) {
    EncodeBatchText(text, true);
    EncodeBatchText(text, false);
    const std::wstring literal = BatchLiteral(text);
    FUZZ_CHECK(literal.size() >= text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::wstring wide = fuzz::WideFromUnits(data + 1, size - 1);
    switch (data[0] % 6) {
        case 0:
            EncodedTexts(bytes);
            break;
        case 1:
            Versions(bytes);
            break;
        case 2:
            Paths(wide);
            break;
        case 3:
            Wildcards(wide);
            break;
        case 4:
            Formats(wide);
            break;
        case 5:
            Batches(wide);
            break;
    }
    return 0;
}
