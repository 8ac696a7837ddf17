// The win32 backend on its own, under Wine on the harness's display, where the scenarios cannot reach: handle
// owners, captures that cannot succeed, the window a form gets (styles, signed pointer coordinates, its
// pointer), and the registry held to the same contract as the tests' in-memory hive.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <tuple>
#include <type_traits>
#include <vector>

#include "platform/form.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_capture.h"
#include "platform/win32/win32_system.h"
#include "resources/resource_ids.h"
#include "settings/registry_contract.h"

using namespace tk::win32;

namespace {

bool IsGdiObject(HGDIOBJ object) {
  return ::GetObjectType(object) != 0;
}

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

  void ShowMaximised() {
    form.SetPicture(std::make_shared<raster::Bitmap>(screen.widthPixels, screen.heightPixels));
    form.SetWindowState(tk::kWindowMaximized);
    form.Show();
    ::UpdateWindow(Window());
    PumpMessages();
  }

  tk::Win32System system;
  tk::App app;
  ProbeForm form;
  const tk::ScreenMetrics screen = system.PrimaryScreen();
};

}  // namespace

TEST(Capture, ImpossibleRequestsStillGivePictures) {
  const HWND desktop = ::GetDesktopWindow();
  for (auto [width, height] : {std::pair{0, 10}, {10, 0}, {-3, 5}, {5, -3}}) {
    const tk::Picture picture = WindowToPicture(desktop, false, 0, 0, width, height);
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::pair(picture->Width(), picture->Height()), std::pair(0, 0));
  }

  // A window that does not exist gives black of the asked size.
  const tk::Picture missing = WindowToPicture(reinterpret_cast<HWND>(0x7FFF0), true, 0, 0, 7, 5);
  ASSERT_EQ(std::pair(missing->Width(), missing->Height()), std::pair(7, 5));
  for (int i = 0; i < 35; ++i) EXPECT_EQ(missing->At(i % 7, i / 7), 0xFF000000u) << i;

  // Reaching beyond the screen, or asking for more than memory holds, must not crash.
  EXPECT_EQ(WindowToPicture(desktop, false, -50, -50, 100, 100)->Width(), 100);
  const tk::Picture huge = WindowToPicture(desktop, false, 0, 0, 200000, 200000);
  ASSERT_TRUE(huge);
  EXPECT_TRUE(huge->Width() == 0 || huge->Width() == 200000);
}

TEST(Capture, BitmapPictureCopiesThePixelsAndFreesTheBitmap) {
  // The owner hands its handle over only by get() or release(), and cannot be copied.
  static_assert(!std::is_copy_constructible_v<UniqueBitmap> && !std::is_convertible_v<UniqueBitmap, HBITMAP>);
  EXPECT_EQ(CreateBitmapPicture(UniqueBitmap(), UniquePalette())->Width(), 0);

  BITMAPINFO format{};
  format.bmiHeader = {sizeof format.bmiHeader, 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  const uint32_t pixels[6] = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x000001};
  std::memcpy(bits, pixels, sizeof pixels);
  const HBITMAP raw = bitmap.get();

  const tk::Picture picture = CreateBitmapPicture(std::move(bitmap), UniquePalette());
  ASSERT_EQ(std::pair(picture->Width(), picture->Height()), std::pair(3, 2));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(picture->At(i % 3, i / 3), 0xFF000000u | pixels[i]) << i;
  EXPECT_FALSE(IsGdiObject(raw)) << "the picture owns a copy; the bitmap is freed";
}

TEST_F(Win32Backend, MaximisedCoversThePrimaryMonitorAsAToolWindowWithTheProgramsIconAndPointer) {
  ShowMaximised();
  RECT window{};
  ::GetWindowRect(Window(), &window);
  EXPECT_EQ(std::tuple(window.left, window.top, window.right, window.bottom, form.ClientWidth()),
            std::tuple(0L, 0L, LONG{screen.widthPixels}, LONG{screen.heightPixels}, screen.widthPixels));

  const LONG_PTR frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  EXPECT_EQ(::GetWindowLongPtrA(Window(), GWL_STYLE) & frame, WS_POPUP) << "no frame, no close box";
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
