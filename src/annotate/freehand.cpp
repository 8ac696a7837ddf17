// Freehand highlighter strokes: mask-pen segments on the overlay's run-time graphics.
#include "app/form1.h"
#include "platform/units.h"

void Form1::FreehandSegment(float x, float y) {
  // Each segment starts 5 twips below the previous point; with round caps the joints stay closed.
  history.TouchLine(static_cast<float>(lastX), static_cast<float>(lastY + 5), x, y);
  Line(static_cast<float>(lastX), static_cast<float>(lastY + 5), x, y);
  lastX = tk::RoundToInt32(x);
  lastY = tk::RoundToInt32(y);
}
