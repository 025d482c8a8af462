// SPDX-License-Identifier: MIT
#include "Resources.h"

extern "C" void quillet_register_resource(void);

namespace quillet {

void registerResources() {
    static const bool registered = (quillet_register_resource(), true);
    (void)registered;
}

} // namespace quillet
