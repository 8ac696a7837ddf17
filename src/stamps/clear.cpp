// Clear: every rectangle, ellipse, stamp and stroke goes; the picture, the counters and the session stay.
#include "app/form1.h"

namespace {
template <class Array>
void UnloadAllButTemplate(Array& array) {
  for (int16_t index : array.Indexes())
    if (index != 0) array.Unload(index);
}
}  // namespace

void Form1::mnupopclr_Click() {
  history.TouchEverything();  // one step, which brings every mark and stroke back
  UnloadAllButTemplate(shapeArrRect);
  UnloadAllButTemplate(ShapeArrOv);
  for (tk::ImageArray* stamps : {&imgarrow, &imgcheck, &imgstar, &imgsmiley, &imgx}) UnloadAllButTemplate(*stamps);
  Cls();
  curRect = 0;
  curOval = 0;
  SetMousePointer(tk::kPointerCustom);
  // With no shape left the hover test cannot reset these, and a right click must then open the menu.
  overRect = overOval = false;
  history.Commit();
}
