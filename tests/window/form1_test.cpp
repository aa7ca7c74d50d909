// Form1's handlers against a recording stand-in for a front end's controls.

#include "window/form1.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "window/module1.h"

namespace sonabrix {

struct StackingCall {
  forms::NativeHandle window;
  bool on_top;
};
std::vector<StackingCall> stacking_calls;

void SetAlwaysOnTop(forms::NativeHandle hWnd, bool OnTop) {
  stacking_calls.push_back({hWnd, OnTop});
}

namespace {

using forms::ControlId;
using forms::Mark;

class RecordingForm : public forms::Form {
 public:
  RecordingForm() {
    for (const auto& control : Form1.controls)
      texts_[Index(control)] = std::string(control.text);
  }
  std::string ReadText(ControlId control) const override { return texts_[Index(control)]; }
  void WriteText(ControlId control, std::string_view text) override {
    texts_[Index(control)] = std::string(text);
    if (control == ControlId::Text2)
      text2_writes.emplace_back(text);
  }
  void SetMark(ControlId control, Mark mark) override { marks[Index(control)] = mark; }
  void SetToolTip(ControlId control, std::string_view text) override {
    tips[Index(control)] = std::string(text);
  }
  forms::NativeHandle WindowHandle() const override { return handle; }

  void Type(std::string_view text) {
    texts_[Index(ControlId::Text1)] = std::string(text);
    Form1[ControlId::Text1].on_change(*this);
  }
  const std::string& Text(ControlId control) const { return texts_[Index(control)]; }
  Mark MarkOf(ControlId control) const { return marks[Index(control)]; }
  const std::string& TipOf(ControlId control) const { return tips[Index(control)]; }

  std::vector<std::string> text2_writes;
  std::array<Mark, 5> marks{};
  std::array<std::string, 5> tips;
  forms::NativeHandle handle = &texts_;

 private:
  static std::size_t Index(ControlId id) { return static_cast<std::size_t>(id); }
  static std::size_t Index(const forms::ControlDefinition& control) {
    return static_cast<std::size_t>(&control - Form1.controls.data());
  }
  std::array<std::string, 5> texts_;
};

TEST(Form1Load, MakesTheWindowTopmostOnce) {
  stacking_calls.clear();
  RecordingForm form;
  Form1.on_load(form);
  ASSERT_EQ(stacking_calls.size(), 1u);
  EXPECT_EQ(stacking_calls[0].window, form.handle);
  EXPECT_TRUE(stacking_calls[0].on_top);
}

TEST(Text1Change, WritesOctaveThenAppendsTheName) {
  RecordingForm form;
  form.Type("3");
  form.Type("3C");
  EXPECT_EQ(form.text2_writes, (std::vector<std::string>{"1", "1D#", "6", "6C"}));
  EXPECT_EQ(form.Text(ControlId::Text2), "6C");
  EXPECT_EQ(form.TipOf(ControlId::Text2), "60 = C4, 261.63 Hz");
  EXPECT_EQ(form.TipOf(ControlId::Text1), kInputHint);
}

TEST(Text1Change, FailuresKeepText2AndMarkWhy) {
  const struct {
    const char* input;
    Mark text1_mark;
    std::string_view text1_tip;
  } cases[] = {
      {"Hex", Mark::kRejected, kNotANoteNumberReason},
      {"5FFF4", Mark::kRejected, kTooLargeReason},
      {"", Mark::kNone, kInputHint},
  };
  for (const auto& c : cases) {
    RecordingForm form;
    form.Type("3D");
    form.Type(c.input);
    EXPECT_EQ(form.Text(ControlId::Text2), "6C#") << c.input;
    EXPECT_EQ(form.text2_writes.size(), 2u) << c.input;
    EXPECT_EQ(form.MarkOf(ControlId::Text1), c.text1_mark) << c.input;
    EXPECT_EQ(form.MarkOf(ControlId::Text2), Mark::kStale) << c.input;
    EXPECT_EQ(form.TipOf(ControlId::Text1), c.text1_tip) << c.input;

    form.Type("7F");
    EXPECT_EQ(form.Text(ControlId::Text2), "11G") << c.input;
    EXPECT_EQ(form.MarkOf(ControlId::Text1), Mark::kNone) << c.input;
    EXPECT_EQ(form.MarkOf(ControlId::Text2), Mark::kNone) << c.input;
  }
}

TEST(Text1Change, TypingIntoText2StartsNothing) {
  EXPECT_EQ(Form1[ControlId::Text2].on_change, nullptr);
}

}  // namespace
}  // namespace sonabrix
