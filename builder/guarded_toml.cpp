#include "builder/guarded_toml.h"

#include <stdexcept>

namespace toml {

void GuardFailed() {
    throw std::logic_error("toml++: an internal check failed outside the parser");
}

}  // namespace toml
