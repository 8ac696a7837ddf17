// Ctrl+C and Ctrl+S during a session: the captured screen with every mark, without the banner, goes to the
// clipboard or to a PNG file. The session and the marks stay as they are.
#include <cstdio>

#include "app/form1.h"
#include "platform/png.h"

namespace {
std::string FileName(const tk::DateTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "Lumora %04d-%02d-%02d %02d%02d%02d.png", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return name;
}
}  // namespace

void Form1::CopyPicture() {
  if (!app.system.CopyToClipboard(hWnd(), Snapshot()))
    app.system.MsgBox("The picture could not be put on the clipboard. Please try again.", "Lumora",
                      tk::kMbOk | tk::kMbIconExclamation);
}

void Form1::SavePicture() {
  const raster::Bitmap picture = Snapshot();
  const std::optional<std::string> path = app.system.AskSavePath(hWnd(), FileName(app.system.LocalTime()));
  // The dialog had the keyboard, so key releases never reached the overlay: forget every held key as a key-up
  // would, or the S of Ctrl+S would place a smiley at the next click.
  int16_t none = 0;
  Form_KeyUp(none, 0);
  if (!path) return;
  std::string why;
  if (!app.system.SaveFile(*path, tk::EncodePng(picture), why))
    app.system.MsgBox("The picture could not be saved.\n\n" + why, "Lumora", tk::kMbOk | tk::kMbIconExclamation);
}
