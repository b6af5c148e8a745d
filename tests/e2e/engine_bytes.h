#pragma once

#include "support/payload_fixture.h"
#include "support/child_process.h"

namespace vantrel::test {

// The engine under test, read once: the start of every setup.exe a test builds.
inline const Bytes& EngineBytes() {
    static const Bytes bytes = ReadWholeFile(HostPathToWindows(VANTREL_ENGINE_EXE));
    return bytes;
}

}  // namespace vantrel::test
