// Program-menu commands whose windows come in later versions; until then each says so in a box of its own.
#include "app/form1.h"
#include "settings/form2.h"

void Form1::ShowInstructions() {
  app.system.MsgBox(
      "Press Ctrl+H, or double-click the tray icon, to photograph the screen and highlight on it.\n\n"
      "Drag to highlight. Shift+drag draws a rectangle, Ctrl+drag an ellipse. Hold S, X, C, A or 8 and click "
      "to place a stamp. Delete clears, Esc clears and ends. Right-click for the menu.",
      "Lumora Instructions", tk::kMbIconInformation);
}

void Form1::mnupopopt_Click() {
  Form2 dialog(app, *this);
  dialog.Show(tk::kModal, this);
}

void Form1::mnupophlp_Click() {
  app.system.MsgBox("The help file is not available in this version.", "Lumora Help", tk::kMbIconInformation);
}

void Form1::mnuqref_Click() {
  app.system.MsgBox(
      "Drag: highlight\nShift+drag: rectangle\nCtrl+drag: ellipse\nS, X, C, A, 8 + click: stamps\n"
      "Right-click a mark: remove it\nDelete or full stop: clear\nEsc: clear and stop\nCtrl+H: start or stop",
      "Quick Reference", tk::kMbIconInformation);
}

void Form1::mnupopabt_Click() {
  app.system.MsgBox("Lumora 1.0.0\nQuillfen", "About Lumora", tk::kMbIconInformation);
}
