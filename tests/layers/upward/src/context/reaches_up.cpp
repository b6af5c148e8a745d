// A deliberate fault for the layer check's own test: context/ may not include engine/.
#include "engine/top.h"
