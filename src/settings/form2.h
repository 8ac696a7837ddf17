// The options dialog: the highlight colour from four swatches, the line width, start with Windows and the
// instructions at start-up. Nothing outside it changes until OK.
#pragma once

#include <array>
#include <string>

#include "platform/form.h"
#include "settings/reg_settings.h"

class Form1;

class Form2 : public tk::Form {
 public:
  Form2(tk::App& app, Form1& overlay);

  tk::Frame& Frame1;
  std::array<tk::OptionButton*, 4> Option1;
  std::array<tk::Label*, 4> Label1;  // the swatches: each one's back colour is its colour
  tk::Frame& Frame2;
  tk::Label& Label2;
  tk::Slider& Slider1;
  tk::Line& Line1;
  tk::Frame& Frame3;
  tk::CheckBox& Check1;
  tk::CheckBox& Check2;
  tk::CommandButton& Command1;
  tk::CommandButton& Command2;

  void Form_Load() override;
  void Option1_Click(int index);
  void Label1_Click(int index);
  void Slider1_Change();
  void Command1_Click();
  void Command2_Click();

 private:
  Form1& overlay_;
  CRegSettings store_;
};

// `folder` with one backslash at its end: unchanged when it already has one (a drive's root folder).
std::string AddBackslash(const std::string& folder);
