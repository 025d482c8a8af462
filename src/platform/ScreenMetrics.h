// SPDX-License-Identifier: MIT
#pragma once
// Twips per screen pixel (1440 twips to the inch), read from the screen each time.

namespace quillet {

double twipsPerPixelX();
double twipsPerPixelY();

} // namespace quillet
