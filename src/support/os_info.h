#pragma once

#include "format/os_version.h"

namespace vantrel {

// The running Windows, read once per process (version structure, product type, suite mask,
// service pack, GetProductInfo type, 64-bit Windows, Server R2, Wine version).
const OsVersionInfo& CurrentOs();

// True on a 64-bit Windows (also for this 32-bit process under WOW64).
bool IsWindows64Bit();

// The Wine version when running under Wine ("8.0"), else empty.
std::wstring WineVersion();

}  // namespace vantrel
