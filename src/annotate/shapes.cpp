// Rectangles and ellipses drawn with a rubber band: one corner at the press point, the other under the pointer.
#include "app/form1.h"
#include "platform/units.h"

void Form1::RubberBandStep(tk::ShapeArray& shapes, int32_t& count, float x, float y) {
  if (!isCreating) {
    isCreating = true;
    ++count;
    history.Touch(shapes, count);
    shapes.Load(count);  // refused past the last 16-bit index: the drag then leaves no shape
  }
  // The element made for this drag; with none of this kind yet it would be the template, which stays put.
  tk::Shape* shape = count > 0 ? shapes[count] : nullptr;
  if (!shape) return;

  // Level with the press point the shape is a one-pixel square at the pointer; otherwise the box spanned by
  // the press point and the pointer. Worked out first and set once, so only what changed is repainted.
  float left = x, top = y, width = 15, height = 15;
  const float dx = static_cast<float>(downX), dy = static_cast<float>(downY);
  if (x > dx && y > dy) {
    left = dx, top = dy;
    width = static_cast<float>(tk::RoundToInt32(x) - downX);
    height = static_cast<float>(tk::RoundToInt32(y) - downY);
  } else if (x > dx && y < dy) {
    left = dx, top = y, width = x - dx, height = dy - y;
  } else if (x < dx && y > dy) {
    left = x, top = dy, width = dx - x, height = y - dy;
  } else if (x < dx && y < dy) {
    left = x, top = y, width = dx - x, height = dy - y;
  }
  shape->Move(left, top, width, height);
  shape->SetVisible(true);
}
