#include "format/registry_instructions.h"

#include "format/comma_separated.h"

namespace vantrel {
namespace {

// A decimal number with an optional sign, digits up to the first non-digit; 0 without any.
std::uint32_t DecimalNumber(std::wstring_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    std::uint32_t value = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at)
        value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
    return negative ? 0u - value : value;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

void AppendUnits(std::vector<std::uint8_t>& bytes, std::wstring_view text) {
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    }
}

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF));
}

std::vector<std::uint8_t> BinaryBytes(std::wstring_view data) {
    std::wstring digits;
    for (const wchar_t c : data)
        if (c != L' ')
            digits.push_back(c);
    std::vector<std::uint8_t> bytes;
    bool pairs = digits.size() % 2 == 0;
    for (std::size_t at = 0; pairs && at < digits.size(); at += 2) {
        const int high = HexDigit(digits[at]);
        const int low = HexDigit(digits[at + 1]);
        pairs = high >= 0 && low >= 0;
        if (pairs)
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    if (!pairs) {
        bytes.clear();
        AppendUnits(bytes, digits);
    }
    return bytes;
}

}  // namespace

std::vector<RegistryRecord> ReadRegistryRecords(std::wstring_view text) {
    std::vector<RegistryRecord> records;
    for (WideCommaRecord& read : SplitCommaRecordsWithText(text)) {
        RegistryRecord record;
        std::vector<std::wstring>& fields = read.fields;
        record.text = std::move(read.text);
        if (fields.size() == 1) {
            if (fields[0].empty())
                continue;
            record.shape = RegistryRecord::Shape::kKey;
            record.instruction.keyPath = std::move(fields[0]);
            record.instruction.keyOnly = true;
        } else if (fields.size() == 5) {
            record.shape = RegistryRecord::Shape::kValue;
            record.instruction.keyPath = std::move(fields[0]);
            record.instruction.valueName = std::move(fields[1]);
            record.instruction.type = DecimalNumber(fields[2]);
            record.instruction.data = std::move(fields[3]);
            record.instruction.mode = DecimalNumber(fields[4]);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<RegistryInstruction> ReadRegistryInstructions(std::wstring_view text) {
    std::vector<RegistryInstruction> instructions;
    for (RegistryRecord& record : ReadRegistryRecords(text))
        if (record.shape != RegistryRecord::Shape::kIllegal)
            instructions.push_back(std::move(record.instruction));
    return instructions;
}

std::vector<std::uint8_t> RegistryValueBytes(std::uint32_t type, std::wstring_view data) {
    std::vector<std::uint8_t> bytes;
    switch (type) {
        case registry_type::kString:
        case registry_type::kExpandString:
            AppendUnits(bytes, data);
            break;
        case registry_type::kBinary:
            bytes = BinaryBytes(data);
            break;
        case registry_type::kDword:
            AppendLittleEndian(bytes, DecimalNumber(data), 4);
            break;
        case registry_type::kQword: {
            std::uint64_t value = 0;
            for (std::size_t at = 0; at < data.size() && data[at] >= L'0' && data[at] <= L'9'; ++at)
                value = value * 10 + static_cast<std::uint64_t>(data[at] - L'0');
            AppendLittleEndian(bytes, value, 8);
            break;
        }
        default:
            break;
    }
    return bytes;
}

}  // namespace vantrel
