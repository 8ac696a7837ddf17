// The native side of the windowed controls: the system's own buttons, statics, edit boxes and trackbars
// as children of the form's window. Each host applies its control's state to its child window and turns the
// notifications the form's window receives for it into the control's typed User* calls.
#pragma once

#include <windows.h>

#include <string>

#include "platform/widgets.h"
#include "platform/win32/handle.h"

namespace tk {

class Win32Window;

namespace win32 {

class ControlWindow final : public ControlHost {
 public:
  // `id` names the child window (and a timer's timer) among the form window's children.
  ControlWindow(Win32Window& window, Control& control, UINT id);
  ~ControlWindow() override;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  // --- ControlHost ---
  void Update() override;
  void SetFocus() override;

  Control& Model() const { return control_; }

  // The text box's subclass: the dialog manager leaves its selection alone.
  static LRESULT CALLBACK ReadOnlyTextProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                           DWORD_PTR data);
  UINT Id() const { return id_; }
  HWND Handle() const { return hwnd_.get(); }

  // --- Decoded by the form's window. Each may end in a handler that unloads the form and so this host. ---
  void OnCommand(UINT code);  // a WM_COMMAND notification code
  void OnScroll(UINT code);   // a trackbar's WM_HSCROLL code
  void OnTimer();
  // WM_CTLCOLOR*: prepares `dc` and returns the brush for the background.
  HBRUSH OnColor(HDC dc);

 private:
  void ApplyGeometry();
  void ApplyText();
  void ApplyFont();
  void ApplyToolTip();
  void ApplyKind();
  HBRUSH SolidBrush(COLORREF color);

  Win32Window& window_;
  Control& control_;
  const UINT id_;

  // The child window goes first: its font and brush must outlive it.
  UniqueFont font_;
  Font fontShown_;
  int fontDpi_ = 0;
  UniqueBrush brush_;
  COLORREF brushColor_ = 0;
  UniqueHwnd hwnd_;
  UniqueTimer timer_;
  int timerInterval_ = 0;
  std::string textShown_;
  std::string tipShown_;
  bool tracking_ = false;  // the slider's thumb is being dragged
};

}  // namespace win32
}  // namespace tk
