#pragma once

#include <concepts>
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

// The decimal text of an integer, as std::to_wstring writes it. The engine uses this instead:
// std::to_wstring goes through vswprintf, and the printf family brings its whole formatter,
// floating point included, into every setup.exe.
std::wstring DecimalText(long long value);
std::wstring DecimalText(unsigned long long value);
template <std::integral Integer>
std::wstring DecimalText(Integer value) {
    if constexpr (std::signed_integral<Integer>)
        return DecimalText(static_cast<long long>(value));
    else
        return DecimalText(static_cast<unsigned long long>(value));
}

// A number as "%f" writes it with the zeros after the point (and a bare point) dropped:
// 12.5 -> "12.5", 20 -> "20", 0.0009765625 -> "0.000977". The same text as printf for
// values below 2^53 / 10^6 (about 9 * 10^9, far above any size the engine writes); larger
// ones keep only their whole part.
std::wstring ShortDecimalText(double value);

}  // namespace vantrel
