// Arbitrary bytes into MakePitchLabel: any text must come back as a label or a failure without
// a sanitizer finding, and an accepted text must give exactly octave n / 12 + 1 and semitone
// n mod 12 for the note number that an independent reading of the same text finds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <variant>

#include "conversion/pitch_label.h"

namespace {

std::string_view WithoutMarking(std::string_view text) {
  for (std::string_view prefix : {"0x", "0X", "&H", "&h"}) {
    if (text.starts_with(prefix))
      return text.substr(prefix.size());
  }
  if (text.ends_with('h') || text.ends_with('H'))
    text.remove_suffix(1);
  return text;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// Saturates above 32 bits, which is all the comparison with the highest note number needs.
std::optional<std::uint64_t> ReferenceNoteNumber(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return std::nullopt;
  text = WithoutMarking(text.substr(first, text.find_last_not_of(" \t") - first + 1));
  if (text.empty())
    return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    int digit = DigitValue(c);
    if (digit < 0)
      return std::nullopt;
    value = value > 0xFFFFFFFF ? value : value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  sonabrix::Conversion conversion = sonabrix::MakePitchLabel(text);
  std::optional<std::uint64_t> n = ReferenceNoteNumber(text);
  const auto* label = std::get_if<sonabrix::PitchLabel>(&conversion);
  bool should_convert = n && *n <= sonabrix::kHighestNoteNumber;
  if (should_convert != (label != nullptr))
    std::abort();
  if (label == nullptr)
    return 0;
  if (label->note_number != *n || label->octave_number != static_cast<int>(*n / 12 + 1) ||
      label->semitone_index != static_cast<int>(*n % 12) ||
      label->note_name != sonabrix::NoteNames[*n % 12]) {
    std::abort();
  }
  return 0;
}
