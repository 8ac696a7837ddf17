#include "guidance/quickref.h"

#include "guidance/pictures.h"
#include "resources/artwork.h"

namespace {

struct Row {
  int16_t labelIndex;
  const char* text;
  artwork::Stamp stamp;
  int labelTop, pictureLeft, pictureTop;
};
constexpr Row kRows[] = {
    {0, "Hold C and click:", artwork::Stamp::Check, 41, 163, 20},
    {4, "Hold X and click:", artwork::Stamp::X, 100, 167, 87},
    {3, "Hold A and click:", artwork::Stamp::Arrow, 155, 157, 138},
    {5, "Hold S and click:", artwork::Stamp::Smiley, 216, 170, 196},
    {2, "Hold 8 and click:", artwork::Stamp::Star, 275, 158, 249},
};
constexpr int kFrame2Left = 11, kFrame2Top = 157;

}  // namespace

frmQuickRef::frmQuickRef(tk::App& application)
    : tk::Form(application, "frmQuickRef"),
      Frame1(Add<tk::Frame>("Frame1")),
      Label1(Add<tk::Label>("Label1", &Frame1)),
      Frame2(Add<tk::Frame>("Frame2")),
      Label2{},
      stamps{},
      OKButton(Add<tk::CommandButton>("OKButton")) {
  MakeDialog("Lumora - Quick Reference", 271, 524);
  SetShowIcon(false);

  Frame1.SetCaption("Mouse Actions:");
  Frame1.Move(10, 7, 250, 145);
  Label1.Move(18, 27, 205, 103);
  Frame2.SetCaption("Stamps:");
  Frame2.Move(kFrame2Left, kFrame2Top, 250, 329);
  for (size_t i = 0; i < std::size(kRows); ++i) {
    const Row& row = kRows[i];
    Label2[i] = &Add<tk::Label>("Label2", &Frame2, row.labelIndex);
    Label2[i]->SetCaption(row.text);
    Label2[i]->Move(25, row.labelTop, 92, 18);
    stamps[i] = &AddImage();
    PlaceArt(*stamps[i], artwork::StampPicture(row.stamp), kFrame2Left + row.pictureLeft,
             kFrame2Top + row.pictureTop);
    stamps[i]->SetToolTipText("Click and drag to move. Right-click to remove.");
  }
  OKButton.SetCaption("OK");
  OKButton.Move(180, 489, 81, 25);
  OKButton.SetDefault(true);
  OKButton.Click = [this] { Unload(); };
}

void frmQuickRef::Form_Load() {
  Label1.SetCaption(
      "Hold left button and move mouse to draw free hand.\r\n\r\n"
      "Hold Shift key and left button and move mouse to draw rectangles.\r\n\r\n"
      "Hold Ctrl key and left button and move mouse to draw ellipses.");
}
