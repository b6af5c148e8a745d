#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// A size as the folder page shows it: "%d bytes" below 1 KB, then KB, MB, GB and TB (units of
// 1024) with two decimals, rounded to the nearest hundredth.
std::wstring ByteSizeText(std::uint64_t bytes);

}  // namespace vantrel
