#include "format/comma_separated.h"

namespace vantrel {
namespace {

template <class Char>
bool IsTrimmed(Char c) {
    return c == Char(' ') || c == Char('\t') || c == Char('\r') || c == Char('\n');
}

template <class Char>
bool IsLineBreak(Char c) {
    return c == Char('\r') || c == Char('\n');
}

// One raw field (quotes still in place) -> its value.
template <class Char>
std::basic_string<Char> FieldValue(std::basic_string_view<Char> raw) {
    std::size_t first = 0;
    std::size_t last = raw.size();
    while (first < last && IsTrimmed(raw[first]))
        ++first;
    while (last > first && IsTrimmed(raw[last - 1]))
        --last;
    raw = raw.substr(first, last - first);
    if (raw.size() < 2 || raw.front() != Char('"') || raw.back() != Char('"'))
        return std::basic_string<Char>(raw);
    raw = raw.substr(1, raw.size() - 2);
    std::basic_string<Char> value;
    value.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size(); ++at) {
        value.push_back(raw[at]);
        if (raw[at] == Char('"') && at + 1 < raw.size() && raw[at + 1] == Char('"'))
            ++at;
    }
    return value;
}

// Reads one record from `at`; stops at the end of the text or, when `stopAtLineBreak`, at a
// line break outside quotes (left in place for the caller).
template <class Char>
std::vector<std::basic_string<Char>> ReadRecord(std::basic_string_view<Char> text, std::size_t& at,
                                                bool stopAtLineBreak) {
    std::vector<std::basic_string<Char>> fields;
    std::size_t fieldStart = at;
    bool quoted = false;
    for (; at < text.size(); ++at) {
        const Char c = text[at];
        if (c == Char('"')) {
            if (quoted && at + 1 < text.size() && text[at + 1] == Char('"'))
                ++at;
            else
                quoted = !quoted;
        } else if (!quoted && c == Char(',')) {
            fields.push_back(FieldValue(text.substr(fieldStart, at - fieldStart)));
            fieldStart = at + 1;
        } else if (!quoted && stopAtLineBreak && IsLineBreak(c)) {
            break;
        }
    }
    fields.push_back(FieldValue(text.substr(fieldStart, at - fieldStart)));
    return fields;
}

// Calls `take(fields, recordText)` for each record of a whole text.
template <class Char, class Take>
void ForEachRecord(std::basic_string_view<Char> text, Take&& take) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsLineBreak(text[at])) {
            ++at;
            continue;
        }
        const std::size_t start = at;
        std::vector<std::basic_string<Char>> record = ReadRecord(text, at, true);
        bool blank = true;
        for (std::size_t i = start; i < at && blank; ++i)
            blank = text[i] == Char(' ') || text[i] == Char('\t');
        if (!blank)
            take(std::move(record), text.substr(start, at - start));
    }
}

template <class Char>
std::vector<std::vector<std::basic_string<Char>>> ReadRecords(std::basic_string_view<Char> text) {
    std::vector<std::vector<std::basic_string<Char>>> records;
    ForEachRecord(text, [&](std::vector<std::basic_string<Char>>&& record, std::basic_string_view<Char>) {
        records.push_back(std::move(record));
    });
    return records;
}

}  // namespace

std::vector<std::string> SplitCommaRecord(std::string_view line) {
    std::size_t at = 0;
    return ReadRecord(line, at, false);
}

std::vector<std::wstring> SplitCommaRecord(std::wstring_view line) {
    std::size_t at = 0;
    return ReadRecord(line, at, false);
}

std::vector<std::vector<std::string>> SplitCommaRecords(std::string_view text) {
    return ReadRecords(text);
}

std::vector<std::vector<std::wstring>> SplitCommaRecords(std::wstring_view text) {
    return ReadRecords(text);
}

std::vector<WideCommaRecord> SplitCommaRecordsWithText(std::wstring_view text) {
    std::vector<WideCommaRecord> records;
    ForEachRecord(text, [&](std::vector<std::wstring>&& fields, std::wstring_view recordText) {
        records.push_back({std::move(fields), std::wstring(recordText)});
    });
    return records;
}

}  // namespace vantrel
