#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vantrel::builder {

// Which option word a named flag lives in: ProductFlags low or high word, or ProductFlags2 of
// the payload header.
enum class FlagWord { kLow, kHigh, kFlags2 };

struct OptionFlag {
    std::string_view name;  // key in the project's [options] table
    FlagWord word;
    std::uint32_t bit;
    std::string_view description;
};

// Every option bit a project can set by name. Bits the builder sets itself (compressed data
// blocks, the required-product check, encipherment) are not in the list.
std::span<const OptionFlag> OptionFlags();

const OptionFlag* FindOptionFlag(std::string_view name);

}  // namespace vantrel::builder
