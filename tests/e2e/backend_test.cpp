// The win32 backend on its own, under Wine on the harness's display, where the scenarios cannot reach: handle
// owners, captures that cannot succeed, the window a form gets (styles, signed pointer coordinates, its
// pointer), the clipboard, and the registry held to the same contract as the tests' in-memory hive.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/form.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_capture.h"
#include "platform/win32/win32_system.h"
#include "resources/resource_ids.h"
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
  EXPECT_EQ(form.ClientWidth(), screen.widthPixels);
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

// --- Windowed controls and modal dialogs ---

#include <functional>
#include <string>

#include "platform/win32/win32_controls.h"

namespace {

// Every pixel tells its own place, so a shifted or scaled copy cannot pass for it.
raster::Pixel PatternAt(int x, int y) {
  return 0xFF000000u |
         static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF));
}

HWND HwndOf(const tk::Control& control) {
  return static_cast<const tk::win32::ControlWindow*>(control.Host())->Handle();
}

// A frame of three option buttons, a check box, a slider, OK (default) and Cancel (cancel). Its timer, once
// given an interval, runs `script` inside the modal loop: a tick waits behind every posted message, so each
// step sees what the keys posted by the step before it did.
class TestDialog : public tk::Form {
 public:
  explicit TestDialog(tk::App& application) : Form(application, "TestDialog") {
    SetCaption("Backend dialog");
    SetBorderStyle(tk::kBorderFixedDialog);
    SetClientSize(312, 150);
    SetStartUpPosition(tk::kStartCenterScreen);
    frame.SetCaption("Highlight colour");
    frame.Move(8, 6, 120, 106);
    red.Move(12, 22, 100, 20), green.Move(12, 48, 100, 20), blue.Move(12, 74, 100, 20);
    red.SetCaption("Red"), green.SetCaption("Green"), blue.SetCaption("Blue");
    check.SetCaption("Show instructions on startup");
    check.Move(138, 12, 168, 20);
    slider.Move(134, 42, 174, 32);
    slider.SetRange(10, 50);
    slider.SetSteps(1, 10, 5);
    slider.SetValue(20);
    slider.Change = [this] { ++changes; };
    ok.SetCaption("OK"), cancel.SetCaption("Cancel");
    ok.Move(152, 118, 73, 26), cancel.Move(233, 118, 73, 26);
    ok.SetDefault(true), cancel.SetCancel(true);
    ok.Click = [this] { clicked = "OK", Unload(); };
    cancel.Click = [this] { clicked = "Cancel", Unload(); };
    ticker.Tick = [this] {
      step < script.size() ? script[step++]() : (clicked += "(script ended)", Unload());
    };
  }

  tk::Frame& frame = Add<tk::Frame>("Frame");
  tk::OptionButton &red = Add<tk::OptionButton>("Red", &frame),
                   &green = Add<tk::OptionButton>("Green", &frame),
                   &blue = Add<tk::OptionButton>("Blue", &frame);
  tk::CheckBox& check = Add<tk::CheckBox>("Check");
  tk::Slider& slider = Add<tk::Slider>("Slider");
  tk::CommandButton &ok = Add<tk::CommandButton>("OK"), &cancel = Add<tk::CommandButton>("Cancel");
  tk::Timer& ticker = Add<tk::Timer>("Ticker");
  std::vector<std::function<void()>> script;
  size_t step = 0;
  int changes = 0;
  std::string clicked;
};

// A key as the dialog's loop receives it from the keyboard, at the control with the focus.
void Press(UINT key) {
  const HWND focus = ::GetFocus();
  ::PostMessageA(focus, WM_KEYDOWN, key, 1);
  ::PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
}

}  // namespace

// The first dialog moves its slider by a page, then each one ends its own way.
TEST_F(Win32Backend, DialogKeysMoveTheSliderOnceAndEnterEscAndTheCloseBoxEndIt) {
  const struct {
    UINT key;  // WM_CLOSE: the close box
    const char* clicked;
  } endings[] = {{VK_RETURN, "OK"}, {VK_ESCAPE, "Cancel"}, {WM_CLOSE, ""}};
  // The owner takes input again while the dialog is still up, or the system would activate another program.
  static tk::System* chained;
  static tk::WndProc previous;
  static HWND dialogWindow;
  static int enabledUnderDialog;
  chained = &system;
  enabledUnderDialog = 0;
  previous = system.SetWindowProc(form.hWnd(), [](tk::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
    if (m == WM_ENABLE && wp && ::IsWindowVisible(dialogWindow)) ++enabledUnderDialog;
    return chained->CallWindowProc(previous, w, m, wp, lp);
  });
  bool postedRan = false;
  system.Post([&] { postedRan = !::IsWindowEnabled(Window()); });
  for (const auto& ending : endings) {
    TestDialog dialog(app);
    dialog.ticker.SetInterval(1);
    if (&ending == endings) {
      dialog.script.push_back([&] { dialog.slider.SetFocus(), Press(VK_NEXT); });
      dialog.script.push_back(
          [&] { EXPECT_EQ(std::pair(dialog.slider.Value(), dialog.changes), std::pair(30, 1)); });
    }
    dialog.script.push_back([&] {
      dialogWindow = static_cast<HWND>(dialog.hWnd());
      ending.key == WM_CLOSE ? void(::PostMessageA(dialogWindow, WM_CLOSE, 0, 0)) : Press(ending.key);
    });
    dialog.Show(tk::kModal, &form);
    EXPECT_EQ(dialog.clicked, ending.clicked) << "the dialog closed on the key, not at the end of the script";
    EXPECT_TRUE(::IsWindowEnabled(Window()));
  }
  EXPECT_TRUE(postedRan) << "a posted task ran inside the modal loop, with the owner disabled";
  EXPECT_EQ(enabledUnderDialog, 3);
}

// A shown dialog over a picture of its own: what each control shows and does, then its layout and font at
// each DPI it may move to.
TEST_F(Win32Backend, DialogControlsShowTheirColoursAndFollowTheDpiWithEveryCaptionFitting) {
  TestDialog dialog(app);
  auto picture = std::make_shared<raster::Bitmap>(312, 150);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 312; ++x) picture->Row(y)[x] = PatternAt(x, y);
  dialog.SetPicture(picture);
  auto& swatch = dialog.Add<tk::Label>("Swatch");
  swatch.Move(10, 118, 30, 26);
  swatch.SetBackColor(0x0000FF);
  auto& see = dialog.Add<tk::Label>("SeeThrough");
  see.SetTransparent(true);
  see.Move(44, 118, 40, 26);
  see.SetMousePointer(tk::kPointerHand);
  auto& line = dialog.Add<tk::Line>("Line");
  line.SetPoints(90, 130, 140, 130);
  line.SetBorderWidth(4);
  line.SetBorderColor(0xFF0000);
  auto& text = dialog.Add<tk::TextBox>("Text");
  text.SetText("one\ntwo");
  text.Move(200, 80, 100, 30);

  dialog.Show(tk::kModeless, &form);
  PumpMessages();
  const HWND window = static_cast<HWND>(dialog.hWnd());
  // The swatch's and the line's own colours; the form showing through inside the frame, beside an option's
  // text and under a transparent label.
  for (auto [x, y, pixel] : {std::tuple{20, 130, 0xFFFF0000u},
                             {110, 130, 0xFF0000FFu},
                             {15, 105, PatternAt(15, 105)},
                             {110, 30, PatternAt(110, 30)},
                             {60, 130, PatternAt(60, 130)}})
    EXPECT_EQ(system.WindowToPicture(window, true, x, y, 1, 1)->At(0, 0), pixel) << x << "," << y;

  const HWND label = HwndOf(see);
  ::SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(::GetCursor(), ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_POINTER)));

  char shown[32] = {};
  ::GetWindowTextA(HwndOf(text), shown, sizeof shown);
  EXPECT_STREQ(shown, "one\r\ntwo");
  dialog.check.SetValue(tk::kGrayed);
  EXPECT_EQ(::SendMessageA(HwndOf(dialog.check), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  ::SendMessageA(HwndOf(dialog.check), BM_CLICK, 0, 0);
  EXPECT_EQ(dialog.check.Value(), tk::kChecked) << "a click on a grayed box checks it";
  EXPECT_EQ(::SendMessageA(HwndOf(dialog.check), BM_GETCHECK, 0, 0), BST_CHECKED);

  for (const int dpi : {96, 120, 144, 192}) {
    // What the system sends when the dialog moves to a monitor of another DPI.
    const tk::DipRect client = tk::ScaleToDpi({0, 0, 312, 150}, dpi);
    RECT suggested{100, 100, 100 + client.width, 100 + client.height};
    ::AdjustWindowRectEx(&suggested, ::GetWindowLongA(window, GWL_STYLE), FALSE,
                         ::GetWindowLongA(window, GWL_EXSTYLE));
    ::SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(dialog.ClientWidth(), client.width) << dpi;
    EXPECT_EQ(dialog.ClientHeight(), client.height) << dpi;

    for (const auto& control : dialog.Controls()) {
      const HWND hwnd = control->Host() ? HwndOf(*control) : nullptr;
      if (!hwnd) continue;  // the timer
      RECT box{};
      ::GetWindowRect(hwnd, &box);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
      const tk::DipRect want = tk::ScaleToDpi(control->FormBounds(), dpi);
      EXPECT_EQ((std::array{box.left, box.top, box.right, box.bottom}),
                (std::array<LONG, 4>{want.left, want.top, want.left + want.width, want.top + want.height}))
          << control->Name() << " at " << dpi;
      if (control->Caption().empty()) continue;

      WindowDc dc(hwnd, true);
      ScopedSelect font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(hwnd, WM_GETFONT, 0, 0)));
      TEXTMETRICA metrics{};
      ::GetTextMetricsA(dc.get(), &metrics);
      EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, ::MulDiv(8, dpi, 72), 1)
          << control->Name() << dpi;
      SIZE extent{};
      ::GetTextExtentPoint32A(dc.get(), control->Caption().c_str(),
                              static_cast<int>(control->Caption().size()), &extent);
      // Room beside the text: a box's or a circle's glyph and gap, a button's edges, a frame's indents.
      const int room =
          control->type == tk::ControlType::CheckBox || control->type == tk::ControlType::OptionButton ? 17
          : control->type == tk::ControlType::Frame                                                    ? 16
                                                                                                       : 8;
      EXPECT_LE(extent.cx + ::MulDiv(room, dpi, 96), want.width) << control->Name() << " at " << dpi;
      EXPECT_LE(extent.cy, want.height) << control->Name() << " at " << dpi;
    }
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
