#pragma once

// The text and number routines the note conversion is written against. They behave the same
// whatever locale the process has set: "." is always the decimal point.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonabrix::text {

// "&H" or "&h" followed by one or more hexadecimal digits reads as that unsigned value; a plain
// decimal text (digits with at most one ".", at least one digit) reads as its value. Anything
// else, including signs, blanks and exponents, reads as nothing.
std::optional<double> ReadNumber(std::string_view text);

// Plain positional notation, no exponent, "." as the point and none for a whole value; the
// shortest such text that ReadNumber turns back into the same value. `value` must be finite.
std::string WriteDouble(double value);

// `value` rounded to `decimals` places, halves to even, in plain positional notation with exactly
// that many digits after the ".". `value` must be finite.
std::string WriteFixed(double value, int decimals);

// Rounds down.
double IntegralPart(double value);

// 1-based position of the first `sought` in `text` at or after the 1-based `start`; 0 when absent.
std::size_t FindText(std::string_view text, std::string_view sought, std::size_t start = 1);

// The characters of `text` from the 1-based `start` to the end; empty past the end.
std::string_view RestOfText(std::string_view text, std::size_t start);

// Decimal digits with a leading "-" for negative values and no leading blank.
std::string WriteInteger(std::int16_t value);

}  // namespace sonabrix::text
