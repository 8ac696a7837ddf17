// Start-up, the Exit command and the overlay's unload: the order in which the program takes and gives back
// what it holds (settings, hotkey, window hook, tray icon).
#include "app/form1.h"
#include "online/update_check.h"
#include "settings/setting_values.h"

void Form1::Form_Load() {
  if (app.PrevInstance()) {
    app.system.MsgBox("Lumora is already running.", "Message", tk::kMbIconInformation);
    app.End();
    return;
  }

  // Before any setting is read or the tray icon exists: its dialogs come first.
  CheckForUpdate(*this);

  MoveBanner(0, 0);

  CRegSettings& store = Settings();
  store.Company(settings::kCompany);
  store.AppName(settings::kAppName);
  // Stored text that is not a whole number, a width below 1 and a value that is not a colour read as the
  // defaults, so hand-edited settings can neither stop start-up nor draw with nonsense.
  int32_t lineWidth = ReadLineWidth(store);
  if (lineWidth > INT16_MAX) lineWidth = settings::kDefaultLineWidth;
  ApplyDrawingSettings(lineWidth, ReadColor(store));

  if (store.GetSetting(settings::kSection, settings::kInstructionsOnStartup, "1") == "1") ShowInstructions();

  TakeHotkey();
  OldWindowProc = app.system.SetWindowProc(hWnd(), &HotkeyWindowProc);
  AddTrayIcon(*this);
}

void Form1::ApplyDrawingSettings(int32_t lineWidth, uint32_t color) {
  SetDrawWidth(static_cast<int16_t>(lineWidth));
  ShapeArrOv.Template().SetBorderWidth(lineWidth);
  SetForeColor(color);
  shapeArrRect.Template().SetFillColor(color);
  ShapeArrOv.Template().SetBorderColor(color);
}

void Form1::Form_Unload(int16_t& /*cancel*/) {
  if (OldWindowProc) app.system.SetWindowProc(hWnd(), OldWindowProc);
  app.system.NotifyIcon(tk::kNimDelete, TrayIconData);
  ReleaseHotkey();
}

void Form1::mnupopexit_Click() {
  if (app.system.MsgBox("Do you really want to exit Lumora?", "Please Confirm",
                        tk::kMbYesNo | tk::kMbIconQuestion) != tk::kIdYes)
    return;
  app.system.NotifyIcon(tk::kNimDelete, TrayIconData);
  // Unloading changes the list, so walk a copy of it.
  const std::vector<tk::Form*> forms = app.Forms();
  for (tk::Form* form : forms) form->Unload();
}
