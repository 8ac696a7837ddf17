// The keyboard modes, the stamps and Clear, driven through the overlay's real key and pointer handlers.
#include "fixture.h"
#include "resources/artwork.h"

namespace {

constexpr int kVkNumpad8 = 104;
constexpr char kTip[] = "Click and drag to move. Right-click to remove.";
using Counts = std::array<int32_t, 5>;

class StampsTest : public LumoraTest {
 protected:
  // How many pixels of a stamp drawn with its top-left at (x0, y0) the frame shows wrongly: opaque ones must
  // show the artwork, clear ones what `under` shows there.
  int StampMismatches(artwork::Stamp stamp, int x0, int y0, const raster::Bitmap& under) {
    const raster::Bitmap& picture = artwork::StampPicture(stamp);
    int wrong = 0;
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x) {
        const uint32_t alpha = picture.At(x, y) >> 24;
        if (alpha == 255) wrong += Shown(x0 + x, y0 + y) != Rgb(picture.At(x, y));
        if (alpha == 0) wrong += Shown(x0 + x, y0 + y) != Rgb(under.At(x0 + x, y0 + y));
      }
    return wrong;
  }
};

TEST_F(StampsTest, AnyKeyUpClearsEveryFlagAndAnAutoRepeatSetsItsOwnAgain) {
  Form1& f = StartSession();
  ClickWithKey(kVkNumpad8, 500, 500);  // the keypad's 8 places no star
  KeyDown(kVkControl);
  KeyDown('S');
  KeyUp('S');
  // Ctrl is still down, yet its flag is gone. The moves still report Ctrl, which rules out a stroke; without
  // the flag there is no ellipse either.
  Drag(100, 100, 300, 200, kControl);
  EXPECT_TRUE(Marks() == 0 && f.Ink().Empty());
  KeyDown(kVkControl);  // the held key repeats
  Drag(100, 100, 300, 200, kControl);
  EXPECT_EQ(f.ovalCount, 1);
  KeyUp(kVkControl);

  // Upper case is the same S key with Shift held: the click places a smiley, not a rectangle.
  sys.modifiers = 1;
  KeyDown('S');
  Press(300, 300, tk::mk::kLButton | kShift);
  Release(300, 300, kShift);
  KeyUp('S');
  // The characters the keys type change nothing: no flag, so a click places nothing, and no mark goes.
  for (int ch : {'s', 'S', 'x', '8'}) Char(ch);
  Press(700, 700);
  Release(700, 700);
  EXPECT_TRUE(f.imgsmiley[1] && Marks() == 2u) << "the ellipse and the smiley, no rectangle";
}

TEST_F(StampsTest, TheFirstHeldKeyInTheOrderSXCA8PlacesItsStampWithTheMiddleOfTheLeftEdgeOnTheClick) {
  Form1& f = StartSession();
  using Case = std::tuple<std::vector<int>, int, float, float, Box>;  // keys held, kind, click, box
  const Case cases[] = {
      {{'8', 'A'}, 3, 3000, 2000, {3000, 1617.5f, 1095, 765}},  // on a rectangle: placed there all the same
      {{'X', 'S'}, 0, 15000.25f, 100, {15000.25f, -252.5f, 705, 705}},  // near the top: a negative Top
      {{'C', 'X'}, 1, 6000, 6000, {6000, 5707.5f, 795, 585}},
      {{'A', 'C'}, 2, 6000, 6000, {6000, 5587.5f, 900, 825}},
      {{'8'}, 4, 28500, 8000, {28500, 7505, 1050, 990}},  // near the right edge: runs off
  };
  RectTwips(2500, 1500, 4000, 2500);
  HoverTwips(3000, 2000);
  for (const auto& [held, kind, x, y, expected] : cases) {
    for (int vk : held) KeyDown(vk);
    DragTwips({{x, y}, {x + 300, y}});  // a placing press starts nothing a move could go on with
    KeyUp(held[0]);
    EXPECT_EQ(BoxOf(f.StampArray(kind)[1]), expected) << kind;
  }
  EXPECT_EQ(std::tuple(f.stampCount, RectBox(1), f.Ink().Empty()),
            std::tuple(Counts{1, 1, 1, 1, 1}, Box{2500, 1500, 1500, 1000}, true));
}

TEST_F(StampsTest, AStampIsDraggedWithTheLeftButtonAloneTakesItsTooltipAlongAndGoesOnARightRelease) {
  Form1& f = StartSession();
  ClickWithKey('S', 300, 300);  // pixels [300, 347) x [276, 323): 276.5 goes to the even neighbour
  Hover(310, 300);
  EXPECT_EQ(std::tuple(Window().ToolTip(), Window().ToolTipRect(), f.CurrentPointer()),
            std::tuple(kTip, raster::Rect{300, 276, 347, 324}, int(tk::kPointerSizeAll)));
  Hover(347, 300);
  EXPECT_EQ(std::pair(Window().ToolTip(), f.CurrentPointer()),
            std::pair(std::string(), int(tk::kPointerCustom)));

  // A stamp key held changes nothing. The grab point is kept in whole twips, halves to even (367.5 is 368).
  KeyDown('S');
  Press(310, 301);
  EXPECT_TRUE(Window().Captured());
  MoveTo(900, 700);  // far outside the stamp in one step
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), (Box{13350, 10132, 705, 705}));
  MoveTo(950, 700);
  Release(950, 700);
  KeyUp('S');
  const Box placed{14100, 10132, 705, 705};
  EXPECT_EQ(std::tuple(BoxOf(f.imgsmiley[1]), f.stampCount[0], Window().Captured()),
            std::tuple(placed, 1, false));
  Hover(952, 702);
  EXPECT_EQ(Window().ToolTipRect(), (raster::Rect{940, 675, 987, 722}));

  // A stroke that passes over the stamp stays a stroke and leaves the stamp alone.
  Drag(800, 700, 1100, 700, 0, 12);
  EXPECT_TRUE(BoxOf(f.imgsmiley[1]) == placed && f.Ink().MaskAt(1050, 700) != 0xFFFFFFFFu);

  Press(960, 700);
  Mouse(tk::wm::kRButtonDown, 960, 700, tk::mk::kLButton | tk::mk::kRButton);
  MoveTo(1000, 800, tk::mk::kLButton | tk::mk::kRButton);
  EXPECT_EQ(BoxOf(f.imgsmiley[1]), placed) << "both buttons do not drag";
  Release(1000, 800, tk::mk::kRButton);
  ASSERT_NE(f.imgsmiley[1], nullptr) << "a left release leaves the stamp";
  Mouse(tk::wm::kRButtonUp, 1000, 800, 0);  // still captured by the stamp
  EXPECT_EQ(f.imgsmiley[1], nullptr);

  // A stopped session shows no tooltip, and none comes back over a spot a stamp has left.
  ClickWithKey('S', 300, 300);
  Hover(310, 300);
  f.mnupophl_Click();
  EXPECT_EQ(Window().ToolTip(), "");
  f.mnupophl_Click();
  Char('.');
  Hover(310, 300);
  EXPECT_EQ(Window().ToolTip(), "");
}

TEST_F(StampsTest, FullStopDeleteTheMenuAndEscClearEveryMarkKeepThePictureAndOnlyEscEndsTheSession) {
  PaintScreenPattern();
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  const tk::Picture picture = f.GetPicture();
  const std::tuple<const char*, int, int, const char*> ways[] = {{"full stop", '.', 0, nullptr},
                                                                 {"held Delete", 0, kVkDelete, nullptr},
                                                                 {"menu", 0, 0, "&Clear"},
                                                                 {"Esc", 27, 0, nullptr}};
  for (const auto& [name, ch, vk, menu] : ways) {
    SCOPED_TRACE(name);
    Drag(100, 100, 200, 150, kShift);
    CtrlDrag(100, 300, 200, 400);
    for (int kind = 0; kind < 5; ++kind) ClickWithKey(kStampKeys[kind], 300 + 120 * kind, 600);
    Drag(100, 800, 900, 800);
    Hover(150, 350);
    Hover(150, 125);
    ASSERT_TRUE(f.overRect && f.overOval);
    if (ch) Char(ch);
    for (int repeat = 0; vk && repeat < 2; ++repeat) KeyDown(vk);  // a held Delete repeats
    if (menu) {
      ChooseNext(menu);
      Hover(800, 800);  // off the rectangle, or the right click would delete it
      RightClick(800, 800);
    }
    const bool ends = ch == 27;
    EXPECT_EQ(std::tuple(Marks(), f.Visible(), f.mnupophl.Caption, DifferingPixels(Frame(), clean)),
              std::tuple(0u, !ends, ends ? "Start highlighting" : "Stop highlighting", 0));
    EXPECT_TRUE(f.GetPicture() == picture && f.MousePointer() == tk::kPointerCustom);
    if (ends) break;
    // Where the rectangle was, a right click without moving opens the menu and leaves the template alone.
    sys.popups.clear();
    RightClick(150, 125);
    EXPECT_TRUE(sys.popups.size() == 1 && !f.shapeArrRect.Template().Visible());
  }
}

TEST_F(StampsTest, StampsCoverShapesNewestOnTopAndTheirClearPixelsShowWhatIsUnder) {
  PaintScreenPattern();
  Form1& f = StartSession();
  Drag(150, 280, 400, 330, kShift);  // a rectangle and a stroke under where the smiley goes
  Drag(100, 300, 500, 300);
  const raster::Bitmap under = Frame();
  ClickWithKey('S', 200, 300);  // pixels [200, 247) x [276, 323)
  EXPECT_EQ(StampMismatches(artwork::Stamp::Smiley, 200, 276, under), 0);
  Drag(100, 250, 400, 350, kShift);  // a rectangle drawn afterwards over it
  EXPECT_EQ(StampMismatches(artwork::Stamp::Smiley, 200, 276, Frame()), 0) << "above the newer rectangle";
  ClickWithKey('X', 180, 300);  // pixels [180, 233) x [280, 319), over the smiley's left part
  EXPECT_EQ(StampMismatches(artwork::Stamp::X, 180, 280, Frame()), 0) << "the newer x is on top";
  RightClick(215, 300);
  EXPECT_TRUE(f.imgx[1] == nullptr && sys.popups.empty()) << "a right click where both lie takes the newest";
  EXPECT_EQ(StampMismatches(artwork::Stamp::Smiley, 200, 276, Frame()), 0);
}

}  // namespace
