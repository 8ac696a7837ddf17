// The overlay's keys: five stamp keys and Ctrl are remembered while held; Delete, the full stop and Esc
// run commands.
#include "app/form1.h"

namespace {
enum : int16_t {
  kVkControl = 17,
  kVkDelete = 46,
  kVkA = 65,
  kVk8 = 56,  // the main keyboard's 8; the keypad's has its own code
  kVkC = 67,
  kVkS = 83,
  kVkX = 88,
  kVkY = 89,
  kVkZ = 90,
};
enum : int16_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };
constexpr int16_t kCharEscape = 27;
constexpr int16_t kCharFullStop = 46;
}  // namespace

void Form1::Form_KeyDown(int16_t& keyCode, int16_t shift) {
  switch (keyCode) {
    case kVkControl: ctrlHeld = true; break;
    case kVkA: keyAHeld = true; break;
    case kVk8: key8Held = true; break;
    case kVkC: keyCHeld = true; break;
    case kVkS: keySHeld = true; break;
    case kVkX: keyXHeld = true; break;
    case kVkDelete: mnupopclr_Click(); break;
    default: break;
  }
  // With Ctrl alone (Shift allowed), alongside the flags above: C and S also keep setting theirs.
  if ((shift & (kModCtrl | kModAlt)) != kModCtrl) return;
  switch (keyCode) {
    case kVkZ: shift & kModShift ? Redo() : Undo(); break;
    case kVkY: Redo(); break;
    case kVkC: CopyPicture(); break;
    case kVkS: SavePicture(); break;
    default: break;
  }
}

void Form1::Form_KeyPress(int16_t& keyAscii) {
  if (keyAscii == kCharEscape) {
    mnupopclr_Click();
    mnupophl_Click();  // the overlay has the keyboard only during a session, so this ends it
  } else if (keyAscii == kCharFullStop) {
    mnupopclr_Click();
  }
}

void Form1::SyncHeldKeys() {
  tk::System& system = app.system;
  ctrlHeld = system.KeyIsDown(kVkControl);
  keyAHeld = system.KeyIsDown(kVkA);
  key8Held = system.KeyIsDown(kVk8);
  keyCHeld = system.KeyIsDown(kVkC);
  keySHeld = system.KeyIsDown(kVkS);
  keyXHeld = system.KeyIsDown(kVkX);
}

void Form1::Form_KeyUp(int16_t& /*keyCode*/, int16_t /*shift*/) {
  // Any release forgets every held key; auto-repeat of a key still down sets its flag again.
  ctrlHeld = keyAHeld = key8Held = keyCHeld = keySHeld = keyXHeld = false;
}
