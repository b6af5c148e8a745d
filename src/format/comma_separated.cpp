#include "format/comma_separated.h"

namespace vantrel {
namespace {

constexpr std::wstring_view kTrimmed = L" \t\r\n";

std::wstring FinishField(std::wstring_view raw) {
    const std::size_t first = raw.find_first_not_of(kTrimmed);
    if (first == std::wstring_view::npos)
        return {};
    raw = raw.substr(first, raw.find_last_not_of(kTrimmed) - first + 1);
    if (raw.size() < 2 || raw.front() != L'"' || raw.back() != L'"')
        return std::wstring(raw);
    std::wstring field;
    raw = raw.substr(1, raw.size() - 2);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        field.push_back(raw[i]);
        if (raw[i] == L'"' && i + 1 < raw.size() && raw[i + 1] == L'"')
            ++i;
    }
    return field;
}

}  // namespace

std::vector<std::vector<std::wstring>> ReadCommaSeparatedRecords(std::wstring_view text) {
    std::vector<std::vector<std::wstring>> records;
    std::vector<std::wstring> fields;
    std::size_t fieldStart = 0;
    bool quoted = false;
    bool recordHasText = false;
    const auto endRecord = [&](std::size_t end) {
        fields.push_back(FinishField(text.substr(fieldStart, end - fieldStart)));
        if (recordHasText)
            records.push_back(std::move(fields));
        fields.clear();
        recordHasText = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'"') {
            quoted = !quoted;
        } else if (!quoted && c == L',') {
            fields.push_back(FinishField(text.substr(fieldStart, i - fieldStart)));
            fieldStart = i + 1;
        } else if (!quoted && (c == L'\r' || c == L'\n')) {
            endRecord(i);
            fieldStart = i + 1;
            continue;
        }
        if (c != L' ' && c != L'\t')
            recordHasText = true;
    }
    endRecord(text.size());
    return records;
}

}  // namespace vantrel
