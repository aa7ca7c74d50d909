#pragma once

// Exact decimal values of doubles, for writing and reading decimal text without the C library's
// locale and without the size of a general-purpose formatting library. Every double is a whole
// number times a power of two, so its decimal expansion is finite and can be held whole.

#include <cstdint>
#include <string>
#include <string_view>

namespace sonabrix::text {

// A nonnegative decimal 0.d1 d2 d3 ... x 10^exponent. `digits` has no leading or trailing zeros;
// zero is the empty digit string.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// mantissa x 2^binary_exponent, exactly.
Decimal ExactDecimal(std::uint64_t mantissa, int binary_exponent);

// The value of plain decimal text: digits with at most one ".", at least one digit.
Decimal ParseDecimal(std::string_view text);

// Negative, zero or positive as a is less than, equal to or greater than b.
int Compare(const Decimal& a, const Decimal& b);

enum class Rounding { kDown, kUp, kNearestEven };

// `value` rounded to `significant` digits; zero or fewer keeps no digit before the first one of
// `value`, which rounds to zero or to one unit of the next higher decimal place.
Decimal RoundSignificant(const Decimal& value, int significant, Rounding rounding);

// Plain positional notation with "." as the point, at least `decimals` digits after it, and no
// point when there are none.
std::string FormatFixed(const Decimal& value, int decimals);

}  // namespace sonabrix::text
