#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vantrel {

// One argument of FormatText: a text or an integer.
class FormatArg {
  public:
    FormatArg(std::wstring_view text) : text_(text), isText_(true) {}
    FormatArg(const std::wstring& text) : text_(text), isText_(true) {}
    FormatArg(const wchar_t* text) : text_(text ? text : L""), isText_(true) {}
    FormatArg(int value) : number_(value) {}
    FormatArg(long value) : number_(value) {}
    FormatArg(long long value) : number_(value) {}
    FormatArg(unsigned value) : number_(static_cast<long long>(value)), unsigned_(true) {}
    FormatArg(unsigned long value) : number_(static_cast<long long>(value)), unsigned_(true) {}
    FormatArg(unsigned long long value) : number_(static_cast<long long>(value)), unsigned_(true) {}

    bool IsText() const { return isText_; }
    std::wstring_view Text() const { return text_; }
    long long Number() const { return number_; }
    bool IsUnsigned() const { return unsigned_; }

  private:
    std::wstring_view text_;
    long long number_ = 0;
    bool isText_ = false;
    bool unsigned_ = false;
};

// printf-style formatting that is safe for formats taken from a payload: it understands
// %s, %d, %i, %u, %x, %X and %% with flags, width and length letters, takes each argument
// as what it is (a text for %d prints the text, a number for %s prints the number), and a
// conversion without an argument left prints nothing. Nothing is read that was not passed.
std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args);

}  // namespace vantrel
