#include "settings/form2.h"

#include "app/form1.h"
#include "settings/setting_values.h"

namespace {

constexpr uint32_t kSwatches[] = {0xFFFF00, 0xFF00FF, 0x00FFFF, 0x00FF00};  // cyan, magenta, yellow, green
constexpr int kOptionTops[] = {21, 58, 94, 131};
constexpr int kSwatchTops[] = {17, 54, 90, 127};

// A check box's stored state: "0", "1" or "2"; anything else reads as checked, the default of both boxes.
int CheckBoxSetting(const CRegSettings& store, const char* key) {
  const int32_t value = SettingAsWholeNumber(store.GetSetting(settings::kSection, key, "1"), tk::kChecked);
  return value >= tk::kUnchecked && value <= tk::kGrayed ? value : tk::kChecked;
}

}  // namespace

std::string AddBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + '\\';
}

Form2::Form2(tk::App& application, Form1& overlay)
    : tk::Form(application, "Form2"),
      Frame1(Add<tk::Frame>("Frame1")),
      Option1(AddArray<tk::OptionButton, 4>("Option1", &Frame1)),
      Label1(AddArray<tk::Label, 4>("Label1", &Frame1)),
      Frame2(Add<tk::Frame>("Frame2")),
      Label2(Add<tk::Label>("Label2", &Frame2)),
      Slider1(Add<tk::Slider>("Slider1", &Frame2)),
      Line1(Add<tk::Line>("Line1", &Frame2)),
      Frame3(Add<tk::Frame>("Frame3")),
      Check1(Add<tk::CheckBox>("Check1", &Frame3)),
      Check2(Add<tk::CheckBox>("Check2", &Frame3)),
      Command1(Add<tk::CommandButton>("Command1")),
      Command2(Add<tk::CommandButton>("Command2")),
      overlay_(overlay),
      store_(application.system.UserRegistry()) {
  MakeDialog("Lumora Options", 355, 237);

  Frame1.SetCaption("Color:");
  Frame1.Move(6, 7, 101, 169);
  for (int i = 0; i < 4; ++i) {
    Option1[i]->Move(11, kOptionTops[i], 17, 21);
    Option1[i]->Click = [this, i] { Option1_Click(i); };
    Label1[i]->Move(37, kSwatchTops[i], 41, 29);
    Label1[i]->SetBackColor(kSwatches[i]);
    Label1[i]->Click = [this, i] { Label1_Click(i); };
  }

  Frame2.SetCaption("Line Width:");
  Frame2.Move(115, 6, 235, 169);
  Label2.SetCaption("Move slider to select desired width.");
  Label2.Move(31, 25, 172, 24);
  Slider1.Move(33, 59, 167, 30);
  Slider1.SetRange(10, 50);
  Slider1.SetSteps(1, 10, 5);
  Slider1.Change = Slider1.Scroll = [this] { Slider1_Change(); };
  Line1.SetPoints(35, 130, 199, 130);
  Line1.SetBorderWidth(10);

  Frame3.SetCaption("Startup:");
  Frame3.Move(6, 178, 183, 53);
  Check1.SetCaption("Start with Windows");
  Check1.Move(12, 16, 143, 14);
  Check2.SetCaption("Show instructions on startup");
  Check2.Move(12, 32, 158, 13);

  Command1.SetCaption("OK");
  Command1.Move(197, 184, 73, 46);
  Command1.SetDefault(true);
  Command1.Click = [this] { Command1_Click(); };
  Command2.SetCaption("Cancel");
  Command2.Move(276, 184, 71, 46);
  Command2.SetCancel(true);
  Command2.Click = [this] { Command2_Click(); };
}

void Form2::Form_Load() {
  store_.Company(settings::kCompany);
  store_.AppName(settings::kAppName);

  // A colour set outside the program matches no swatch: nothing is selected and the preview shows it as is.
  Line1.SetBorderColor(overlay_.ForeColor());
  for (int i = 0; i < 4; ++i) {
    if (overlay_.ForeColor() == Label1[i]->BackColor()) {
      Option1[i]->SetValue(true);
      break;
    }
  }
  // A width outside the slider's range shows as the nearest end, and that is what OK stores.
  Slider1.SetValue(overlay_.DrawWidth());
  Line1.SetBorderWidth(Slider1.Value());

  Check1.SetValue(CheckBoxSetting(store_, settings::kStartWithWindows));
  Check2.SetValue(CheckBoxSetting(store_, settings::kInstructionsOnStartup));
}

void Form2::Option1_Click(int index) {
  Line1.SetBorderColor(Label1[index]->BackColor());
}

void Form2::Label1_Click(int index) {
  Option1[index]->UserSelect();
}

void Form2::Slider1_Change() {
  Line1.SetBorderWidth(Slider1.Value());
}

void Form2::Command1_Click() {
  const int width = Slider1.Value();
  for (int i = 0; i < 4; ++i) {
    if (!Option1[i]->Value()) continue;
    const uint32_t color = Label1[i]->BackColor();
    overlay_.SetForeColor(color);
    for (const auto& [index, rect] : overlay_.shapeArrRect.Elements()) rect->SetFillColor(color);
    for (const auto& [index, oval] : overlay_.ShapeArrOv.Elements()) {
      oval->SetBorderColor(color);
      oval->SetBorderWidth(width);
    }
    break;
  }
  overlay_.SetDrawWidth(width);
  // New ellipses take the new width even when no swatch was selected, as they will after a restart.
  overlay_.ShapeArrOv.Template().SetBorderWidth(width);

  store_.SaveSetting(settings::kSection, settings::kLineWidth, std::to_string(width));
  store_.SaveSetting(settings::kSection, settings::kColor, std::to_string(overlay_.ForeColor()));
  store_.SaveSetting(settings::kSection, settings::kStartWithWindows, std::to_string(Check1.Value()));
  store_.SaveSetting(settings::kSection, settings::kInstructionsOnStartup, std::to_string(Check2.Value()));

  // Quoted, so a path with spaces cannot start a planted program at log-on (C:\Program.exe).
  const std::string commandLine = '"' + AddBackslash(app.Path()) + app.system.ExeName() + ".exe\"";
  store_.RunNextBoot(settings::kAppName, commandLine, static_cast<int16_t>(Check1.Value()));
  Unload();
}

void Form2::Command2_Click() {
  Unload();
}
