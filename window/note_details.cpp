#include "window/note_details.h"

#include <cmath>

#include "conversion/pitch_label.h"
#include "conversion/text_routines.h"

namespace sonabrix {
namespace {

constexpr int kA4 = 69;
constexpr double kA4Hertz = 440;
// Frequencies from a million hertz up are written as a power of ten: the highest note numbers
// lie thousands of decimal orders above anything a double can hold.
constexpr double kLargestPlainExponent = 6;

std::string ScientificName(std::uint32_t note_number) {
  long long octave = static_cast<long long>(note_number / 12) - 1;
  return std::string(NoteNames[note_number % 12]) + std::to_string(octave);
}

// Worked in decimal logarithms so that no power overflows.
std::string Frequency(std::uint32_t note_number) {
  double semitones = static_cast<double>(note_number) - kA4;
  double log10_hertz = std::log10(kA4Hertz) + semitones / 12 * std::log10(2.0);
  if (log10_hertz < kLargestPlainExponent) {
    return text::WriteFixed(std::pow(10.0, log10_hertz), 2) + " Hz";
  }
  double exponent = std::floor(log10_hertz);
  std::string mantissa = text::WriteFixed(std::pow(10.0, log10_hertz - exponent), 2);
  if (mantissa == "10.00") {
    mantissa = "1.00";
    exponent += 1;
  }
  return mantissa + " x 10^" + std::to_string(static_cast<long long>(exponent)) + " Hz";
}

}  // namespace

std::string DescribeNote(std::uint32_t note_number) {
  return std::to_string(note_number) + " = " + ScientificName(note_number) + ", " +
         Frequency(note_number);
}

}  // namespace sonabrix
