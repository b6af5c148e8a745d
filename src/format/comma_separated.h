#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Comma-separated records, as the engine's own files and the registry instructions use them.
//
// Fields are separated by ","; a field may be enclosed in double quotes, inside which commas
// (and, in the multi-record form, line breaks) are literal and two double quotes stand for
// one. Each field is trimmed of spaces, tabs, CR and LF at both ends before a pair of
// enclosing quotes is removed, so quoted spaces survive. There are no backslash escapes and
// no comment lines. A quote that opens in the middle of a field still protects what follows
// it from being split, but stays part of the field.

// Splits one record (a single line; an empty text is one empty field).
std::vector<std::string> SplitCommaRecord(std::string_view line);
std::vector<std::wstring> SplitCommaRecord(std::wstring_view line);

// Splits a whole text into records: a record ends at a CR or LF outside double quotes, and
// the line breaks between records and lines of nothing but spaces and tabs are skipped.
std::vector<std::vector<std::string>> SplitCommaRecords(std::string_view text);
std::vector<std::vector<std::wstring>> SplitCommaRecords(std::wstring_view text);

// One record of a whole text with the text it was read from (from its first character to
// the line break that ends it), for messages that quote a record as written.
struct WideCommaRecord {
    std::vector<std::wstring> fields;
    std::wstring text;
};
std::vector<WideCommaRecord> SplitCommaRecordsWithText(std::wstring_view text);

// The writing side lives in comma_separated_writer.cpp.

// True when the field must be enclosed in quotes: it holds a comma, double quote, tab, CR,
// LF, ";" or "|", begins with a space, an apostrophe or "#", or ends with a space.
bool CommaFieldNeedsQuotes(std::string_view field);

// One UTF-16 field as the reader gets it back: quoted when it is empty, holds a comma, a
// double quote or a line break, or begins or ends with a space or tab.
std::wstring CommaSeparatedField(std::wstring_view field);

// Appends one field, quoted (with its quotes doubled) when it needs it.
void AppendCommaField(std::string& out, std::string_view field);

// The fields joined into one record, without a line end.
std::string JoinCommaRecord(const std::vector<std::string>& fields);

}  // namespace vantrel
