// GTK sets the process locale from the environment; the conversion must read and write "." as
// the decimal point whatever that locale says.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <locale>
#include <string>
#include <variant>

#include "conversion/pitch_label.h"
#include "conversion/text_routines.h"

namespace sonabrix {
namespace {

class CommaLocale : public testing::Test {
 protected:
  void SetUp() override {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
      GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    }
    std::locale::global(std::locale("de_DE.UTF-8"));
    ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  }
  void TearDown() override {
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
  }
};

TEST_F(CommaLocale, ChangesNoResult) {
  char hex[16];
  for (std::uint32_t n = 0; n <= 0x7FF; ++n) {
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(n));
    Conversion conversion = MakePitchLabel(hex);
    const auto* label = std::get_if<PitchLabel>(&conversion);
    ASSERT_NE(label, nullptr) << hex;
    ASSERT_EQ(label->Text(), std::to_string(n / 12 + 1) + std::string(NoteNames[n % 12])) << hex;
  }
  EXPECT_EQ(text::WriteDouble(6.5), "6.5");
  EXPECT_EQ(text::ReadNumber("6.5"), 6.5);
  EXPECT_EQ(text::ReadNumber("6,5"), std::nullopt);
}

}  // namespace
}  // namespace sonabrix
