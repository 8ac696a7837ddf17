// Starting and stopping a highlight session: the state it lives in, the capture and what the overlay shows.
#include "fixture.h"

namespace {

using SessionTest = LumoraTest;

TEST_F(SessionTest, TogglesBetweenTrayAndOverlayWithANewPictureEachStartAndKeepsEveryMark) {
  sys.screen = raster::Bitmap(1920, 1080, 0xFF112233);
  Form1& f = Start();
  f.SetMousePointer(tk::kPointerSizeAll);
  f.mnupophl_Click();
  EXPECT_EQ(sys.sleeps, std::vector<uint32_t>{1000});
  EXPECT_EQ(sys.clockAtCapture, 1000u) << "the photograph is taken after the wait";
  EXPECT_FALSE(sys.trayIconAtCapture) << "and must not show the program's own icon";
  EXPECT_EQ(std::pair(f.WindowState(), f.MousePointer()),
            std::pair(int(tk::kWindowMaximized), int(tk::kPointerCustom)));
  Drag(100, 100, 200, 150, kShift);
  CtrlDrag(300, 100, 400, 200);
  Drag(400, 400, 600, 400);
  for (int kind = 0; kind < 5; ++kind) ClickWithKey(kStampKeys[kind], 100 + 120 * kind, 600);

  KeyDown('S');
  f.mnupophl_Click();  // the S key-up is lost while the overlay is hidden
  EXPECT_TRUE(!Window().Visible() && !f.mnupopclr.Visible && sys.trayIcon);
  EXPECT_EQ(sys.sleeps.size(), 1u) << "stopping does not wait";

  // The caption now reads "Start highlighting", and the toggle still starts on it, over the new picture with
  // every mark on it. X is held as it starts: a click places an x, not a smiley.
  sys.screen = raster::Bitmap(1920, 1080, 0xFF445566);
  sys.keysDown = {'X'};
  f.mnupophl_Click();
  Press(700, 900);
  Release(700, 900);
  EXPECT_TRUE(Window().Visible() && Marks() == 8 && f.imgx.Count() == 3);
  EXPECT_EQ(Shown(1000, 900), 0x445566u);
  for (auto [x, y] : Points{{150, 125}, {302, 150}, {500, 400}}) EXPECT_EQ(Shown(x, y), Yellowed(x, y)) << x;
}

// The screen's width, height and DPI.
class CaptureRectangleTest : public LumoraTest, public ::testing::WithParamInterface<std::array<int, 3>> {
 protected:
  CaptureRectangleTest() : LumoraTest(GetParam()[0], GetParam()[1], GetParam()[2]) {}
};

// 28800 x 16200 twips at 15 per pixel is 1920 x 1080; other DPIs give a fractional number of twips per pixel.
TEST_P(CaptureRectangleTest, CoversExactlyThePrimaryScreenFullSizeAndUnscaled) {
  const int width = GetParam()[0], height = GetParam()[1];
  PaintScreenPattern();
  Form1& f = StartSession();
  ASSERT_EQ(std::pair(f.GetPicture()->Width(), f.GetPicture()->Height()), std::pair(width, height));
  ASSERT_EQ(DifferingPixels(Frame(), sys.screen), 0);
  if (width > 100 && height > 100) {
    Drag(50, 60, 90, 60);
    EXPECT_EQ(Shown(70, 60), Yellowed(70, 60)) << "a stroke lands where the pointer is";
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, CaptureRectangleTest,
                         ::testing::Values(std::array{1920, 1080, 96}, std::array{3840, 2160, 192},
                                           std::array{1, 1, 96}, std::array{7680, 4320, 96}));

}  // namespace
