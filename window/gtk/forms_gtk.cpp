#include "window/gtk/forms_gtk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <variant>
#include <vector>

#include "program/icon/icon_file.h"

namespace sonabrix::forms {
namespace {

constexpr int kDefaultDpi = 96;
// Window managers draw a window's icon at title-bar and task-bar sizes. A larger image goes to
// them scaled down to this: the whole of the 351-pixel one would put half a megabyte through
// the X server at every start, and slow the window manager's first frame.
constexpr int kLargestWindowIcon = 128;
constexpr const char* kRejectedClass = "rejected";
constexpr const char* kStaleClass = "stale";

std::size_t Index(ControlId id) {
  return static_cast<std::size_t>(id);
}

// GTK takes only valid UTF-8; anything else would be refused with a warning.
std::string ValidUtf8(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return std::string(text);
  }
  g_autofree gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  return valid;
}

// "1425" hundredths as "14.25", whatever the locale's decimal separator.
std::string Points(int hundredths) {
  std::string fraction = std::to_string(hundredths % 100);
  return std::to_string(hundredths / 100) + "." + (fraction.size() < 2 ? "0" : "") + fraction;
}

// The font face, with the desktop's sans-serif face behind it where the system lacks it; text
// boxes lose the theme's tall minimum and wide padding, which the definition's boxes leave no
// room for. The selectors start at the window's name, so tooltips keep the desktop's font.
std::string StyleSheet(const FormDefinition& definition) {
  const FontDefinition& font = definition.font;
  std::string window = "#" + std::string(definition.name);
  std::string decoration = font.underline && font.strikeout ? "underline line-through"
                           : font.underline                 ? "underline"
                           : font.strikeout                 ? "line-through"
                                                            : "none";
  std::string css;
  css += window + " entry, " + window + " label {\n";
  css += "  font-family: \"" + std::string(font.face) + "\", sans-serif;\n";
  css += "  font-size: " + Points(font.hundredths_of_points) + "pt;\n";
  css += "  font-weight: " + std::to_string(font.weight) + ";\n";
  css += "  font-style: " + std::string(font.italic ? "italic" : "normal") + ";\n";
  css += "  text-decoration-line: " + decoration + ";\n";
  css += "}\n";
  css += window + " entry { min-height: 0; padding: 0 3px; }\n";
  css += window + " entry." + kRejectedClass + " { color: #cc0000; }\n";
  css += window + " entry." + kStaleClass + " { color: alpha(currentColor, 0.45); }\n";
  return css;
}

// A label captions the text box that it stands over: its horizontal centre lies within the
// box's width and its top is above the box's.
const ControlDefinition* CaptionedBy(const FormDefinition& definition,
                                     const ControlDefinition& label) {
  int centre = label.left + label.width / 2;
  for (const ControlDefinition& box : definition.controls) {
    if (box.kind == ControlKind::kTextBox && centre >= box.left && centre < box.left + box.width &&
        label.top < box.top) {
      return &box;
    }
  }
  return nullptr;
}

GdkPixbuf* NewPixbuf(const icon::RgbaImage& image) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height);
  if (pixbuf == nullptr) {
    return nullptr;
  }
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  int stride = gdk_pixbuf_get_rowstride(pixbuf);
  auto row_bytes = static_cast<std::size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * stride,
                image.pixels.data() + static_cast<std::size_t>(y) * row_bytes, row_bytes);
  }
  return pixbuf;
}

}  // namespace

void PreferStackingBackend() {
  if (g_getenv("GDK_BACKEND") == nullptr) {
    gdk_set_allowed_backends("x11,*");
  }
}

int LayoutDpi(GdkScreen* screen) {
  // Without a font resolution from the desktop (no settings daemon), GTK and Pango use 96.
  double resolution = screen != nullptr ? gdk_screen_get_resolution(screen) : -1;
  return resolution > 0 ? static_cast<int>(std::lround(resolution)) : kDefaultDpi;
}

GtkForm::GtkForm(const FormDefinition& definition) : definition_(definition) {
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    pending_[i] = {this, static_cast<ControlId>(i), 0};
  }
  window_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  screen_ = gtk_widget_get_screen(GTK_WIDGET(window_));
  g_signal_connect(window_, "destroy", G_CALLBACK(OnDestroy), this);
  Build(LayoutDpi(screen_));
}

GtkForm::~GtkForm() {
  if (window_ != nullptr) {
    gtk_widget_destroy(GTK_WIDGET(window_));
  }
  gtk_style_context_remove_provider_for_screen(screen_, GTK_STYLE_PROVIDER(style_));
  g_object_unref(style_);
}

void GtkForm::Build(int dpi) {
  std::string name(definition_.name);
  std::string caption = ValidUtf8(definition_.caption);
  gtk_widget_set_name(GTK_WIDGET(window_), name.c_str());
  gtk_window_set_title(window_, caption.c_str());
  gtk_window_set_resizable(window_, FALSE);
  if (!definition_.maximize_box) {
    g_signal_connect_after(window_, "realize", G_CALLBACK(OnRealize), this);
  }

  style_ = gtk_css_provider_new();
  std::string css = StyleSheet(definition_);
  gtk_css_provider_load_from_data(style_, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(GTK_WIDGET(window_)),
                                            GTK_STYLE_PROVIDER(style_),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  fixed_ = gtk_fixed_new();
  gtk_widget_set_size_request(fixed_, TwipsToPixels(definition_.width, dpi),
                              TwipsToPixels(definition_.height, dpi));
  g_signal_connect(fixed_, "focus", G_CALLBACK(OnFocus), this);
  gtk_container_add(GTK_CONTAINER(window_), fixed_);

  for (std::size_t i = 0; i < definition_.controls.size(); ++i) {
    const ControlDefinition& control = definition_.controls[i];
    std::string text = ValidUtf8(control.text);
    GtkWidget* widget = nullptr;
    if (control.kind == ControlKind::kTextBox) {
      widget = gtk_entry_new();
      // Without this the entry asks for room for a default number of characters, wider than
      // the definition's boxes.
      gtk_entry_set_width_chars(GTK_ENTRY(widget), 0);
      gtk_entry_set_text(GTK_ENTRY(widget), text.c_str());
      if (control.on_change != nullptr) {
        changed_handlers_[i] = g_signal_connect(widget, "changed", G_CALLBACK(OnChanged), this);
      }
    } else {
      widget = gtk_label_new(text.c_str());
      gtk_label_set_xalign(GTK_LABEL(widget), 0);
      gtk_label_set_yalign(GTK_LABEL(widget), 0);
    }
    std::string widget_name(control.name);
    gtk_widget_set_name(widget, widget_name.c_str());
    gtk_widget_set_size_request(widget, TwipsToPixels(control.width, dpi),
                                TwipsToPixels(control.height, dpi));
    gtk_fixed_put(GTK_FIXED(fixed_), widget, TwipsToPixels(control.left, dpi),
                  TwipsToPixels(control.top, dpi));
    controls_[i] = widget;
  }

  // The label names its box for screen readers: GTK reports it as the box's labelled-by
  // relation, and the box's accessible name is the label's text, which GTK 3 leaves empty.
  for (std::size_t i = 0; i < definition_.controls.size(); ++i) {
    const ControlDefinition& control = definition_.controls[i];
    if (control.kind != ControlKind::kLabel) {
      continue;
    }
    if (const ControlDefinition* box = CaptionedBy(definition_, control)) {
      auto box_index = static_cast<std::size_t>(box - definition_.controls.data());
      gtk_label_set_mnemonic_widget(GTK_LABEL(controls_[i]), controls_[box_index]);
      atk_object_set_name(gtk_widget_get_accessible(controls_[box_index]),
                          gtk_label_get_text(GTK_LABEL(controls_[i])));
    }
  }
  gtk_widget_show_all(fixed_);
}

void GtkForm::SetIcon(std::span<const std::uint8_t> icon_file) {
  if (window_ == nullptr) {
    return;
  }
  icon::IconParse parse = icon::ParseIcon(icon_file);
  const auto* images = std::get_if<std::vector<icon::IconImage>>(&parse);
  if (images == nullptr) {
    return;
  }
  // Of the images of one size, the one with the most colours.
  std::map<int, const icon::IconImage*> best;
  for (const icon::IconImage& image : *images) {
    const icon::IconImage*& chosen = best[image.width];
    if (chosen == nullptr || image.bit_count > chosen->bit_count) {
      chosen = &image;
    }
  }
  GList* pixbufs = nullptr;
  for (const auto& [width, image] : best) {
    if (width > kLargestWindowIcon && best.count(kLargestWindowIcon) != 0) {
      continue;
    }
    icon::RgbaDecode decode = icon::DecodeImage(*image);
    auto* rgba = std::get_if<icon::RgbaImage>(&decode);
    if (rgba == nullptr) {
      continue;
    }
    if (width > kLargestWindowIcon) {
      *rgba = icon::ScaleRgba(*rgba, kLargestWindowIcon,
                              std::max(1, rgba->height * kLargestWindowIcon / rgba->width));
    }
    if (GdkPixbuf* pixbuf = NewPixbuf(*rgba)) {
      pixbufs = g_list_append(pixbufs, pixbuf);
    }
  }
  gtk_window_set_icon_list(window_, pixbufs);
  g_list_free_full(pixbufs, g_object_unref);
}

void GtkForm::Load() {
  if (window_ == nullptr) {
    return;
  }
  if (definition_.on_load != nullptr) {
    definition_.on_load(*this);
  }
  gtk_widget_child_focus(fixed_, GTK_DIR_TAB_FORWARD);
  if (GtkWidget* focus = gtk_window_get_focus(window_); GTK_IS_EDITABLE(focus)) {
    // Whatever the desktop's select-on-focus setting, the first text is ready to be typed over.
    gtk_editable_select_region(GTK_EDITABLE(focus), 0, -1);
  }
  gtk_window_present(window_);
}

std::string GtkForm::ReadText(ControlId control) const {
  GtkWidget* widget = Control(control);
  if (GTK_IS_ENTRY(widget)) {
    return gtk_entry_get_text(GTK_ENTRY(widget));
  }
  if (GTK_IS_LABEL(widget)) {
    return gtk_label_get_text(GTK_LABEL(widget));
  }
  return {};
}

void GtkForm::WriteText(ControlId control, std::string_view text) {
  GtkWidget* widget = Control(control);
  std::string valid = ValidUtf8(text);
  if (GTK_IS_LABEL(widget)) {
    gtk_label_set_text(GTK_LABEL(widget), valid.c_str());
    return;
  }
  if (!GTK_IS_ENTRY(widget) || ReadText(control) == valid) {
    return;
  }
  // gtk_entry_set_text takes the old text out and puts the new one in, and some GTK versions
  // emit "changed" for each step, the first time with the box empty. The handler is held back
  // for the write and raised once after it, with the whole new text.
  gulong handler = changed_handlers_[Index(control)];
  if (handler != 0) {
    g_signal_handler_block(widget, handler);
  }
  gtk_entry_set_text(GTK_ENTRY(widget), valid.c_str());
  if (handler != 0) {
    g_signal_handler_unblock(widget, handler);
    CancelPendingChange(control);
    RaiseChange(control);
  }
}

void GtkForm::SetMark(ControlId control, Mark mark) {
  GtkWidget* widget = Control(control);
  if (widget == nullptr) {
    return;
  }
  GtkStyleContext* style = gtk_widget_get_style_context(widget);
  auto set = [style](const char* name, bool on) {
    if (on) {
      gtk_style_context_add_class(style, name);
    } else {
      gtk_style_context_remove_class(style, name);
    }
  };
  set(kRejectedClass, mark == Mark::kRejected);
  set(kStaleClass, mark == Mark::kStale);
}

void GtkForm::SetToolTip(ControlId control, std::string_view text) {
  GtkWidget* widget = Control(control);
  if (widget == nullptr) {
    return;
  }
  std::string valid = ValidUtf8(text);
  gtk_widget_set_tooltip_text(widget, valid.empty() ? nullptr : valid.c_str());
}

void GtkForm::RaiseChange(ControlId control) {
  Handler handler = definition_[control].on_change;
  if (handler == nullptr || in_change_) {
    return;
  }
  in_change_ = true;
  handler(*this);
  in_change_ = false;
}

// Typing over a selection takes the selected text out and puts the typed text in, and GTK emits
// "changed" for each step, the first time with the box empty or half-done. The change is raised
// once, as soon as GTK has finished with the key (or paste, or cut) that caused it: before the
// next event and before the window is drawn again.
void GtkForm::OnChanged(GtkEditable* editable, gpointer user_data) {
  auto* form = static_cast<GtkForm*>(user_data);
  auto found = std::find(form->controls_.begin(), form->controls_.end(), GTK_WIDGET(editable));
  if (found == form->controls_.end()) {
    return;
  }
  PendingChange& pending =
      form->pending_[static_cast<std::size_t>(found - form->controls_.begin())];
  if (pending.source == 0) {
    pending.source = g_idle_add_full(G_PRIORITY_HIGH, OnChangeSettled, &pending, nullptr);
  }
}

gboolean GtkForm::OnChangeSettled(gpointer data) {
  auto* pending = static_cast<PendingChange*>(data);
  pending->source = 0;
  pending->form->RaiseChange(pending->control);
  return G_SOURCE_REMOVE;
}

void GtkForm::CancelPendingChange(ControlId control) {
  PendingChange& pending = pending_[Index(control)];
  if (pending.source != 0) {
    g_source_remove(pending.source);
    pending.source = 0;
  }
}

void GtkForm::OnDestroy(GtkWidget*, gpointer user_data) {
  auto* form = static_cast<GtkForm*>(user_data);
  form->window_ = nullptr;
  form->fixed_ = nullptr;
  form->controls_.fill(nullptr);
  form->changed_handlers_.fill(0);
  for (std::size_t i = 0; i < form->pending_.size(); ++i) {
    form->CancelPendingChange(static_cast<ControlId>(i));
  }
}

// The window manager learns of the missing maximize box through the Motif hints, which are
// set on the realized window before it maps. They are spelled out rather than written as "all
// but these", which some window managers read as all.
void GtkForm::OnRealize(GtkWidget* widget, gpointer) {
  GdkWindow* window = gtk_widget_get_window(widget);
  gdk_window_set_functions(
      window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
  gdk_window_set_decorations(
      window, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU |
                                           GDK_DECOR_MINIMIZE));
}

// The table's tab order, not GTK's order by position. Only the Tab directions are taken over:
// arrow keys keep moving the cursor, as they do in any entry.
gboolean GtkForm::OnFocus(GtkWidget* fixed, GtkDirectionType direction, gpointer user_data) {
  if (direction != GTK_DIR_TAB_FORWARD && direction != GTK_DIR_TAB_BACKWARD) {
    return FALSE;
  }
  // Keeps GtkContainer's own tab handling from running after this one.
  g_signal_stop_emission_by_name(fixed, "focus");
  return static_cast<GtkForm*>(user_data)->MoveFocus(direction) ? TRUE : FALSE;
}

bool GtkForm::MoveFocus(GtkDirectionType direction) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < definition_.controls.size(); ++i) {
    if (definition_.controls[i].kind == ControlKind::kTextBox) {
      order.push_back(i);
    }
  }
  std::sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
    return definition_.controls[a].tab_index < definition_.controls[b].tab_index;
  });
  auto count = static_cast<std::ptrdiff_t>(order.size());
  std::ptrdiff_t step = direction == GTK_DIR_TAB_FORWARD ? 1 : -1;
  std::ptrdiff_t at = step > 0 ? -1 : count;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    if (gtk_widget_is_focus(controls_[order[static_cast<std::size_t>(i)]])) {
      at = i;
    }
  }
  // Past the last box, the window takes the focus round to the first again.
  for (at += step; at >= 0 && at < count; at += step) {
    if (gtk_widget_child_focus(controls_[order[static_cast<std::size_t>(at)]], direction)) {
      return true;
    }
  }
  return false;
}

int Run(const FormDefinition& definition, std::string_view program_id,
        std::span<const std::uint8_t> icon_file) {
  // Wayland names the window by the program's name and X11 by its name and class.
  std::string id(program_id);
  std::string caption = ValidUtf8(definition.caption);
  g_set_prgname(id.c_str());
  g_set_application_name(caption.c_str());
  PreferStackingBackend();
  if (!gtk_init_check(nullptr, nullptr)) {
    std::fputs("Sonabrix needs a graphical desktop, and none could be reached.\n", stderr);
    return EXIT_FAILURE;
  }
  // GTK sets the class from the program's name while it starts.
  gdk_set_program_class(caption.c_str());
  GtkForm form(definition);
  form.SetIcon(icon_file);
  g_signal_connect(form.Window(), "destroy",
                   G_CALLBACK(+[](GtkWidget*, gpointer) { gtk_main_quit(); }), nullptr);
  form.Load();
  gtk_main();
  return EXIT_SUCCESS;
}

}  // namespace sonabrix::forms
