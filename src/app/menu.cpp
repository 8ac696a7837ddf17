// The program menu's windows: each is made anew for its showing and owned by the overlay.
#include "app/form1.h"
#include "guidance/form3.h"
#include "guidance/form4.h"
#include "settings/form2.h"

void Form1::ShowInstructions() {
  Form3 instructions(app);
  instructions.Show(tk::kModal);
}

void Form1::mnupopopt_Click() {
  Form2 dialog(app, *this);
  dialog.Show(tk::kModal, this);
}

void Form1::mnupopabt_Click() {
  Form4 about(app);
  about.Show(tk::kModal, this);
}
