// The banner in the overlay's top-left corner: its two links, the slide out on a double click and back in
// from the very top-left pixel, and the dialog that tells how to bring it back.
#include "app/form1.h"
#include "guidance/form5.h"
#include "guidance/quickref.h"
#include "platform/units.h"
#include "resources/artwork.h"
#include "settings/setting_values.h"

namespace {
constexpr int32_t kSlideStep = 200;  // twips per tick
}

void Form1::DesignBanner() {
  Image1.SetPicture(tk::Picture(&artwork::ArtPicture(artwork::Art::Banner), [](const raster::Bitmap*) {}));
  Image1.Move(0, -15, 5100, 840);
  Image1.SetToolTipText("Double-click to hide. Right-click anywhere on screen for menu.");
  Image1.SetVisible(true);
  Image1.DblClick = [this] { Image1_DblClick(); };
  for (tk::Label* link : {&lblhlp, &Label1}) {
    link->SetTransparent(true);
    link->MakeLink();
    tk::Font bold = link->GetFont();
    bold.bold = true;
    link->SetFont(bold);
  }
  lblhlp.SetCaption("Help");
  lblhlp.Click = [this] { mnupophlp_Click(); };
  Label1.SetCaption("Quick Reference");
  Label1.Click = [this] { mnuqref_Click(); };
  PlaceBannerLinks();
  Timer1.SetInterval(1);
  Timer1.SetEnabled(false);
  Timer1.Tick = [this] { Timer1_Timer(); };
}

void Form1::PlaceBannerLinks() {
  // The links sit inside the banner; their places are pixels at 96 DPI, a fifteenth of the banner's twips.
  const int left = tk::RoundToInt32(Image1.Left() / 15.0), top = tk::RoundToInt32(Image1.Top() / 15.0);
  lblhlp.Move(left + 10, top + 34, 30, 18);
  Label1.Move(left + 51, top + 34, 99, 18);
}

void Form1::MoveBanner(float left, float top) {
  Image1.Move(left, top);
  PlaceBannerLinks();
}

void Form1::Image1_DblClick() {
  banner.BannerHidden = -1;
  Timer1.SetEnabled(true);
}

void Form1::BannerCorner() {
  banner.BannerHidden = 0;
  Timer1.SetEnabled(true);
}

void Form1::Timer1_Timer() {
  if (!banner.BannerHidden) {
    if (Image1.Left() >= 0)
      Timer1.SetEnabled(false);
    else
      MoveBanner(Image1.Left() + kSlideStep, Image1.Top());
    return;
  }
  // A slide out steps from the offset, which is 0 whenever one begins, not from where the banner is.
  banner.BannerOffset -= kSlideStep;
  MoveBanner(static_cast<float>(banner.BannerOffset), Image1.Top());
  if (-Image1.Width() > static_cast<float>(banner.BannerOffset)) {
    banner.BannerOffset = 0;
    // Stopped before the dialog opens, so no tick moves the banner while it is up.
    Timer1.SetEnabled(false);
    if (Settings().GetSetting(settings::kSection, settings::kShowBannerMessage, "0") == "0") {
      Form5 dialog(app, banner.arrowForward);
      dialog.Show(tk::kModal, this);
    }
  }
}

void Form1::mnuqref_Click() {
  frmQuickRef card(app);
  card.Show(tk::kModal, this);
}
