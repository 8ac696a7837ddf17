// The small dialog that tells the user how to bring the banner back, until told not to.
#pragma once

#include "platform/form.h"
#include "settings/reg_settings.h"

class Form5 : public tk::Form {
 public:
  // `arrowForward` is the arrow's direction, kept by the caller from one showing to the next.
  Form5(tk::App& app, bool& arrowForward);

  tk::Label& Label;
  tk::CheckBox& Check1;
  tk::CommandButton& cmdok;
  tk::Image& arrow;
  tk::Timer& Timer;

  void Form_Load() override;
  void Timer_Timer();
  void cmdok_Click();

 private:
  bool& arrowForward_;
  CRegSettings store_;
};
