#pragma once

// The forms run time on GTK 3: a FormDefinition becomes a GtkWindow whose controls sit in a
// GtkFixed exactly where the definition's twips put them, and GTK's signals raise the
// definition's handlers.

#include <gtk/gtk.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "window/forms.h"

namespace sonabrix::forms {

// MUST run before GTK opens its display. A window can ask to stay above others only under X11,
// so X11 (XWayland in a Wayland session) is tried first, unless GDK_BACKEND says otherwise.
void PreferStackingBackend();

// The resolution that twips are turned into pixels at: 96 times the desktop's text scale, taken
// from the font resolution. GDK's own scale factor multiplies these pixels again when it draws.
int LayoutDpi(GdkScreen* screen);

class GtkForm final : public Form {
 public:
  // Builds the window and its controls, hidden; GTK must be initialised.
  explicit GtkForm(const FormDefinition& definition);
  ~GtkForm() override;
  GtkForm(const GtkForm&) = delete;
  GtkForm& operator=(const GtkForm&) = delete;

  // The icon file's images become the window icon, the best image of each size, the largest
  // scaled down to 128 pixels. An icon that does not read leaves the window without one (the
  // window manager shows its own).
  void SetIcon(std::span<const std::uint8_t> icon_file);

  // Raises the definition's on_load, then shows the window with the first control in tab order
  // focused and its text selected.
  void Load();

  // Null once the window has been destroyed (closed by the user).
  GtkWindow* Window() const { return window_; }
  GtkWidget* Control(ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }

  std::string ReadText(ControlId control) const override;
  void WriteText(ControlId control, std::string_view text) override;
  void SetMark(ControlId control, Mark mark) override;
  void SetToolTip(ControlId control, std::string_view text) override;
  NativeHandle WindowHandle() const override { return window_; }

 private:
  struct PendingChange {
    GtkForm* form;
    ControlId control;
    guint source;  // the idle source that raises the change, 0 when none is due
  };

  static void OnChanged(GtkEditable* editable, gpointer user_data);
  static gboolean OnChangeSettled(gpointer data);
  static void OnDestroy(GtkWidget* widget, gpointer user_data);
  static gboolean OnFocus(GtkWidget* fixed, GtkDirectionType direction, gpointer user_data);
  static void OnRealize(GtkWidget* widget, gpointer user_data);

  void Build(int dpi);
  void RaiseChange(ControlId control);
  void CancelPendingChange(ControlId control);
  bool MoveFocus(GtkDirectionType direction);

  const FormDefinition& definition_;
  GtkWindow* window_ = nullptr;
  GdkScreen* screen_ = nullptr;
  GtkCssProvider* style_ = nullptr;  // the definition's font and the marks, for this window
  GtkWidget* fixed_ = nullptr;
  std::array<GtkWidget*, 5> controls_{};
  std::array<gulong, 5> changed_handlers_{};
  std::array<PendingChange, 5> pending_{};
  // Set while a change handler runs, so that a write it makes to its own box raises nothing.
  bool in_change_ = false;
};

// The whole program: opens the display, builds the window from `definition` with `icon_file` as
// its icon, loads it and dispatches events until it is closed. `program_id` is the id of the
// program's desktop entry, which the desktop matches the window to. Returns the exit status.
int Run(const FormDefinition& definition, std::string_view program_id,
        std::span<const std::uint8_t> icon_file);

}  // namespace sonabrix::forms
