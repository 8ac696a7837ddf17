// The overlay as designed: its menu, the shape templates and the stamp templates.
#include "app/form1.h"

#include "resources/artwork.h"

namespace {

constexpr uint32_t kYellow = 0x0000FFFF;
constexpr char kStampTip[] = "Click and drag to move. Right-click to remove.";

tk::Picture SharedStamp(artwork::Stamp stamp) {
  // The artwork lives for the whole run; the picture only shares it.
  return tk::Picture(&artwork::StampPicture(stamp), [](const raster::Bitmap*) {});
}

}  // namespace

Form1::Form1(tk::App& application)
    : tk::Form(application, "Form1"),
      Image1(AddImage()),
      lblhlp(Add<tk::Label>("lblhlp")),
      Label1(Add<tk::Label>("Label1")),
      Timer1(Add<tk::Timer>("Timer1")) {
  SetCaption("Lumora");
  SetBackColor(0xFFFFFF);
  SetDrawWidth(10);
  SetForeColor(kYellow);
  SetMousePointer(tk::kPointerCustom);

  pop.Items = {&mnupophl, &mnupopclr, &sep2, &mnupopopt, &sep3, &mnupophlp, &mnuqref, &mnupopabt, &sep,
               &mnupopexit};
  mnupophl.Click = [this] { mnupophl_Click(); };
  mnupopclr.Click = [this] { mnupopclr_Click(); };
  mnupopopt.Click = [this] { mnupopopt_Click(); };
  mnupophlp.Click = [this] { mnupophlp_Click(); };
  mnuqref.Click = [this] { mnuqref_Click(); };
  mnupopabt.Click = [this] { mnupopabt_Click(); };
  mnupopexit.Click = [this] { mnupopexit_Click(); };

  tk::ShapeStyle rect;
  rect.shape = tk::ShapeKind::Rectangle;
  rect.fillColor = kYellow;
  rect.fillStyle = 0;
  rect.borderStyle = 0;  // rectangles are the fill alone
  shapeArrRect.Template().SetStyle(rect);

  tk::ShapeStyle oval;
  oval.shape = tk::ShapeKind::Oval;
  oval.borderColor = 0x0080FFFF;
  oval.borderWidth = 10;
  oval.borderStyle = 1;
  oval.fillStyle = 1;
  ShapeArrOv.Template().SetStyle(oval);

  const artwork::Stamp kinds[] = {artwork::Stamp::Smiley, artwork::Stamp::X, artwork::Stamp::Check,
                                  artwork::Stamp::Arrow, artwork::Stamp::Star};
  const float tpp = app.screen.TwipsPerPixelX();
  for (int kind = 0; kind < 5; ++kind) {
    tk::ImageArray& stamps = StampArray(kind);
    tk::Image& templ = stamps.Template();
    templ.SetPicture(SharedStamp(kinds[kind]));
    templ.Move(0, 0, static_cast<float>(templ.GetPicture()->Width()) * tpp,
               static_cast<float>(templ.GetPicture()->Height()) * tpp);
    templ.SetToolTipText(kStampTip);
    templ.SetMousePointer(tk::kPointerSizeAll);
    stamps.MouseDown = [this, kind](int16_t i, int16_t b, int16_t s, float x, float y) {
      Stamp_MouseDown(kind, i, b, s, x, y);
    };
    stamps.MouseMove = [this, kind](int16_t i, int16_t b, int16_t s, float x, float y) {
      Stamp_MouseMove(kind, i, b, s, x, y);
    };
    stamps.MouseUp = [this, kind](int16_t i, int16_t b, int16_t s, float x, float y) {
      Stamp_MouseUp(kind, i, b, s, x, y);
    };
  }
  DesignBanner();
}

Form1::~Form1() = default;

tk::ImageArray& Form1::StampArray(int kind) {
  switch (kind) {
    case 0: return imgsmiley;
    case 1: return imgx;
    case 2: return imgcheck;
    case 3: return imgarrow;
    default: return imgstar;
  }
}

CRegSettings& Form1::Settings() {
  if (!settings_) settings_ = std::make_unique<CRegSettings>(app.system.UserRegistry());
  return *settings_;
}
