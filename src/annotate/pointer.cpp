// The overlay's three pointer handlers: they decide what a press, a move and a release mean, and hand the
// work to the strokes, shapes, handles and stamps.
#include "app/form1.h"
#include "platform/units.h"

using tk::RoundToInt32;

namespace {

bool StrictlyInside(const tk::Shape* shape, int32_t x, int32_t y) {
  return shape && shape->Index() != 0 && shape->Visible() && shape->Left() < x &&
         x < double(shape->Left()) + shape->Width() && shape->Top() < y && y < double(shape->Top()) + shape->Height();
}

}  // namespace

void Form1::Form_MouseDown(int16_t button, int16_t /*shift*/, float x, float y) {
  if (button != 1) return;
  downX = RoundToInt32(x);
  downY = RoundToInt32(y);

  // A stamp key held: the press places a stamp and nothing else.
  const bool stampKeys[] = {keySHeld, keyXHeld, keyCHeld, keyAHeld, key8Held};
  for (int kind = 0; kind < 5; ++kind) {
    if (stampKeys[kind]) {
      PlaceStamp(kind, x, y);
      return;
    }
  }

  lastX = RoundToInt32(x);
  lastY = RoundToInt32(y);
  const int pointer = MousePointer();
  if (pointer == tk::kPointerCustom || pointer == tk::kPointerSizeAll) {
    if (StrictlyInside(shapeArrRect[curRect], downX, downY))
      isMovingRect = true;
    else if (StrictlyInside(ShapeArrOv[curOval], downX, downY))
      isMovingOval = true;
    else
      isDrawing = true;
    isResizing = false;
  } else {
    // A sizing pointer: the press is on a handle.
    isDrawing = false;
    isResizing = true;
  }
}

void Form1::Form_MouseMove(int16_t button, int16_t shift, float x, float y) {
  if (x == 0 && y == 0) {
    BannerCorner();  // the very top-left pixel brings the banner back, and the move does nothing else
    return;
  }
  if (!Visible()) {
    TrayEvent(x);
    return;
  }

  // Steps that cannot apply (a shape gone, geometry that would turn negative) do nothing and the rest go on.
  if (isMovingRect) {
    MoveStep(shapeArrRect, curRect, x, y);
    return;
  }
  if (isMovingOval) {
    MoveStep(ShapeArrOv, curOval, x, y);
    return;
  }
  if (!isResizing) HoverTest(button, x, y);
  if (isResizing) ResizeStep(x, y);
  if (shift == 0 && isDrawing) FreehandSegment(x, y);
  if (shift == 1 && button == 1) RubberBandStep(shapeArrRect, rectCount, x, y);
  if (button == 1 && ctrlHeld) RubberBandStep(ShapeArrOv, ovalCount, x, y);
}

void Form1::Form_MouseUp(int16_t button, int16_t /*shift*/, float x, float y) {
  if (button == 1) {
    EndDrag();
  } else if (button == 2) {
    // Over a shape the release deletes it; elsewhere, and over a template left behind by Clear, it opens
    // the menu.
    const bool onShape = overRect ? curRect != 0 : overOval && curOval != 0;
    if (onShape)
      DeleteShape();
    else
      PopupMenu(pop, 0, x, y, &mnupophl);
  }
}

void Form1::EndDrag() {
  isResizing = isDrawing = isMovingRect = isMovingOval = isCreating = false;
  history.Commit();  // the stroke or the shape's drag is one step
}
