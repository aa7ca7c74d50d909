#include "conversion/text_routines.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>

namespace sonabrix::text {
namespace {

TEST(ReadNumber, ReadsHexAndPlainDecimalOnly) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"&H3C", 60},
      {"&hff", 255},
      {"&H5FFF3", 393203},
      {"&H", std::nullopt},
      {"&H3G", std::nullopt},
      {"12.5", 12.5},
      {"0.", 0},
      {".5", 0.5},
      {"7", 7},
      {"", std::nullopt},
      {".", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1e3", std::nullopt},
      {"-1", std::nullopt},
      {" 1", std::nullopt},
      {"1,5", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadNumber(c.text), c.value) << c.text;
  }
}

TEST(WriteDouble, IsPlainShortestAndReadsBack) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1, "1"},
      {6.5, "6.5"},
      {61.0 / 12 + 1, "6.083333333333333"},
      {1e21, "1000000000000000000000"},
      {1e-7, "0.0000001"},
      {32768, "32768"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WriteDouble(c.value), c.text);
    EXPECT_EQ(ReadNumber(WriteDouble(c.value)), c.value) << c.text;
  }
  const double extremes[] = {std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min()};
  for (double value : extremes) {
    EXPECT_EQ(ReadNumber(WriteDouble(value)), value);
  }
}

// The standard library's own conversions, where it has them, as the oracle: the routines do the
// same work without it, so that the Windows exe need not carry it.
std::string StandardShortestFixed(double value) {
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return error == std::errc{} ? std::string(buffer, end) : std::string("error");
}

std::string StandardFixed(double value, int decimals) {
  char buffer[400];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return error == std::errc{} ? std::string(buffer, end) : std::string("error");
}

double StandardRead(const std::string& text) {
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  return value;
}

// Random doubles of every magnitude, with their bit patterns spread evenly, and the neighbours
// of powers of two, where the gap below a value is half the gap above it.
std::vector<double> SampleDoubles() {
  std::vector<double> values;
  std::mt19937_64 random(12345);
  for (int i = 0; i < 100'000; ++i) {
    double value = std::bit_cast<double>(random() & 0x7FFF'FFFF'FFFF'FFFF);
    if (std::isfinite(value))
      values.push_back(value);
  }
  for (int exponent = -1074; exponent <= 1023; ++exponent) {
    double power = std::ldexp(1.0, exponent);
    values.insert(values.end(), {power, std::nextafter(power, 0.0),
                                 std::nextafter(power, std::numeric_limits<double>::infinity())});
  }
  values.insert(values.end(), {std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::denorm_min(), 0.1, 0.5, 2.5});
  return values;
}

TEST(WriteDouble, MatchesTheStandardShortestBelowTwoToThe53) {
  for (double value : SampleDoubles()) {
    std::string written = WriteDouble(value);
    ASSERT_EQ(ReadNumber(written), value) << written;
    if (value < 0x1p53) {
      ASSERT_EQ(written, StandardShortestFixed(value));
    }
  }
}

TEST(WriteFixed, RoundsHalvesToEvenLikeTheStandard) {
  const double halves[] = {0.125, 0.375, 2.675, 1.005, 0.5, 1.5, 2.5, 1e22, 123.456};
  for (double value : halves) {
    for (int decimals : {0, 1, 2, 3}) {
      EXPECT_EQ(WriteFixed(value, decimals), StandardFixed(value, decimals)) << value;
    }
  }
  std::mt19937_64 random(6789);
  std::uniform_real_distribution<double> frequencies(0, 1e6);
  for (int i = 0; i < 20'000; ++i) {
    double value = frequencies(random);
    ASSERT_EQ(WriteFixed(value, 2), StandardFixed(value, 2)) << value;
  }
}

TEST(ReadNumber, RoundsDecimalTextCorrectly) {
  std::mt19937_64 random(2468);
  for (double value : SampleDoubles()) {
    // Between two neighbours, and the exact halfway points that need the tie rule.
    std::string written = StandardFixed(value, 40);
    if (written.size() > 370)
      continue;
    ASSERT_EQ(ReadNumber(written), StandardRead(written)) << written;
  }
  for (int i = 0; i < 50'000; ++i) {
    std::string text = std::to_string(random() % 100'000) + "." + std::to_string(random());
    ASSERT_EQ(ReadNumber(text), StandardRead(text)) << text;
  }
  EXPECT_EQ(ReadNumber("9007199254740993"), 9007199254740992.0);  // halfway, to even
  EXPECT_EQ(ReadNumber("9007199254740995"), 9007199254740996.0);
  EXPECT_EQ(ReadNumber("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(ReadNumber("1" + std::string(400, '0')), std::nullopt);
  EXPECT_EQ(ReadNumber(std::string(1'000'000, '0') + "1.5"), 1.5);
}

TEST(TextPositions, AreOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(FindText("6.0833", ".", 1), 2u);
  EXPECT_EQ(FindText("6", ".", 1), 0u);
  EXPECT_EQ(FindText("1.2.3", ".", 3), 4u);
  EXPECT_EQ(FindText("ab", "b", 3), 0u);
  EXPECT_EQ(FindText("ab", "b", 0), 0u);
  EXPECT_EQ(RestOfText("6.0833", 3), "0833");
  EXPECT_EQ(RestOfText("6.", 3), "");
  EXPECT_EQ(RestOfText("6", 0), "");
}

TEST(WriteInteger, CoversTheWholeRange) {
  EXPECT_EQ(WriteInteger(0), "0");
  EXPECT_EQ(WriteInteger(32767), "32767");
  EXPECT_EQ(WriteInteger(-32768), "-32768");
}

}  // namespace
}  // namespace sonabrix::text
