// Invisible handles on every rectangle and ellipse: the hover test that finds them, and the resize, move
// and delete steps.
#include <string_view>

#include "app/form1.h"
#include "platform/units.h"

namespace {

constexpr double kBand = 50;  // twips on each side of an edge or corner
static_assert(kBand < tk::ShapeGrid::kReach, "the grid must list every shape whose bands hold the pointer");

struct Handle {
  const char* code;
  int pointer;
};

// The handle of a box under (x, y), tested corners first; nullptr when the point is on none.
const Handle* HandleAt(double l, double t, double r, double b, double x, double y) {
  static constexpr Handle kLb{"lb", tk::kPointerSizeNESW}, kRb{"rb", tk::kPointerSizeNWSE},
      kLt{"lt", tk::kPointerSizeNWSE}, kRt{"rt", tk::kPointerSizeNESW}, kL{"l", tk::kPointerSizeWE},
      kR{"r", tk::kPointerSizeWE}, kT{"t", tk::kPointerSizeNS}, kB{"b", tk::kPointerSizeNS};
  auto near = [](double v, double edge) { return edge - kBand <= v && v <= edge + kBand; };
  if (near(x, l) && near(y, b)) return &kLb;
  if (near(x, r) && near(y, b)) return &kRb;
  if (near(x, l) && near(y, t)) return &kLt;
  if (near(x, r) && near(y, t)) return &kRt;
  if (near(x, l) && t <= y && y <= b) return &kL;
  if (near(x, r) && t <= y && y <= b) return &kR;
  if (near(y, t) && l <= x && x <= r) return &kT;
  if (near(y, b) && l <= x && x <= r) return &kB;
  return nullptr;
}

}  // namespace

void Form1::HoverTest(int16_t button, float x, float y) {
  // Rectangles take precedence over ellipses, and within each the lowest index wins.
  if (HoverWalk(shapeArrRect, false, button, x, y)) return;
  HoverWalk(ShapeArrOv, true, button, x, y);
}

bool Form1::HoverWalk(tk::ShapeArray& shapes, bool oval, int16_t button, float x, float y) {
  bool& over = oval ? overOval : overRect;
  int32_t& current = oval ? curOval : curRect;
  bool& moving = oval ? isMovingOval : isMovingRect;
  // While a stroke is drawn no shape is looked at, and the flags stay as they were.
  if (isDrawing) return over;
  // The grid lists, lowest index first, every visible shape whose handles or inside could hold the pointer;
  // the first one that does is the one a walk over all of them would stop at.
  for (tk::Shape* shape : shapes.Grid().Near(x, y)) {
    const double l = shape->Left(), t = shape->Top();
    const double r = l + shape->Width(), b = t + shape->Height();
    if (const Handle* handle = HandleAt(l, t, r, b, x, y)) {
      SetMousePointer(handle->pointer);
      handleCode = std::string(handle->code) + (oval ? "2" : "");
      current = shape->Index();
      over = true;
      return true;
    }
    if (l < x && x < r && t < y && y < b) {
      SetMousePointer(tk::kPointerSizeAll);
      current = shape->Index();
      if (button == 1) moving = true;
      over = true;
      return true;
    }
  }
  // Passing any visible shape without a hit leaves the highlighter pointer and clears the flag.
  if (shapes.Grid().Count() > 0) {
    SetMousePointer(tk::kPointerCustom);
    over = false;
  }
  return over;
}

void Form1::ResizeStep(float x, float y) {
  std::string_view code = handleCode;
  const bool oval = !code.empty() && code.back() == '2';
  if (oval) code.remove_suffix(1);
  tk::Shape* shape = oval ? ShapeArrOv[curOval] : shapeArrRect[curRect];
  if (!shape || shape->Index() == 0) return;

  // The dragged edge or corner jumps to the pointer; the opposite ones stay. A negative size is refused by
  // Move as a whole, so the shape keeps its last good geometry and never flips.
  const double l = shape->Left(), t = shape->Top(), w = shape->Width(), h = shape->Height();
  double nl = l, nt = t, nw = w, nh = h;
  const bool left = code == "l" || code == "lt" || code == "lb";
  const bool right = code == "r" || code == "rt" || code == "rb";
  const bool top = code == "t" || code == "lt" || code == "rt";
  const bool bottom = code == "b" || code == "lb" || code == "rb";
  if (!left && !right && !top && !bottom) return;
  history.Touch(oval ? ShapeArrOv : shapeArrRect, shape->Index());
  if (left) nl = x, nw = l + w - x;
  if (right) nw = x - l;
  if (top) nt = y, nh = t + h - y;
  if (bottom) nh = y - t;
  shape->Move(static_cast<float>(nl), static_cast<float>(nt), static_cast<float>(nw), static_cast<float>(nh));
}

void Form1::MoveStep(tk::ShapeArray& shapes, int32_t index, float x, float y) {
  tk::Shape* shape = shapes[index];
  if (!shape || index == 0) return;
  // The shape travels with the pointer since the previous step, so the grab point stays under it.
  history.Touch(shapes, index);
  const float dx = static_cast<float>(downX) - shape->Left();
  const int32_t dy = tk::RoundToInt32(static_cast<float>(downY) - shape->Top());
  shape->Move(x - dx, y - static_cast<float>(dy));
  downX = tk::RoundToInt32(x);
  downY = tk::RoundToInt32(y);
}

void Form1::DeleteShape() {
  history.Commit();  // a drag of the shape cut short by this click is a step of its own
  if (overRect) {
    history.Touch(shapeArrRect, curRect);
    shapeArrRect.Unload(curRect);
    SetMousePointer(tk::kPointerCustom);
    curRect = 0;
    overRect = false;
  } else {
    history.Touch(ShapeArrOv, curOval);
    ShapeArrOv.Unload(curOval);
    SetMousePointer(tk::kPointerCustom);
    curOval = 0;
    overOval = false;
  }
  history.Commit();
}
