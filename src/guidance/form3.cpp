#include "guidance/form3.h"

#include "guidance/pictures.h"
#include "settings/setting_values.h"

std::string InstructionsText() {
  const std::string blank = "\r\n\r\n";
  return "Instructions:" + blank +
         "Lumora runs in your System Tray. Right-click the icon there for the program menu." + blank +
         "To start highlighting, press \"Ctrl+h\" on your keyboard or click \"Start highlighting\" in System "
         "Tray "
         "icon right-click menu." +
         blank +
         "To stop highlighting, press \"Ctrl+h\" or click \"Stop highlighting\" in System Tray icon "
         "right-click "
         "menu." +
         blank + "While program is active:" + "\r\n" +
         "Click and hold left mouse button then drag to draw freehand translucent lines anywhere on the "
         "screen." +
         blank +
         "Hold \"Shift\" then click and hold left mouse button then drag in any direction to draw a "
         "translucent "
         "rectangle anywhere on the screen. You can then resize the rectangle, click and drag it anywhere, "
         "or "
         "delete it by right." +
         blank +
         "Press and hold \"Ctrl\" and click and hold the left mouse button then drag in any direction to "
         "draw a "
         "translucent circle outline anywhere on the screen. You can then resize the circle, click and drag "
         "it "
         "anywhere, " +
         " or delete it by right-clicking it." + blank +
         "Press and hold \"a\" and click the left mouse button place an arrow anywhere on the screen. Press "
         "and "
         "hold \"s\" and click the left mouse button place a smiley face anywhere on the screen. Press and "
         "hold "
         "\"c\" and click the left mouse button place an check anywhere on the screen. Press and hold \"x\" "
         "and "
         "click the left mouse button place an X anywhere on the screen. Press and hold \"8\" and click the "
         "left "
         "mouse button place a gold star anywhere on the screen. You can then move these images anywhere by "
         "clicking and dragging them. Delete them by right-clicking them." +
         blank + "Right-click anywhere on the screen while highlighting is active for the program menu." +
         blank + "Click \"Options\" from the program menu to configure highlight color, line width, etc.";
}

Form3::Form3(tk::App& application)
    : ArtWindow(application, "Form3", {"Lumora Instructions", 594, 433, 19, 29, 47, 98}),
      Text1(Add<tk::TextBox>("Text1")),
      Check1(Add<tk::CheckBox>("Check1")),
      Command1(Add<tk::CommandButton>("Command1")),
      store_(application.system.UserRegistry()) {
  Text1.Move(322, 99, 257, 266);
  Check1.SetCaption("Show this screen when program starts.");
  Check1.SetBackColor(BackColor());  // the window's white
  Check1.Move(12, 400, 251, 22);
  Command1.SetCaption("OK");
  Command1.Move(411, 379, 170, 42);
  Command1.SetDefault(true);
  Command1.Click = [this] { Command1_Click(); };
}

void Form3::Form_Load() {
  store_.Company(settings::kCompany);
  store_.AppName(settings::kAppName);
  // Text that is not a whole number leaves the box unticked.
  Check1.SetValue(SettingAsWholeNumber(
      store_.GetSetting(settings::kSection, settings::kInstructionsOnStartup, "1"), tk::kUnchecked));
  Text1.SetText(InstructionsText());
  Command1.SetFocus();  // on the text box the whole text would show selected
}

void Form3::Command1_Click() {
  store_.SaveSetting(settings::kSection, settings::kInstructionsOnStartup, std::to_string(Check1.Value()));
  Unload();
}
