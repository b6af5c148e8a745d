#include "format/batch_text.h"

#include "format/text_encoding.h"

namespace vantrel {

std::string EncodeBatchText(std::wstring_view text, bool windows7OrLater) {
    bool ascii = true;
    for (const wchar_t c : text)
        if (static_cast<std::uint32_t>(c) >= 128)
            ascii = false;
    if (windows7OrLater && !ascii)
        return "@chcp 65001 >nul\r\n" + Utf16ToUtf8(text);
    return "@chcp 1252 >nul\r\n" + Utf16ToWindows1252(text);
}

std::wstring BatchLiteral(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (const wchar_t c : text) {
        result.push_back(c);
        if (c == L'%')
            result.push_back(L'%');
    }
    return result;
}

}  // namespace vantrel
