#pragma once

namespace vantrel {

// Makes every later library load search the system folder only, never the program's own
// folder: an installer usually runs from a downloads folder, where anyone may have left a
// DLL named like one the system loads on demand (uxtheme, riched20, msi, ...). Called before
// anything else in the process. Where the restriction is not available, the current folder
// is at least taken out of the search. True when the full restriction is in force.
bool RestrictDllSearchToSystemFolder();

}  // namespace vantrel
