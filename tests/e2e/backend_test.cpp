// The win32 backend on its own, under Wine on the harness's display, where the scenarios cannot reach: handle
// owners, captures that cannot succeed, the window a form gets (styles, signed pointer coordinates, its
// pointer), the clipboard, the program's dialogs, and the registry held to the same contract as the tests'
// in-memory hive.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/form1.h"
#include "guidance/form3.h"
#include "guidance/form4.h"
#include "platform/form.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_capture.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_system.h"
#include "resources/resource_ids.h"
#include "settings/form2.h"
#include "settings/registry_contract.h"

using namespace tk::win32;

namespace {

void PumpMessages() {
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message != WM_QUIT) ::DispatchMessageA(&message);  // an unloaded last form asks to quit
}

// A form that remembers the pointer moves that reached it.
class ProbeForm : public tk::Form {
 public:
  explicit ProbeForm(tk::App& application) : Form(application, "ProbeForm") {}
  void Form_MouseMove(int16_t, int16_t, float x, float) override { movesX.push_back(x); }
  std::vector<float> movesX;
};

class Win32Backend : public ::testing::Test {
 protected:
  Win32Backend() : system(::GetModuleHandleA(nullptr)), app(system), form(app) { form.Load(); }
  ~Win32Backend() override {
    form.Unload();
    PumpMessages();
  }

  HWND Window() const { return static_cast<HWND>(form.hWnd()); }

  tk::Win32System system;
  tk::App app;
  ProbeForm form;
  const tk::ScreenMetrics screen = system.PrimaryScreen();
};

// Every pixel tells its own place, so a shifted or scaled copy cannot pass for it.
raster::Pixel PatternAt(int x, int y) {
  return 0xFF000000u |
         static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF));
}

HWND HwndOf(const tk::Control& control) {
  return static_cast<const tk::win32::ControlWindow*>(control.Host())->Handle();
}

// Room beside a caption, pixels at 96 DPI: a box's glyph and gap, a frame's indents, a button's edges; a
// label's words wrap at its width.
int RoomBeside(tk::ControlType type) {
  using enum tk::ControlType;
  return type == CheckBox ? 17 : type == Frame ? 16 : type == Label ? 0 : 8;
}

// A key as the dialog's loop receives it from the keyboard, at the control with the focus.
void Press(UINT key) {
  const HWND focus = ::GetFocus();
  ::PostMessageA(focus, WM_KEYDOWN, key, 1);
  ::PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

}  // namespace

TEST(Capture, ImpossibleRequestsStillGivePictures) {
  // A window that does not exist gives black of the asked size.
  const tk::Picture missing = WindowToPicture(reinterpret_cast<HWND>(0x7FFF0), true, 0, 0, 7, 5);
  ASSERT_EQ(std::pair(missing->Width(), missing->Height()), std::pair(7, 5));
  for (int i = 0; i < 35; ++i) EXPECT_EQ(missing->At(i % 7, i / 7), 0xFF000000u) << i;

  // Reaching beyond the screen, or asking for more than memory holds, must not crash.
  const HWND desktop = ::GetDesktopWindow();
  EXPECT_EQ(WindowToPicture(desktop, false, -50, -50, 100, 100)->Width(), 100);
  const tk::Picture huge = WindowToPicture(desktop, false, 0, 0, 200000, 200000);
  ASSERT_TRUE(huge);
  EXPECT_TRUE(huge->Width() == 0 || huge->Width() == 200000);
}

TEST(Capture, BitmapPictureFreesTheBitmap) {
  EXPECT_EQ(CreateBitmapPicture(UniqueBitmap(), UniquePalette())->Width(), 0);
  UniqueBitmap bitmap(::CreateBitmap(3, 2, 1, 32, nullptr));
  const HBITMAP raw = bitmap.get();
  EXPECT_EQ(CreateBitmapPicture(std::move(bitmap), UniquePalette())->Width(), 3);
  EXPECT_EQ(::GetObjectType(raw), 0u) << "the picture owns a copy; the bitmap is freed";
}

TEST_F(Win32Backend, MaximisedIsAToolWindowWithTheProgramsIconAndPointer) {
  form.SetPicture(std::make_shared<raster::Bitmap>(screen.widthPixels, screen.heightPixels));
  form.SetWindowState(tk::kWindowMaximized);
  form.Show();
  PumpMessages();
  EXPECT_TRUE(::GetWindowLongPtrA(Window(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "no task-bar button";
  EXPECT_NE(form.IconHandle(), 0u) << "the program's icon, which the tray shows too";
  EXPECT_EQ(::SendMessageA(Window(), WM_GETICON, ICON_SMALL, 0), static_cast<LRESULT>(form.IconHandle()));

  // No closing by the keyboard either.
  ::SendMessageA(Window(), WM_CLOSE, 0, 0);
  PumpMessages();
  EXPECT_TRUE(::IsWindow(Window()) && form.Loaded());
  // Coordinates are signed: a captured pointer left of the window is negative.
  ::SendMessageA(Window(), WM_MOUSEMOVE, 0, MAKELPARAM(-20, 5));
  ASSERT_FALSE(form.movesX.empty());
  EXPECT_EQ(form.movesX.back(), -20 * form.TwipsPerPixel());

  // The form's pointer shows over it; the highlighter is 32 pixels wide and held by its middle.
  const HCURSOR highlighter = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HIGHLIGHTER));
  ICONINFO info{};
  ASSERT_TRUE(highlighter && ::GetIconInfo(highlighter, &info))
      << "the highlighter is missing from the resources";
  const UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
  BITMAP size{};
  ::GetObjectA(mask.get(), sizeof size, &size);
  EXPECT_EQ(std::tuple(size.bmWidth, info.xHotspot, info.yHotspot), std::tuple(32L, 16ul, 16ul));
  for (auto [pointer, cursor] : {std::pair{tk::kPointerCustom, highlighter},
                                 {tk::kPointerSizeWE, ::LoadCursorA(nullptr, IDC_SIZEWE)},
                                 {tk::kPointerSizeAll, ::LoadCursorA(nullptr, IDC_SIZEALL)}}) {
    form.SetMousePointer(pointer);
    ::SendMessageA(Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Window()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), cursor) << pointer;
  }
}

INSTANTIATE_TYPED_TEST_SUITE_P(Advapi32, RegistryContract, tk::Win32Registry);

// Each options dialog moves its slider by a page, then ends its own way; only OK keeps the new width.
TEST_F(Win32Backend, DialogKeysMoveTheSliderOnceAndEnterEscAndTheCloseBoxEndIt) {
  // The owner takes input again while the dialog is still up, or the system would activate another program:
  // `reenabled` counts the times it did.
  static tk::System* chained;
  static tk::WndProc previous;
  static int reenabled;
  chained = &system;
  reenabled = 0;
  previous = system.SetWindowProc(form.hWnd(), [](tk::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
    if (m == WM_ENABLE && wp && ::IsWindowVisible(::FindWindowA(nullptr, "Lumora Options"))) ++reenabled;
    return chained->CallWindowProc(previous, w, m, wp, lp);
  });
  bool postedRan = false;
  system.Post([&] { postedRan = !::IsWindowEnabled(Window()); });
  Form1 overlay(app);
  for (const UINT ending : {UINT{VK_RETURN}, UINT{VK_ESCAPE}, UINT{WM_CLOSE}}) {  // WM_CLOSE: the close box
    Form2 options(app, overlay);
    const int width = overlay.DrawWidth();
    int changes = 0, ticks = 0;
    // A timer presses the keys inside the modal loop; a second tick waits behind every message they posted,
    // so it comes only when they left the dialog up.
    tk::Timer& ticker = options.Add<tk::Timer>("Ticker");
    ticker.SetInterval(1);
    ticker.Tick = [&] {
      if (ticks++) return options.Unload();
      options.Slider1.Change = [&] { ++changes; };  // the keys' changes, not the load's
      options.Slider1.SetFocus(), Press(VK_NEXT);
      ending == WM_CLOSE ? void(::PostMessageA(::GetActiveWindow(), WM_CLOSE, 0, 0)) : Press(ending);
    };
    options.Show(tk::kModal, &form);
    EXPECT_EQ(std::tuple(options.Slider1.Value(), changes, ticks), std::tuple(width + 10, 1, 1)) << ending;
  }
  EXPECT_EQ(overlay.DrawWidth(), 20) << "OK keeps its page from 10; Esc and the close box drop theirs";
  EXPECT_TRUE(postedRan) << "a posted task ran inside the modal loop, with the owner disabled";
  EXPECT_EQ(reenabled, 3);
}

// Each dialog shown: what its controls show and do, then its layout and font at each DPI it may move to.
TEST_F(Win32Backend, DialogControlsShowTheirColoursAndFollowTheDpiWithEveryCaptionFitting) {
  Form1 overlay(app);
  Form2 options(app, overlay);
  Form3 instructions(app);
  Form4 about(app);
  // The options and the about window over a picture, the about window without its artwork.
  auto picture = std::make_shared<raster::Bitmap>(594, 430);
  for (int y = 0; y < 430; ++y)
    for (int x = 0; x < 594; ++x) picture->Row(y)[x] = PatternAt(x, y);
  options.SetPicture(picture), about.SetPicture(picture);
  about.Image3.SetVisible(false);
  options.Load(), instructions.Load(), about.Load();

  instructions.Text1.SetText("one\ntwo");
  EXPECT_EQ(::GetWindowTextLengthA(HwndOf(instructions.Text1)), 8) << "one\\ntwo shown as one\\r\\ntwo";
  const HWND check = HwndOf(options.Check2), link = HwndOf(about.Label6);
  options.Check2.SetValue(tk::kGrayed);
  EXPECT_EQ(::SendMessageA(check, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  ::SendMessageA(check, BM_CLICK, 0, 0);  // a click on a grayed box checks it
  EXPECT_EQ(std::pair(options.Check2.Value(), ::SendMessageA(check, BM_GETCHECK, 0, 0)),
            std::pair(int{tk::kChecked}, LRESULT{BST_CHECKED}));
  ::SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_POINTER)));

  // A swatch's and the preview line's own colours; the form showing through inside a frame, around an
  // option's circle and under a link.
  const std::tuple<tk::Form*, int, int, raster::Pixel> points[] = {{&options, 60, 40, 0xFF00FFFFu},
                                                                   {&options, 230, 136, 0xFFFFFF00u},
                                                                   {&options, 97, 100, PatternAt(97, 100)},
                                                                   {&options, 24, 29, PatternAt(24, 29)},
                                                                   {&about, 510, 305, PatternAt(510, 305)}};
  for (tk::Form* dialog : std::initializer_list<tk::Form*>{&options, &instructions, &about}) {
    dialog->Show(tk::kModeless, &form);
    PumpMessages();
    const HWND window = static_cast<HWND>(dialog->hWnd());
    for (auto [shownBy, x, y, pixel] : points)
      if (shownBy == dialog) {
        EXPECT_EQ(system.WindowToPicture(window, true, x, y, 1, 1)->At(0, 0), pixel) << x << "," << y;
      }

    for (const int dpi : {96, 120, 144, 192}) {
      // What the system sends when the dialog moves to a monitor of another DPI.
      const tk::DipRect client = tk::ScaleToDpi(dialog->DesignBounds(), dpi);
      RECT suggested{100, 100, 100 + client.width, 100 + client.height};
      ::AdjustWindowRectEx(&suggested, ::GetWindowLongA(window, GWL_STYLE), FALSE,
                           ::GetWindowLongA(window, GWL_EXSTYLE));
      ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
      SCOPED_TRACE(dialog->Name() + " at " + std::to_string(dpi));
      EXPECT_EQ(std::pair(dialog->ClientWidth(), dialog->ClientHeight()),
                std::pair(client.width, client.height));

      for (const auto& control : dialog->Controls()) {
        const HWND hwnd = HwndOf(*control);
        RECT box{};
        ::GetWindowRect(hwnd, &box);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        const tk::DipRect want = tk::ScaleToDpi(control->FormBounds(), dpi);
        EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}),
                  (std::array<LONG, 4>{want.left, want.top, want.left + want.width, want.top + want.height}))
            << control->Name();
        if (control->Caption().empty()) continue;

        WindowDc dc(hwnd, true);
        ScopedSelect font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc.get(), &metrics);
        EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, ::MulDiv(8, dpi, 72), 1) << control->Name();
        const int room = ::MulDiv(RoomBeside(control->type), dpi, 96);
        RECT text{0, 0, want.width - room, 0};
        ::DrawTextA(dc.get(), control->Caption().c_str(), -1, &text,
                    DT_CALCRECT | (control->type == tk::ControlType::Label ? DT_WORDBREAK : DT_SINGLELINE));
        EXPECT_LE(text.right + room, want.width) << control->Name();
        EXPECT_LE(text.bottom, want.height) << control->Name();
      }
    }
    dialog->Unload();
  }
}

// Ctrl+C's bitmap as other programs read it: a CF_DIB whose rows are the picture's, bottom row first.
TEST_F(Win32Backend, CopyToClipboardGivesADibOfThePicture) {
  raster::Bitmap picture(3, 2);
  for (int i = 0; i < 6; ++i) picture.Data()[i] = 0xFF000000u | 0x10203u * (i + 1);
  ASSERT_TRUE(system.CopyToClipboard(form.hWnd(), picture));
  ASSERT_TRUE(::OpenClipboard(nullptr));
  const auto* dib = static_cast<const BITMAPINFOHEADER*>(::GlobalLock(::GetClipboardData(CF_DIB)));
  ASSERT_TRUE(dib);
  EXPECT_EQ(std::tuple(dib->biWidth, dib->biHeight, dib->biBitCount, dib->biCompression),
            std::tuple(LONG(3), LONG(2), WORD(32), DWORD(BI_RGB)));
  const auto* pixels = reinterpret_cast<const raster::Pixel*>(dib + 1);
  const raster::Pixel* p = picture.Data();  // bottom row first
  EXPECT_EQ(std::vector(pixels, pixels + 6), (std::vector{p[3], p[4], p[5], p[0], p[1], p[2]}));
  ::GlobalUnlock(::GetClipboardData(CF_DIB));
  ::CloseClipboard();
}
