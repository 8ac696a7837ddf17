// Starting and stopping a highlight session: the state it lives in, the capture and what the overlay shows.
#include "fixture.h"
#include "session/capture.h"
#include "support/png_dump.h"

namespace {

using SessionTest = LumoraTest;

TEST_F(SessionTest, TogglesBetweenTrayAndOverlayWithMenuStateFollowing) {
  Form1& f = Start();
  EXPECT_FALSE(f.Visible());
  EXPECT_TRUE(sys.trayIcon.has_value());
  EXPECT_EQ(f.mnupophl.Caption, "&Start Highlighting");
  EXPECT_FALSE(f.mnupopclr.Visible);

  f.SetMousePointer(tk::kPointerSizeAll);
  f.mnupophl_Click();
  EXPECT_EQ(sys.sleeps, std::vector<uint32_t>{1000});
  EXPECT_TRUE(f.Visible());
  EXPECT_TRUE(Window().Visible());
  EXPECT_EQ(f.WindowState(), tk::kWindowMaximized);
  EXPECT_EQ(f.MousePointer(), tk::kPointerCustom);
  EXPECT_EQ(f.mnupophl.Caption, "Stop highlighting");
  EXPECT_TRUE(f.mnupopclr.Visible);
  EXPECT_FALSE(sys.trayIcon.has_value());
  EXPECT_EQ(sys.captures, 1);

  f.mnupophl_Click();
  EXPECT_FALSE(f.Visible());
  EXPECT_FALSE(Window().Visible());
  EXPECT_EQ(f.mnupophl.Caption, "Start highlighting");
  EXPECT_FALSE(f.mnupopclr.Visible);
  ASSERT_TRUE(sys.trayIcon.has_value());
  EXPECT_STREQ(sys.trayIcon->szTip, "Lumora");
  EXPECT_EQ(sys.sleeps.size(), 1u) << "stopping does not wait";

  // From now on the caption says "Start highlighting", and the toggle still works on it.
  f.mnupophl_Click();
  EXPECT_TRUE(f.Visible());
  EXPECT_EQ(sys.captures, 2);
}

TEST_F(SessionTest, TheCaptureIsTakenAfterTheWaitAndWithoutTheTrayIcon) {
  Form1& f = Start();
  ASSERT_TRUE(sys.trayIcon.has_value());
  f.mnupophl_Click();
  EXPECT_FALSE(sys.trayIconAtCapture) << "the picture must not show the program's own icon";
  EXPECT_EQ(sys.clockAtCapture, 1000u);
}

TEST_F(SessionTest, OverlayShowsTheScreenFullSizeAndUnscaled) {
  PaintScreenPattern();
  StartSession();
  const raster::Bitmap& frame = Frame();
  ASSERT_EQ(frame.Width(), 1920);
  ASSERT_EQ(frame.Height(), 1080);
  int mismatches = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) mismatches += (frame.At(x, y) & 0xFFFFFF) != (sys.screen.At(x, y) & 0xFFFFFF);
  if (mismatches) png_dump::WritePng(png_dump::PathFor("session-overlay"), frame);
  EXPECT_EQ(mismatches, 0);
}

TEST_F(SessionTest, EachStartTakesANewPictureAndReleasesTheOldOne) {
  sys.screen = raster::Bitmap(1920, 1080, 0xFF112233);
  Form1& f = StartSession();
  std::weak_ptr<const raster::Bitmap> first = f.GetPicture();
  f.mnupophl_Click();
  EXPECT_FALSE(first.expired()) << "a stopped session keeps its picture until the next start";

  sys.screen = raster::Bitmap(1920, 1080, 0xFF445566);
  f.mnupophl_Click();
  EXPECT_TRUE(first.expired());
  EXPECT_EQ(Frame().At(100, 100) & 0xFFFFFF, 0x445566u);
}

TEST_F(SessionTest, ATogglePairRemovesNoMark) {
  Form1& f = StartSession();
  Drag(100, 100, 300, 200, tk::mk::kShift);  // a rectangle
  Drag(400, 400, 600, 400);                  // a stroke
  KeyDown('S');
  Press(700, 700);
  Release(700, 700);
  KeyUp('S');
  ASSERT_NE(f.shapeArrRect[1], nullptr);
  ASSERT_NE(f.imgsmiley[1], nullptr);

  f.mnupophl_Click();
  sys.screen = raster::Bitmap(1920, 1080, 0xFFFFFFFF);
  f.mnupophl_Click();

  EXPECT_TRUE(f.shapeArrRect[1] && f.shapeArrRect[1]->Visible());
  EXPECT_TRUE(f.imgsmiley[1] && f.imgsmiley[1]->Visible());
  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(frame.At(200, 150) & 0xFFFFFF, 0xFFFF00u) << "the rectangle, over the new picture";
  EXPECT_EQ(frame.At(500, 400) & 0xFFFFFF, 0xFFFF00u) << "the stroke, kept across sessions";
  EXPECT_EQ(frame.At(1000, 1000) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(SessionTest, AFailedCaptureStillGivesABlackPicture) {
  sys.captureFails = true;
  Form1& f = StartSession();
  ASSERT_TRUE(f.GetPicture());
  EXPECT_EQ(f.GetPicture()->Width(), 1920);
  EXPECT_EQ(Frame().At(5, 5) & 0xFFFFFF, 0u);
  EXPECT_TRUE(f.Visible());
}

struct ScreenCase {
  int width, height, dpi;
};

class CaptureRectangleTest : public LumoraTest, public ::testing::WithParamInterface<ScreenCase> {
 protected:
  CaptureRectangleTest() : LumoraTest(GetParam().width, GetParam().height, GetParam().dpi) {}
};

TEST_P(CaptureRectangleTest, CoversExactlyThePrimaryScreen) {
  const ScreenCase c = GetParam();
  Form1& f = StartSession();
  ASSERT_TRUE(f.GetPicture());
  EXPECT_EQ(f.GetPicture()->Width(), c.width);
  EXPECT_EQ(f.GetPicture()->Height(), c.height);
  const raster::Bitmap& frame = Frame();
  EXPECT_EQ(frame.Width(), c.width);
  EXPECT_EQ(frame.Height(), c.height);
  // A stroke still lands where the pointer is, whatever the DPI.
  if (c.width > 100 && c.height > 100) {
    Drag(50, 60, 90, 60);
    EXPECT_NE(Frame().At(70, 60), sys.screen.At(70, 60));
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, CaptureRectangleTest,
                         ::testing::Values(ScreenCase{1920, 1080, 96}, ScreenCase{2880, 1620, 144},
                                           ScreenCase{3840, 2160, 192}, ScreenCase{1600, 900, 120},
                                           ScreenCase{1, 1, 96}, ScreenCase{7680, 4320, 96}));

TEST_F(SessionTest, ScreenObjectReportsTwipsAtFifteenPerPixel) {
  Start();
  EXPECT_FLOAT_EQ(app->screen.Width(), 28800.0f);
  EXPECT_FLOAT_EQ(app->screen.Height(), 16200.0f);
  EXPECT_FLOAT_EQ(app->screen.TwipsPerPixelX(), 15.0f);
  const tk::Picture picture = CaptureDesktop(*app);
  EXPECT_EQ(picture->Width(), 1920);
  EXPECT_EQ(picture->Height(), 1080);
}

}  // namespace
