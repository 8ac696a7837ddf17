// Starting and stopping a highlight session. The session state is the menu: the caption of the first item
// and whether Clear is shown.
#include "app/form1.h"
#include "session/capture.h"

namespace {
constexpr char kStopCaption[] = "Stop highlighting";
}

void Form1::mnupophl_Click() {
  if (mnupophl.Caption == kStopCaption) {
    mnupopclr.Visible = false;
    mnupophl.Caption = "Start highlighting";
    AddTrayIcon(*this);
    Hide();
    return;
  }

  // Give the user a moment to let go of the keys and for menus to close before the photograph.
  app.system.Sleep(1000);
  SetMousePointer(tk::kPointerCustom);
  mnupopclr.Visible = true;
  app.system.NotifyIcon(tk::kNimDelete, TrayIconData);
  mnupophl.Caption = kStopCaption;
  SetWindowState(tk::kWindowMaximized);
  SetPicture(CaptureDesktop(app));
  Show();
}
