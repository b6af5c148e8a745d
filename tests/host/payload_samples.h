// Small payload ingredients shared by the payload format tests.
#pragma once

#include <string>
#include <vector>

#include "format/file_record.h"
#include "format/payload_writer.h"
#include "format/settings.h"

namespace vantrel::test {

// Settings that read back without any check failing: one language, a few messages.
inline Settings MinimalSettings() {
    Settings s;
    s.productName = L"Sample Product";
    s.messages = MessageTable({L"English"}, {L"Title", L"Second", L"Third"});
    return s;
}

inline MessageTable Messages(std::size_t languages, std::size_t messages) {
    std::vector<std::wstring> names;
    for (std::size_t i = 0; i < languages; ++i)
        names.push_back(L"Language " + std::to_wstring(i));
    return MessageTable(std::move(names), std::vector<std::wstring>(languages * messages));
}

inline PayloadFileInput FileInput(const std::string& name, Bytes data, std::uint32_t kind = 0) {
    PayloadFileInput input;
    input.record.name = name;
    input.record.kind = kind;
    input.size = data.size();
    input.readData = [data] { return data; };
    return input;
}

inline Bytes PatternBytes(std::size_t count, std::uint32_t seed) {
    Bytes out(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return out;
}

}  // namespace vantrel::test
