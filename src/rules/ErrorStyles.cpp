// SPDX-License-Identifier: MIT
#include "ErrorStyles.h"

#define G_LOG_DOMAIN "Quillet"
#include <exception>
#include <glib.h>
#include <optional>
#include <string>

namespace quillet {
namespace {

// What `step` failed with, or nothing when it ran through.
std::optional<std::string> failureOf(const Step& step) {
    try {
        step();
        return std::nullopt;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "an exception of no standard type";
    }
}

} // namespace

int continueOnError(std::initializer_list<Step> steps) {
    int failed = 0, number = 0;
    for (const Step& step : steps) {
        ++number;
        if (const auto failure = failureOf(step)) {
            ++failed;
            g_debug("step %d of %zu skipped: %s", number, steps.size(), failure->c_str());
        }
    }
    return failed;
}

bool stopSilently(const Step& procedure) {
    if (const auto failure = failureOf(procedure)) {
        g_debug("stopped at a failing step: %s", failure->c_str());
        return false;
    }
    return true;
}

} // namespace quillet
