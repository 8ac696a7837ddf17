// The instructions window: how the program is used, and whether it opens at start-up.
#pragma once

#include <string>

#include "guidance/pictures.h"
#include "settings/reg_settings.h"

class Form3 : public ArtWindow {
 public:
  explicit Form3(tk::App& app);

  tk::TextBox& Text1;
  tk::CheckBox& Check1;
  tk::CommandButton& Command1;

  void Form_Load() override;
  void Command1_Click();

 private:
  CRegSettings store_;
};

// The instructions, as the text box shows them.
std::string InstructionsText();
