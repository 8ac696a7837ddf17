// The quick reference card: the three mouse gestures and each stamp beside the key that places it.
#pragma once

#include <array>

#include "platform/form.h"

class frmQuickRef : public tk::Form {
 public:
  explicit frmQuickRef(tk::App& app);

  tk::Frame& Frame1;
  tk::Label& Label1;
  tk::Frame& Frame2;
  // The rows top to bottom; each label keeps its index in the card's label array (0, 4, 3, 5, 2).
  std::array<tk::Label*, 5> Label2;
  std::array<tk::Image*, 5> stamps;  // imgcheck, imgx, imgarrow, imgsmiley, imgstar
  tk::CommandButton& OKButton;

  void Form_Load() override;
};
