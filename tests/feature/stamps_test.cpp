// The keyboard modes, the stamps and Clear, driven through the overlay's real key and pointer handlers.
#include <array>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "fixture.h"
#include "resources/artwork.h"

namespace {

constexpr uint32_t kYellow = 0x0000FFFF;
constexpr int kVkShift = 16;
constexpr int kVkControl = 17;
constexpr int kVkDelete = 46;
constexpr int kVkNumpad8 = 104;
constexpr int kCharEscape = 27;
constexpr uintptr_t kShift = tk::mk::kShift;
constexpr uintptr_t kControl = tk::mk::kControl;
constexpr char kTip[] = "Click and drag to move. Right-click to remove.";

// The stamp keys in the order of the stampCount slots: smiley, x, check, arrow, star.
constexpr int kStampKeys[] = {'S', 'X', 'C', 'A', '8'};
constexpr artwork::Stamp kPictures[] = {artwork::Stamp::Smiley, artwork::Stamp::X, artwork::Stamp::Check,
                                        artwork::Stamp::Arrow, artwork::Stamp::Star};

// ctrlHeld, keySHeld, keyXHeld, keyCHeld, keyAHeld, key8Held.
using Flags = std::array<bool, 6>;
constexpr Flags kNoFlag{};

class StampsTest : public LumoraTest {
 protected:
  Flags HeldFlags() const {
    return {form->ctrlHeld, form->keySHeld, form->keyXHeld, form->keyCHeld, form->keyAHeld, form->key8Held};
  }
  std::vector<tk::ImageArray*> StampArrays() {
    return {&form->imgsmiley, &form->imgx, &form->imgcheck, &form->imgarrow, &form->imgstar};
  }
  // Every shape and stamp the user made; the templates do not count.
  size_t Marks() {
    size_t marks = form->shapeArrRect.Count() + form->ShapeArrOv.Count() - 2;
    for (auto* stamps : StampArrays()) marks += stamps->Count() - 1;
    return marks;
  }
};

// --- Key flags ---

TEST_F(StampsTest, AnyKeyUpClearsEveryFlagUntilAnAutoRepeatSetsItsOwnAgain) {
  Form1& f = StartSession();
  KeyDown(kVkControl);
  KeyDown('S');
  EXPECT_TRUE(f.ctrlHeld);
  EXPECT_TRUE(f.keySHeld);
  KeyUp('S');
  EXPECT_EQ(HeldFlags(), kNoFlag) << "Ctrl is still down, yet its flag is gone";

  // The moves still report Ctrl, which rules out a stroke; without the flag there is no ellipse either.
  Drag(100, 100, 300, 200, kControl);
  EXPECT_EQ(f.ovalCount, 0);
  EXPECT_EQ(f.rectCount, 0);
  EXPECT_TRUE(f.Ink().Empty());

  KeyDown(kVkControl);  // the held key repeats
  EXPECT_EQ(HeldFlags(), (Flags{true, false, false, false, false, false}));
  Drag(100, 100, 300, 200, kControl);
  EXPECT_EQ(f.ovalCount, 1);
  KeyUp(kVkControl);
}

TEST_F(StampsTest, FlagsFollowTheVirtualKeyCodesWhateverTheCase) {
  Form1& f = StartSession();
  const struct {
    int vk;
    size_t flag;
  } keys[] = {{kVkControl, 0}, {'S', 1}, {'X', 2}, {'C', 3}, {'A', 4}, {'8', 5}};
  for (const auto& key : keys) {
    SCOPED_TRACE(key.vk);
    KeyDown(key.vk);
    Flags expected{};
    expected[key.flag] = true;
    EXPECT_EQ(HeldFlags(), expected);
    KeyUp(kVkShift);  // any key's release
    EXPECT_EQ(HeldFlags(), kNoFlag);
  }

  KeyDown(kVkNumpad8);
  EXPECT_EQ(HeldFlags(), kNoFlag) << "the keypad's 8 is not the star key";
  KeyDown(kVkShift);
  EXPECT_EQ(HeldFlags(), kNoFlag) << "Shift alone sets nothing";

  // Upper case is the same S key with Shift held: the click places a smiley, not a rectangle.
  sys.modifiers = 1;
  KeyDown('S');
  Press(300, 300, tk::mk::kLButton | kShift);
  Release(300, 300, kShift);
  KeyUp('S');
  sys.modifiers = 0;
  EXPECT_NE(f.imgsmiley[1], nullptr);
  EXPECT_EQ(f.rectCount, 0);

  // The characters the keys type change nothing: no flag, and no mark is cleared.
  for (int ch : {'s', 'S', 'x', '8'}) Char(ch);
  EXPECT_EQ(HeldFlags(), kNoFlag);
  EXPECT_NE(f.imgsmiley[1], nullptr);
}

// --- Placement ---

TEST_F(StampsTest, WithSeveralStampKeysHeldTheFirstInTheOrderSXCA8Decides) {
  Form1& f = StartSession();
  auto clickHolding = [&](std::initializer_list<int> held, int x, int y) {
    for (int vk : held) KeyDown(vk);
    Press(x, y);
    Release(x, y);
    KeyUp(*held.begin());
  };
  clickHolding({'X', 'S'}, 100, 100);
  clickHolding({'C', 'X'}, 200, 100);
  clickHolding({'A', 'C'}, 300, 100);
  clickHolding({'8', 'A'}, 400, 100);
  clickHolding({'8'}, 500, 100);
  EXPECT_EQ(f.stampCount, (std::array<int32_t, 5>{1, 1, 1, 1, 1}));
  for (auto* stamps : StampArrays()) {
    SCOPED_TRACE(stamps->Name());
    EXPECT_EQ(stamps->Count(), 2u);
    ASSERT_NE((*stamps)[1], nullptr);
    EXPECT_TRUE((*stamps)[1]->Visible());
  }
  EXPECT_EQ(BoxOf(f.imgx[1]).left, 3000.f) << "the x came from the second click";
  EXPECT_TRUE(f.Ink().Empty()) << "a placement starts no stroke";
  EXPECT_FALSE(f.isDrawing);

  // With the key released a left drag is a stroke again.
  Drag(100, 600, 300, 600);
  EXPECT_FALSE(f.Ink().Empty());
  EXPECT_EQ(f.stampCount, (std::array<int32_t, 5>{1, 1, 1, 1, 1}));
}

TEST_F(StampsTest, AStampIsPlacedWithTheMiddleOfItsLeftEdgeOnTheClick) {
  Form1& f = StartSession();
  KeyDown('A');
  f.Form_MouseDown(1, 0, 3000, 2000);
  KeyUp('A');
  ASSERT_NE(f.imgarrow[1], nullptr);
  EXPECT_EQ(BoxOf(f.imgarrow[1]), (Box{3000, 1617.5f, 1095, 765}));
  EXPECT_TRUE(f.imgarrow[1]->Visible());
  EXPECT_EQ(Rgb(Frame().At(200, 133)), Rgb(artwork::StampPicture(artwork::Stamp::Arrow).At(0, 25)))
      << "the arrow's tip is on the clicked pixel";

  // Nothing is clamped: near the top a stamp gets a negative Top, near the right edge it runs off.
  KeyDown('S');
  f.Form_MouseDown(1, 0, 15000.25f, 100);
  KeyUp('S');
  ASSERT_NE(f.imgsmiley[1], nullptr);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{15000.25f, -252.5f, 705, 705}));
  EXPECT_EQ(f.downX, 15000);
  EXPECT_EQ(f.downY, 100);

  KeyDown('8');
  f.Form_MouseDown(1, 0, 28500, 8000);
  KeyUp('8');
  ASSERT_NE(f.imgstar[1], nullptr);
  EXPECT_EQ(BoxOf(f.imgstar[1]), (Box{28500, 7505, 1050, 990}));

  for (int vk : {'X', 'C'}) {
    KeyDown(vk);
    f.Form_MouseDown(1, 0, 6000, 6000);
    KeyUp(vk);
  }
  EXPECT_EQ(BoxOf(f.imgx[1]), (Box{6000, 6000 - 585 / 2.f, 795, 585}));
  EXPECT_EQ(BoxOf(f.imgcheck[1]), (Box{6000, 6000 - 825 / 2.f, 900, 825}));
}

TEST_F(StampsTest, IndexesAreNeverReusedAfterARemovalOrAClear) {
  Form1& f = StartSession();
  ClickWithKey('S', 100, 100);
  ClickWithKey('S', 200, 100);
  ClickWithKey('S', 300, 100);
  EXPECT_EQ(f.imgsmiley.Indexes(), (std::vector<int16_t>{0, 1, 2, 3}));
  RightClick(220, 100);
  EXPECT_EQ(f.imgsmiley.Indexes(), (std::vector<int16_t>{0, 1, 3}));
  EXPECT_TRUE(sys.popups.empty()) << "a right click on a stamp opens no menu";
  KeyDown(kVkDelete);
  ClickWithKey('S', 400, 400);
  EXPECT_EQ(f.imgsmiley.Indexes(), (std::vector<int16_t>{0, 4}));
  EXPECT_EQ(f.stampCount[0], 4);
}

TEST_F(StampsTest, PastTheLastIndexAStampIsRefusedSilently) {
  Form1& f = StartSession();
  f.stampCount[0] = 32766;
  ClickWithKey('S', 100, 100);
  ASSERT_NE(f.imgsmiley[32767], nullptr);
  ClickWithKey('S', 300, 100);
  EXPECT_EQ(f.stampCount[0], 32768);
  EXPECT_EQ(f.imgsmiley.Count(), 2u);
  EXPECT_TRUE(f.Ink().Empty()) << "the refused press is still not a stroke";
  EXPECT_TRUE(sys.msgBoxes.empty());
  ClickWithKey('X', 500, 100);
  EXPECT_NE(f.imgx[1], nullptr) << "other kinds go on";
}

TEST_F(StampsTest, APressOnAStampBelongsToItEvenWithAStampKeyHeld) {
  Form1& f = StartSession();
  ClickWithKey('S', 300, 300);
  ASSERT_EQ(BoxOf(f.imgsmiley[1]), (Box{4500, 4147.5f, 705, 705}));

  KeyDown('S');
  Press(310, 301);
  MoveTo(410, 351);
  Release(410, 351);
  KeyUp('S');
  EXPECT_EQ(f.stampCount[0], 1);
  EXPECT_EQ(f.imgsmiley.Count(), 2u);
  // The grab point inside the stamp is kept in whole twips, halves to even (367.5 becomes 368), hence the
  // half twip short of the pointer's travel.
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{6000, 4897, 705, 705}));
  EXPECT_TRUE(f.Ink().Empty());
  EXPECT_FALSE(f.isDrawing);
}

TEST_F(StampsTest, AStampKeyOverARectanglePlacesAStampThere) {
  Form1& f = StartSession();
  Drag(100, 100, 300, 200, kShift);
  Hover(150, 150);
  ASSERT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  ClickWithKey('S', 150, 150);
  ASSERT_NE(f.imgsmiley[1], nullptr);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{2250, 1897.5f, 705, 705}));
  EXPECT_EQ(f.rectCount, 1);
  EXPECT_EQ(BoxOf(f.shapeArrRect[1]), (Box{1500, 1500, 3000, 1500}));
  EXPECT_FALSE(f.isMovingRect);
}

// --- Drag, removal, tooltip ---

TEST_F(StampsTest, BothButtonsDoNotDragALeftReleaseKeepsAndARightReleaseRemoves) {
  Form1& f = StartSession();
  ClickWithKey('S', 300, 300);
  const Box placed = BoxOf(f.imgsmiley[1]);

  sys.Mouse(*form, tk::wm::kLButtonDown, 310, 300, tk::mk::kLButton);
  sys.Mouse(*form, tk::wm::kRButtonDown, 310, 300, tk::mk::kLButton | tk::mk::kRButton);
  MoveTo(400, 400, tk::mk::kLButton | tk::mk::kRButton);
  MoveTo(500, 450, tk::mk::kLButton | tk::mk::kRButton);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), placed);

  sys.Mouse(*form, tk::wm::kLButtonUp, 500, 450, tk::mk::kRButton);
  ASSERT_NE(f.imgsmiley[1], nullptr) << "a left release leaves the stamp";
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), placed);

  // The right button comes up while the pointer is still captured by the stamp.
  sys.Mouse(*form, tk::wm::kRButtonUp, 500, 450, 0);
  EXPECT_EQ(f.imgsmiley[1], nullptr);
  EXPECT_TRUE(sys.popups.empty());
  EXPECT_TRUE(f.Ink().Empty());
  EXPECT_EQ(f.rectCount + f.ovalCount, 0);
}

TEST_F(StampsTest, OverAStampThePointerIsTheMoveArrowsWithItsTooltip) {
  Form1& f = StartSession();
  const int kWidths[] = {47, 53, 60, 73, 70};
  for (int kind = 0; kind < 5; ++kind) {
    SCOPED_TRACE(kind);
    ClickWithKey(kStampKeys[kind], 200 + 150 * kind, 300);
    tk::Image* stamp = f.StampArray(kind)[1];
    ASSERT_NE(stamp, nullptr);
    const Box placed = BoxOf(stamp);

    Hover(210 + 150 * kind, 300);
    EXPECT_EQ(Window().ToolTip(), kTip);
    EXPECT_EQ(f.CurrentPointer(), tk::kPointerSizeAll);
    EXPECT_EQ(f.MousePointer(), tk::kPointerCustom) << "the overlay's own pointer is untouched";
    EXPECT_EQ(BoxOf(stamp), placed);

    Hover(200 + 150 * kind + kWidths[kind], 300);  // the first pixel right of the stamp
    EXPECT_EQ(Window().ToolTip(), "");
    EXPECT_EQ(f.CurrentPointer(), tk::kPointerCustom);
  }
}

TEST_F(StampsTest, TheTooltipFollowsItsStampAndEndsWithTheSession) {
  Form1& f = StartSession();
  ClickWithKey('S', 300, 300);  // twips 4500, 4147.5 to 5205, 4852.5
  Hover(310, 300);
  EXPECT_EQ(Window().ToolTipRect(), (raster::Rect{300, 276, 347, 324}));

  // Dragged away, the stamp takes its tooltip along; where it was, nothing is left.
  Press(310, 300);
  MoveTo(410, 350);
  Release(410, 350);
  Hover(412, 352);
  EXPECT_EQ(Window().ToolTip(), kTip);
  EXPECT_EQ(Window().ToolTipRect(), (raster::Rect{400, 327, 447, 374}));

  // A stopped session shows no tooltip, and none comes back over a spot the stamp has left.
  f.mnupophl_Click();
  EXPECT_EQ(Window().ToolTip(), "");
  f.mnupophl_Click();
  Char('.');
  Hover(412, 352);
  EXPECT_EQ(Window().ToolTip(), "");
  EXPECT_EQ(f.CurrentPointer(), tk::kPointerCustom);
}

TEST_F(StampsTest, APressCapturesThePointerUntilTheRelease) {
  Form1& f = StartSession();
  ClickWithKey('S', 300, 300);
  Press(310, 300);
  EXPECT_TRUE(Window().Captured());
  MoveTo(900, 700);  // far outside the stamp in one step
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{13350, 10148, 705, 705}));
  MoveTo(950, 700);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{14100, 10148, 705, 705}));
  Release(950, 700);
  EXPECT_FALSE(Window().Captured());
  EXPECT_TRUE(f.Ink().Empty()) << "none of it reached the overlay";

  // The other way round: a stroke that passes over the stamp stays a stroke and leaves the stamp alone.
  Drag(800, 700, 1100, 700, 0, 12);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{14100, 10148, 705, 705}));
  EXPECT_NE(f.Ink().MaskAt(960, 700), 0xFFFFFFFFu);
  EXPECT_NE(f.Ink().MaskAt(1050, 700), 0xFFFFFFFFu);
}

// --- Clear ---

TEST_F(StampsTest, ClearRemovesEveryMarkAndKeepsTemplatesPictureAndCounters) {
  PaintScreenPattern();
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  const tk::Picture picture = f.GetPicture();
  std::vector<Box> templates{BoxOf(&f.shapeArrRect.Template()), BoxOf(&f.ShapeArrOv.Template())};
  for (auto* stamps : StampArrays()) templates.push_back(BoxOf(&stamps->Template()));

  Drag(100, 100, 200, 150, kShift);
  Drag(300, 100, 400, 150, kShift);
  Drag(500, 100, 600, 150, kShift);
  KeyDown(kVkControl);
  Drag(100, 300, 200, 400, kControl);
  Drag(300, 300, 400, 400, kControl);
  KeyUp(kVkControl);
  for (int kind = 0; kind < 5; ++kind) ClickWithKey(kStampKeys[kind], 100 + 120 * kind, 600);
  Drag(100, 800, 900, 800);
  ASSERT_EQ(Marks(), 10u);
  Hover(150, 125);
  ASSERT_TRUE(f.overRect);

  KeyDown(kVkDelete);
  EXPECT_EQ(Marks(), 0u);
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0) << "only the captured screen is left";
  EXPECT_EQ(f.GetPicture(), picture);
  std::vector<Box> templatesAfter{BoxOf(&f.shapeArrRect.Template()), BoxOf(&f.ShapeArrOv.Template())};
  for (auto* stamps : StampArrays()) templatesAfter.push_back(BoxOf(&stamps->Template()));
  EXPECT_EQ(templatesAfter, templates);
  EXPECT_EQ(f.rectCount, 3);
  EXPECT_EQ(f.ovalCount, 2);
  EXPECT_EQ(f.stampCount, (std::array<int32_t, 5>{1, 1, 1, 1, 1}));
  EXPECT_EQ(f.curRect, 0);
  EXPECT_EQ(f.curOval, 0);
  EXPECT_FALSE(f.overRect);
  EXPECT_FALSE(f.overOval);
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  EXPECT_TRUE(f.Visible());

  // Where the rectangle was, a right click without moving opens the menu and leaves the template alone.
  RightClick(150, 125);
  EXPECT_EQ(sys.popups.size(), 1u);
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());
  EXPECT_EQ(f.shapeArrRect.Count(), 1u);

  Drag(100, 100, 200, 150, kShift);
  EXPECT_NE(f.shapeArrRect[4], nullptr);
  ClickWithKey('A', 700, 700);
  EXPECT_NE(f.imgarrow[2], nullptr);
}

TEST_F(StampsTest, TheFullStopAndTheMenuClearAndKeepTheSession) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  auto mark = [&] {
    Drag(100, 100, 200, 150, kShift);
    ClickWithKey('X', 400, 400);
    Drag(100, 600, 500, 600);
    ASSERT_NE(DifferingPixels(Frame(), clean), 0);
  };

  Char('.');
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0) << "with nothing to clear nothing changes";

  mark();
  Char('.');
  EXPECT_EQ(Marks(), 0u);
  EXPECT_TRUE(f.Ink().Empty());
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(f.mnupophl.Caption, "Stop highlighting");

  mark();
  Hover(800, 800);
  ChooseNext("&Clear");
  RightClick(800, 800);
  ASSERT_EQ(sys.popups.size(), 1u);
  EXPECT_EQ(Marks(), 0u);
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0);
  EXPECT_TRUE(f.Visible());

  mark();
  KeyDown(kVkDelete);
  KeyDown(kVkDelete);  // a held Delete repeats
  EXPECT_EQ(Marks(), 0u);
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0);
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(f.mnupophl.Caption, "Stop highlighting");
}

TEST_F(StampsTest, EscClearsAndEndsTheSession) {
  Form1& f = StartSession();
  Drag(100, 100, 200, 150, kShift);
  ClickWithKey('C', 400, 400);
  Drag(100, 600, 500, 600);
  Char(kCharEscape);
  EXPECT_FALSE(f.Visible());
  EXPECT_EQ(f.mnupophl.Caption, "Start highlighting");
  EXPECT_TRUE(sys.trayIcon.has_value());
  EXPECT_EQ(Marks(), 0u);
  EXPECT_TRUE(f.Ink().Empty());

  sys.screen = raster::Bitmap(1920, 1080, 0xFF808080);
  f.mnupophl_Click();
  EXPECT_EQ(DifferingPixels(Frame(), sys.screen), 0) << "the next session starts with no marks";
}

TEST_F(StampsTest, StampsAndShapesSurviveAStopAndStart) {
  Form1& f = StartSession();
  Drag(100, 100, 200, 150, kShift);
  KeyDown(kVkControl);
  Drag(300, 100, 400, 200, kControl);
  KeyUp(kVkControl);
  for (int kind = 0; kind < 5; ++kind) ClickWithKey(kStampKeys[kind], 100 + 120 * kind, 600);
  std::vector<Box> before{BoxOf(f.shapeArrRect[1]), BoxOf(f.ShapeArrOv[1])};
  for (auto* stamps : StampArrays()) before.push_back(BoxOf((*stamps)[1]));

  f.mnupophl_Click();
  EXPECT_FALSE(f.Visible());
  sys.screen = raster::Bitmap(1920, 1080, 0xFFFFFFFF);
  f.mnupophl_Click();

  std::vector<Box> after{BoxOf(f.shapeArrRect[1]), BoxOf(f.ShapeArrOv[1])};
  for (auto* stamps : StampArrays()) {
    after.push_back(BoxOf((*stamps)[1]));
    EXPECT_TRUE((*stamps)[1] && (*stamps)[1]->Visible());
  }
  EXPECT_EQ(after, before);
  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(Rgb(frame.At(150, 125)), Rgb(Masked(0xFFFFFFFF, kYellow)))
      << "the rectangle over the new picture";
  const raster::Bitmap& smiley = artwork::StampPicture(artwork::Stamp::Smiley);
  ASSERT_EQ(smiley.At(23, 10) >> 24, 255u);
  EXPECT_EQ(Rgb(frame.At(100 + 23, 576 + 10)), Rgb(smiley.At(23, 10))) << "the smiley over the new picture";

  ClickWithKey('S', 900, 900);
  EXPECT_NE(f.imgsmiley[2], nullptr);
}

// --- Pixels ---

TEST_F(StampsTest, TransparentPixelsShowWhatIsUnderAndOpaqueOnesCoverIt) {
  PaintScreenPattern();
  Form1& f = StartSession();
  Drag(150, 280, 400, 330, kShift);  // a rectangle and a stroke under where the smiley goes
  Drag(100, 300, 500, 300);
  const raster::Bitmap under = Frame();

  ClickWithKey('S', 200, 300);
  ASSERT_EQ(BoxOf(f.imgsmiley[1]), (Box{3000, 4147.5f, 705, 705}));
  const int x0 = 200, y0 = 276;  // 4147.5 twips is pixel 276.5, which goes to the even neighbour
  const raster::Bitmap& picture = artwork::StampPicture(artwork::Stamp::Smiley);
  const raster::Bitmap& frame = Frame();
  int transparent = 0, opaque = 0, wrong = 0;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const uint32_t alpha = picture.At(x, y) >> 24;
      const raster::Pixel shown = Rgb(frame.At(x0 + x, y0 + y));
      if (alpha == 0) {
        ++transparent;
        wrong += shown != Rgb(under.At(x0 + x, y0 + y));
      } else if (alpha == 255) {
        ++opaque;
        wrong += shown != Rgb(picture.At(x, y));
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(transparent, 100);
  EXPECT_GT(opaque, 1000);
  // Around the stamp nothing changed.
  int outside = 0;
  for (int y = y0 - 5; y < y0 + 52; ++y)
    for (int x = x0 - 5; x < x0 + 52; ++x)
      if (x < x0 || x >= x0 + 47 || y < y0 || y >= y0 + 47)
        outside += Rgb(frame.At(x, y)) != Rgb(under.At(x, y));
  EXPECT_EQ(outside, 0);
}

TEST_F(StampsTest, TheNewestStampLiesOnTopAndStampsLieAboveShapes) {
  Form1& f = StartSession();
  ClickWithKey('S', 200, 300);  // pixels [200, 247) x [276, 323)
  ClickWithKey('X', 180, 300);  // pixels [180, 233) x [280, 319), over the smiley's left part
  ASSERT_NE(f.imgx[1], nullptr);
  Drag(100, 250, 400, 350, kShift);  // a rectangle drawn afterwards over both
  ASSERT_EQ(f.rectCount, 1);

  const raster::Bitmap& smiley = artwork::StampPicture(artwork::Stamp::Smiley);
  const raster::Bitmap& cross = artwork::StampPicture(artwork::Stamp::X);
  auto checkSmileyShows = [&](bool xPresent) {
    const raster::Bitmap& frame = Frame();
    int wrong = 0, checked = 0;
    for (int y = 0; y < smiley.Height(); ++y) {
      for (int x = 0; x < smiley.Width(); ++x) {
        const int fx = 200 + x, fy = 276 + y;
        const bool underX = xPresent && fx >= 180 && fx < 233 && fy >= 280 && fy < 319 &&
                            (cross.At(fx - 180, fy - 280) >> 24) != 0;
        if (underX || (smiley.At(x, y) >> 24) != 255) continue;
        ++checked;
        wrong += Rgb(frame.At(fx, fy)) != Rgb(smiley.At(x, y));
      }
    }
    EXPECT_GT(checked, 500);
    EXPECT_EQ(wrong, 0) << "the smiley's opaque pixels are not masked by the rectangle";
  };
  checkSmileyShows(true);

  const raster::Bitmap& frame = Frame();
  int xOnTop = 0, wrong = 0;
  for (int y = 280; y < 319; ++y) {
    for (int x = 200; x < 233; ++x) {
      const raster::Pixel p = cross.At(x - 180, y - 280);
      if ((p >> 24) != 255) continue;
      ++xOnTop;
      wrong += Rgb(frame.At(x, y)) != Rgb(p);
    }
  }
  EXPECT_GT(xOnTop, 20);
  EXPECT_EQ(wrong, 0) << "where they overlap the x covers the smiley";

  // A right click where both lie goes to the newest.
  RightClick(215, 300);
  EXPECT_EQ(f.imgx[1], nullptr);
  EXPECT_NE(f.imgsmiley[1], nullptr);
  EXPECT_TRUE(sys.popups.empty());
  checkSmileyShows(false);
}

}  // namespace
