#include "guidance/form4.h"

#include <string>

#include "guidance/pictures.h"
#include "online/help_launch.h"

int32_t Launch(tk::Form& Frm, const std::string& fFile) {
  return modHelpLaunch::OpenUrl(Frm, fFile);
}

Form4::Form4(tk::App& application)
    // The form's background picture and Image3 are the same artwork, so one image stands for both.
    : ArtWindow(application, "Form4", {"About Lumora", 594, 430, 28, 23, 45, 123}),
      Label7(Add<tk::Label>("Label7")),
      Label1(Add<tk::Label>("Label1")),
      Label3(Add<tk::Label>("Label3")),
      Label6(Add<tk::Label>("Label6")),
      Label5(Add<tk::Label>("Label5")),
      Command1(Add<tk::CommandButton>("Command1")) {
  // Major and minor of the project version: "Version 1.0" for 1.0.0.
  Label7.SetCaption("Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor));
  Label7.SetTransparent(true);
  Label7.Move(372, 122, 91, 13);
  Label1.SetCaption("Free to use and to share unchanged. Provided as is, without warranty of any kind.");
  Label1.SetBackColor(BackColor());  // the window's white
  Label1.Move(372, 181, 185, 60);
  Label3.SetCaption("Find more great software from Quillfen at:");
  Label3.SetTransparent(true);
  Label3.SetForeColor(0x000000);
  Label3.Move(372, 257, 141, 27);
  Label6.SetCaption("www.quillfen.example");
  Label6.SetTransparent(true);
  Label6.MakeLink();
  Label6.Move(372, 297, 147, 17);
  Label6.Click = [this] { Label6_Click(); };
  Label5.SetCaption(kMakerSupport);
  Label5.SetTransparent(true);
  Label5.MakeLink();
  Label5.Move(372, 321, 163, 15);
  Label5.Click = [this] { Label5_Click(); };
  Command1.SetCaption("OK");
  Command1.Move(372, 356, 185, 42);
  Command1.SetDefault(true);
  Command1.Click = [this] { Unload(); };
}

void Form4::Label5_Click() {
  if (Launch(*this, std::string("mailto:") + kMakerSupport) == modHelpLaunch::kNoAssociation)
    app.system.MsgBox("Could not start your email program.", "Oops!", tk::kMbIconExclamation);
}

void Form4::Label6_Click() {
  if (Launch(*this, kMakerWeb) == modHelpLaunch::kNoAssociation)
    app.system.MsgBox("Could not start your web browser.", "Oops!", tk::kMbIconExclamation);
}
