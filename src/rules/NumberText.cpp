// SPDX-License-Identifier: MIT
#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace quillet {
namespace {

bool isSkippedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Walks a text while ignoring blanks, tabs and line feeds wherever they stand.
class BlankSkippingCursor {
  public:
    explicit BlankSkippingCursor(std::string_view text) : text_(text) { skip(); }
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    void advance() {
        ++pos_;
        skip();
    }
    bool take(char a, char b) {
        if (peek() != a && peek() != b)
            return false;
        advance();
        return true;
    }

  private:
    void skip() {
        while (!atEnd() && isSkippedBlank(text_[pos_]))
            ++pos_;
    }
    std::string_view text_;
    std::size_t pos_ = 0;
};

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

double readRadixDigits(BlankSkippingCursor& cursor, int base) {
    double value = 0;
    for (int d; (d = digitValue(cursor.peek(), base)) >= 0; cursor.advance())
        value = value * base + d;
    return value;
}

std::string takeDecimalDigits(BlankSkippingCursor& cursor) {
    std::string digits;
    for (; cursor.peek() >= '0' && cursor.peek() <= '9'; cursor.advance())
        digits += cursor.peek();
    return digits;
}

} // namespace

double readNumber(std::string_view text) {
    BlankSkippingCursor cursor(text);
    if (cursor.peek() == '&') {
        cursor.advance();
        if (cursor.take('H', 'h'))
            return readRadixDigits(cursor, 16);
        if (cursor.take('O', 'o'))
            return readRadixDigits(cursor, 8);
        return 0;
    }

    std::string normal;
    if (cursor.peek() == '-' || cursor.peek() == '+') {
        if (cursor.peek() == '-')
            normal += '-';
        cursor.advance();
    }
    const std::string whole = takeDecimalDigits(cursor);
    std::string fraction;
    if (cursor.take('.', '.'))
        fraction = takeDecimalDigits(cursor);
    if (whole.empty() && fraction.empty())
        return 0;
    normal += (whole.empty() ? "0" : whole) + "." + fraction + "0";

    if (cursor.take('E', 'e') || cursor.take('D', 'd')) {
        std::string exponent;
        if (cursor.peek() == '-' || cursor.peek() == '+') {
            exponent += cursor.peek();
            cursor.advance();
        }
        const std::string expDigits = takeDecimalDigits(cursor);
        if (!expDigits.empty())
            normal += "e" + exponent + expDigits;
    }

    double value = 0;
    const auto [end, error] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: decide between overflow and underflow ourselves.
        const bool tiny = normal.find("e-") != std::string::npos;
        const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        return normal[0] == '-' ? -magnitude : magnitude;
    }
    return value;
}

std::string writeNumber(double value, Precision precision) {
    if (!std::isfinite(value))
        throw std::domain_error("a number that is not finite has no text form");
    if (value == 0)
        return "0";
    const int significant = static_cast<int>(precision);
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                std::chars_format::scientific, significant - 1);
    if (std::isinf(std::strtod(std::string(buffer, result.ptr).c_str(), nullptr))) {
        // The largest doubles round up past the largest double in so few digits: written as
        // the next lower value of that many digits, so the text reads back as a number.
        const double halfLastDigit =
            std::pow(10.0, std::numeric_limits<double>::max_exponent10 - (significant - 1)) / 2;
        const double lower = value - std::copysign(halfLastDigit, value);
        result = std::to_chars(buffer, buffer + sizeof buffer, lower, std::chars_format::scientific,
                               significant - 1);
    }
    const std::string scientific(buffer, result.ptr);

    // scientific is "-d.ddddde+XX": split it into sign, digits without trailing zeros, exponent.
    const bool negative = scientific[0] == '-';
    const std::size_t ePos = scientific.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < ePos; ++i)
        if (scientific[i] != '.')
            digits += scientific[i];
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::stoi(scientific.substr(ePos + 1));

    std::string text = negative ? "-" : "";
    if (exponent >= significant || exponent < -4) {
        text += digits.substr(0, 1);
        if (digits.size() > 1)
            text += "." + digits.substr(1);
        const int magnitude = std::abs(exponent);
        text += exponent < 0 ? "E-" : "E+";
        text += (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
    } else if (exponent < 0) {
        text += "." + std::string(static_cast<std::size_t>(-exponent) - 1, '0') + digits;
    } else {
        const auto wholeLength = static_cast<std::size_t>(exponent + 1);
        if (digits.size() <= wholeLength) {
            text += digits + std::string(wholeLength - digits.size(), '0');
        } else {
            text += digits.substr(0, wholeLength) + "." + digits.substr(wholeLength);
        }
    }
    return text;
}

float toSingle(double value) {
    if (std::isnan(value) || std::fabs(value) > std::numeric_limits<float>::max())
        throw std::overflow_error("value out of single-precision range");
    return static_cast<float>(value);
}

int roundHalfEven(double value) {
    // nearbyint rounds half to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded > std::numeric_limits<int>::max() ||
        rounded < std::numeric_limits<int>::min())
        throw std::overflow_error("value does not fit a whole number");
    return static_cast<int>(rounded);
}

} // namespace quillet
