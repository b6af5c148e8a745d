// Loads the DLL named by its argument the plain way (the default search order, program
// folder first) and exits: the control case of the planted-DLL test, showing that a
// program without the engine's restriction does pick up a planted copy.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    return LoadLibraryW(argv[1]) != nullptr ? 0 : 1;
}
