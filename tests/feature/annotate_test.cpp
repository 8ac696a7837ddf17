// The annotation engine: pointer dispatch, freehand strokes, rubber-band rectangles and ellipses, and the
// handles that resize, move and delete them, driven through the overlay's real handlers.
#include <ostream>
#include <string>
#include <utility>

#include "fixture.h"

namespace {

constexpr uint32_t kYellow = 0x0000FFFF;
constexpr uint32_t kCyan = 0x00FFFF00;
constexpr int kVkControl = 17;
constexpr int kVkDelete = 46;
constexpr uintptr_t kShift = tk::mk::kShift;
constexpr uintptr_t kControl = tk::mk::kControl;

class AnnotateTest : public LumoraTest {
 protected:
  // A Shift drag in twips, straight from the press to (x2, y2); gives the new rectangle's index.
  int RectTwips(float x1, float y1, float x2, float y2) {
    form->Form_MouseDown(1, 1, x1, y1);
    form->Form_MouseMove(1, 1, x2, y2);
    form->Form_MouseUp(1, 1, x2, y2);
    return form->rectCount;
  }
  // A Ctrl drag in twips; gives the new ellipse's index.
  int OvalTwips(float x1, float y1, float x2, float y2) {
    KeyDown(kVkControl);
    form->Form_MouseDown(1, 2, x1, y1);
    form->Form_MouseMove(1, 2, x2, y2);
    form->Form_MouseUp(1, 2, x2, y2);
    KeyUp(kVkControl);
    return form->ovalCount;
  }
  void HoverTwips(float x, float y) { form->Form_MouseMove(0, 0, x, y); }
  Box RectBox(int index) { return BoxOf(form->shapeArrRect[index]); }
  Box OvalBox(int index) { return BoxOf(form->ShapeArrOv[index]); }
};

// --- Dispatch ---

TEST_F(AnnotateTest, PressesMovesAndReleasesWithOtherButtonStatesChangeNothing) {
  Form1& f = StartSession();
  f.Form_MouseDown(1, 0, 1500, 1500);  // a stroke begins
  ASSERT_TRUE(f.isDrawing);

  KeyDown('S');
  for (int16_t button : {0, 2, 3, 4, 5, 7}) f.Form_MouseDown(button, 0, 6000, 6000);
  EXPECT_EQ(f.downX, 1500);
  EXPECT_EQ(f.downY, 1500);
  EXPECT_EQ(f.lastX, 1500);
  EXPECT_EQ(f.stampCount[0], 0) << "a stamp key does not turn a non-left press into a placement";
  EXPECT_FALSE(f.isResizing || f.isMovingRect || f.isMovingOval);
  KeyUp('S');

  // Both buttons down matches neither the rectangle nor the ellipse step.
  KeyDown(kVkControl);
  f.Form_MouseMove(3, 1, 3000, 3000);
  f.Form_MouseMove(3, 2, 3000, 3000);
  KeyUp(kVkControl);
  EXPECT_EQ(f.rectCount, 0);
  EXPECT_EQ(f.ovalCount, 0);

  // Only a release of exactly the left button ends the stroke; no other one opens the menu either.
  f.Form_MouseUp(3, 0, 3000, 3000);
  f.Form_MouseUp(4, 0, 3000, 3000);
  EXPECT_TRUE(f.isDrawing);
  EXPECT_TRUE(sys.popups.empty());
  f.Form_MouseUp(1, 0, 3000, 3000);
  EXPECT_FALSE(f.isDrawing);

  // A right or two-button drag into a shape does not pick it up; a left one does.
  RectTwips(6000, 6000, 9000, 7500);
  f.Form_MouseMove(2, 0, 7500, 6750);
  f.Form_MouseMove(3, 0, 7500, 6750);
  EXPECT_FALSE(f.isMovingRect);
  f.Form_MouseMove(1, 0, 7500, 6750);
  EXPECT_TRUE(f.isMovingRect);
}

TEST_F(AnnotateTest, AMoveToTheTopLeftCornerIsLostEvenMidDrag) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);
  HoverTwips(2200, 1900);
  f.Form_MouseDown(1, 0, 2200, 1900);
  ASSERT_TRUE(f.isMovingRect);
  f.Form_MouseMove(1, 0, 2300, 2000);
  f.Form_MouseMove(1, 0, 0, 0);
  EXPECT_EQ(RectBox(1), (Box{1600, 1600, 1500, 750}));
  EXPECT_EQ(f.downX, 2300);
  EXPECT_EQ(f.downY, 2000);
  f.Form_MouseMove(1, 0, 2400, 2100);
  EXPECT_EQ(RectBox(1), (Box{1700, 1700, 1500, 750})) << "the drag goes on from the step before the corner";
  f.Form_MouseUp(1, 0, 2400, 2100);

  // In a stroke the corner draws nothing; one pixel away from it is an ordinary point.
  Press(50, 600);
  MoveTo(0, 0);
  EXPECT_TRUE(f.Ink().Empty());
  EXPECT_EQ(f.lastX, 750);
  EXPECT_EQ(f.lastY, 9000);
  MoveTo(0, 1);
  EXPECT_FALSE(f.Ink().Empty());
  Release(0, 1);
}

TEST_F(AnnotateTest, ARefusedResizeIsSkippedAndTheRubberBandStillRuns) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);
  HoverTwips(3000, 1900);
  ASSERT_EQ(f.MousePointer(), tk::kPointerSizeWE);
  f.Form_MouseDown(1, 1, 3000, 1900);
  ASSERT_TRUE(f.isResizing);

  // A handle drag with Shift held runs both the resize and the rectangle step on every move.
  f.Form_MouseMove(1, 1, 1200, 2100);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1500, 750})) << "a negative width is refused as a whole";
  ASSERT_EQ(f.rectCount, 2);
  EXPECT_EQ(RectBox(2), (Box{1200, 1900, 1800, 200}));

  f.Form_MouseMove(1, 1, 2500, 2100);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1000, 750}));
  EXPECT_EQ(RectBox(2), (Box{2500, 1900, 500, 200}));
  f.Form_MouseUp(1, 1, 2500, 2100);
}

// --- Rubber band ---

TEST_F(AnnotateTest, TheRubberBandSpansPressAndPointerInEveryDirection) {
  Form1& f = StartSession();
  struct Case {
    float x1, y1, x2, y2;
    Box expected;
  };
  const Case cases[] = {
      {1500, 1500, 3000, 2250, {1500, 1500, 1500, 750}},                      // right and below
      {3000, 2250, 1500, 1500, {1500, 1500, 1500, 750}},                      // left and above
      {1500, 2250, 3000.25f, 1500.25f, {1500, 1500.25f, 1500.25f, 749.75f}},  // right and above
      {3000, 1500, 1499.75f, 2250.25f, {1499.75f, 1500, 1500.25f, 750.25f}},  // left and below
      {3000, 2250, 1500.25f, 1499.75f, {1500.25f, 1499.75f, 1499.75f, 750.25f}},
      // Right and below takes the pointer in whole twips, halves to even, as the press point is.
      {1500.5f, 1501.5f, 3000.5f, 2251.5f, {1500, 1502, 1500, 750}},
  };
  int made = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2);
    const int index = RectTwips(c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(index, ++made);
    EXPECT_EQ(RectBox(index), c.expected);
  }

  // One drag reshapes one element, wherever the pointer wanders, and keeps the last step's box.
  const std::pair<float, float> path[] = {{900, 600}, {2000, 2000}, {600, 2500}, {3000, 2250}};
  f.Form_MouseDown(1, 1, 1500, 1500);
  for (auto [x, y] : path) f.Form_MouseMove(1, 1, x, y);
  f.Form_MouseUp(1, 1, 3000, 2250);
  EXPECT_EQ(f.rectCount, made + 1);
  const tk::Shape* last = f.shapeArrRect[f.rectCount];
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(BoxOf(last), (Box{1500, 1500, 1500, 750}));
  EXPECT_TRUE(last->Visible());
  EXPECT_EQ(last->Style().drawMode, tk::kDrawModeMaskPen);
}

TEST_F(AnnotateTest, LevelWithThePressTheShapeIsAOnePixelSquareAtThePointer) {
  Form1& f = StartSession();
  f.Form_MouseDown(1, 1, 1500, 1500);
  f.Form_MouseMove(1, 1, 2000, 1500);
  f.Form_MouseMove(1, 1, 3000, 1500);
  f.Form_MouseUp(1, 1, 3000, 1500);
  EXPECT_EQ(RectBox(1), (Box{3000, 1500, 15, 15}));

  f.Form_MouseDown(1, 1, 6000, 1500);
  f.Form_MouseMove(1, 1, 6000, 3000);
  f.Form_MouseUp(1, 1, 6000, 3000);
  EXPECT_EQ(RectBox(2), (Box{6000, 3000, 15, 15}));

  // A drag that ends level shrinks to the square even after it was a box.
  f.Form_MouseDown(1, 1, 1500, 6000);
  f.Form_MouseMove(1, 1, 3000, 7500);
  f.Form_MouseMove(1, 1, 4500, 6000);
  f.Form_MouseUp(1, 1, 4500, 6000);
  EXPECT_EQ(RectBox(3), (Box{4500, 6000, 15, 15}));

  // On screen that is exactly one pixel.
  const raster::Pixel screen = sys.screen.At(800, 700);
  Drag(600, 700, 800, 700, kShift);
  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(Rgb(frame.At(800, 700)), Rgb(Masked(screen, kYellow)));
  EXPECT_EQ(Rgb(frame.At(799, 700)), Rgb(screen));
  EXPECT_EQ(Rgb(frame.At(801, 700)), Rgb(screen));
  EXPECT_EQ(Rgb(frame.At(800, 701)), Rgb(screen));
  EXPECT_EQ(Rgb(frame.At(700, 700)), Rgb(screen)) << "no stroke either: Shift was held";
}

TEST_F(AnnotateTest, OnlyShiftAloneMakesARectangleAndCtrlWithShiftMakesAnEllipse) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();

  Press(100, 100, tk::mk::kLButton | kShift);
  Release(100, 100, kShift);
  EXPECT_EQ(f.rectCount, 0) << "a Shift click";
  EXPECT_EQ(f.shapeArrRect.Count(), 1u);

  sys.modifiers = 4;  // Alt
  Drag(100, 100, 300, 200, kShift);
  sys.modifiers = 0;
  EXPECT_EQ(f.rectCount, 0) << "Alt+Shift";
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0) << "Alt+Shift draws neither a rectangle nor a stroke";

  KeyDown(kVkControl);
  Drag(100, 100, 300, 200, kShift | kControl);
  KeyUp(kVkControl);
  EXPECT_EQ(f.rectCount, 0) << "Ctrl+Shift";
  ASSERT_EQ(f.ovalCount, 1);
  EXPECT_EQ(OvalBox(1), (Box{1500, 1500, 3000, 1500}));
  EXPECT_TRUE(f.Ink().Empty());
}

TEST_F(AnnotateTest, ACtrlFlagWhoseReleaseWasMissedAddsAnEllipseToAStroke) {
  Form1& f = StartSession();
  KeyDown(kVkControl);  // its key-up went to another window
  Drag(100, 400, 300, 500);
  EXPECT_EQ(f.rectCount, 0);
  ASSERT_EQ(f.ovalCount, 1);
  EXPECT_EQ(OvalBox(1), (Box{1500, 6000, 3000, 1500}));
  EXPECT_FALSE(f.Ink().Empty());
}

TEST_F(AnnotateTest, AStepOfTheOtherKindReshapesAnOlderShapeButNeverATemplate) {
  Form1& f = StartSession();
  const Box rectTemplate = BoxOf(&f.shapeArrRect.Template());

  // An ellipse drag that turns into a Shift drag: there is no rectangle for the rectangle step to reshape.
  KeyDown(kVkControl);
  Press(100, 100);
  MoveTo(200, 200);
  MoveTo(300, 250, tk::mk::kLButton | kShift);
  Release(300, 250, kShift);
  KeyUp(kVkControl);
  EXPECT_EQ(f.rectCount, 0);
  EXPECT_EQ(f.shapeArrRect.Count(), 1u);
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());
  EXPECT_EQ(BoxOf(&f.shapeArrRect.Template()), rectTemplate);
  ASSERT_EQ(f.ovalCount, 1);
  EXPECT_EQ(OvalBox(1), (Box{1500, 1500, 3000, 2250}));

  // Shift in the move with the Ctrl flag still set: the rectangle step creates, the ellipse step then
  // reshapes the ellipse of the earlier drag to the same box.
  KeyDown(kVkControl);
  Drag(500, 500, 700, 600, kShift);
  KeyUp(kVkControl);
  EXPECT_EQ(f.rectCount, 1);
  EXPECT_EQ(f.ovalCount, 1);
  EXPECT_EQ(RectBox(1), (Box{7500, 7500, 3000, 1500}));
  EXPECT_EQ(OvalBox(1), (Box{7500, 7500, 3000, 1500}));
  EXPECT_FALSE(f.ShapeArrOv.Template().Visible());
}

TEST_F(AnnotateTest, PastTheLastIndexADragLeavesNoShape) {
  Form1& f = StartSession();
  f.rectCount = 32766;
  Drag(100, 100, 300, 200, kShift);
  ASSERT_NE(f.shapeArrRect[32767], nullptr) << "32767 is the last index that exists";
  const raster::Bitmap withLast = Frame();

  Drag(400, 100, 600, 200, kShift);
  EXPECT_EQ(f.rectCount, 32768);
  Drag(400, 300, 600, 400, kShift);
  EXPECT_EQ(f.rectCount, 32769) << "the count still grows once per drag";
  EXPECT_EQ(f.shapeArrRect.Count(), 2u);
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());

  f.ovalCount = 32767;
  KeyDown(kVkControl);
  Drag(400, 500, 600, 600, kControl);
  KeyUp(kVkControl);
  EXPECT_EQ(f.ovalCount, 32768);
  EXPECT_EQ(f.ShapeArrOv.Count(), 1u);
  EXPECT_FALSE(f.ShapeArrOv.Template().Visible());
  EXPECT_EQ(DifferingPixels(Frame(), withLast), 0);
}

// --- Hover ---

TEST_F(AnnotateTest, HoverFindsTheHandlesOfTheWorkedExample) {
  Form1& f = StartSession();
  ASSERT_EQ(RectTwips(1500, 1500, 3000, 2250), 1);
  ASSERT_EQ(RectBox(1), (Box{1500, 1500, 1500, 750}));
  struct Point {
    float x, y;
    int pointer;
    const char* code;  // handleCode afterwards: a miss or an inside hit leaves the last one
    bool over;
  };
  const Point points[] = {
      {1460, 2280, tk::kPointerSizeNESW, "lb", true}, {3050, 1450, tk::kPointerSizeNESW, "rt", true},
      {3000, 1000, tk::kPointerCustom, "rt", false},  {1530, 1900, tk::kPointerSizeWE, "l", true},
      {2200, 1900, tk::kPointerSizeAll, "l", true},   {2200, 2300, tk::kPointerSizeNS, "b", true},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    HoverTwips(p.x, p.y);
    EXPECT_EQ(f.MousePointer(), p.pointer);
    EXPECT_EQ(f.handleCode, p.code);
    EXPECT_EQ(f.overRect, p.over);
    EXPECT_EQ(f.curRect, 1) << "a miss does not forget the current rectangle";
    EXPECT_FALSE(f.isMovingRect) << "hovering without a button moves nothing";
  }
}

TEST_F(AnnotateTest, OnANarrowRectangleTheLeftHandlesWin) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 1560, 2250);
  ASSERT_EQ(RectBox(1), (Box{1500, 1500, 60, 750}));
  struct Point {
    float x, y;
    int pointer;
    const char* code;
  };
  const Point points[] = {
      {1530, 2250, tk::kPointerSizeNESW, "lb"}, {1530, 1500, tk::kPointerSizeNWSE, "lt"},
      {1530, 1900, tk::kPointerSizeWE, "l"},    {1555, 2250, tk::kPointerSizeNWSE, "rb"},
      {1555, 1500, tk::kPointerSizeNESW, "rt"},
  };
  for (const Point& p : points) {
    SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
    HoverTwips(p.x, p.y);
    EXPECT_EQ(f.MousePointer(), p.pointer);
    EXPECT_EQ(f.handleCode, p.code);
  }
}

TEST_F(AnnotateTest, TheLowerIndexWinsAndRectanglesWinOverEllipses) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);  // 1
  RectTwips(2200, 1700, 3700, 2100);  // 2, on top of 1

  HoverTwips(2210, 1900);  // inside 1, on the left handle band of 2
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  EXPECT_EQ(f.curRect, 1);
  HoverTwips(3010, 1900);  // on the right handle of 1, inside 2
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeWE);
  EXPECT_EQ(f.curRect, 1);
  HoverTwips(3500, 1900);  // inside 2 alone
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  EXPECT_EQ(f.curRect, 2);

  OvalTwips(6000, 3000, 7500, 4500);  // ellipse 1
  RectTwips(5500, 2500, 6500, 5000);  // rectangle 3 over its left half
  HoverTwips(6000, 3750);             // the ellipse's left handle, inside rectangle 3
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  EXPECT_EQ(f.curRect, 3);
  EXPECT_TRUE(f.overRect);
  EXPECT_FALSE(f.overOval);
  EXPECT_EQ(f.curOval, 0);

  HoverTwips(7500, 3750);  // the ellipse's right handle, outside every rectangle
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeWE);
  EXPECT_EQ(f.handleCode, "r2");
  EXPECT_EQ(f.curOval, 1);
  EXPECT_TRUE(f.overOval);
  EXPECT_FALSE(f.overRect);

  HoverTwips(20000, 12000);
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  EXPECT_FALSE(f.overRect);
  EXPECT_FALSE(f.overOval);
  EXPECT_EQ(f.curOval, 1);
}

TEST_F(AnnotateTest, AStrokeAcrossARectangleNeitherMovesItNorChangesThePointer) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);  // pixels 100..200 x 100..150
  const raster::Pixel screen = sys.screen.At(150, 125);
  Hover(50, 125);
  ASSERT_EQ(f.MousePointer(), tk::kPointerCustom);
  Press(50, 125);
  for (int x = 60; x <= 300; x += 20) MoveTo(x, 125);
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  EXPECT_FALSE(f.isMovingRect);
  EXPECT_FALSE(f.overRect);
  Release(300, 125);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1500, 750}));
  EXPECT_EQ(Rgb(Frame().At(150, 125)), Rgb(Masked(screen, kYellow))) << "stroke and rectangle, one tint";
}

// --- Resize ---

TEST_F(AnnotateTest, AResizeStopsAtZeroNeverFlipsAndAZeroWidthKeepsItsHandles) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  RectTwips(1500, 1500, 3000, 2250);
  HoverTwips(3000, 1900);
  ASSERT_EQ(f.handleCode, "r");
  f.Form_MouseDown(1, 0, 3000, 1900);

  f.Form_MouseMove(1, 0, 2500, 1900);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1000, 750}));
  f.Form_MouseMove(1, 0, 1200, 1900);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1000, 750})) << "the last good width stays";
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeWE) << "no hover test while resizing";
  f.Form_MouseMove(1, 0, 1499, 1900);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 1000, 750}));
  f.Form_MouseMove(1, 0, 2000, 1900);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 500, 750})) << "back on the valid side it follows again";
  f.Form_MouseMove(1, 0, 1500, 1900);
  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 0, 750}));
  f.Form_MouseUp(1, 0, 1500, 1900);

  EXPECT_EQ(DifferingPixels(Frame(), clean), 0) << "a zero-width rectangle covers no pixel";
  HoverTwips(1500, 1900);
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeWE);
  EXPECT_EQ(f.handleCode, "l");
  EXPECT_TRUE(f.overRect);
  HoverTwips(1500, 2250);
  EXPECT_EQ(f.handleCode, "lb");
}

TEST_F(AnnotateTest, TheGrabbedEdgeJumpsToThePointer) {
  Form1& f = StartSession();
  RectTwips(1500, 1500, 3000, 2250);
  HoverTwips(1540, 1900);  // 40 twips inside the left edge, still on its handle
  ASSERT_EQ(f.handleCode, "l");
  f.Form_MouseDown(1, 0, 1540, 1900);
  f.Form_MouseMove(1, 0, 1640, 1900);
  EXPECT_EQ(RectBox(1), (Box{1640, 1500, 1360, 750}));
  f.Form_MouseMove(1, 0, 1740, 2000);
  EXPECT_EQ(RectBox(1), (Box{1740, 1500, 1260, 750})) << "a left edge ignores the vertical travel";
  f.Form_MouseUp(1, 0, 1740, 2000);
}

TEST_F(AnnotateTest, EveryHandleOfRectanglesAndEllipsesMovesItsOwnEdges) {
  Form1& f = StartSession();
  // A box at L 3000, T 3000, W 3000, H 1500; each handle is grabbed on its line and dragged by (300, 150).
  struct Case {
    const char* code;
    float x, y;
    int pointer;
    Box after;
  };
  const Case cases[] = {
      {"lb", 3000, 4500, tk::kPointerSizeNESW, {3300, 3000, 2700, 1650}},
      {"rb", 6000, 4500, tk::kPointerSizeNWSE, {3000, 3000, 3300, 1650}},
      {"lt", 3000, 3000, tk::kPointerSizeNWSE, {3300, 3150, 2700, 1350}},
      {"rt", 6000, 3000, tk::kPointerSizeNESW, {3000, 3150, 3300, 1350}},
      {"l", 3000, 3750, tk::kPointerSizeWE, {3300, 3000, 2700, 1500}},
      {"r", 6000, 3750, tk::kPointerSizeWE, {3000, 3000, 3300, 1500}},
      {"t", 4500, 3000, tk::kPointerSizeNS, {3000, 3150, 3000, 1350}},
      {"b", 4500, 4500, tk::kPointerSizeNS, {3000, 3000, 3000, 1650}},
  };
  for (bool oval : {false, true}) {
    for (const Case& c : cases) {
      const std::string code = std::string(c.code) + (oval ? "2" : "");
      SCOPED_TRACE(code);
      const int index = oval ? OvalTwips(3000, 3000, 6000, 4500) : RectTwips(3000, 3000, 6000, 4500);
      HoverTwips(c.x, c.y);
      EXPECT_EQ(f.MousePointer(), c.pointer);
      EXPECT_EQ(f.handleCode, code);
      f.Form_MouseDown(1, 0, c.x, c.y);
      EXPECT_TRUE(f.isResizing);
      f.Form_MouseMove(1, 0, c.x + 300, c.y + 150);
      f.Form_MouseUp(1, 0, c.x + 300, c.y + 150);
      EXPECT_EQ(oval ? OvalBox(index) : RectBox(index), c.after);
      KeyDown(kVkDelete);  // a clean overlay for the next case
    }
  }
}

// --- Move ---

TEST_F(AnnotateTest, ADraggedShapeKeepsItsGrabPointUnderThePointer) {
  Form1& f = StartSession();
  RectTwips(3000, 2250, 1499.75f, 1499.75f);
  ASSERT_EQ(RectBox(1), (Box{1499.75f, 1499.75f, 1500.25f, 750.25f}));
  HoverTwips(2200, 1900);
  ASSERT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  f.Form_MouseDown(1, 1, 2200, 1900);
  EXPECT_TRUE(f.isMovingRect);
  EXPECT_FALSE(f.isDrawing);

  // The horizontal grab offset is kept as it is, the vertical one in whole twips. Shift makes no new shape.
  f.Form_MouseMove(1, 1, 2300, 2000);
  EXPECT_EQ(RectBox(1), (Box{1599.75f, 1600, 1500.25f, 750.25f}));
  EXPECT_EQ(f.rectCount, 1);
  // Nothing keeps a shape on the screen.
  f.Form_MouseMove(1, 0, -3000, -2000);
  EXPECT_EQ(RectBox(1), (Box{-3700.25f, -2400, 1500.25f, 750.25f}));
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  f.Form_MouseUp(1, 0, -3000, -2000);
  EXPECT_FALSE(f.isMovingRect);
  EXPECT_EQ(f.MousePointer(), tk::kPointerSizeAll) << "the pointer keeps its shape until the next move";
  EXPECT_TRUE(f.overRect);

  // An ellipse moves the same way, though the stale current rectangle is looked at first.
  OvalTwips(6000, 3000, 7500, 4500);
  HoverTwips(6750, 3750);
  ASSERT_EQ(f.curOval, 1);
  f.Form_MouseDown(1, 0, 6750, 3750);
  EXPECT_TRUE(f.isMovingOval);
  f.Form_MouseMove(1, 0, 6000, 3000);
  f.Form_MouseMove(1, 0, 5000, 3500);
  f.Form_MouseUp(1, 0, 5000, 3500);
  EXPECT_EQ(OvalBox(1), (Box{4250, 2750, 1500, 1500}));
  EXPECT_TRUE(f.Ink().Empty());
}

// --- Delete ---

TEST_F(AnnotateTest, ARightClickDeletesTheShapeUnderThePointerAndOpensTheMenuElsewhere) {
  Form1& f = StartSession();
  const raster::Bitmap clean = Frame();
  Drag(100, 100, 200, 150, kShift);
  KeyDown(kVkControl);
  Drag(300, 100, 400, 200, kControl);
  KeyUp(kVkControl);
  ASSERT_NE(DifferingPixels(Frame(), clean), 0);

  Hover(150, 125);
  ASSERT_EQ(f.MousePointer(), tk::kPointerSizeAll);
  RightClick(150, 125);
  EXPECT_EQ(f.shapeArrRect[1], nullptr);
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  EXPECT_EQ(f.curRect, 0);
  EXPECT_FALSE(f.overRect);

  Hover(402, 150);  // two pixels outside the ellipse's box: its right handle band
  ASSERT_EQ(f.handleCode, "r2");
  RightClick(402, 150);
  EXPECT_EQ(f.ShapeArrOv[1], nullptr);
  EXPECT_EQ(f.curOval, 0);
  EXPECT_FALSE(f.overOval);
  EXPECT_TRUE(sys.popups.empty()) << "deleting opens no menu";
  EXPECT_EQ(DifferingPixels(Frame(), clean), 0);

  Hover(800, 600);
  RightClick(800, 600);
  ASSERT_EQ(sys.popups.size(), 1u);
  const tk::PopupRecord& menu = sys.popups.back();
  ASSERT_TRUE(menu.pixels.has_value());
  EXPECT_EQ(*menu.pixels, (std::pair{800, 600}));
  EXPECT_EQ(menu.defaultItem, "mnupophl");
  ASSERT_FALSE(menu.entries.empty());
  EXPECT_EQ(menu.entries.front(), "Stop highlighting");
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());
  EXPECT_FALSE(f.ShapeArrOv.Template().Visible());

  // An over-flag left set with no current shape, as a Clear could leave it: the menu, never the template.
  f.overRect = true;
  f.curRect = 0;
  f.Form_MouseUp(2, 0, 3000, 3000);
  EXPECT_EQ(sys.popups.size(), 2u);
  EXPECT_EQ(f.shapeArrRect.Count(), 1u);
  EXPECT_FALSE(f.shapeArrRect.Template().Visible());
}

TEST_F(AnnotateTest, DeletingNeverLowersTheCounters) {
  Form1& f = StartSession();
  Drag(100, 100, 200, 150, kShift);
  Drag(300, 100, 400, 150, kShift);
  Drag(500, 100, 600, 150, kShift);
  Hover(550, 125);
  RightClick(550, 125);
  ASSERT_EQ(f.shapeArrRect[3], nullptr);
  EXPECT_EQ(f.rectCount, 3);
  Drag(700, 100, 800, 150, kShift);
  EXPECT_NE(f.shapeArrRect[4], nullptr) << "the rectangle after deleting 3 of 3 is 4";
  EXPECT_EQ(f.shapeArrRect[3], nullptr);

  KeyDown(kVkControl);
  Drag(100, 300, 200, 400, kControl);
  KeyUp(kVkControl);
  Hover(150, 350);
  RightClick(150, 350);
  ASSERT_EQ(f.ShapeArrOv[1], nullptr);
  KeyDown(kVkControl);
  Drag(100, 300, 200, 400, kControl);
  KeyUp(kVkControl);
  EXPECT_NE(f.ShapeArrOv[2], nullptr);
  EXPECT_EQ(f.ShapeArrOv[1], nullptr);
}

// --- Pixels ---

TEST_F(AnnotateTest, AStrokeHasOneEvenTintAndAClickLeavesNoDot) {
  PaintScreenPattern();
  Form1& f = StartSession();

  Press(600, 600);
  Release(600, 600);
  EXPECT_TRUE(f.Ink().Empty()) << "a click without movement";

  // There and back over the same line, and a crossing stroke: overlaps must not build up.
  Drag(100, 300, 900, 300, 0, 16);
  Drag(900, 302, 100, 302, 0, 16);
  Drag(500, 100, 500, 500, 0, 16);
  const raster::Bitmap& frame = Frame();
  int inked = 0, other = 0;
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      const raster::Pixel under = sys.screen.At(x, y);
      const raster::Pixel shown = Rgb(frame.At(x, y));
      if (shown == Rgb(Masked(under, kYellow)) && shown != Rgb(under))
        ++inked;
      else if (shown != Rgb(under))
        ++other;
    }
  }
  EXPECT_EQ(other, 0) << "every pixel is either the screen or the screen AND yellow";
  EXPECT_GT(inked, 800 * 8);
  for (int x = 110; x <= 890; x += 10) {
    SCOPED_TRACE(x);
    EXPECT_EQ(Rgb(frame.At(x, 300)), Rgb(Masked(sys.screen.At(x, 300), kYellow)));
  }
}

TEST_F(AnnotateTest, ReleasingShiftMidDragDrawsFromThePressPoint) {
  Form1& f = StartSession();
  const raster::Pixel screen = sys.screen.At(0, 0);
  const raster::Pixel ink = Masked(screen, kYellow);
  Press(100, 100, tk::mk::kLButton | kShift);
  MoveTo(200, 150, tk::mk::kLButton | kShift);
  MoveTo(300, 200, tk::mk::kLButton | kShift);
  EXPECT_TRUE(f.Ink().Empty()) << "no segment while Shift is held";
  MoveTo(400, 400);
  MoveTo(500, 400);
  Release(500, 400);

  EXPECT_EQ(RectBox(1), (Box{1500, 1500, 3000, 1500})) << "the rectangle keeps its last Shift step";
  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(Rgb(frame.At(250, 250)), Rgb(ink)) << "on the line from the press point";
  EXPECT_EQ(Rgb(frame.At(350, 350)), Rgb(ink));
  EXPECT_EQ(Rgb(frame.At(450, 400)), Rgb(ink)) << "and on from there";
  EXPECT_EQ(Rgb(frame.At(350, 300)), Rgb(screen)) << "not from the last Shift point";
}

TEST_F(AnnotateTest, StrokesKeepTheirColourAndWidthWhenTheSettingsChange) {
  Form1& f = StartSession();
  const raster::Pixel screen = sys.screen.At(0, 0);
  Drag(100, 300, 900, 300, 0, 16);
  f.ApplyDrawingSettings(20, kCyan);
  Drag(500, 100, 500, 700, 0, 16);

  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(Rgb(frame.At(200, 300)), Rgb(Masked(screen, kYellow)));
  EXPECT_EQ(Rgb(frame.At(200, 308)), Rgb(screen)) << "the old stroke stays 10 pixels wide";
  EXPECT_EQ(Rgb(frame.At(500, 600)), Rgb(Masked(screen, kCyan)));
  EXPECT_EQ(Rgb(frame.At(508, 600)), Rgb(Masked(screen, kCyan))) << "the new stroke is 20 pixels wide";
  EXPECT_EQ(Rgb(frame.At(500, 300)), Rgb(Masked(Masked(screen, kYellow), kCyan))) << "where they cross";
}

TEST_F(AnnotateTest, ARectangleMasksExactlyItsBoxAndAnEllipseOnlyItsRing) {
  PaintScreenPattern();
  Form1& f = StartSession();
  Drag(100, 100, 200, 150, kShift);  // rectangle: pixels [100, 200) x [100, 150)
  KeyDown(kVkControl);
  Drag(300, 100, 500, 300, kControl);  // ellipse in the box [300, 500) x [100, 300)
  KeyUp(kVkControl);
  ASSERT_EQ(f.rectCount, 1);
  ASSERT_EQ(f.ovalCount, 1);

  const raster::Bitmap& frame = Frame();
  auto at = [&](int x, int y) { return Rgb(frame.At(x, y)); };
  auto screen = [&](int x, int y) { return Rgb(sys.screen.At(x, y)); };
  auto masked = [&](int x, int y) { return Rgb(Masked(sys.screen.At(x, y), kYellow)); };

  int wrong = 0;
  for (int y = 0; y < 400; ++y) {
    for (int x = 0; x < 600; ++x) {
      const bool inRect = x >= 100 && x < 200 && y >= 100 && y < 150;
      const bool inOvalBox = x >= 300 && x < 500 && y >= 100 && y < 300;
      if (inRect)
        wrong += at(x, y) != masked(x, y);
      else if (inOvalBox)
        wrong += at(x, y) != masked(x, y) && at(x, y) != screen(x, y);
      else
        wrong += at(x, y) != screen(x, y);
    }
  }
  EXPECT_EQ(wrong, 0) << "the rectangle is filled, and nothing outside the two boxes changes";

  // The ellipse: a ring the line width thick, its interior and the box corners untouched.
  EXPECT_EQ(at(400, 102), masked(400, 102));
  EXPECT_EQ(at(400, 297), masked(400, 297));
  EXPECT_EQ(at(302, 200), masked(302, 200));
  EXPECT_EQ(at(497, 200), masked(497, 200));
  EXPECT_EQ(at(400, 200), screen(400, 200));
  EXPECT_EQ(at(400, 115), screen(400, 115));
  EXPECT_EQ(at(301, 101), screen(301, 101));
}

}  // namespace
