// Form1 on GTK 3: a real window on a real X display with a window manager, real key events, the
// real handlers. Run by with-desktop.sh.

#include "window/gtk/forms_gtk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdint>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/window/gtk/x_desktop.h"
#include "window/form1.h"
#include "window/module1.h"

namespace sonabrix::forms {
namespace {

// Dispatches GTK's events until `done` holds, for at most five seconds.
bool WaitFor(const std::function<bool()>& done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    while (gtk_events_pending()) {
      gtk_main_iteration();
    }
    g_usleep(2000);
  }
  return true;
}

// Lets everything already on its way arrive, for effects that have no state to wait for.
void Settle() {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
  WaitFor([&] { return std::chrono::steady_clock::now() > until; });
}

// The changes Text1 raised, counted on the way to the real handler.
int text1_changes = 0;
void CountedText1Change(Form& form) {
  ++text1_changes;
  Text1_Change(form);
}
// And whether the window was already on the screen when Load ran.
int loads = 0;
bool visible_at_load = false;
void CountedLoad(Form& form) {
  ++loads;
  visible_at_load = gtk_widget_get_visible(GTK_WIDGET(form.WindowHandle()));
  Form1_Load(form);
}
constexpr FormDefinition CountedForm1 = [] {
  FormDefinition definition = Form1;
  definition.on_load = CountedLoad;
  definition.controls[static_cast<std::size_t>(ControlId::Text1)].on_change = CountedText1Change;
  return definition;
}();

std::vector<std::uint8_t> ReadIconFile() {
  std::ifstream file(SONABRIX_ICON_ICO, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class Form1OnGtk : public testing::Test {
 protected:
  void SetUp() override {
    text1_changes = 0;
    loads = 0;
    visible_at_load = true;
    form_ = std::make_unique<GtkForm>(CountedForm1);
    form_->Load();
    ASSERT_TRUE(WaitFor([&] { return gtk_window_is_active(form_->Window()); }))
        << "the window did not get the focus";
  }

  GtkWidget* Control(ControlId id) const { return form_->Control(id); }
  GtkEntry* Entry(ControlId id) const { return GTK_ENTRY(Control(id)); }

  // Keys pressed through the X server's test extension, as a keyboard presses them; the window
  // manager has given the window the X focus, so they reach it by the usual route.
  void Press(guint keyval, std::initializer_list<guint> modifiers = {}) {
    PressKey(keyval, modifiers);
    Settle();
  }
  // Digits and capital letters.
  void Type(std::string_view keys) {
    for (char key : keys) {
      if (g_ascii_isupper(key)) {
        Press(static_cast<guint>(g_ascii_tolower(key)), {GDK_KEY_Shift_L});
      } else {
        Press(static_cast<guint>(key));
      }
    }
  }
  void Clear() {
    Press(GDK_KEY_a, {GDK_KEY_Control_L});
    Press(GDK_KEY_BackSpace);
  }

  bool HasClass(ControlId id, const char* name) const {
    return gtk_style_context_has_class(gtk_widget_get_style_context(Control(id)), name);
  }
  std::string ToolTip(ControlId id) const {
    g_autofree gchar* tip = gtk_widget_get_tooltip_text(Control(id));
    return tip != nullptr ? tip : "";
  }

  std::unique_ptr<GtkForm> form_;
};

TEST_F(Form1OnGtk, PlacesEveryControlWhereTheTableSays) {
  int dpi = LayoutDpi(gtk_widget_get_screen(GTK_WIDGET(form_->Window())));
  EXPECT_EQ(dpi, 96) << "Xvfb's desktop has no text scale of its own";
  EXPECT_EQ(gtk_widget_get_scale_factor(GTK_WIDGET(form_->Window())), 1);
  for (std::size_t i = 0; i < Form1.controls.size(); ++i) {
    const ControlDefinition& control = Form1.controls[i];
    GtkAllocation allocation;
    gtk_widget_get_allocation(form_->Control(static_cast<ControlId>(i)), &allocation);
    EXPECT_EQ(allocation.x, TwipsToPixels(control.left, dpi)) << control.name;
    EXPECT_EQ(allocation.y, TwipsToPixels(control.top, dpi)) << control.name;
    EXPECT_EQ(allocation.width, TwipsToPixels(control.width, dpi)) << control.name;
    EXPECT_EQ(allocation.height, TwipsToPixels(control.height, dpi)) << control.name;
  }
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form_->Window()));
  EXPECT_EQ(gdk_window_get_width(window), 223);
  EXPECT_EQ(gdk_window_get_height(window), 59);
  EXPECT_FALSE(gtk_window_get_resizable(form_->Window()));
}

// Whatever face the system gives for the definition's, the widest texts the boxes take must fit
// inside them, and the labels inside their own boxes, which their allocations above show.
TEST_F(Form1OnGtk, UsesTheDefinitionsFontAndClipsNothing) {
  for (ControlId id : {ControlId::Text1, ControlId::Label1}) {
    PangoFontDescription* font = nullptr;
    GtkStyleContext* style = gtk_widget_get_style_context(Control(id));
    gtk_style_context_get(style, gtk_style_context_get_state(style), GTK_STYLE_PROPERTY_FONT, &font,
                          nullptr);
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ(pango_font_description_get_family(font), "Tahoma,sans-serif");
    EXPECT_EQ(pango_font_description_get_size(font), 1425 * PANGO_SCALE / 100);
    EXPECT_EQ(pango_font_description_get_weight(font), PANGO_WEIGHT_NORMAL);
    EXPECT_EQ(pango_font_description_get_style(font), PANGO_STYLE_NORMAL);

    // The face Pango picks is Tahoma where the system has it, else the sans-serif face.
    PangoContext* context = gtk_widget_get_pango_context(Control(id));
    g_autoptr(PangoFont) loaded = pango_context_load_font(context, font);
    PangoFontDescription* sans = pango_font_description_from_string("sans-serif 14.25");
    g_autoptr(PangoFont) loaded_sans = pango_context_load_font(context, sans);
    PangoFontDescription* tahoma = pango_font_description_from_string("Tahoma 14.25");
    g_autoptr(PangoFont) loaded_tahoma = pango_context_load_font(context, tahoma);
    PangoFontDescription* used = pango_font_describe(loaded);
    PangoFontDescription* used_sans = pango_font_describe(loaded_sans);
    PangoFontDescription* used_tahoma = pango_font_describe(loaded_tahoma);
    std::string family = pango_font_description_get_family(used);
    std::string tahoma_family = pango_font_description_get_family(used_tahoma);
    EXPECT_EQ(family, tahoma_family == "Tahoma"
                          ? "Tahoma"
                          : std::string(pango_font_description_get_family(used_sans)));
    for (PangoFontDescription* description : {font, sans, tahoma, used, used_sans, used_tahoma}) {
      pango_font_description_free(description);
    }
  }

  const struct {
    ControlId box;
    const char* text;
  } widest[] = {{ControlId::Text1, "5FFF3"},
                {ControlId::Text1, "Hex"},
                {ControlId::Text2, "32767A#"},
                {ControlId::Text2, "Note"}};
  for (const auto& c : widest) {
    gtk_entry_set_text(Entry(c.box), c.text);
    Settle();
    GdkRectangle area;
    gtk_entry_get_text_area(Entry(c.box), &area);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(gtk_entry_get_layout(Entry(c.box)), &width, &height);
    EXPECT_LE(width, area.width) << c.text;
    EXPECT_LE(height, area.height) << c.text;
    EXPECT_GE(area.y, 0) << c.text;
  }
}

TEST_F(Form1OnGtk, ShowsTheCaptionsAndInitialTexts) {
  EXPECT_STREQ(gtk_window_get_title(form_->Window()), "Sonabrix");
  for (std::size_t i = 0; i < Form1.controls.size(); ++i) {
    EXPECT_EQ(form_->ReadText(static_cast<ControlId>(i)), Form1.controls[i].text)
        << Form1.controls[i].name;
  }
  EXPECT_TRUE(GTK_IS_ENTRY(Control(ControlId::Text2)));
  EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(Control(ControlId::Text2))));
  EXPECT_EQ(text1_changes, 0) << "no conversion runs for the initial texts";
  EXPECT_EQ(loads, 1);
  EXPECT_FALSE(visible_at_load) << "Load runs before the window shows";
}

TEST_F(Form1OnGtk, CarriesEveryIconSize) {
  std::vector<std::uint8_t> icon = ReadIconFile();
  ASSERT_FALSE(icon.empty()) << SONABRIX_ICON_ICO;
  form_->SetIcon(icon);
  GList* icons = gtk_window_get_icon_list(form_->Window());
  std::vector<int> sizes;
  for (GList* item = icons; item != nullptr; item = item->next) {
    GdkPixbuf* pixbuf = GDK_PIXBUF(item->data);
    EXPECT_EQ(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf));
    sizes.push_back(gdk_pixbuf_get_width(pixbuf));
  }
  g_list_free(icons);
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 64, 128}));

  // A file that is no icon leaves the window as it was, without a warning or a crash.
  const std::uint8_t not_an_icon[] = {'P', 'K', 3, 4};
  form_->SetIcon(not_an_icon);
}

TEST_F(Form1OnGtk, StartsInText1WithItsTextSelectedAndTabsInTableOrder) {
  EXPECT_TRUE(gtk_widget_has_focus(Control(ControlId::Text1)));
  int start = 0;
  int end = 0;
  ASSERT_TRUE(
      gtk_editable_get_selection_bounds(GTK_EDITABLE(Control(ControlId::Text1)), &start, &end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 3);

  Press(GDK_KEY_Tab);
  EXPECT_TRUE(gtk_widget_has_focus(Control(ControlId::Text2)));
  Press(GDK_KEY_Tab);
  EXPECT_TRUE(gtk_widget_has_focus(Control(ControlId::Text1))) << "Tab goes round";
  Press(GDK_KEY_Tab, {GDK_KEY_Shift_L});
  EXPECT_TRUE(gtk_widget_has_focus(Control(ControlId::Text2)));
  Press(GDK_KEY_Tab, {GDK_KEY_Shift_L});
  EXPECT_TRUE(gtk_widget_has_focus(Control(ControlId::Text1)));
  for (ControlId label : {ControlId::Label1, ControlId::Label2, ControlId::Label3}) {
    EXPECT_FALSE(gtk_widget_get_can_focus(Control(label)));
  }
}

TEST_F(Form1OnGtk, CtrlASelectsAll) {
  Type("3C");
  int start = 0;
  int end = 0;
  EXPECT_FALSE(
      gtk_editable_get_selection_bounds(GTK_EDITABLE(Control(ControlId::Text1)), &start, &end));
  Press(GDK_KEY_a, {GDK_KEY_Control_L});
  ASSERT_TRUE(
      gtk_editable_get_selection_bounds(GTK_EDITABLE(Control(ControlId::Text1)), &start, &end));
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 2);
}

TEST_F(Form1OnGtk, EveryKeyIntoText1ConvertsOnce) {
  Type("3");  // types over the selected "Hex"
  EXPECT_EQ(form_->ReadText(ControlId::Text1), "3");
  EXPECT_EQ(text1_changes, 1);
  Type("C");
  EXPECT_EQ(text1_changes, 2);
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "6C");
  EXPECT_EQ(ToolTip(ControlId::Text2), "60 = C4, 261.63 Hz");

  Press(GDK_KEY_BackSpace);
  EXPECT_EQ(text1_changes, 3);
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "1D#");

  // Typing into Text2 starts nothing.
  Press(GDK_KEY_Tab);
  Type("9");
  EXPECT_EQ(text1_changes, 3);
}

// gtk_entry_set_text may emit "changed" for taking the old text out as well as for putting the
// new one in; the handler must run once, and see the new text.
TEST_F(Form1OnGtk, AWrittenText1ConvertsOnce) {
  form_->WriteText(ControlId::Text1, "3D");
  EXPECT_EQ(text1_changes, 1);
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "6C#");
  form_->WriteText(ControlId::Text1, "3D");
  EXPECT_EQ(text1_changes, 1) << "writing the same text is no change";
  form_->WriteText(ControlId::Text2, "X");
  EXPECT_EQ(text1_changes, 1);
}

TEST_F(Form1OnGtk, MarksFailuresInRedAndGreyAndClearsThem) {
  Type("3D");
  GdkRGBA normal;
  GtkStyleContext* text2_style = gtk_widget_get_style_context(Control(ControlId::Text2));
  gtk_style_context_get_color(text2_style, gtk_style_context_get_state(text2_style), &normal);

  // Text2 keeps the last label that converted: typing 5FFF4 converts 5FFF on the way.
  const struct {
    const char* input;
    const char* kept;
    std::string_view text1_tip;
  } cases[] = {
      {"G", "6C#", kNotANoteNumberReason},
      {"5FFF4", "2048B", kTooLargeReason},
  };
  for (const auto& c : cases) {
    Clear();
    Type("3D");
    Clear();
    Type(c.input);
    EXPECT_EQ(form_->ReadText(ControlId::Text2), c.kept) << c.input;
    EXPECT_TRUE(HasClass(ControlId::Text1, "rejected")) << c.input;
    EXPECT_TRUE(HasClass(ControlId::Text2, "stale")) << c.input;
    EXPECT_EQ(ToolTip(ControlId::Text1), c.text1_tip) << c.input;

    // The theme fades colours in, so the test waits for them to arrive.
    GtkStyleContext* text1_style = gtk_widget_get_style_context(Control(ControlId::Text1));
    GdkRGBA red;
    EXPECT_TRUE(WaitFor([&] {
      gtk_style_context_get_color(text1_style, gtk_style_context_get_state(text1_style), &red);
      return red.red > 0.75 && red.green < 0.1 && red.blue < 0.1;
    })) << c.input
        << ": " << red.red << ", " << red.green << ", " << red.blue;
    GdkRGBA grey;
    EXPECT_TRUE(WaitFor([&] {
      gtk_style_context_get_color(text2_style, gtk_style_context_get_state(text2_style), &grey);
      return grey.alpha < 0.6 * normal.alpha;
    })) << c.input
        << ": alpha " << grey.alpha;
  }

  Clear();
  Type("7F");
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "11G");
  EXPECT_FALSE(HasClass(ControlId::Text1, "rejected"));
  EXPECT_FALSE(HasClass(ControlId::Text2, "stale"));
  EXPECT_EQ(ToolTip(ControlId::Text1), kInputHint);
}

// GTK sets the process locale from the environment when it starts; the comma_locale test runs
// this with de_DE.UTF-8, whose decimal separator is ",".
TEST_F(Form1OnGtk, ConvertsAlikeUnderACommaLocale) {
  if (*std::localeconv()->decimal_point != ',') {
    GTEST_SKIP() << "the locale's decimal separator is not \",\"";
  }
  Type("3D");
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "6C#");
  EXPECT_EQ(ToolTip(ControlId::Text2), "61 = C#4, 277.18 Hz");
  Clear();
  Type("7F");
  EXPECT_EQ(form_->ReadText(ControlId::Text2), "11G");
}

TEST_F(Form1OnGtk, NamesTheTextBoxesForScreenReaders) {
  const struct {
    ControlId box;
    ControlId label;
    const char* name;
  } cases[] = {{ControlId::Text1, ControlId::Label2, "Hex"},
               {ControlId::Text2, ControlId::Label3, "Note"}};
  for (const auto& c : cases) {
    AtkObject* box = gtk_widget_get_accessible(Control(c.box));
    AtkObject* label = gtk_widget_get_accessible(Control(c.label));
    EXPECT_STREQ(atk_object_get_name(box), c.name);
    g_autoptr(AtkRelationSet) relations = atk_object_ref_relation_set(box);
    AtkRelation* labelled_by =
        atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY);
    ASSERT_NE(labelled_by, nullptr) << c.name;
    GPtrArray* targets = atk_relation_get_target(labelled_by);
    ASSERT_EQ(targets->len, 1u) << c.name;
    EXPECT_EQ(g_ptr_array_index(targets, 0), label) << c.name;
  }
  g_autoptr(AtkRelationSet) equals =
      atk_object_ref_relation_set(gtk_widget_get_accessible(Control(ControlId::Label1)));
  EXPECT_FALSE(atk_relation_set_contains(equals, ATK_RELATION_LABEL_FOR));
}

// The window manager's state is what keeps the window above; position and size must stay.
TEST_F(Form1OnGtk, SetAlwaysOnTopAddsAndRemovesTheAboveState) {
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(form_->Window()));
  ASSERT_TRUE(WaitFor([&] { return HasAboveState(window); })) << "Load made the window topmost";
  int x = 0;
  int y = 0;
  gdk_window_get_origin(window, &x, &y);

  for (bool on_top : {false, false, true, true, false}) {
    SetAlwaysOnTop(form_->WindowHandle(), on_top);
    EXPECT_TRUE(WaitFor([&] { return HasAboveState(window) == on_top; })) << on_top;
    Settle();
    int now_x = 0;
    int now_y = 0;
    gdk_window_get_origin(window, &now_x, &now_y);
    EXPECT_EQ(now_x, x) << on_top;
    EXPECT_EQ(now_y, y) << on_top;
    EXPECT_EQ(gdk_window_get_width(window), 223) << on_top;
    EXPECT_EQ(gdk_window_get_height(window), 59) << on_top;
  }
  SetAlwaysOnTop(nullptr, true);  // no window: nothing happens
}

// A wider text scale (the desktop's font resolution) scales the whole layout with the text.
TEST(Form1OnGtkScaled, FollowsTheDesktopsTextScale) {
  GtkSettings* settings = gtk_settings_get_default();
  gint original = 0;
  g_object_get(settings, "gtk-xft-dpi", &original, nullptr);
  g_object_set(settings, "gtk-xft-dpi", 144 * 1024, nullptr);
  {
    GtkForm form(Form1);
    form.Load();
    ASSERT_TRUE(WaitFor([&] { return gtk_widget_get_mapped(GTK_WIDGET(form.Window())); }));
    Settle();
    EXPECT_EQ(LayoutDpi(gtk_widget_get_screen(GTK_WIDGET(form.Window()))), 144);
    for (std::size_t i = 0; i < Form1.controls.size(); ++i) {
      const ControlDefinition& control = Form1.controls[i];
      GtkAllocation allocation;
      gtk_widget_get_allocation(form.Control(static_cast<ControlId>(i)), &allocation);
      EXPECT_EQ(allocation.x, TwipsToPixels(control.left, 144)) << control.name;
      EXPECT_EQ(allocation.y, TwipsToPixels(control.top, 144)) << control.name;
      EXPECT_EQ(allocation.width, TwipsToPixels(control.width, 144)) << control.name;
      EXPECT_EQ(allocation.height, TwipsToPixels(control.height, 144)) << control.name;
    }
  }
  g_object_set(settings, "gtk-xft-dpi", original, nullptr);
}

}  // namespace
}  // namespace sonabrix::forms

int main(int argc, char** argv) {
  // The display comes from with-desktop.sh; no accessibility bus is needed for ATK's objects.
  g_setenv("NO_AT_BRIDGE", "1", TRUE);
  sonabrix::forms::PreferStackingBackend();
  gtk_init(&argc, &argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
