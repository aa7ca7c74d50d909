#pragma once

// The same pitch as other tools name it, for the user who cross-checks them: the note number in
// decimal, its scientific name (note 60 is C4) and its frequency in equal temperament with A4 at
// 440 Hz, as in "61 = C#4, 277.18 Hz". ASCII only.

#include <cstdint>
#include <string>

namespace sonabrix {

std::string DescribeNote(std::uint32_t note_number);

}  // namespace sonabrix
