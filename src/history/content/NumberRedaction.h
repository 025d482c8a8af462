// SPDX-License-Identifier: MIT
#pragma once
// Card numbers and My Numbers (Japan's personal number) are never stored: in text to be kept,
// each is written as 「＊＊＊＊」.

#include <string>
#include <string_view>

namespace quillet {

inline constexpr const char* kRedactedNumber = "＊＊＊＊";

// `text` (valid UTF-8) with every card number and My Number replaced by kRedactedNumber:
// - a card number: 13 to 19 digits that pass the Luhn check;
// - a My Number: 12 digits whose last is the check digit of the eleven before it.
// Digits may be ASCII or full-width, and groups of them may be parted by one space or hyphen
// (ASCII or full-width). A number is whole groups of a run: a longer run of digits (an order
// number, a date and a telephone number side by side) is not cut to find one inside a group.
std::string redactNumbers(std::string_view text);

// The checks themselves, on ASCII digits only.
bool passesLuhn(std::string_view digits);
bool isMyNumber(std::string_view digits);

} // namespace quillet
