#pragma once

// What the converter window is made of, as data that every front end realises, and the small
// interface through which its handlers reach the controls. Nothing here names a platform.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace sonabrix::forms {

// 1/1440 inch: 15 twips make one pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

// Rounded to the nearest pixel, halves away from zero, as Windows' MulDiv does.
constexpr int TwipsToPixels(int twips, int dpi) {
  long long scaled = static_cast<long long>(twips) * dpi;
  long long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : -((-scaled + half) / kTwipsPerInch));
}

enum class ControlKind { kTextBox, kLabel };

// Indexes into FormDefinition::controls.
enum class ControlId : std::size_t { Text1, Text2, Label1, Label2, Label3 };

// How a control's text is shown beside its normal look.
enum class Mark {
  kNone,
  kRejected,  // the text cannot be converted: shown in red
  kStale,     // the text no longer belongs to the input: shown greyed
};

// The window's native handle: the HWND on Windows, the GtkWindow on Linux.
using NativeHandle = void*;

// The controls of a loaded window, as the handlers see them. Each front end provides one.
class Form {
 public:
  virtual ~Form() = default;
  // MUST return the control's whole current text, UTF-8.
  virtual std::string ReadText(ControlId control) const = 0;
  // MUST replace the control's whole text. Writing Text2 raises no handler.
  virtual void WriteText(ControlId control, std::string_view text) = 0;
  // MUST show or clear the mark; the control's text stays as it is.
  virtual void SetMark(ControlId control, Mark mark) = 0;
  // MUST make `text` the control's tooltip; an empty text removes it.
  virtual void SetToolTip(ControlId control, std::string_view text) = 0;
  // MUST return the handle of the top-level window, valid while the form is loaded.
  virtual NativeHandle WindowHandle() const = 0;
};

using Handler = void (*)(Form& form);

struct FontDefinition {
  std::string_view face;
  int hundredths_of_points;
  int weight;
  bool italic;
  bool underline;
  bool strikeout;
  int charset;
};

struct ControlDefinition {
  std::string_view name;
  ControlKind kind;
  int left, top, width, height;  // twips, within the client area
  std::string_view text;
  int tab_index;
  Handler on_change;  // raised for every change of a text box's text; may be null
};

struct FormDefinition {
  std::string_view name;
  std::string_view caption;
  int left, top, width, height;  // twips: the client area's stored screen position and size
  bool maximize_box;
  FontDefinition font;  // every control's
  Handler on_load;      // raised once, before the window shows
  std::array<ControlDefinition, 5> controls;

  constexpr const ControlDefinition& operator[](ControlId id) const {
    return controls[static_cast<std::size_t>(id)];
  }
};

}  // namespace sonabrix::forms
