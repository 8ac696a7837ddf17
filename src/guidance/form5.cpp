#include "guidance/form5.h"

#include "guidance/pictures.h"
#include "resources/artwork.h"
#include "settings/setting_values.h"

Form5::Form5(tk::App& application, bool& arrowForward)
    : tk::Form(application, "Form5"),
      Label(Add<tk::Label>("Label")),
      Check1(Add<tk::CheckBox>("Check1")),
      cmdok(Add<tk::CommandButton>("cmdok")),
      arrow(AddImage()),
      Timer(Add<tk::Timer>("Timer")),
      arrowForward_(arrowForward),
      store_(application.system.UserRegistry()) {
  // A framed box without a title bar: OK is the only way out.
  SetCaption("");
  SetBorderStyle(tk::kBorderFixedSingle);
  SetControlBox(false);
  SetClientSize(334, 132);  // 5010 x 1980 twips
  SetStartUpPosition(tk::kStartCenterScreen);

  // Twips divided by 15: pixels at 96 DPI.
  Label.SetCaption(
      "Move the cursor to the very top-left corner of the screen to bring back the notification banner.");
  Label.SetTransparent(true);
  Label.Move(87, 7, 230, 54);
  Check1.SetCaption("Don't show me this anymore.");
  Check1.Move(124, 48, 156, 16);
  cmdok.SetCaption("OK");
  cmdok.Move(87, 80, 230, 37);
  cmdok.SetDefault(true);
  cmdok.Click = [this] { cmdok_Click(); };
  PlaceArt(arrow, artwork::ArtPicture(artwork::Art::Arrow), 0, 0);
  Timer.SetInterval(100);
  Timer.Tick = [this] { Timer_Timer(); };
}

void Form5::Form_Load() {
  store_.AppName(settings::kAppName);
  store_.Company(settings::kCompany);
}

void Form5::Timer_Timer() {
  // The arrow hops along the diagonal towards the corner and back.
  arrowForward_ = !arrowForward_;
  const float step = arrowForward_ ? 100.0f : -100.0f;
  arrow.Move(arrow.Left() + step, arrow.Top() + step);
}

void Form5::cmdok_Click() {
  store_.SaveSetting(settings::kSection, settings::kShowBannerMessage, std::to_string(Check1.Value()));
  Unload();
}
