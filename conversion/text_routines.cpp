#include "text_routines.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "exact_decimal.h"

namespace sonabrix::text {
namespace {

constexpr std::string_view kHexPrefixUpper = "&H";
constexpr std::string_view kHexPrefixLower = "&h";

std::optional<int> HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return std::nullopt;
}

std::optional<double> ReadHexDigits(std::string_view digits) {
  if (digits.empty())
    return std::nullopt;
  double value = 0;
  for (char c : digits) {
    std::optional<int> digit = HexDigitValue(c);
    if (!digit)
      return std::nullopt;
    value = value * 16 + *digit;
  }
  return value;
}

bool IsPlainDecimal(std::string_view text) {
  bool seen_digit = false;
  bool seen_point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      return false;
    }
  }
  return seen_digit;
}

// A positive finite double as mantissa x 2^exponent, and the bounds of the interval of reals that
// round to it: halfway to each neighbour, the lower gap half as wide above a power of two.
struct Binary {
  std::uint64_t mantissa;
  int exponent;
  Decimal Exact() const { return ExactDecimal(mantissa, exponent); }
  Decimal HalfwayUp() const { return ExactDecimal(2 * mantissa + 1, exponent - 1); }
  Decimal HalfwayDown() const {
    bool gap_narrows = mantissa == (std::uint64_t{1} << 52) && exponent > -1074;
    return gap_narrows ? ExactDecimal(4 * mantissa - 1, exponent - 2)
                       : ExactDecimal(2 * mantissa - 1, exponent - 1);
  }
  bool IsEven() const { return mantissa % 2 == 0; }
};

Binary Decompose(double value) {
  auto bits = std::bit_cast<std::uint64_t>(value);
  auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0)
    return {fraction, -1074};
  return {fraction | (std::uint64_t{1} << 52), biased - 1075};
}

// The shortest digits that read back as `value`. Of each length, the nearest rounding of the
// exact value is tried first, then the other neighbour, which can still fall inside where the
// lower gap is narrower. A length that has such digits implies every longer one has, so the
// shortest is found by bisection.
Decimal ShortestDecimal(double value) {
  Binary binary = Decompose(value);
  Decimal exact = binary.Exact();
  Decimal low = binary.HalfwayDown();
  Decimal high = binary.HalfwayUp();
  auto inside = [&](const Decimal& candidate) {
    int above_low = Compare(candidate, low);
    int below_high = Compare(high, candidate);
    if (binary.IsEven())
      return above_low >= 0 && below_high >= 0;
    return above_low > 0 && below_high > 0;
  };
  auto digits_of_length = [&](int length) -> std::optional<Decimal> {
    for (Rounding rounding : {Rounding::kNearestEven, Rounding::kDown, Rounding::kUp}) {
      Decimal candidate = RoundSignificant(exact, length, rounding);
      if (inside(candidate))
        return candidate;
    }
    return std::nullopt;
  };
  Decimal shortest = exact;
  int shortest_length = static_cast<int>(exact.digits.size());
  int too_short = 0;
  while (shortest_length - too_short > 1) {
    int length = too_short + (shortest_length - too_short) / 2;
    if (std::optional<Decimal> digits = digits_of_length(length)) {
      shortest = std::move(*digits);
      shortest_length = length;
    } else {
      too_short = length;
    }
  }
  return shortest;
}

// The first digits give a double within some units in the last place; exact comparison with
// the halfway points to its neighbours then walks it to the correctly rounded one. The powers of
// ten are made here, from the exactly representable ones up to 10^22, and not taken from the C
// library, whose pow() is off by dozens of units on some systems.
constexpr int kLargestDecimalExponent = 310;
constexpr int kSmallestDecimalExponent = -324;
constexpr int kMostCorrections = 256;

double PowerOfTen(int exponent) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  int left = exponent < 0 ? -exponent : exponent;
  double power = 1;
  for (; left > 22; left -= 22)
    power *= 1e22;
  power *= kExact[left];
  return exponent < 0 ? 1 / power : power;
}

double ApproximateValue(const Decimal& value) {
  std::string_view leading = std::string_view(value.digits).substr(0, 17);
  double whole = 0;
  for (char digit : leading)
    whole = whole * 10 + (digit - '0');
  int scale = value.exponent - static_cast<int>(leading.size());
  // Two steps keep the power of ten itself away from overflow and underflow.
  double approximation = whole * PowerOfTen(scale / 2) * PowerOfTen(scale - scale / 2);
  return std::isfinite(approximation) ? approximation : std::numeric_limits<double>::max();
}

std::optional<double> RoundToDouble(const Decimal& value) {
  if (value.digits.empty() || value.exponent < kSmallestDecimalExponent)
    return 0.0;
  if (value.exponent > kLargestDecimalExponent)
    return std::nullopt;
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  double candidate = ApproximateValue(value);
  for (int step = 0; step < kMostCorrections; ++step) {
    if (candidate == 0) {
      int order = Compare(value, ExactDecimal(1, -1075));
      if (order <= 0)
        return 0.0;
      candidate = std::numeric_limits<double>::denorm_min();
      continue;
    }
    Binary binary = Decompose(candidate);
    int above = Compare(value, binary.HalfwayUp());
    if (above > 0 || (above == 0 && !binary.IsEven())) {
      candidate = std::nextafter(candidate, kInfinity);
      if (std::isinf(candidate))
        return std::nullopt;
      if (above == 0)
        return candidate;
      continue;
    }
    int below = Compare(value, binary.HalfwayDown());
    if (below < 0 || (below == 0 && !binary.IsEven())) {
      candidate = std::nextafter(candidate, 0.0);
      if (below == 0)
        return candidate;
      continue;
    }
    return candidate;
  }
  return candidate;
}

std::optional<double> ReadDecimal(std::string_view text) {
  if (!IsPlainDecimal(text))
    return std::nullopt;
  return RoundToDouble(ParseDecimal(text));
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
  if (text.starts_with(kHexPrefixUpper) || text.starts_with(kHexPrefixLower)) {
    return ReadHexDigits(text.substr(kHexPrefixUpper.size()));
  }
  return ReadDecimal(text);
}

std::string WriteDouble(double value) {
  std::string sign = std::signbit(value) ? "-" : "";
  value = std::fabs(value);
  if (value == 0)
    return sign + "0";
  return sign + FormatFixed(ShortestDecimal(value), 0);
}

std::string WriteFixed(double value, int decimals) {
  std::string sign = std::signbit(value) ? "-" : "";
  value = std::fabs(value);
  Decimal exact = value == 0 ? Decimal{} : Decompose(value).Exact();
  Decimal rounded = RoundSignificant(exact, exact.exponent + decimals, Rounding::kNearestEven);
  return sign + FormatFixed(rounded, decimals);
}

double IntegralPart(double value) {
  return std::floor(value);
}

std::size_t FindText(std::string_view text, std::string_view sought, std::size_t start) {
  if (start == 0 || start > text.size() + 1)
    return 0;
  std::size_t found = text.find(sought, start - 1);
  return found == std::string_view::npos ? 0 : found + 1;
}

std::string_view RestOfText(std::string_view text, std::size_t start) {
  if (start == 0 || start > text.size())
    return {};
  return text.substr(start - 1);
}

std::string WriteInteger(std::int16_t value) {
  std::array<char, 8> buffer;
  auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), end);
}

}  // namespace sonabrix::text
