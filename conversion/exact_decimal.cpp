#include "exact_decimal.h"

#include <algorithm>
#include <vector>

namespace sonabrix::text {
namespace {

// Little-endian limbs in base 10^9, so that the decimal digits fall out of the limbs directly.
class BigDecimalInteger {
 public:
  explicit BigDecimalInteger(std::uint64_t value) {
    while (value != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(value % kBase));
      value /= kBase;
    }
  }

  // factor < 2^31, so that limb x factor + carry stays below 2^63.
  void MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product % kBase);
      carry = product / kBase;
    }
    while (carry != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
      carry /= kBase;
    }
  }

  void MultiplyByPower(std::uint32_t base, int exponent, std::uint32_t chunk, int chunk_exponent) {
    for (; exponent >= chunk_exponent; exponent -= chunk_exponent)
      MultiplyBy(chunk);
    for (; exponent > 0; --exponent)
      MultiplyBy(base);
  }

  std::string Digits() const {
    if (limbs_.empty())
      return {};
    std::string digits = std::to_string(limbs_.back());
    for (auto limb = limbs_.rbegin() + 1; limb != limbs_.rend(); ++limb) {
      std::string part = std::to_string(*limb);
      digits.append(9 - part.size(), '0');
      digits += part;
    }
    return digits;
  }

 private:
  static constexpr std::uint32_t kBase = 1'000'000'000;
  std::vector<std::uint32_t> limbs_;
};

// Strips the zeros that carry no value and moves the exponent along with the leading ones.
Decimal Normalized(std::string digits, int exponent) {
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos)
    return {};
  digits.erase(0, first);
  exponent -= static_cast<int>(first);
  digits.erase(digits.find_last_not_of('0') + 1);
  return {std::move(digits), exponent};
}

bool AnyNonZero(std::string_view digits) {
  return digits.find_first_not_of('0') != std::string_view::npos;
}

// Adds one unit in the last place of `digits`; a carry out of the first digit adds a digit.
int IncrementLast(std::string& digits) {
  for (auto digit = digits.rbegin(); digit != digits.rend(); ++digit) {
    if (*digit != '9') {
      ++*digit;
      return 0;
    }
    *digit = '0';
  }
  digits.insert(digits.begin(), '1');
  return 1;
}

bool RoundsUp(std::string_view kept, std::string_view dropped, Rounding rounding) {
  switch (rounding) {
    case Rounding::kDown:
      return false;
    case Rounding::kUp:
      return AnyNonZero(dropped);
    case Rounding::kNearestEven:
      if (dropped.empty() || dropped.front() < '5')
        return false;
      if (dropped.front() > '5' || AnyNonZero(dropped.substr(1)))
        return true;
      return !kept.empty() && (kept.back() - '0') % 2 == 1;
  }
  return false;
}

}  // namespace

Decimal ExactDecimal(std::uint64_t mantissa, int binary_exponent) {
  BigDecimalInteger whole(mantissa);
  int decimal_exponent = 0;
  if (binary_exponent >= 0) {
    whole.MultiplyByPower(2, binary_exponent, 1u << 30, 30);
  } else {
    // m / 2^k = m x 5^k / 10^k.
    whole.MultiplyByPower(5, -binary_exponent, 1'220'703'125, 13);
    decimal_exponent = binary_exponent;
  }
  std::string digits = whole.Digits();
  int exponent = static_cast<int>(digits.size()) + decimal_exponent;
  return Normalized(std::move(digits), exponent);
}

Decimal ParseDecimal(std::string_view text) {
  std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string digits(whole);
  if (point != std::string_view::npos)
    digits.append(text.substr(point + 1));
  return Normalized(std::move(digits), static_cast<int>(whole.size()));
}

int Compare(const Decimal& a, const Decimal& b) {
  if (a.digits.empty() || b.digits.empty()) {
    return static_cast<int>(!a.digits.empty()) - static_cast<int>(!b.digits.empty());
  }
  if (a.exponent != b.exponent)
    return a.exponent < b.exponent ? -1 : 1;
  int order = a.digits.compare(b.digits);
  return (order > 0) - (order < 0);
}

Decimal RoundSignificant(const Decimal& value, int significant, Rounding rounding) {
  if (value.digits.empty())
    return {};
  std::string digits = value.digits;
  int exponent = value.exponent;
  if (significant < 1) {
    // Leading zeros up to the kept place make it an ordinary rounding to one digit.
    digits.insert(0, static_cast<std::size_t>(1 - significant), '0');
    exponent += 1 - significant;
    significant = 1;
  }
  if (digits.size() <= static_cast<std::size_t>(significant))
    return value;
  std::string kept = digits.substr(0, static_cast<std::size_t>(significant));
  std::string_view dropped = std::string_view(digits).substr(kept.size());
  if (RoundsUp(kept, dropped, rounding))
    exponent += IncrementLast(kept);
  return Normalized(std::move(kept), exponent);
}

std::string FormatFixed(const Decimal& value, int decimals) {
  const std::string& digits = value.digits;
  const int exponent = value.exponent;
  std::string text;
  std::string fraction;
  if (digits.empty() || exponent <= 0) {
    text = "0";
    if (!digits.empty())
      fraction = std::string(static_cast<std::size_t>(-exponent), '0') + digits;
  } else {
    std::size_t whole = static_cast<std::size_t>(exponent);
    text = digits.substr(0, whole);
    if (digits.size() < whole)
      text.append(whole - digits.size(), '0');
    if (digits.size() > whole)
      fraction = digits.substr(whole);
  }
  if (fraction.size() < static_cast<std::size_t>(std::max(decimals, 0))) {
    fraction.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
  }
  if (!fraction.empty())
    text += "." + fraction;
  return text;
}

}  // namespace sonabrix::text
