#pragma once

// The converter window: Form1's definition and its two handlers.

#include "window/forms.h"

namespace sonabrix {

// Load of Form1: puts the window above all others.
void Form1_Load(forms::Form& form);

// Change of Text1: converts the whole text and shows the pitch label in Text2.
void Text1_Change(forms::Form& form);

inline constexpr forms::FormDefinition Form1 = {
    .name = "Form1",
    .caption = "Sonabrix",
    .left = 60,
    .top = 345,
    .width = 3345,
    .height = 885,
    .maximize_box = false,
    .font = {.face = "Tahoma",
             .hundredths_of_points = 1425,
             .weight = 400,
             .italic = false,
             .underline = false,
             .strikeout = false,
             .charset = 0},
    .on_load = Form1_Load,
    .controls = {{
        {"Text1", forms::ControlKind::kTextBox, 120, 360, 1215, 435, "Hex", 0, Text1_Change},
        {"Text2", forms::ControlKind::kTextBox, 1800, 360, 1455, 435, "Note", 1, nullptr},
        {"Label1", forms::ControlKind::kLabel, 1440, 360, 255, 375, "=", 2, nullptr},
        {"Label2", forms::ControlKind::kLabel, 360, 0, 735, 375, "Hex", 3, nullptr},
        {"Label3", forms::ControlKind::kLabel, 2160, 0, 735, 375, "Note", 4, nullptr},
    }},
};

// The hint on Text1 while its text converts or is empty, and why a text does not convert.
inline constexpr std::string_view kInputHint = "Note number in hex, such as 3C";
inline constexpr std::string_view kNotANoteNumberReason =
    "Not a note number: type hex digits, such as 3C.";
inline constexpr std::string_view kTooLargeReason = "Too large: the highest note number is 5FFF3.";

}  // namespace sonabrix
