// SPDX-License-Identifier: MIT
// Any text read as a number, and any number written, must neither crash nor lose the value.
#include "NumberText.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = quillet::readNumber(text);
    if (std::isnan(value))
        std::abort(); // the reader never makes a NaN
    if (!std::isfinite(value))
        return 0;
    for (const auto precision : {quillet::Precision::Single, quillet::Precision::Double}) {
        const double back = quillet::readNumber(quillet::writeNumber(value, precision));
        const double tolerance = precision == quillet::Precision::Single ? 1e-6 : 1e-14;
        if (std::fabs(back - value) > tolerance * std::fabs(value) + 1e-300)
            std::abort();
    }
    return 0;
}
