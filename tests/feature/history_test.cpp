// Undo and redo of every kind of change, Clear and Esc's Clear included, the cap and the redo steps a new
// change drops; Ctrl+C and Ctrl+S with the picture they give.
#include <functional>

#include "fixture.h"

namespace {

class HistoryTest : public LumoraTest {
 protected:
  HistoryTest() : LumoraTest(320, 240) { PaintScreenPattern(); }
  void Ctrl(int vk, int modifiers = 2) {
    sys.modifiers = modifiers;
    KeyDown(vk);
    sys.modifiers = 0;
  }
};

TEST_F(HistoryTest, EveryChangeUndoneAndRedoneExactly) {
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"stroke", [&] { Drag(20, 20, 200, 120); }},
      {"red stroke across it", [&] { form->SetForeColor(0x0000FF), Drag(20, 120, 200, 20, 0, 3); }},
      {"rectangle", [&] { Drag(30, 150, 120, 200, kShift); }},
      {"ellipse", [&] { CtrlDrag(150, 30, 300, 100); }},
      {"resize", [&] { Hover(120, 175), Drag(120, 175, 160, 175); }},
      {"move", [&] { Hover(70, 175), Drag(70, 175, 90, 185); }},
      {"delete", [&] { Hover(100, 185), RightClick(100, 185); }},
      {"stamp placed", [&] { ClickWithKey('S', 250, 180); }},
      {"stamp moved", [&] { Drag(260, 180, 270, 190); }},
      {"stamp placed over part of it", [&] { ClickWithKey('8', 262, 216); }},
      {"stamp removed from under it", [&] { RightClick(270, 180); }},
      {"Clear by Delete", [&] { KeyDown(kVkDelete); }},
  };
  StartSession();
  std::vector<raster::Bitmap> frames{Frame()};
  for (const auto& [name, change] : changes) {
    change();
    frames.push_back(Frame());
    EXPECT_NE(DifferingPixels(frames.back(), frames[frames.size() - 2]), 0) << name << " changed nothing";
  }
  for (size_t i = std::size(changes); i > 0; --i) {
    Ctrl('Z');
    EXPECT_EQ(DifferingPixels(Frame(), frames[i - 1]), 0) << "undo of " << changes[i - 1].first;
  }
  EXPECT_EQ(Marks(), 0u);
  for (size_t i = 1; i <= std::size(changes); ++i) {
    Ctrl(i % 2 ? 'Y' : 'Z', i % 2 ? 2 : 3);  // Ctrl+Y and Ctrl+Shift+Z
    EXPECT_EQ(DifferingPixels(Frame(), frames[i]), 0) << "redo of " << changes[i - 1].first;
  }
}

TEST_F(HistoryTest, EscapesClearUndoneNextSessionAndOldestStepsGoAtTheCap) {
  StartSession();
  Drag(20, 20, 300, 40);
  const raster::Bitmap first = Frame();
  for (int y : {60, 100}) Drag(20, y, 300, y + 20);
  ClickWithKey('X', 100, 200);
  const raster::Bitmap drawn = Frame();
  Char(27);  // Esc: Clear, and the session ends
  form->mnupophl_Click();
  EXPECT_EQ(Marks(), 0u);
  Ctrl('Z');
  EXPECT_EQ(DifferingPixels(Frame(), drawn), 0) << "Esc's Clear undone in the next session";

  form->history.SetCap(form->history.ByteSize() - 1);  // one step too many: the oldest stroke's goes
  EXPECT_EQ(form->history.UndoSteps(), 3u);
  for (int i = 0; i < 6; ++i) Ctrl('Z');
  EXPECT_EQ(DifferingPixels(Frame(), first), 0) << "only the oldest step can no longer be undone";
  Ctrl('Y');
  Drag(10, 200, 100, 220);  // a new change drops what was left to redo
  EXPECT_EQ(form->history.RedoSteps(), 0u);
}

TEST_F(HistoryTest, CtrlCAndCtrlSGiveThePictureWithoutTheBannerAndAFailureSaysWhy) {
  hideBanner = false;
  StartSession();
  Drag(20, 100, 200, 200, kShift);  // below the banner
  sys.answerSaveDialog = [](const std::string&) { return "C:\\Pics\\a.png"; };
  sys.writeErrors["C:\\Pics\\b.png"] = "Access is denied.";
  Ctrl('C');
  KeyDown('S');  // held as the dialog takes the keyboard, and let go there
  Ctrl('S');
  EXPECT_FALSE(form->keySHeld) << "the S let go in the dialog would still place a smiley";
  sys.answerSaveDialog = [](const std::string&) { return "C:\\Pics\\b.png"; };
  Ctrl('S');
  EXPECT_EQ(std::count(sys.calls.begin(), sys.calls.end(), "AskSavePath Lumora 2026-03-04 050607.png"), 2);
  EXPECT_EQ(Boxes(), Strings{"Lumora: The picture could not be saved.\n\nAccess is denied. (48)"});
  EXPECT_EQ(Marks(), 1u);

  form->Image1.SetVisible(false);
  const raster::Bitmap& shown = Frame();
  ASSERT_TRUE(sys.clipboard);
  EXPECT_EQ(DifferingPixels(*sys.clipboard, shown), 0);
  // The same picture as a PNG file; the end-to-end run reads one back against the screen.
  EXPECT_EQ(sys.files["C:\\Pics\\a.png"].substr(0, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
