// The annotation engine: pointer dispatch, freehand strokes, rubber-band rectangles and ellipses, and the
// handles that resize, move and delete them, driven through the overlay's real handlers.
#include <functional>

#include "fixture.h"

namespace {

using AnnotateTest = LumoraTest;

struct HoverCase {
  float x, y;
  int pointer;
  const char* code;
};

void ExpectHover(Form1& f, const std::vector<HoverCase>& points) {
  for (const HoverCase& p : points) {
    f.Form_MouseMove(0, 0, p.x, p.y);
    EXPECT_EQ(std::pair(f.MousePointer(), f.handleCode), std::pair(p.pointer, std::string(p.code)))
        << p.x << "," << p.y;
  }
}

TEST_F(AnnotateTest, OnlyExactlyTheLeftOrRightButtonActsAndADragKeepsItsGrabPointEvenPastTheCorner) {
  Form1& f = StartSession();
  f.Form_MouseDown(1, 0, 1500, 1500);  // a stroke begins
  KeyDown('S');
  KeyDown(kVkControl);
  for (int16_t button : {0, 2, 3, 4, 5, 7}) f.Form_MouseDown(button, 0, 6000, 6000);
  f.Form_MouseMove(3, 1, 3000, 3000);
  f.Form_MouseMove(3, 2, 3000, 3000);
  KeyUp(kVkControl);
  f.Form_MouseUp(3, 0, 3000, 3000);
  f.Form_MouseUp(4, 0, 3000, 3000);
  EXPECT_TRUE(Marks() == 0 && f.isDrawing && sys.popups.empty())
      << "a non-left press places no stamp, two buttons make no shape, only a left release ends a stroke";
  f.Form_MouseUp(1, 0, 3000, 3000);
  EXPECT_FALSE(f.isDrawing);

  // A right or two-button drag into a shape does not pick it up; a left one does.
  RectTwips(3000, 2250, 1499.75f, 1499.75f);
  f.Form_MouseMove(2, 0, 2200, 1900);
  f.Form_MouseMove(3, 0, 2200, 1900);
  EXPECT_FALSE(f.isMovingRect);
  f.Form_MouseMove(1, 0, 2200, 1900);
  EXPECT_TRUE(f.isMovingRect);
  // The horizontal grab offset is kept as it is, the vertical one in whole twips. Shift makes no new shape.
  f.Form_MouseDown(1, 1, 2200, 1900);
  f.Form_MouseMove(1, 1, 2300, 2000);
  f.Form_MouseMove(1, 1, 0, 0);
  EXPECT_EQ(std::pair(RectBox(1), f.rectCount), std::pair(Box{1599.75f, 1600, 1500.25f, 750.25f}, 1));
}

TEST_F(AnnotateTest, TheRubberBandSpansPressAndPointerAndLevelWithThePressIsAOnePixelSquare) {
  Form1& f = StartSession();
  using Path = std::vector<std::pair<float, float>>;  // the press, then each move; the release at the last
  const std::pair<Path, Box> cases[] = {
      {{{1500, 2250}, {3000.25f, 1500.25f}}, {1500, 1500.25f, 1500.25f, 749.75f}},      // right and above
      {{{3000, 1500}, {1499.75f, 2250.25f}}, {1499.75f, 1500, 1500.25f, 750.25f}},      // left and below
      {{{3000, 2250}, {1500.25f, 1499.75f}}, {1500.25f, 1499.75f, 1499.75f, 750.25f}},  // left and above
      // Right and below takes the pointer in whole twips, halves to even, as the press point is.
      {{{1500.5f, 1501.5f}, {3000.5f, 2251.5f}}, {1500, 1502, 1500, 750}},
      {{{1500, 1500}, {2000, 1500}, {3000, 1500}}, {3000, 1500, 15, 15}},
      {{{6000, 1500}, {6000, 3000}}, {6000, 3000, 15, 15}},
      {{{1500, 6000}, {3000, 7500}, {4500, 6000}}, {4500, 6000, 15, 15}},  // level again after a box
      // One drag reshapes one element wherever the pointer wanders.
      {{{1500, 1500}, {900, 600}, {2000, 2000}, {600, 2500}, {3000, 2250}}, {1500, 1500, 1500, 750}},
  };
  int made = 0;
  for (const auto& [path, expected] : cases) {
    DragTwips(path, 1);
    ASSERT_EQ(f.rectCount, ++made);
    EXPECT_EQ(RectBox(made), expected) << made;
  }
}

TEST_F(AnnotateTest, OnlyShiftAloneMakesARectangleAndTheCtrlFlagAnEllipseInAPlainOrShiftDrag) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  Press(100, 100, tk::mk::kLButton | kShift);
  Release(100, 100, kShift);
  sys.modifiers = 4;  // Alt
  Drag(100, 100, 300, 200, kShift);
  sys.modifiers = 0;
  EXPECT_EQ(std::pair(f.rectCount, DifferingPixels(Frame(), clean)), std::pair(0, 0))
      << "Shift click, Alt+Shift";

  KeyDown(kVkControl);
  Drag(100, 100, 300, 200, kShift | kControl);
  EXPECT_TRUE(f.rectCount == 0 && f.Ink().Empty()) << "Ctrl+Shift";
  EXPECT_EQ(OvalBox(1), (Box{1500, 1500, 3000, 1500}));
  // An ellipse is a ring the line width thick: its middle and the corners of its box show the screen.
  for (auto [x, y] : Points{{200, 102}, {102, 150}, {297, 150}}) EXPECT_EQ(Shown(x, y), Yellowed(x, y));
  for (auto [x, y] : Points{{200, 150}, {200, 115}, {101, 101}}) EXPECT_EQ(Shown(x, y), Under(x, y));
  // The Ctrl flag is still set, as when its key-up went to another window: a plain drag adds an ellipse.
  Drag(100, 400, 300, 500);
  EXPECT_EQ(OvalBox(2), (Box{1500, 6000, 3000, 1500}));
  EXPECT_FALSE(f.Ink().Empty());
  // A Shift drag with the flag set: the rectangle step creates, the ellipse step reshapes the older one.
  Drag(500, 500, 700, 600, kShift);
  EXPECT_EQ(f.ovalCount, 2);
  EXPECT_EQ(std::pair(RectBox(1), OvalBox(2)),
            std::pair(Box{7500, 7500, 3000, 1500}, Box{7500, 7500, 3000, 1500}));
}

TEST_F(AnnotateTest, PastTheLastIndexNoShapeOrStampIsMade) {
  Form1& f = StartSession();
  f.rectCount = 32766;
  f.stampCount[0] = 32766;
  Drag(100, 100, 300, 200, kShift);
  ClickWithKey('S', 100, 500);
  ASSERT_TRUE(f.shapeArrRect[32767] && f.imgsmiley[32767]) << "32767 is the last index that exists";
  const raster::Bitmap withLast = Frame();

  Drag(400, 100, 600, 200, kShift);
  Drag(400, 300, 600, 400, kShift);
  f.ovalCount = 32767;
  CtrlDrag(400, 500, 600, 600);
  ClickWithKey('S', 300, 500);
  EXPECT_EQ(std::pair(f.rectCount, f.stampCount[0]), std::pair(32769, 32768)) << "counts grow once per drag";
  EXPECT_EQ(DifferingPixels(Frame(), withLast), 0) << "nothing drawn, no stroke from the refused press";
}

TEST_F(AnnotateTest, HoverFindsCornersThenLowestIndexThenRectanglesWhereTheyAreNowAndARightClickDeletes) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);
  // A miss or an inside hit leaves handleCode as it was.
  ExpectHover(f, {{3050, 1450, tk::kPointerSizeNESW, "rt"}, {3000, 1000, tk::kPointerCustom, "rt"}});
  EXPECT_TRUE(!f.overRect && f.curRect == 1) << "a miss does not forget the current rectangle";
  ExpectHover(f, {{2200, 1900, tk::kPointerSizeAll, "rt"}});
  EXPECT_TRUE(f.overRect);

  // Where the handle bands overlap, corners win, left before right and bottom before top.
  HoverTwips(20000, 12000);  // a sizing pointer would make the next press a resize
  RectTwips(6000, 1500, 6060, 2250);
  RectTwips(9000, 1500, 10500, 1560);
  ExpectHover(f, {{6030, 2250, tk::kPointerSizeNESW, "lb"},
                  {6030, 1500, tk::kPointerSizeNWSE, "lt"},
                  {6030, 1900, tk::kPointerSizeWE, "l"},
                  {2000, 2250, tk::kPointerSizeNS, "b"},
                  {6055, 2250, tk::kPointerSizeNWSE, "rb"},
                  {6055, 1500, tk::kPointerSizeNESW, "rt"},
                  {9000, 1530, tk::kPointerSizeNESW, "lb"},
                  {10500, 1530, tk::kPointerSizeNWSE, "rb"},
                  {9500, 1530, tk::kPointerSizeNS, "t"}});

  // The lowest index wins, and rectangles win over ellipses.
  HoverTwips(20000, 12000);
  RectTwips(2200, 1700, 3700, 2100);                         // 4, on top of 1
  ExpectHover(f, {{2210, 1900, tk::kPointerSizeAll, "t"}});  // inside 1, on the left handle band of 4
  const int first = f.curRect;
  ExpectHover(f, {{3010, 1900, tk::kPointerSizeWE, "r"}});  // on the right handle of 1, inside 4
  const int second = f.curRect;
  HoverTwips(3500, 1900);  // inside 4 alone
  EXPECT_EQ(std::tuple(first, second, f.curRect), std::tuple(1, 1, 4));
  ShapeTwips(true, 6000, 3000, 7500, 4500);                  // ellipse 1
  RectTwips(5500, 2500, 6500, 5000);                         // rectangle 5 over its left half
  ExpectHover(f, {{6000, 3750, tk::kPointerSizeAll, "r"}});  // the ellipse's left handle, inside rectangle 5
  EXPECT_TRUE(f.curRect == 5 && f.overRect && !f.overOval && f.curOval == 0);
  ExpectHover(f, {{7500, 3750, tk::kPointerSizeWE, "r2"}});  // outside every rectangle
  EXPECT_TRUE(f.curOval == 1 && f.overOval && !f.overRect);
  ExpectHover(f, {{20000, 12000, tk::kPointerCustom, "r2"}});
  EXPECT_FALSE(f.overRect || f.overOval);

  // The hover test looks only at the shapes listed near the pointer: a shape moved, resized, hidden, shown or
  // unloaded must be found where it is now and nowhere else.
  tk::Shape& rect = *f.shapeArrRect[1];
  tk::Shape& oval = *f.ShapeArrOv[ShapeTwips(true, 30000, 15000, 36000, 16500)];
  struct Case {
    std::function<void()> change;
    HoverCase at;
  };
  const Case cases[] = {
      {[&] { rect.Move(20000, 10000); }, {1700, 1600, tk::kPointerCustom, ""}},  // the old place
      {[] {}, {20700, 10400, tk::kPointerSizeAll, ""}},
      {[&] { rect.Move(20000, 10000, 9000, 750); }, {29040, 10400, tk::kPointerSizeWE, "r"}},
      {[&] { rect.SetVisible(false); }, {28000, 10400, tk::kPointerCustom, "r"}},
      {[&] { rect.SetVisible(true); }, {28000, 10400, tk::kPointerSizeAll, "r"}},
      {[&] { oval.Move(1000, 1000); }, {1000, 1750, tk::kPointerSizeWE, "l2"}},
      {[&] { f.shapeArrRect.Unload(rect.Index()); }, {28000, 10400, tk::kPointerCustom, "l2"}},
  };
  for (const Case& c : cases) {
    f.handleCode.clear();
    if (*c.at.code) f.handleCode = c.at.code;  // an inside hit or a miss keeps the code
    c.change();
    ExpectHover(f, {c.at});
  }

  // A right click deletes the shape under it and opens no menu; where it has gone, it opens the menu.
  Hover(66, 116);  // ellipse 2's left handle, outside its box and every rectangle
  RightClick(66, 116);
  Hover(400, 250);  // inside rectangle 5, on ellipse 1's left handle
  RightClick(400, 250);
  EXPECT_TRUE(!f.ShapeArrOv[2] && !f.shapeArrRect[5] && Marks() == 4 && sys.popups.empty());
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  RightClick(400, 250);
  EXPECT_EQ(sys.popups.size(), 1u);
}

TEST_F(AnnotateTest, EveryHandleResizesItsOwnEdgesAndTheInsideMovesTheShapeWithThePointer) {
  StartSession();
  // A box at L 3000, T 3000, W 3000, H 1500, grabbed on a handle's line or inside and dragged in two steps.
  struct Case {
    float x, y, dx, dy;
    Box after;
  };
  const Case cases[] = {
      {3000, 4500, 300, 150, {3300, 3000, 2700, 1650}},  // left bottom
      {6000, 4500, 300, 150, {3000, 3000, 3300, 1650}},
      {3000, 3000, 300, 150, {3300, 3150, 2700, 1350}},
      {6000, 3000, 300, 150, {3000, 3150, 3300, 1350}},  // right top
      {3000, 3750, 300, 150, {3300, 3000, 2700, 1500}},
      {6000, 3750, 300, 150, {3000, 3000, 3300, 1500}},
      {4500, 3000, 300, 150, {3000, 3150, 3000, 1350}},
      {4500, 4500, 300, 150, {3000, 3000, 3000, 1650}},
      {4000, 3500, 300, 150, {3300, 3150, 3000, 1500}},
      {4000, 3500, -9000, -6000, {-6000, -3000, 3000, 1500}},  // off the screen
      {3040, 3750, 100, 100, {3140, 3000, 2860, 1500}},  // grabbed inside: the edge jumps to the pointer
      {3000, 3750, 3500, 0, {4750, 3000, 1250, 1500}},   // past the other edge the last good box stays
  };
  for (bool oval : {false, true}) {
    for (const Case& c : cases) {
      const int index = ShapeTwips(oval, 3000, 3000, 6000, 4500);
      HoverTwips(c.x, c.y);
      DragTwips({{c.x, c.y}, {c.x + c.dx / 2, c.y + c.dy / 2}, {c.x + c.dx, c.y + c.dy}});
      EXPECT_EQ(oval ? OvalBox(index) : RectBox(index), c.after) << oval << " at " << c.x << "," << c.y;
      KeyDown(kVkDelete);  // a clean overlay for the next case
    }
  }
}

TEST_F(AnnotateTest, AResizeStopsAtZeroWidthAndARefusedStepSkipsOnlyItselfWhileShiftMakesARectangle) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  RectTwips(1500, 1500, 3000, 2250);
  HoverTwips(1500, 1900);
  DragTwips({{1500, 1900}, {3000, 1900}});
  EXPECT_EQ(RectBox(1), (Box{3000, 1500, 0, 750}));
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0) << "a zero-width rectangle covers no pixel";

  // A handle drag with Shift held runs the rectangle step too; a refused resize does not stop it.
  ExpectHover(f, {{3000, 1900, tk::kPointerSizeWE, "l"}});
  f.Form_MouseDown(1, 1, 3000, 1900);
  f.Form_MouseMove(1, 1, 3500, 2100);
  EXPECT_EQ(std::pair(RectBox(1), RectBox(2)), std::pair(Box{3000, 1500, 0, 750}, Box{3000, 1900, 500, 200}));
  f.Form_MouseMove(1, 1, 2500, 2100);
  EXPECT_EQ(std::pair(RectBox(1), RectBox(2)),
            std::pair(Box{2500, 1500, 500, 750}, Box{2500, 1900, 500, 200}));
}

TEST_F(AnnotateTest, StrokesAreChainedSegmentsThatAClickDoesNotStartAndShiftHeldInterrupts) {
  Preset("Line Width", "11");  // an odd width puts no pixel centre exactly on the pen's edge
  Form1& f = StartSession();
  Press(600, 600);
  Release(600, 600);
  EXPECT_TRUE(f.Ink().Empty()) << "a click without movement";

  // Each segment starts 5 twips below the previous point: 7503 twips is pixel row 500.2; five twips lower
  // it rounds to 501, which moves the round cap down a row.
  f.Form_MouseDown(1, 0, 7500, 7503);
  f.Form_MouseMove(1, 0, 10500, 4500);
  f.Form_MouseMove(1, 0, 10500, 1500);
  EXPECT_EQ(std::pair(Shown(500, 506), Shown(500, 507)), std::pair(Yellowed(500, 506), Under(500, 507)));
  EXPECT_EQ(Shown(700, 200), Yellowed(700, 200)) << "the second segment goes on from the first one's end";
  f.Form_MouseUp(1, 0, 10500, 1500);

  // Released mid-drag, Shift leaves the stroke to start from the press point.
  Press(100, 100, tk::mk::kLButton | kShift);
  MoveTo(200, 150, tk::mk::kLButton | kShift);
  MoveTo(300, 200, tk::mk::kLButton | kShift);
  EXPECT_EQ(f.Ink().MaskAt(200, 150), 0xFFFFFFFFu) << "no segment while Shift is held";
  MoveTo(400, 400);
  MoveTo(500, 400);
  Release(500, 400);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 3000, 1500})) << "the rectangle keeps its last Shift step";
  for (auto [x, y] : Points{{250, 250}, {350, 350}, {450, 400}}) EXPECT_EQ(Shown(x, y), Yellowed(x, y)) << x;
  EXPECT_EQ(Shown(350, 300), Under(350, 300)) << "not from the last Shift point";

  // There and back across a rectangle: the stroke neither moves it nor leaves a pixel darker than one pen
  // AND the screen.
  Drag(20, 150, 900, 150, 0, 16);
  Drag(900, 152, 20, 152, 0, 16);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 3000, 1500}));
  for (int x = 30; x <= 890; x += 10) EXPECT_EQ(Shown(x, 150), Yellowed(x, 150)) << x;
}

}  // namespace
