#include "window/win32/forms_win32.h"

#include <commctrl.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace sonabrix::forms::win32 {
namespace {

constexpr std::size_t kControlCount = std::tuple_size_v<decltype(FormDefinition::controls)>;
// Clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape.
constexpr int kFirstControlId = 100;
// The resource number of the program icon's group in the executable.
constexpr int kProgramIcon = 1;
constexpr UINT kDefaultDpi = 96;
// A dark red that still reads as red on the default white of a text box.
constexpr COLORREF kRejectedTextColor = RGB(192, 0, 0);

std::wstring Wide(std::string_view utf8) {
  std::wstring wide;
  if (utf8.empty())
    return wide;
  int size = static_cast<int>(utf8.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  std::string utf8;
  if (wide.empty())
    return utf8;
  int size = static_cast<int>(wide.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  utf8.resize(static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// The per-monitor DPI functions came with Windows 10; bound by name so that the program still
// starts on older systems, where the system DPI is the only one.
template <typename Function>
Function Bind(const char* name) {
  auto generic = reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32"), name));
  return reinterpret_cast<Function>(generic);
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);

// Bound as the program starts, before any window exists. A function-local static would do
// the same on first use, but its thread-safe guard brings a threads library into the exe.
const struct {
  GetDpiForWindowFunction get_dpi_for_window = Bind<GetDpiForWindowFunction>("GetDpiForWindow");
  AdjustWindowRectExForDpiFunction adjust_window_rect_ex_for_dpi =
      Bind<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  GetSystemMetricsForDpiFunction get_system_metrics_for_dpi =
      Bind<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
} dpi_functions;

UINT DpiOf(HWND window) {
  if (dpi_functions.get_dpi_for_window != nullptr)
    return dpi_functions.get_dpi_for_window(window);
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int SystemMetric(int index, UINT dpi) {
  if (dpi_functions.get_system_metrics_for_dpi != nullptr) {
    return dpi_functions.get_system_metrics_for_dpi(index, dpi);
  }
  return GetSystemMetrics(index);
}

// A fixed single border: the window has the one size its definition gives it.
DWORD FormStyle(const FormDefinition& definition) {
  return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
         (definition.maximize_box ? WS_MAXIMIZEBOX : 0);
}

RECT Scaled(const ControlDefinition& control, UINT dpi) {
  int pixels_per_inch = static_cast<int>(dpi);
  int left = TwipsToPixels(control.left, pixels_per_inch);
  int top = TwipsToPixels(control.top, pixels_per_inch);
  return {left, top, left + TwipsToPixels(control.width, pixels_per_inch),
          top + TwipsToPixels(control.height, pixels_per_inch)};
}

// Screen readers name an edit box by the label just before it among its siblings, and the
// dialog manager tabs through the same order skipping labels. So each text box, in tab order,
// follows the label that captions it (the closest one that starts above it and overlaps it
// across), and the other labels come last.
std::array<std::size_t, kControlCount> CreationOrder(const FormDefinition& definition) {
  const auto& controls = definition.controls;
  std::array<std::size_t, kControlCount> order{};
  std::array<bool, kControlCount> placed{};
  std::size_t count = 0;
  auto place = [&](std::size_t index) {
    order[count++] = index;
    placed[index] = true;
  };
  auto next_by_tab_index = [&](ControlKind kind) {
    std::size_t best = kControlCount;
    for (std::size_t i = 0; i < kControlCount; ++i) {
      if (placed[i] || controls[i].kind != kind)
        continue;
      if (best == kControlCount || controls[i].tab_index < controls[best].tab_index)
        best = i;
    }
    return best;
  };
  for (std::size_t box; (box = next_by_tab_index(ControlKind::kTextBox)) != kControlCount;) {
    const ControlDefinition& text_box = controls[box];
    std::size_t caption = kControlCount;
    for (std::size_t i = 0; i < kControlCount; ++i) {
      const ControlDefinition& label = controls[i];
      bool above = label.top < text_box.top;
      bool overlaps =
          label.left < text_box.left + text_box.width && text_box.left < label.left + label.width;
      if (placed[i] || label.kind != ControlKind::kLabel || !above || !overlaps)
        continue;
      if (caption == kControlCount || label.top > controls[caption].top)
        caption = i;
    }
    if (caption != kControlCount)
      place(caption);
    place(box);
  }
  for (std::size_t label; (label = next_by_tab_index(ControlKind::kLabel)) != kControlCount;) {
    place(label);
  }
  return order;
}

class FormWindow final : public Form {
 public:
  explicit FormWindow(const FormDefinition& definition) : definition_(definition) {}
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;
  ~FormWindow() override;

  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  static FormWindow* Of(HWND window);

  std::string ReadText(ControlId control) const override;
  void WriteText(ControlId control, std::string_view text) override;
  void SetMark(ControlId control, Mark mark) override;
  void SetToolTip(ControlId control, std::string_view text) override;
  NativeHandle WindowHandle() const override { return window_; }

  const FormDefinition& definition() const { return definition_; }
  HWND control(ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }
  void StartRaisingEvents() { raising_events_ = true; }

 private:
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  bool OnCreate();
  void OnCommand(int id, HWND control, UINT code);
  HBRUSH OnCtlColorEdit(HDC dc, HWND control);
  bool OnActivate(UINT state, bool minimized);
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  bool OnGetDpiScaledSize(UINT dpi, SIZE& size);
  void OnDestroy();

  RECT FrameAtDpi(UINT dpi) const;
  void Layout(const RECT* suggested);
  void MakeFont();
  void LoadIcons();
  std::size_t IndexOf(HWND control) const;

  const FormDefinition& definition_;
  HWND window_ = nullptr;
  std::array<HWND, kControlCount> controls_{};
  std::array<Mark, kControlCount> marks_{};
  HWND tooltip_ = nullptr;
  std::array<bool, kControlCount> has_tool_{};
  HFONT font_ = nullptr;
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;
  UINT dpi_ = kDefaultDpi;
  HWND focus_ = nullptr;  // the control to give the focus back to when the window is activated
  bool raising_events_ = false;
};

FormWindow::~FormWindow() {
  if (font_ != nullptr)
    DeleteObject(font_);
  if (big_icon_ != nullptr)
    DestroyIcon(big_icon_);
  if (small_icon_ != nullptr)
    DestroyIcon(small_icon_);
}

FormWindow* FormWindow::Of(HWND window) {
  return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK FormWindow::WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    // From here on the window owns its state; WM_NCDESTROY deletes it.
    auto* owner = static_cast<std::unique_ptr<FormWindow>*>(
        reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    FormWindow* form = owner->release();
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  FormWindow* form = Of(window);
  if (form == nullptr)
    return DefWindowProcW(window, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete form;
    return DefWindowProcW(window, message, w, l);
  }
  return form->Handle(message, w, l);
}

LRESULT FormWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(w), reinterpret_cast<HWND>(l), HIWORD(w));
      return 0;
    case WM_CTLCOLOREDIT:
      return reinterpret_cast<LRESULT>(
          OnCtlColorEdit(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l)));
    case WM_ACTIVATE:
      if (OnActivate(LOWORD(w), HIWORD(w) != 0))
        return 0;
      break;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(w), *reinterpret_cast<const RECT*>(l));
      return 0;
    case WM_GETDPISCALEDSIZE:
      return OnGetDpiScaledSize(static_cast<UINT>(w), *reinterpret_cast<SIZE*>(l));
    case WM_DESTROY:
      OnDestroy();
      return 0;
  }
  return DefWindowProcW(window_, message, w, l);
}

bool FormWindow::OnCreate() {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  for (std::size_t index : CreationOrder(definition_)) {
    const ControlDefinition& control = definition_.controls[index];
    bool text_box = control.kind == ControlKind::kTextBox;
    DWORD style = WS_CHILD | WS_VISIBLE |
                  (text_box ? WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL : SS_LEFT | SS_NOPREFIX);
    controls_[index] = CreateWindowExW(
        text_box ? WS_EX_CLIENTEDGE : 0, text_box ? L"EDIT" : L"STATIC", Wide(control.text).c_str(),
        style, 0, 0, 0, 0, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(index))),
        instance, nullptr);
    if (controls_[index] == nullptr)
      return false;
  }
  // Topmost, so that a tip never opens behind the window. Not owned by it: Wine puts a window
  // that owns popups after them in the stacking order instead of into the topmost band, so
  // the window destroys its tip itself.
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  dpi_ = DpiOf(window_);
  Layout(nullptr);
  for (std::size_t index = 0; index < kControlCount; ++index) {
    if (definition_.controls[index].kind != ControlKind::kTextBox)
      continue;
    if (focus_ == nullptr ||
        definition_.controls[index].tab_index < definition_.controls[IndexOf(focus_)].tab_index) {
      focus_ = controls_[index];
    }
  }
  // Selected, so that the first keystroke replaces the initial text.
  if (focus_ != nullptr)
    SendMessageW(focus_, EM_SETSEL, 0, -1);
  return true;
}

void FormWindow::OnCommand(int id, HWND control, UINT code) {
  if (code != EN_CHANGE || !raising_events_)
    return;
  std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
  if (index >= kControlCount || controls_[index] != control)
    return;
  if (Handler on_change = definition_.controls[index].on_change)
    on_change(*this);
}

HBRUSH FormWindow::OnCtlColorEdit(HDC dc, HWND control) {
  auto brush = reinterpret_cast<HBRUSH>(DefWindowProcW(
      window_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  std::size_t index = IndexOf(control);
  Mark mark = index < kControlCount ? marks_[index] : Mark::kNone;
  if (mark == Mark::kRejected)
    SetTextColor(dc, kRejectedTextColor);
  if (mark == Mark::kStale)
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  return brush;
}

// A top-level window that is not a dialog loses track of its focused control when it is
// deactivated; keeping it here returns the user to the box they were typing in.
bool FormWindow::OnActivate(UINT state, bool minimized) {
  if (state == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus))
      focus_ = focus;
    return false;
  }
  if (minimized || focus_ == nullptr)
    return false;
  SetFocus(focus_);
  return true;
}

void FormWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  Layout(&suggested);
}

bool FormWindow::OnGetDpiScaledSize(UINT dpi, SIZE& size) {
  RECT frame = FrameAtDpi(dpi);
  size = {frame.right - frame.left, frame.bottom - frame.top};
  return true;
}

// The tip is no child of the window (see OnCreate), so it goes here; and with the window the
// program ends.
void FormWindow::OnDestroy() {
  if (tooltip_ != nullptr)
    DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  PostQuitMessage(0);
}

// The window's outer rectangle for the definition's client area at `dpi`, the client area's
// corner at 0, 0.
RECT FormWindow::FrameAtDpi(UINT dpi) const {
  int pixels_per_inch = static_cast<int>(dpi);
  RECT frame = {0, 0, TwipsToPixels(definition_.width, pixels_per_inch),
                TwipsToPixels(definition_.height, pixels_per_inch)};
  DWORD style = FormStyle(definition_);
  if (dpi_functions.adjust_window_rect_ex_for_dpi != nullptr) {
    dpi_functions.adjust_window_rect_ex_for_dpi(&frame, style, FALSE, 0, dpi);
  } else {
    AdjustWindowRectEx(&frame, style, FALSE, 0);
  }
  return frame;
}

// Everything measured in pixels, made afresh for dpi_: the window's size, the controls'
// rectangles, the font and the icons. Without a suggested rectangle the client area goes to
// its stored position, moved only as far as it takes to keep the window on its monitor.
void FormWindow::Layout(const RECT* suggested) {
  RECT frame = FrameAtDpi(dpi_);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  POINT corner;
  if (suggested != nullptr) {
    corner = {suggested->left, suggested->top};
  } else {
    int pixels_per_inch = static_cast<int>(dpi_);
    corner = {TwipsToPixels(definition_.left, pixels_per_inch) + frame.left,
              TwipsToPixels(definition_.top, pixels_per_inch) + frame.top};
    RECT wanted = {corner.x, corner.y, corner.x + width, corner.y + height};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
      // The thin outer border may leave the screen, as it does for a maximized window; the
      // caption and the client area stay on it.
      RECT work = monitor.rcWork;
      InflateRect(&work, -frame.left, -frame.left);
      if (corner.x + width > work.right)
        corner.x = work.right - width;
      if (corner.y + height > work.bottom)
        corner.y = work.bottom - height;
      if (corner.x < work.left)
        corner.x = work.left;
      if (corner.y < work.top)
        corner.y = work.top;
    }
  }
  SetWindowPos(window_, nullptr, corner.x, corner.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  for (std::size_t index = 0; index < kControlCount; ++index) {
    RECT place = Scaled(definition_.controls[index], dpi_);
    // A label stands above its siblings, ahead of the box it names (see CreationOrder); where
    // its rectangle reaches into a text box below, it would hide that box's border.
    for (std::size_t other = 0; other < kControlCount; ++other) {
      if (definition_.controls[index].kind != ControlKind::kLabel ||
          definition_.controls[other].kind != ControlKind::kTextBox) {
        continue;
      }
      RECT box = Scaled(definition_.controls[other], dpi_);
      RECT overlap;
      if (IntersectRect(&overlap, &place, &box) && box.top > place.top)
        place.bottom = box.top;
    }
    MoveWindow(controls_[index], place.left, place.top, place.right - place.left,
               place.bottom - place.top, TRUE);
  }
  MakeFont();
  LoadIcons();
}

void FormWindow::MakeFont() {
  const FontDefinition& font = definition_.font;
  // Points are 1/72 inch; the negative height asks for the character height, not the cell's.
  int height = -MulDiv(font.hundredths_of_points, static_cast<int>(dpi_), 72 * 100);
  HFONT made =
      CreateFontW(height, 0, 0, 0, font.weight, font.italic, font.underline, font.strikeout,
                  static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Wide(font.face).c_str());
  if (made == nullptr)
    return;
  for (HWND control : controls_)
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
  if (font_ != nullptr)
    DeleteObject(font_);
  font_ = made;
}

void FormWindow::LoadIcons() {
  HINSTANCE program = GetModuleHandleW(nullptr);
  auto load = [&](int width_metric, int height_metric) {
    return static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON,
                                         SystemMetric(width_metric, dpi_),
                                         SystemMetric(height_metric, dpi_), LR_DEFAULTCOLOR));
  };
  HICON big = load(SM_CXICON, SM_CYICON);
  HICON small = load(SM_CXSMICON, SM_CYSMICON);
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (big_icon_ != nullptr)
    DestroyIcon(big_icon_);
  if (small_icon_ != nullptr)
    DestroyIcon(small_icon_);
  big_icon_ = big;
  small_icon_ = small;
}

std::size_t FormWindow::IndexOf(HWND control) const {
  for (std::size_t index = 0; index < kControlCount; ++index) {
    if (controls_[index] == control)
      return index;
  }
  return kControlCount;
}

std::string FormWindow::ReadText(ControlId id) const {
  HWND window = control(id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

void FormWindow::WriteText(ControlId id, std::string_view text) {
  SetWindowTextW(control(id), Wide(text).c_str());
}

void FormWindow::SetMark(ControlId id, Mark mark) {
  std::size_t index = static_cast<std::size_t>(id);
  if (marks_[index] == mark)
    return;
  marks_[index] = mark;
  InvalidateRect(controls_[index], nullptr, TRUE);
}

void FormWindow::SetToolTip(ControlId id, std::string_view text) {
  std::size_t index = static_cast<std::size_t>(id);
  if (tooltip_ == nullptr)
    return;
  std::wstring wide = Wide(text);
  // The version 2 size, which every version of the common controls accepts.
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(controls_[index]);
  tool.lpszText = wide.data();
  if (text.empty()) {
    if (has_tool_[index])
      SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    has_tool_[index] = false;
  } else if (has_tool_[index]) {
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  } else {
    has_tool_[index] =
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
  }
}

// Ctrl+A selects the whole text of a box, as everywhere else on the desktop; older edit
// controls know nothing of it.
bool SelectAll(HWND form, const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != 'A')
    return false;
  if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
    return false;
  const FormWindow* state = FormWindow::Of(form);
  if (state == nullptr)
    return false;
  for (std::size_t index = 0; index < kControlCount; ++index) {
    if (state->definition().controls[index].kind == ControlKind::kTextBox &&
        state->control(static_cast<ControlId>(index)) == message.hwnd) {
      SendMessageW(message.hwnd, EM_SETSEL, 0, -1);
      return true;
    }
  }
  return false;
}

const wchar_t* RegisterFormClass(const FormDefinition& definition, HINSTANCE instance,
                                 std::wstring& name) {
  name = Wide(definition.name);
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, name.c_str(), &existing))
    return name.c_str();
  WNDCLASSEXW form_class = {};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = FormWindow::WindowProcedure;
  form_class.hInstance = instance;
  form_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form_class.lpszClassName = name.c_str();
  return RegisterClassExW(&form_class) != 0 ? name.c_str() : nullptr;
}

}  // namespace

HWND LoadForm(const FormDefinition& definition, HINSTANCE instance, int show_command) {
  INITCOMMONCONTROLSEX common_controls = {sizeof common_controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common_controls);
  std::wstring class_name;
  if (RegisterFormClass(definition, instance, class_name) == nullptr)
    return nullptr;

  auto owner = std::make_unique<FormWindow>(definition);
  HWND window = CreateWindowExW(0, class_name.c_str(), Wide(definition.caption).c_str(),
                                FormStyle(definition), CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                                nullptr, instance, &owner);
  if (window == nullptr)
    return nullptr;
  FormWindow* form = FormWindow::Of(window);
  form->StartRaisingEvents();
  if (definition.on_load != nullptr)
    definition.on_load(*form);
  ShowWindow(window, show_command);
  UpdateWindow(window);
  return window;
}

HWND ControlWindow(HWND form, ControlId control) {
  const FormWindow* state = FormWindow::Of(form);
  return state != nullptr ? state->control(control) : nullptr;
}

void DispatchFormMessage(HWND form, MSG& message) {
  if (SelectAll(form, message))
    return;
  if (IsDialogMessageW(form, &message))
    return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop(HWND form) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0)
    DispatchFormMessage(form, message);
  return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 1;
}

int Run(const FormDefinition& definition, HINSTANCE instance, int show_command) {
  HWND form = LoadForm(definition, instance, show_command);
  return form != nullptr ? RunMessageLoop(form) : 1;
}

}  // namespace sonabrix::forms::win32
