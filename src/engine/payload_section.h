#pragma once

#include <string>

#include "run/run_state.h"
#include "format/pe_layout.h"
#include "support/unique_handle.h"

namespace vantrel {

// The program's own file, open for reading, and its ".setup" section.
struct PayloadSection {
    std::wstring programPath;
    UniqueHandle file;
    PeLayout layout;
    PeSection section;
    std::size_t sectionIndex = 0;
};

// Opens the program's own file and finds its payload section. Ends the run with the
// payload's error codes (43, 44, 9, 10), "Error code 1" when the file cannot be opened, or
// the no-payload message when there is no ".setup" section.
PayloadSection LocatePayloadSection(RunState& run);

// The fatal message of a program that carries no payload and was not asked to uninstall.
extern const wchar_t* const kNoPayloadMessage;

}  // namespace vantrel
