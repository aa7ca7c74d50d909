#include "pitch_label.h"

#include <limits>
#include <optional>

#include "text_routines.h"

namespace sonabrix {
namespace {

using text::FindText;
using text::IntegralPart;
using text::ReadNumber;
using text::RestOfText;
using text::WriteDouble;
using text::WriteInteger;

// More significant digits than this are at least 0x100000, far above kHighestNoteNumber.
constexpr std::size_t kMostSignificantDigits = 5;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// Takes off at most one marking; a second one is left in place and fails the digit check.
std::string_view RemoveMarking(std::string_view text) {
  for (std::string_view prefix : {"0x", "0X", "&H", "&h"}) {
    if (text.starts_with(prefix))
      return text.substr(prefix.size());
  }
  if (text.ends_with('h') || text.ends_with('H'))
    text.remove_suffix(1);
  return text;
}

std::string_view DropLeadingZeros(std::string_view digits) {
  std::size_t first = digits.find_first_not_of('0');
  return first == std::string_view::npos ? digits.substr(digits.size() - 1) : digits.substr(first);
}

struct HexDigits {
  std::string_view digits;
  std::optional<ConversionFailure> failure;
};

HexDigits ReadNoteNumberDigits(std::string_view input) {
  std::string_view trimmed = TrimBlanks(input);
  if (trimmed.empty())
    return {{}, ConversionFailure::kNothingToConvert};
  std::string_view digits = RemoveMarking(trimmed);
  if (digits.empty())
    return {{}, ConversionFailure::kNotANoteNumber};
  for (char c : digits) {
    if (!IsHexDigit(c))
      return {{}, ConversionFailure::kNotANoteNumber};
  }
  digits = DropLeadingZeros(digits);
  if (digits.size() > kMostSignificantDigits)
    return {{}, ConversionFailure::kTooLarge};
  return {digits, std::nullopt};
}

std::optional<std::int16_t> ToOctaveNumber(double whole) {
  if (whole < std::numeric_limits<std::int16_t>::min() ||
      whole > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(whole);
}

std::string_view NoteNameFor(int semitone_index) {
  if (semitone_index < 0 || semitone_index >= static_cast<int>(NoteNames.size()))
    return {};
  return NoteNames[static_cast<std::size_t>(semitone_index)];
}

}  // namespace

// The octave and semitone come from the decimal text of n / 12 + 1, not from integer arithmetic:
// the digits after the point, read as a fraction, times 12, give the semitone. The added 0.1
// lifts a repeating fraction cut short (0.08333... x 12 = 0.99999...) back over the whole number.
Conversion MakePitchLabel(std::string_view input) {
  HexDigits hex = ReadNoteNumberDigits(input);
  if (hex.failure)
    return *hex.failure;

  std::optional<double> n = ReadNumber("&H" + std::string(hex.digits));
  if (!n)
    return ConversionFailure::kNotANoteNumber;
  double q = *n / 12 + 1;
  std::string s = WriteDouble(q);

  std::optional<double> q_read_back = ReadNumber(s);
  if (!q_read_back)
    return ConversionFailure::kNotANoteNumber;
  std::optional<std::int16_t> octave = ToOctaveNumber(IntegralPart(*q_read_back));
  if (!octave)
    return ConversionFailure::kTooLarge;

  std::size_t point = FindText(s, ".", 1);
  std::string_view fraction_digits = point == 0 ? std::string_view{} : RestOfText(s, point + 1);
  double f = 0;
  if (!fraction_digits.empty()) {
    f = ReadNumber("0." + std::string(fraction_digits)).value_or(0);
  }
  double x = f * 12 + 0.1;
  int semitone_index = static_cast<int>(IntegralPart(x));

  return PitchLabel{.note_number = static_cast<std::uint32_t>(*n),
                    .octave_number = *octave,
                    .semitone_index = semitone_index,
                    .octave_digits = WriteInteger(*octave),
                    .note_name = NoteNameFor(semitone_index)};
}

}  // namespace sonabrix
