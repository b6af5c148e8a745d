#include "ui/byte_size_text.h"

namespace vantrel {
namespace {

// Decimal digits without the C library's formatting, which the engine leaves out.
std::wstring Digits(std::uint64_t value) {
    wchar_t buffer[24];
    wchar_t* end = buffer + 24;
    wchar_t* at = end;
    do {
        *--at = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::wstring(at, end);
}

}  // namespace

std::wstring ByteSizeText(std::uint64_t bytes) {
    if (bytes < 1024)
        return Digits(bytes) + L" bytes";
    static constexpr const wchar_t* kUnits[] = {L" KB", L" MB", L" GB", L" TB"};
    std::uint64_t unit = 1024;
    std::size_t index = 0;
    while (index < 3 && bytes >= unit * 1024) {
        unit *= 1024;
        ++index;
    }
    // Hundredths without floating point; the sizes stay far below the 64-bit limit / 100.
    const std::uint64_t hundredths = (bytes / unit) * 100 + ((bytes % unit) * 100 + unit / 2) / unit;
    const std::uint64_t whole = hundredths / 100;
    const std::uint64_t fraction = hundredths % 100;
    return Digits(whole) + L"." + (fraction < 10 ? L"0" : L"") + Digits(fraction) + kUnits[index];
}

}  // namespace vantrel
