#include "conversion/text_routines.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

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
