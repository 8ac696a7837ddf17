// The instructions window: how the program is used, and whether it opens at start-up.
#pragma once

#include <string>

#include "platform/form.h"
#include "settings/reg_settings.h"

class Form3 : public tk::Form {
 public:
  explicit Form3(tk::App& app);

  tk::Image& Image3;    // the background, behind everything
  tk::Image& Picture1;  // the box that frames the title strip
  tk::Image& Image2;    // the title strip
  tk::Image& Image1;
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
