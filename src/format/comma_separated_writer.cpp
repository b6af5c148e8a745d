#include "format/comma_separated.h"

namespace vantrel {

bool CommaFieldNeedsQuotes(std::string_view field) {
    if (field.find_first_of(",\"\t\r\n;|") != std::string_view::npos)
        return true;
    if (field.empty())
        return false;
    const char first = field.front();
    return first == ' ' || first == '\'' || first == '#' || field.back() == ' ';
}

void AppendCommaField(std::string& out, std::string_view field) {
    if (!CommaFieldNeedsQuotes(field)) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (const char c : field) {
        out.push_back(c);
        if (c == '"')
            out.push_back('"');
    }
    out.push_back('"');
}

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

std::string JoinCommaRecord(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.push_back(',');
        AppendCommaField(out, fields[i]);
    }
    return out;
}

}  // namespace vantrel
