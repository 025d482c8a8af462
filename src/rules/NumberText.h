// SPDX-License-Identifier: MIT
#pragma once
// The text form of numbers in the settings store and the dialogs' size fields.
// Reading is lenient: the number a text begins with, 0 when there is none.
// Writing gives the shortest decimal text, "." as the decimal point, no leading zero.

#include <string>
#include <string_view>

namespace quillet {

enum class Precision {
    Single = 7,  // window sizes
    Double = 15, // thumbnail sizes and the history-pane width
};

// The number that `text` begins with; blanks, tabs and line feeds are skipped wherever they
// stand; "&H" and "&O" introduce hexadecimal and octal digits. Returns 0 for no number.
// A number too large for a double reads as +/-infinity; callers that store it refuse it.
double readNumber(std::string_view text);

// Decimal text of `value` with at most the precision's significant digits: 8000, 120.5, .5,
// -.5, 1E+20, 1E-05. Non-finite values have no text form and throw std::domain_error.
std::string writeNumber(double value, Precision precision);

// Converts to single precision; a value beyond its range throws std::overflow_error.
float toSingle(double value);

// Nearest whole number, a half going to the even neighbour. A value that is not finite or
// does not fit an int throws std::overflow_error.
int roundHalfEven(double value);

} // namespace quillet
