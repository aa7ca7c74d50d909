#include "conversion/pitch_label.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>

namespace sonabrix {
namespace {

using Expected = std::variant<std::string, ConversionFailure>;

std::string Describe(const Conversion& conversion) {
  if (const auto* label = std::get_if<PitchLabel>(&conversion))
    return "label " + label->Text();
  return "failure " + std::to_string(static_cast<int>(std::get<ConversionFailure>(conversion)));
}

std::string DescribeExpected(const Expected& expected) {
  if (const auto* text = std::get_if<std::string>(&expected))
    return "label " + *text;
  return "failure " + std::to_string(static_cast<int>(std::get<ConversionFailure>(expected)));
}

struct Case {
  const char* input;
  Expected expected;
};

constexpr auto kNothing = ConversionFailure::kNothingToConvert;
constexpr auto kNotNote = ConversionFailure::kNotANoteNumber;
constexpr auto kTooLarge = ConversionFailure::kTooLarge;

const Case kCases[] = {
    // Octave boundaries and the naming of every index from 0.
    {"0", "1C"},
    {"1", "1C#"},
    {"B", "1B"},
    {"C", "2C"},
    {"D", "2C#"},
    {"3C", "6C"},
    {"3D", "6C#"},
    {"7F", "11G"},
    {"FFFF", "5462D#"},
    {"5FFF3", "32767B"},
    {"5FFF4", kTooLarge},
    {"FFFFF", kTooLarge},
    {"100000", kTooLarge},
    {"FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", kTooLarge},
    {"000000000005FFF3", "32767B"},
    // Accepted spellings of 60.
    {"3c", "6C"},
    {"0x3C", "6C"},
    {"0X3c", "6C"},
    {"&H3C", "6C"},
    {"&h3c", "6C"},
    {"3Ch", "6C"},
    {"3CH", "6C"},
    {"003C", "6C"},
    {" \t3C \t", "6C"},
    {"0h", "1C"},
    {"0x0", "1C"},
    // Nothing to convert.
    {"", kNothing},
    {"   ", kNothing},
    {"\t", kNothing},
    // Not a note number.
    {"Hex", kNotNote},
    {"Note", kNotNote},
    {"3 C", kNotNote},
    {"-1", kNotNote},
    {"+1", kNotNote},
    {"1.5", kNotNote},
    {"3C\n", kNotNote},
    {"G", kNotNote},
    {"0x", kNotNote},
    {"&H", kNotNote},
    {"h", kNotNote},
    {"0x3Ch", kNotNote},
    {"&H0x3C", kNotNote},
    {"&&H3C", kNotNote},
    {"x3C", kNotNote},
    {"\xEF\xBC\x93\xEF\xBC\xA3", kNotNote},  // full-width 3C
    {"\xD9\xA3", kNotNote},                  // Arabic-Indic digit three
    {"\xC2\xA0"
     "3C",
     kNotNote},                    // no-break space is not a blank
    {"3C\xE2\x80\x8B", kNotNote},  // zero-width space
    {"\xFF\xFE", kNotNote},        // not UTF-8 at all
};

TEST(MakePitchLabel, ConvertsOrFailsAsTabled) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Describe(MakePitchLabel(c.input)), DescribeExpected(c.expected))
        << "input \"" << c.input << "\"";
  }
}

TEST(MakePitchLabel, EmbeddedNulIsNotANoteNumber) {
  using std::string_literals::operator""s;
  EXPECT_EQ(Describe(MakePitchLabel("3\0C"s)), DescribeExpected(kNotNote));
}

// Every note number whose octave fits, through the decimal text steps: this is what catches a
// rendering of n / 12 + 1 that drops or rounds its digits wrongly.
TEST(MakePitchLabel, EveryNoteNumberMatchesTheClosedForm) {
  char hex[16];
  for (std::uint32_t n = 0; n <= kHighestNoteNumber; ++n) {
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(n));
    Conversion conversion = MakePitchLabel(hex);
    const auto* label = std::get_if<PitchLabel>(&conversion);
    ASSERT_NE(label, nullptr) << hex;
    ASSERT_EQ(label->note_number, n) << hex;
    ASSERT_EQ(label->octave_number, static_cast<int>(n / 12 + 1)) << hex;
    ASSERT_EQ(label->semitone_index, static_cast<int>(n % 12)) << hex;
    ASSERT_EQ(label->Text(), std::to_string(n / 12 + 1) + std::string(NoteNames[n % 12])) << hex;
  }
}

TEST(MakePitchLabel, LongTextsAreHandledWhole) {
  const std::string many_zeros(1'000'000, '0');
  EXPECT_EQ(Describe(MakePitchLabel(many_zeros + "3C")), DescribeExpected("6C"));
  EXPECT_EQ(Describe(MakePitchLabel(std::string(1'000'000, 'F'))), DescribeExpected(kTooLarge));
  EXPECT_EQ(Describe(MakePitchLabel(std::string(1'000'000, ' '))), DescribeExpected(kNothing));
  EXPECT_EQ(Describe(MakePitchLabel(many_zeros + "G")), DescribeExpected(kNotNote));
}

}  // namespace
}  // namespace sonabrix
