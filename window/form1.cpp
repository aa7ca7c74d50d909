#include "window/form1.h"

#include <variant>

#include "conversion/pitch_label.h"
#include "window/module1.h"
#include "window/note_details.h"

namespace sonabrix {
namespace {

using forms::ControlId;
using forms::Mark;

void ShowLabel(forms::Form& form, const PitchLabel& label) {
  // Two writes, the octave digits and then the name after them, so that a label whose index
  // selects no name still shows its octave.
  form.WriteText(ControlId::Text2, label.octave_digits);
  if (!label.note_name.empty()) {
    form.WriteText(ControlId::Text2,
                   form.ReadText(ControlId::Text2) + std::string(label.note_name));
  }
  form.SetMark(ControlId::Text1, Mark::kNone);
  form.SetMark(ControlId::Text2, Mark::kNone);
  form.SetToolTip(ControlId::Text1, kInputHint);
  form.SetToolTip(ControlId::Text2, DescribeNote(label.note_number));
}

// Text2 keeps its text, greyed, since it no longer belongs to the input. Empty text is not an
// error, only nothing to convert yet.
void ShowFailure(forms::Form& form, ConversionFailure failure) {
  form.SetMark(ControlId::Text2, Mark::kStale);
  switch (failure) {
    case ConversionFailure::kNothingToConvert:
      form.SetMark(ControlId::Text1, Mark::kNone);
      form.SetToolTip(ControlId::Text1, kInputHint);
      return;
    case ConversionFailure::kNotANoteNumber:
      form.SetMark(ControlId::Text1, Mark::kRejected);
      form.SetToolTip(ControlId::Text1, kNotANoteNumberReason);
      return;
    case ConversionFailure::kTooLarge:
      form.SetMark(ControlId::Text1, Mark::kRejected);
      form.SetToolTip(ControlId::Text1, kTooLargeReason);
      return;
  }
}

}  // namespace

void Form1_Load(forms::Form& form) {
  SetAlwaysOnTop(form.WindowHandle(), true);
}

void Text1_Change(forms::Form& form) {
  Conversion conversion = MakePitchLabel(form.ReadText(ControlId::Text1));
  if (const auto* label = std::get_if<PitchLabel>(&conversion)) {
    ShowLabel(form, *label);
  } else {
    ShowFailure(form, std::get<ConversionFailure>(conversion));
  }
}

}  // namespace sonabrix
