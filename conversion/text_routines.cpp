#include "text_routines.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

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

std::optional<double> ReadDecimal(std::string_view text) {
  if (!IsPlainDecimal(text))
    return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (error != std::errc{} || stop != end)
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
  if (text.starts_with(kHexPrefixUpper) || text.starts_with(kHexPrefixLower)) {
    return ReadHexDigits(text.substr(kHexPrefixUpper.size()));
  }
  return ReadDecimal(text);
}

std::string WriteDouble(double value) {
  // The longest shortest-fixed rendering of a finite double is the smallest subnormal: "0.", 323
  // zeros and a few significant digits.
  std::array<char, 400> buffer;
  auto [end, error] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
  if (error != std::errc{})
    return {};
  return std::string(buffer.data(), end);
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
