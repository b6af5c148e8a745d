// A deliberate fault for the layer check's own test: format/ stays portable.
#include <windows.h>
