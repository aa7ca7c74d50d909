#include "window/note_details.h"

#include <gtest/gtest.h>

namespace sonabrix {
namespace {

TEST(DescribeNote, NamesAndTunesLikeOtherTools) {
  const struct {
    std::uint32_t note_number;
    const char* text;
  } cases[] = {
      {0, "0 = C-1, 8.18 Hz"},
      {60, "60 = C4, 261.63 Hz"},
      {61, "61 = C#4, 277.18 Hz"},
      {69, "69 = A4, 440.00 Hz"},
      {127, "127 = G9, 12543.85 Hz"},
      {228, "228 = C18, 4.29 x 10^6 Hz"},
      {0x5FFF3, "393203 = B32765, 5.46 x 10^9864 Hz"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeNote(c.note_number), c.text);
  }
}

}  // namespace
}  // namespace sonabrix
