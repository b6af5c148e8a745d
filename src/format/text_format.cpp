#include "format/text_format.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace vantrel {
namespace {

std::wstring NumberText(const FormatArg& arg, wchar_t conversion) {
    unsigned long long magnitude = 0;
    bool negative = false;
    if (conversion == L'd' || conversion == L'i') {
        const long long value = arg.Number();
        negative = value < 0 && !arg.IsUnsigned();
        magnitude =
            negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    } else {
        // %u and %x show the 32-bit pattern of a negative int, as printf would.
        const long long value = arg.Number();
        magnitude = (value < 0 && !arg.IsUnsigned() && value >= INT32_MIN)
                        ? static_cast<unsigned long long>(static_cast<std::uint32_t>(value))
                        : static_cast<unsigned long long>(value);
    }
    const unsigned base = (conversion == L'x' || conversion == L'X') ? 16u : 10u;
    const wchar_t* digits = conversion == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), digits[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    if (negative)
        text.insert(text.begin(), L'-');
    return text;
}

}  // namespace

std::wstring DecimalText(long long value) {
    return NumberText(FormatArg(value), L'd');
}

std::wstring DecimalText(unsigned long long value) {
    return NumberText(FormatArg(value), L'u');
}

std::wstring ShortDecimalText(double value) {
    if (std::isnan(value))
        return L"nan";
    const std::wstring sign = std::signbit(value) ? L"-" : L"";
    const double magnitude = std::fabs(value);
    if (std::isinf(magnitude))
        return sign + L"inf";
    // Six decimals as an integer count of millionths, rounded half to even like printf. The
    // product is exact wherever the result can be, below 2^53 millionths.
    constexpr double kLargestScaled = 9007199254740992.0;  // 2^53
    std::wstring text;
    if (magnitude * 1e6 < kLargestScaled) {
        const auto millionths = static_cast<unsigned long long>(std::nearbyint(magnitude * 1e6));
        text = DecimalText(millionths / 1000000);
        std::wstring fraction = DecimalText(millionths % 1000000);
        fraction.insert(0, 6 - fraction.size(), L'0');
        while (!fraction.empty() && fraction.back() == L'0')
            fraction.pop_back();
        if (!fraction.empty())
            text += L'.' + fraction;
    } else {
        text = DecimalText(static_cast<unsigned long long>(std::min(magnitude, 1.8e19)));
    }
    return sign + text;
}

std::wstring FormatText(std::wstring_view format, std::initializer_list<FormatArg> args) {
    std::wstring out;
    out.reserve(format.size() + 32);
    const FormatArg* next = args.begin();
    std::size_t at = 0;
    while (at < format.size()) {
        const wchar_t c = format[at];
        if (c != L'%') {
            out.push_back(c);
            ++at;
            continue;
        }
        std::size_t spec = at + 1;
        bool leftAlign = false;
        bool zeroPad = false;
        while (spec < format.size() &&
               (format[spec] == L'-' || format[spec] == L'0' || format[spec] == L'+' ||
                format[spec] == L' ' || format[spec] == L'#')) {
            if (format[spec] == L'-')
                leftAlign = true;
            if (format[spec] == L'0')
                zeroPad = true;
            ++spec;
        }
        std::size_t width = 0;
        while (spec < format.size() && format[spec] >= L'0' && format[spec] <= L'9') {
            width = std::min<std::size_t>(width * 10 + static_cast<std::size_t>(format[spec] - L'0'), 4096);
            ++spec;
        }
        while (spec < format.size() &&
               (format[spec] == L'l' || format[spec] == L'h' || format[spec] == L'I' ||
                format[spec] == L'6' || format[spec] == L'4')) {
            ++spec;
        }
        if (spec >= format.size()) {
            out.append(format.substr(at));
            break;
        }
        const wchar_t conversion = format[spec];
        std::wstring piece;
        bool known = true;
        if (conversion == L'%') {
            piece = L"%";
        } else if (conversion == L's' || conversion == L'S' || conversion == L'd' || conversion == L'i' ||
                   conversion == L'u' || conversion == L'x' || conversion == L'X') {
            if (next != args.end()) {
                const FormatArg& arg = *next++;
                if (arg.IsText()) {
                    piece.assign(arg.Text());
                } else if (conversion == L's' || conversion == L'S') {
                    piece = NumberText(arg, L'd');
                } else {
                    piece = NumberText(arg, conversion);
                }
            }
        } else {
            known = false;
        }
        if (!known) {
            out.append(format.substr(at, spec + 1 - at));
            at = spec + 1;
            continue;
        }
        if (piece.size() < width) {
            const std::size_t pad = width - piece.size();
            const bool numeric = conversion != L's' && conversion != L'S' && conversion != L'%';
            if (leftAlign) {
                piece.append(pad, L' ');
            } else if (zeroPad && numeric) {
                const std::size_t sign = (!piece.empty() && piece[0] == L'-') ? 1 : 0;
                piece.insert(sign, pad, L'0');
            } else {
                piece.insert(0, pad, L' ');
            }
        }
        out += piece;
        at = spec + 1;
    }
    return out;
}

}  // namespace vantrel
