// Form1 as the Win32 forms layer makes it: a real window on a real desktop, keys typed through
// SendInput and the form's own message handling, under wine64 in a prefix of a known DPI.

#include "window/win32/forms_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "window/form1.h"
#include "window/module1.h"
#include "window/win32/module1_win32.h"

namespace sonabrix::forms::win32 {
namespace {

constexpr std::size_t kControls = 5;

struct Layout {
  UINT dpi;
  SIZE client;
  std::array<RECT, kControls> controls;  // Text1, Text2, Label1, Label2, Label3
  LONG font_height;
};

// Each measure rounded on its own, halves up; labels end where the box below them begins.
constexpr Layout kLayouts[] = {
    {96,
     {223, 59},
     {{{8, 24, 89, 53}, {120, 24, 217, 53}, {96, 24, 113, 49}, {24, 0, 73, 24}, {144, 0, 193, 24}}},
     -19},
    {144,
     {335, 89},
     {{{12, 36, 134, 80},
       {180, 36, 326, 80},
       {144, 36, 170, 74},
       {36, 0, 110, 36},
       {216, 0, 290, 36}}},
     -29},
};

const Layout* LayoutFor(UINT dpi) {
  for (const Layout& layout : kLayouts) {
    if (layout.dpi == dpi)
      return &layout;
  }
  return nullptr;
}

struct SetWindowPosCall {
  HWND window, insert_after;
  int x, y, width, height;
  UINT flags;
  bool visible;
};
std::vector<SetWindowPosCall> set_window_pos_calls;

BOOL WINAPI RecordSetWindowPos(HWND window, HWND insert_after, int x, int y, int width, int height,
                               UINT flags) {
  set_window_pos_calls.push_back(
      {window, insert_after, x, y, width, height, flags, IsWindowVisible(window) != FALSE});
  return SetWindowPos(window, insert_after, x, y, width, height, flags);
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring Wide(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

class Form1Window : public ::testing::Test {
 protected:
  void SetUp() override {
    set_window_pos_calls.clear();
    ::sonabrix::win32::ReplaceSetWindowPos(RecordSetWindowPos);
    form_ = LoadForm(Form1, GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    ASSERT_NE(form_, nullptr);
    // Keys go to the active window: wait until the window manager has given it the focus.
    ASSERT_TRUE(
        PumpUntil([&] { return GetForegroundWindow() == form_ && GetFocus() != nullptr; }, 10000))
        << "the window never became active";
  }

  void TearDown() override {
    if (form_ != nullptr)
      DestroyWindow(form_);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    ::sonabrix::win32::ReplaceSetWindowPos(nullptr);
  }

  HWND Control(ControlId id) const { return ControlWindow(form_, id); }
  std::wstring Text(ControlId id) const { return TextOf(Control(id)); }

  // Messages go through the form's own handling, as in the program's loop, until `done` holds
  // or the time is up.
  template <typename Condition>
  bool PumpUntil(Condition done, DWORD milliseconds = 2000) {
    DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > milliseconds)
        return false;
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchFormMessage(form_, message);
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
  }

  // SendInput queues its keys before it returns; they and what they cause (WM_CHAR, EN_CHANGE,
  // focus moves) are done once the queue has stayed empty for a while.
  void Settle() {
    DWORD idle_since = GetTickCount();
    PumpUntil([&] {
      if (GetQueueStatus(QS_ALLINPUT) != 0)
        idle_since = GetTickCount();
      return GetTickCount() - idle_since > 50;
    });
  }

  // Presses the keys together, in order, and lets go of them in reverse.
  void Press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
      INPUT input = {};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      inputs.push_back(input);
    }
    for (auto key = keys.end(); key != keys.begin();) {
      INPUT input = {};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = *--key;
      input.ki.dwFlags = KEYEVENTF_KEYUP;
      inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Settle();
  }

  // Each character a key of its own, capitals with Shift; an empty text only clears the box.
  void Retype(std::string_view text) {
    Press({VK_CONTROL, 'A'});
    Press({VK_DELETE});
    for (char c : text) {
      if (c >= 'A' && c <= 'Z') {
        Press({VK_SHIFT, static_cast<WORD>(c)});
      } else {
        Press({static_cast<WORD>(c)});
      }
    }
  }

  // The colour the form gives an edit box's text, as the box asks for it when painting.
  COLORREF TextColorOf(ControlId id) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(form_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Control(id)));
    COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    return color;
  }

  std::wstring ToolTipOf(ControlId id) {
    HWND tooltip = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
          if (ClassOf(window) != TOOLTIPS_CLASSW)
            return TRUE;
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&tooltip));
    if (tooltip == nullptr)
      return L"(no tooltip window)";
    wchar_t text[256] = {};
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = form_;
    tool.uId = reinterpret_cast<UINT_PTR>(Control(id));
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return text;
  }

  RECT ClientRectOf(ControlId id) const {
    RECT rect;
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  HWND form_ = nullptr;
};

void ExpectLayout(const Layout& layout, const std::array<RECT, kControls>& controls,
                  const std::array<LOGFONTW, kControls>& fonts) {
  for (std::size_t i = 0; i < kControls; ++i) {
    SCOPED_TRACE(std::string(Form1.controls[i].name));
    const RECT& want = layout.controls[i];
    const RECT& got = controls[i];
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
    EXPECT_EQ(fonts[i].lfHeight, layout.font_height);
  }
}

TEST_F(Form1Window, MeasuresInPixelsAtTheWindowsDpi) {
  UINT dpi = GetDpiForWindow(form_);
  if (const char* expected = std::getenv("SONABRIX_EXPECTED_DPI")) {
    ASSERT_EQ(dpi, static_cast<UINT>(std::atoi(expected))) << "the prefix's LogPixels";
  }
  const Layout* layout = LayoutFor(dpi);
  ASSERT_NE(layout, nullptr) << "no expected layout at " << dpi << " DPI";

  RECT client;
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, layout->client.cx);
  EXPECT_EQ(client.bottom, layout->client.cy);

  // Where it was stored, 60 and 345 twips, unless that puts the caption above the screen: then
  // it comes down just far enough, only its outer border beyond the edge.
  POINT origin = {0, 0};
  ClientToScreen(form_, &origin);
  RECT frame;
  GetWindowRect(form_, &frame);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int stored_left = TwipsToPixels(60, static_cast<int>(dpi));
  int stored_top = TwipsToPixels(345, static_cast<int>(dpi));
  int border = origin.x - frame.left;
  int above_client = origin.y - frame.top;
  EXPECT_EQ(origin.x, stored_left);
  if (stored_top - above_client >= work.top - border) {
    EXPECT_EQ(origin.y, stored_top);
  } else {
    EXPECT_EQ(frame.top, work.top - border);
  }

  std::array<RECT, kControls> controls;
  std::array<LOGFONTW, kControls> fonts;
  for (std::size_t i = 0; i < kControls; ++i) {
    auto id = static_cast<ControlId>(i);
    controls[i] = ClientRectOf(id);
    auto font = reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    GetObjectW(font, sizeof fonts[i], &fonts[i]);
  }
  ExpectLayout(*layout, controls, fonts);
}

// Windows 8.0 and older, and Wine, send no WM_DPICHANGED of their own: the message is sent here
// as Windows sends it when the window moves to a monitor of another DPI.
TEST_F(Form1Window, LaysItselfOutAfreshOnADpiChange) {
  UINT dpi = GetDpiForWindow(form_);
  for (const Layout& layout : kLayouts) {
    SCOPED_TRACE(layout.dpi);
    RECT suggested;
    GetWindowRect(form_, &suggested);
    SendMessageW(form_, WM_DPICHANGED, MAKEWPARAM(layout.dpi, layout.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    std::array<RECT, kControls> controls;
    std::array<LOGFONTW, kControls> fonts;
    for (std::size_t i = 0; i < kControls; ++i) {
      auto id = static_cast<ControlId>(i);
      controls[i] = ClientRectOf(id);
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(id), WM_GETFONT, 0, 0)),
                 sizeof fonts[i], &fonts[i]);
    }
    ExpectLayout(layout, controls, fonts);
    RECT frame;
    GetWindowRect(form_, &frame);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    // The client area is the table's at the new DPI only where the frame's metrics are
    // the ones of the DPI that the system runs at.
    if (layout.dpi == dpi) {
      RECT client;
      GetClientRect(form_, &client);
      EXPECT_EQ(client.right, layout.client.cx);
      EXPECT_EQ(client.bottom, layout.client.cy);
    }
  }
}

TEST_F(Form1Window, EveryControlHasTheFormsFont) {
  HDC dc = GetDC(form_);
  for (std::size_t i = 0; i < kControls; ++i) {
    SCOPED_TRACE(std::string(Form1.controls[i].name));
    auto font =
        reinterpret_cast<HFONT>(SendMessageW(Control(static_cast<ControlId>(i)), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW asked;
    GetObjectW(font, sizeof asked, &asked);
    EXPECT_STREQ(asked.lfFaceName, L"Tahoma");
    EXPECT_EQ(asked.lfWeight, 400);
    EXPECT_FALSE(asked.lfItalic);
    EXPECT_FALSE(asked.lfUnderline);
    EXPECT_FALSE(asked.lfStrikeOut);
    EXPECT_EQ(asked.lfCharSet, 0);
    // What GDI made of it: Tahoma itself, not a substitute.
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    EXPECT_STREQ(face, L"Tahoma");
    EXPECT_EQ(metrics.tmWeight, 400);
    EXPECT_EQ(metrics.tmCharSet, 0);
  }
  ReleaseDC(form_, dc);
}

TEST_F(Form1Window, HasItsCaptionStylesAndIcons) {
  EXPECT_EQ(TextOf(form_), L"Sonabrix");
  auto style = static_cast<DWORD>(GetWindowLongPtrW(form_, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the border is fixed";
  EXPECT_NE(SendMessageW(form_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(form_, WM_GETICON, ICON_SMALL, 0), 0);
}

TEST_F(Form1Window, StartsWithItsTextsAndTheInputSelected) {
  for (std::size_t i = 0; i < kControls; ++i) {
    EXPECT_EQ(Text(static_cast<ControlId>(i)), Wide(Form1.controls[i].text));
  }
  EXPECT_EQ(GetFocus(), Control(ControlId::Text1));
  DWORD start = 0, end = 0;
  SendMessageW(Control(ControlId::Text1), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);
  Press({'7'});
  EXPECT_EQ(Text(ControlId::Text1), L"7") << "the first key replaces the initial text";
}

TEST_F(Form1Window, TabAndShiftTabMoveBetweenTheBoxes) {
  HWND text1 = Control(ControlId::Text1);
  HWND text2 = Control(ControlId::Text2);
  Press({VK_TAB});
  EXPECT_EQ(GetFocus(), text2);
  Press({VK_TAB});
  EXPECT_EQ(GetFocus(), text1);
  Press({VK_SHIFT, VK_TAB});
  EXPECT_EQ(GetFocus(), text2);
  Press({VK_SHIFT, VK_TAB});
  EXPECT_EQ(GetFocus(), text1);
}

// Screen readers name an edit box after the label just before it among its siblings.
TEST_F(Form1Window, EachBoxFollowsTheLabelThatNamesIt) {
  for (auto [box, caption] : {std::pair{ControlId::Text1, L"Hex"}, {ControlId::Text2, L"Note"}}) {
    HWND before = GetWindow(Control(box), GW_HWNDPREV);
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(ClassOf(before), L"Static");
    EXPECT_EQ(TextOf(before), caption);
  }
}

TEST_F(Form1Window, TypingConvertsOnEveryChange) {
  Press({'3'});
  EXPECT_EQ(Text(ControlId::Text2), L"1D#");
  Press({VK_SHIFT, 'C'});
  EXPECT_EQ(Text(ControlId::Text1), L"3C");
  EXPECT_EQ(Text(ControlId::Text2), L"6C");
  EXPECT_EQ(ToolTipOf(ControlId::Text2), L"60 = C4, 261.63 Hz");
}

TEST_F(Form1Window, FailuresMarkTheBoxesAndKeepTheLabel) {
  const COLORREF normal = GetSysColor(COLOR_WINDOWTEXT);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const COLORREF red = RGB(192, 0, 0);
  struct Case {
    std::string_view typed;
    COLORREF text1, text2;
    std::wstring label;
    std::string_view text1_tip;
  };
  // Typed key by key, in this order: where the whole text fails, Text2 keeps the label of the
  // text one key shorter, or of the case before.
  const Case cases[] = {
      {"3D", normal, normal, L"6C#", kInputHint},
      {"3G", red, grey, L"1D#", kNotANoteNumberReason},
      {"5FFF4", red, grey, L"2048B", kTooLargeReason},
      {"", normal, grey, L"2048B", kInputHint},
      {"5FFF3", normal, normal, L"32767B", kInputHint},
      {"7F", normal, normal, L"11G", kInputHint},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.typed));
    Retype(c.typed);
    EXPECT_EQ(Text(ControlId::Text1), Wide(c.typed));
    EXPECT_EQ(TextColorOf(ControlId::Text1), c.text1);
    EXPECT_EQ(TextColorOf(ControlId::Text2), c.text2);
    EXPECT_EQ(Text(ControlId::Text2), c.label);
    EXPECT_EQ(ToolTipOf(ControlId::Text1), Wide(c.text1_tip));
  }
}

TEST_F(Form1Window, TheReasonShowsWhenThePointerRestsOnTheInput) {
  Retype("3G");
  RECT box;
  GetWindowRect(Control(ControlId::Text1), &box);
  POINT middle = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  SetCursorPos(middle.x, middle.y);
  Settle();
  SetCursorPos(middle.x + 2, middle.y + 1);
  HWND tip = nullptr;
  ASSERT_TRUE(PumpUntil(
      [&] {
        tip = FindWindowW(TOOLTIPS_CLASSW, nullptr);
        return tip != nullptr && IsWindowVisible(tip);
      },
      3000))
      << "no tip came up";
  EXPECT_EQ(TextOf(tip), Wide(kNotANoteNumberReason));
}

TEST_F(Form1Window, TypingIntoTheOutputChangesNothingElse) {
  Press({VK_TAB});
  Press({'X'});
  EXPECT_EQ(Text(ControlId::Text2), L"x") << "the first key replaces the selected text";
  Press({VK_CONTROL, 'A'});
  Press({'4', '2'});
  EXPECT_EQ(Text(ControlId::Text2), L"42");
  EXPECT_EQ(Text(ControlId::Text1), L"Hex");
  EXPECT_EQ(TextColorOf(ControlId::Text1), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(TextColorOf(ControlId::Text2), GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(Form1Window, LoadPutsTheWindowOnTopBeforeItShows) {
  ASSERT_EQ(set_window_pos_calls.size(), 1u);
  const SetWindowPosCall& call = set_window_pos_calls[0];
  EXPECT_EQ(call.window, form_);
  EXPECT_EQ(call.insert_after, HWND_TOPMOST);
  EXPECT_EQ(call.x, 0);
  EXPECT_EQ(call.y, 0);
  EXPECT_EQ(call.width, 0);
  EXPECT_EQ(call.height, 0);
  EXPECT_EQ(call.flags, static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE));
  EXPECT_FALSE(call.visible);
  EXPECT_TRUE(GetWindowLongPtrW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Form1Window, SetAlwaysOnTopMakesOneCallAndKeepsTheRectangle) {
  RECT before;
  GetWindowRect(form_, &before);
  for (bool on_top : {false, false, true, true, false}) {
    SCOPED_TRACE(on_top);
    set_window_pos_calls.clear();
    SetAlwaysOnTop(form_, on_top);
    Settle();
    ASSERT_EQ(set_window_pos_calls.size(), 1u);
    const SetWindowPosCall& call = set_window_pos_calls[0];
    EXPECT_EQ(call.window, form_);
    EXPECT_EQ(call.insert_after, on_top ? HWND_TOPMOST : HWND_NOTOPMOST);
    EXPECT_EQ(call.x | call.y | call.width | call.height, 0);
    EXPECT_EQ(call.flags, static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ((GetWindowLongPtrW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, on_top);
    RECT after;
    GetWindowRect(form_, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
  }
}

TEST_F(Form1Window, ClosingEndsTheLoopWithExitCodeZero) {
  PostMessageW(form_, WM_CLOSE, 0, 0);
  int exit_code = RunMessageLoop(form_);
  EXPECT_EQ(exit_code, 0);
  EXPECT_FALSE(IsWindow(form_));
  form_ = nullptr;
}

}  // namespace
}  // namespace sonabrix::forms::win32
