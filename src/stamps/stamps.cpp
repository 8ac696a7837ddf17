// Stamps: placed with the middle of their left edge on the click, dragged with the left button, removed with
// a right click.
#include "app/form1.h"
#include "platform/units.h"

void Form1::PlaceStamp(int kind, float x, float y) {
  tk::ImageArray& stamps = StampArray(kind);
  const int32_t index = ++stampCount[kind];
  history.Commit();
  history.Touch(stamps, index);
  if (!stamps.Load(index)) return;  // past the last 16-bit index the stamp is refused
  tk::Image& stamp = *stamps[index];
  stamp.Move(x, y - stamps.Template().Height() / 2);
  stamp.SetPicture(stamps.Template().GetPicture());
  stamp.SetVisible(true);
  history.Commit();
}

void Form1::Stamp_MouseDown(int /*kind*/, int16_t /*index*/, int16_t /*button*/, int16_t /*shift*/, float x,
                            float y) {
  // The grab point inside the stamp; the drag keeps it under the pointer. A press starts a new step.
  history.Commit();
  downX = tk::RoundToInt32(x);
  downY = tk::RoundToInt32(y);
}

void Form1::Stamp_MouseMove(int kind, int16_t index, int16_t button, int16_t /*shift*/, float x, float y) {
  if (button != 1) return;
  tk::Image* stamp = StampArray(kind)[index];
  if (!stamp) return;
  history.Touch(StampArray(kind), index);
  stamp->Move(static_cast<float>(double(stamp->Left()) + (double(x) - downX)),
              static_cast<float>(double(stamp->Top()) + (double(y) - downY)));
}

void Form1::Stamp_MouseUp(int kind, int16_t index, int16_t button, int16_t /*shift*/, float /*x*/, float /*y*/) {
  if (button == 2) {
    history.Touch(StampArray(kind), index);
    StampArray(kind).Unload(index);
  }
  history.Commit();  // a drag ends with any release, and a removal is a step of its own
}
