// Ctrl+Z and Ctrl+Y on the overlay: the history swaps the marks back, and the engine lets go of a shape that went.
#include "app/form1.h"

void Form1::Undo() {
  if (history.Undo()) AfterHistory();
}

void Form1::Redo() {
  if (history.Redo()) AfterHistory();
}

void Form1::AfterHistory() {
  // A shape that went may have been the one under the pointer: a right click must not reach for it, nor a press
  // grab its handles. The next move finds whatever is under the pointer now.
  const bool rectGone = curRect != 0 && !shapeArrRect[curRect], ovalGone = curOval != 0 && !ShapeArrOv[curOval];
  if (rectGone) curRect = 0, overRect = false;
  if (ovalGone) curOval = 0, overOval = false;
  if (rectGone || ovalGone) SetMousePointer(tk::kPointerCustom);
}
