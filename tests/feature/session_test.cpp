// Starting and stopping a highlight session: the state it lives in, the capture and what the overlay shows.
#include "fixture.h"
#include "resources/artwork.h"

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
  EXPECT_TRUE(Window().Visible() && f.mnupopclr.Visible && !sys.trayIcon);
  EXPECT_EQ(std::pair(f.WindowState(), f.MousePointer()),
            std::pair(int(tk::kWindowMaximized), int(tk::kPointerCustom)));
  EXPECT_EQ(f.mnupophl.Caption, "Stop highlighting");
  const std::weak_ptr<const raster::Bitmap> first = f.GetPicture();
  Drag(100, 100, 200, 150, kShift);
  CtrlDrag(300, 100, 400, 200);
  Drag(400, 400, 600, 400);
  for (int kind = 0; kind < 5; ++kind) ClickWithKey(kStampKeys[kind], 100 + 120 * kind, 600);

  KeyDown('S');
  f.mnupophl_Click();  // the S key-up is lost while the overlay is hidden
  EXPECT_TRUE(!Window().Visible() && !f.mnupopclr.Visible && sys.trayIcon);
  EXPECT_EQ(f.mnupophl.Caption, "Start highlighting");
  EXPECT_EQ(sys.sleeps.size(), 1u) << "stopping does not wait";
  EXPECT_FALSE(first.expired()) << "a stopped session keeps its picture until the next start";

  // The caption now reads "Start highlighting", and the toggle still starts on it, over the new picture with
  // every mark on it. X is held as it starts: a click places an x, not a smiley.
  sys.screen = raster::Bitmap(1920, 1080, 0xFF445566);
  sys.keysDown = {'X'};
  f.mnupophl_Click();
  Press(700, 900);
  Release(700, 900);
  EXPECT_TRUE(Window().Visible() && first.expired() && Marks() == 8 && f.imgx.Count() == 3);
  EXPECT_EQ(Shown(1000, 900), 0x445566u);
  for (auto [x, y] : Points{{150, 125}, {302, 150}, {500, 400}}) EXPECT_EQ(Shown(x, y), Yellowed(x, y)) << x;
  const raster::Bitmap& smiley = artwork::StampPicture(artwork::Stamp::Smiley);
  EXPECT_EQ(Shown(100 + 23, 576 + 10), Rgb(smiley.At(23, 10))) << "an opaque pixel of the smiley";
}

struct ScreenCase {
  int width, height, dpi;
};

class CaptureRectangleTest : public LumoraTest, public ::testing::WithParamInterface<ScreenCase> {
 protected:
  CaptureRectangleTest() : LumoraTest(GetParam().width, GetParam().height, GetParam().dpi) {}
};

// 28800 x 16200 twips at 15 per pixel is 1920 x 1080; other DPIs give a fractional number of twips per pixel.
TEST_P(CaptureRectangleTest, CoversExactlyThePrimaryScreenFullSizeAndUnscaled) {
  const ScreenCase c = GetParam();
  PaintScreenPattern();
  Form1& f = StartSession();
  ASSERT_EQ(std::pair(f.GetPicture()->Width(), f.GetPicture()->Height()), std::pair(c.width, c.height));
  ASSERT_EQ(DifferingPixels(Frame(), sys.screen), 0);
  if (c.width > 100 && c.height > 100) {
    Drag(50, 60, 90, 60);
    EXPECT_EQ(Shown(70, 60), Yellowed(70, 60)) << "a stroke lands where the pointer is";
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, CaptureRectangleTest,
                         ::testing::Values(ScreenCase{1920, 1080, 96}, ScreenCase{2880, 1620, 144},
                                           ScreenCase{3840, 2160, 192}, ScreenCase{1600, 900, 120},
                                           ScreenCase{1, 1, 96}, ScreenCase{7680, 4320, 96}));

}  // namespace
