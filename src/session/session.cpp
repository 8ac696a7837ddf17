// Starting and stopping a highlight session. The session state is the menu: the caption of the first item
// and whether Clear is shown.
#include "app/form1.h"
#include "session/capture.h"

namespace {
constexpr char kStopCaption[] = "Stop highlighting";
}

void Form1::mnupophl_Click() {
  // Ctrl+H, the tray icon or its menu while a dialog of ours is open: the dialog comes first.
  if (app.system.BringModalForward()) return;
  if (mnupophl.Caption == kStopCaption) {
    // A drag cut short by Esc or Ctrl+H ends here, as its release would have ended it.
    EndDrag();
    mnupopclr.Visible = false;
    mnupophl.Caption = "Start highlighting";
    TakeHotkey();  // the other program may have let go of Ctrl+H meanwhile
    AddTrayIcon(*this);
    Hide();
    return;
  }

  // An open menu of ours would be in the photograph: close it, and start once its loop has returned.
  if (app.system.CloseMenus()) {
    app.system.Post([this] { mnupophl_Click(); });
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
  // Key releases that happened while the overlay was hidden never reached it.
  SyncHeldKeys();
}
