// Writer side of the comma-separated records, in a file of its own (the engine only reads).
#include "format/comma_separated.h"

namespace vantrel {

std::wstring CommaSeparatedField(std::wstring_view field) {
    const bool quote = field.empty() || field.find_first_of(L",\"\r\n") != std::wstring_view::npos ||
                       field.front() == L' ' || field.front() == L'\t' || field.back() == L' ' ||
                       field.back() == L'\t';
    if (!quote)
        return std::wstring(field);
    std::wstring out = L"\"";
    for (wchar_t c : field) {
        if (c == L'"')
            out += L'"';
        out += c;
    }
    return out + L"\"";
}

}  // namespace vantrel
