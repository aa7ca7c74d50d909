#pragma once

// The note conversion: a hexadecimal note number, as typed, becomes the pitch label that shows
// the octave number (note / 12 + 1) and the note name side by side, 3C -> 6C.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace sonabrix {

// Indexed by semitone index 0 to 11.
inline constexpr std::array<std::string_view, 12> NoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                               "F#", "G",  "G#", "A",  "A#", "B"};

// The highest note number whose octave number still fits the 16-bit octave: 32767.
inline constexpr std::uint32_t kHighestNoteNumber = 0x5FFF3;

enum class ConversionFailure {
  kNothingToConvert,  // empty or blank text
  kNotANoteNumber,    // anything but hexadecimal digits with at most one marking
  kTooLarge,          // above kHighestNoteNumber
};

struct PitchLabel {
  std::uint32_t note_number;
  std::int16_t octave_number;
  int semitone_index;
  std::string octave_digits;
  std::string_view note_name;  // empty when the index selects no name

  std::string Text() const { return octave_digits + std::string(note_name); }
};

using Conversion = std::variant<PitchLabel, ConversionFailure>;

// Accepts the whole text, with blanks (space, tab) around it ignored: one or more hexadecimal
// digits, bare or marked by one of 0x, &H (either case) or a trailing h. Never throws; linear
// in the length of `input`. The text is UTF-8; anything outside ASCII is not a note number.
Conversion MakePitchLabel(std::string_view input);

}  // namespace sonabrix
