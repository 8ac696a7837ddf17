// Session boundaries: nothing the user was doing when a session ended carries over into the next one.
#include "fixture.h"

namespace {

using BoundaryTest = LumoraTest;

enum class DragKind { Freehand, Rectangle, Ellipse, Stamp };

TEST_F(BoundaryTest, ADragCutShortByEscOrCtrlHEndsWithTheSessionAndTheNextSessionDrawsNormally) {
  PaintScreenPattern();
  for (DragKind kind : {DragKind::Freehand, DragKind::Rectangle, DragKind::Ellipse, DragKind::Stamp}) {
    for (bool esc : {true, false}) {
      SCOPED_TRACE(testing::Message() << "kind " << int(kind) << (esc ? ", Esc" : ", Ctrl+H"));
      Form1& f = StartSession();
      if (kind == DragKind::Stamp) ClickWithKey('S', 300, 300);  // the stamp to drag
      if (kind == DragKind::Ellipse) KeyDown(kVkControl);
      const uintptr_t keys = kind == DragKind::Rectangle ? kShift : kind == DragKind::Ellipse ? kControl : 0;
      const int x0 = kind == DragKind::Stamp ? 310 : 100;
      Press(x0, 300, tk::mk::kLButton | keys);
      MoveTo(x0 + 100, 380, tk::mk::kLButton | keys);

      if (esc) {
        Char(27);
      } else {
        KeyDown(kVkControl);  // its key-up goes to whatever has the keyboard once the overlay is hidden
        sys.SendMessage(f, tk::wm::kHotKey, 1, 'H' << 16 | tk::kModControl);
      }
      ASSERT_FALSE(Window().Visible());
      EXPECT_FALSE(Window().Captured()) << "the hidden overlay must let go of the pointer";
      Release(x0 + 100, 380);
      const size_t marks = Marks();

      f.mnupophl_Click();
      const raster::Bitmap before = Frame();
      Hover(700, 500);
      Hover(800, 600);
      EXPECT_EQ(DifferingPixels(before, Frame()), 0) << "a move without a press draws or moves nothing";

      // A plain drag draws a stroke: no ellipse from a Ctrl left held, no shape moved instead.
      Drag(900, 700, 1000, 700);
      EXPECT_EQ(Marks(), marks);
      EXPECT_EQ(Shown(950, 700), Yellowed(950, 700));
    }
  }
}

TEST_F(BoundaryTest, AHotkeyWhileTheTrayMenuIsOpenClosesTheMenuBeforeThePhotograph) {
  Form1& f = Start();
  sys.chooseMenuItem = [&](const tk::PopupRecord&, tk::MenuItem& menu) -> tk::MenuItem* {
    sys.SendMessage(f, tk::wm::kHotKey, 1, 'H' << 16 | tk::kModControl);
    EXPECT_EQ(sys.captures, 0) << "no photograph while the menu is up";
    return menu.Items.back();  // what the user was about to choose is dropped with the menu
  };
  Tray(tk::wm::kRButtonUp);
  EXPECT_EQ(sys.msgBoxes.size(), 0u) << "Exit was not run";
  EXPECT_EQ(f.mnupophl.Caption, "Stop highlighting");
  EXPECT_EQ(sys.captures, 1) << "the photograph is taken once the menu has gone";
}

}  // namespace
