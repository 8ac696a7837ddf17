// The options dialog, opened from the program menu and worked as the user would.
#include "fixture.h"
#include "settings/form2.h"

namespace {

constexpr char kOptions[] = "Software\\Quillfen\\Lumora\\Options";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr uint32_t kMagenta = 0xFF00FF;
// REG_SZ bytes: the text and its terminating NUL.
std::string Sz(const std::string& text) { return text + '\0'; }

class OptionsTest : public LumoraTest {
 protected:
  // Opens Options from the menu of a running session; `user` works the dialog while it is open.
  void Options(std::function<void(Form2&)> user) {
    if (!form) StartSession();
    sys.onModal["Form2"] = [this, user](tk::Form& dialog) {
      EXPECT_FALSE(sys.Enabled(*form)) << "the overlay takes no input while the dialog is open";
      user(static_cast<Form2&>(dialog));
    };
    ChooseNext("&Options");
    RightClick(1500, 900);
    ASSERT_EQ(sys.calls.back(), "Modal Form2");
  }
  std::optional<std::string> Stored(const char* path, const char* name) {
    auto value = sys.registry.Value(tk::kHkeyCurrentUser, path, name);
    return value ? std::optional(value->bytes) : std::nullopt;
  }
};

// Each case opens the dialog on other stored values, changes every control and leaves without OK.
TEST_F(OptionsTest, LoadShowsTheOverlaysColourWidthAndStoredBoxesAndOnlyOkChangesAnything) {
  using Close = void (*)(Form2&);
  struct Case {
    uint32_t color;
    int width;
    std::optional<std::string> startWithWindows, instructions;
    int selected, slider, check1, check2;
    Close close;
  } cases[] = {
      // set outside the program: no swatch, the nearest width
      {0x123456, 60, " 0 ", "2", -1, 50, 0, 2, [](Form2& d) { d.CloseBox(); }},
      {0x00FF00, 5, std::nullopt, "7", 3, 10, 1, 1, [](Form2& d) { d.PressCancel(); }},
  };
  for (const Case& c : cases) {
    Preset("Start with Windows", c.startWithWindows);
    Preset("Instructions on startup", c.instructions);
    sys.registry.PresetString(tk::kHkeyCurrentUser, kRun, "Lumora", "old");
    StartSession();
    form->SetForeColor(c.color);
    form->SetDrawWidth(c.width);
    Options([&](Form2& d) {
      for (int i = 0; i < 4; ++i) EXPECT_EQ(d.Option1[i]->Value(), i == c.selected) << c.color << " " << i;
      EXPECT_EQ(d.Line1.BorderColor(), c.color) << "the preview shows the overlay's colour";
      EXPECT_EQ(std::tuple(d.Slider1.Value(), d.Line1.BorderWidth(), d.Check1.Value(), d.Check2.Value()),
                std::tuple(c.slider, c.slider, c.check1, c.check2));
      d.Option1[c.selected == 0 ? 1 : 0]->UserSelect();
      d.Slider1.UserScroll(40, false);
      d.Check1.UserToggle();
      c.close(d);
      EXPECT_FALSE(d.Loaded());
    });
    EXPECT_EQ(std::tuple(form->ForeColor(), form->DrawWidth()), std::tuple(c.color, c.width));
    EXPECT_EQ(Stored(kOptions, "Line Width"), std::nullopt);
    EXPECT_EQ(Stored(kRun, "Lumora"), Sz("old"));
    EXPECT_TRUE(sys.Enabled(*form));
  }
}

TEST_F(OptionsTest, OkStoresEverythingAndKeepsTheRunEntryInStepWithStartWithWindows) {
  struct Case {
    const char* appPath;
    int check1;
    std::optional<std::string> run;  // the Run entry afterwards
  } cases[] = {
      {"C:\\Program Files\\Lumora", 1, Sz("\"C:\\Program Files\\Lumora\\Lumora.exe\"")},
      {"C:\\", 1, Sz("\"C:\\Lumora.exe\"")},  // a drive's root folder: one backslash
      {"C:\\Program Files\\Lumora", 0, std::nullopt},
      {"C:\\Program Files\\Lumora", 2, Sz("old")},  // grayed leaves the entry alone
  };
  for (const Case& c : cases) {
    sys.registry.PresetString(tk::kHkeyCurrentUser, kRun, "Lumora", "old");
    sys.appPath = c.appPath;
    Options([&](Form2& d) {
      d.Check1.SetValue(c.check1);
      d.Command1.UserClick();
    });
    EXPECT_EQ(Stored(kRun, "Lumora"), c.run) << c.appPath << " " << c.check1;
    EXPECT_EQ(std::tuple(Stored(kOptions, "Line Width"), Stored(kOptions, "Color"),
                         Stored(kOptions, "Start with Windows"), Stored(kOptions, "Instructions on startup")),
              std::tuple(Sz("10"), Sz("65535"), Sz(std::to_string(c.check1)), Sz("0")));
  }
}

TEST_F(OptionsTest, AColourAndWidthChosenWithOkRecolourEveryMarkAlreadyDrawn) {
  StartSession();
  Drag(100, 100, 300, 200, kShift);
  CtrlDrag(500, 100, 800, 400);
  Options([](Form2& d) {
    d.Label1[1]->UserClick();  // the magenta swatch selects its option
    d.Slider1.UserScroll(34, true);
    EXPECT_EQ(d.Line1.BorderWidth(), 34) << "the preview follows the thumb";
    EXPECT_EQ(d.Line1.BorderColor(), kMagenta);
    d.Slider1.UserScroll(34, false);
    d.PressDefault();
  });
  EXPECT_TRUE(form->Visible()) << "the session goes on";
  for (auto* shapes : {&form->shapeArrRect, &form->ShapeArrOv})
    for (const auto& [index, shape] : shapes->Elements()) {
      const tk::ShapeStyle& s = shape->Style();
      EXPECT_EQ(shapes == &form->shapeArrRect ? s.fillColor : s.borderColor, kMagenta) << index;
      EXPECT_EQ(shapes == &form->ShapeArrOv ? s.borderWidth : 34, 34) << index;
    }
  EXPECT_EQ(std::tuple(form->ForeColor(), form->DrawWidth()), std::tuple(kMagenta, 34));
}

}  // namespace
