// The overlay: the full-screen window that shows the captured screen and takes the user's marks. It lives
// for the whole run and owns the program menu, the shapes and stamps, and the engine state. Its handlers
// are defined in the folder of the subsystem they belong to.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "history/history.h"
#include "platform/form.h"
#include "settings/reg_settings.h"

class Form1 : public tk::Form {
 public:
  explicit Form1(tk::App& app);
  ~Form1() override;

  // --- The program menu: `pop` is never shown as a bar; its children are the popup menu ---
  tk::MenuItem pop{"pop", "pop", false};
  tk::MenuItem mnupophl{"mnupophl", "&Start Highlighting"};
  tk::MenuItem mnupopclr{"mnupopclr", "&Clear", false};
  tk::MenuItem sep2{"sep2", "-"};
  tk::MenuItem mnupopopt{"mnupopopt", "&Options"};
  tk::MenuItem sep3{"sep3", "-"};
  tk::MenuItem mnupophlp{"mnupophlp", "&Help"};
  tk::MenuItem mnuqref{"mnuqref", "&Quick Reference"};
  tk::MenuItem mnupopabt{"mnupopabt", "&About"};
  tk::MenuItem sep{"sep", "-"};
  tk::MenuItem mnupopexit{"mnupopexit", "&Exit"};

  // --- Shapes (element 0 of each is the hidden template) and stamps ---
  tk::ShapeArray shapeArrRect{*this, "shapeArrRect"};
  tk::ShapeArray ShapeArrOv{*this, "ShapeArrOv"};
  tk::ImageArray imgsmiley{*this, "imgsmiley"};
  tk::ImageArray imgx{*this, "imgx"};
  tk::ImageArray imgcheck{*this, "imgcheck"};
  tk::ImageArray imgarrow{*this, "imgarrow"};
  tk::ImageArray imgstar{*this, "imgstar"};
  // Every change to the marks, for Ctrl+Z and Ctrl+Y; it lives for the run, across sessions (history/).
  history::History history{*this, {&shapeArrRect, &ShapeArrOv}, {&imgsmiley, &imgx, &imgcheck, &imgarrow, &imgstar}};

  // --- The banner in the top-left corner, above every stamp, with its two links (guidance/) ---
  tk::Image& Image1;
  tk::Label& lblhlp;
  tk::Label& Label1;
  tk::Timer& Timer1;
  struct Banner {
    int16_t BannerHidden = 0;  // True (-1) while hidden or sliding out
    int32_t BannerOffset = 0;  // the left edge during a slide out, twips
    bool arrowForward = false;  // the banner dialog's arrow, kept from one showing to the next
  } banner;

  // --- Engine state (twips) ---
  int32_t downX = 0, downY = 0;  // last left press; while dragging a shape, the previous drag step
  int32_t lastX = 0, lastY = 0;  // previous point of the freehand stroke
  bool isDrawing = false;
  bool isResizing = false;
  bool isMovingRect = false;
  bool isMovingOval = false;
  bool isCreating = false;  // the current drag already made its rectangle or ellipse
  bool overRect = false, overOval = false;
  int32_t curRect = 0, curOval = 0;      // the shape last found under the pointer; 0 = none
  int32_t rectCount = 0, ovalCount = 0;  // highest index ever created; never lowered
  std::string handleCode;

  // --- Keys held, kept by the key handlers ---
  bool ctrlHeld = false, keySHeld = false, keyXHeld = false, keyCHeld = false, keyAHeld = false,
       key8Held = false;

  // Highest stamp index ever created per kind: smiley, x, check, arrow, star.
  std::array<int32_t, 5> stampCount{};

  // --- Tray and window hook ---
  int32_t TrayMessage = 0;
  tk::TrayIconData TrayIconData;
  tk::WndProc OldWindowProc = nullptr;
  // Ctrl+H may belong to another program at start-up and come free later (app/tray.cpp).
  struct Hotkey {
    bool held = false;  // registered to the overlay
    bool told = false;  // the balloon saying it is taken was shown: once per run
  } hotkey;

  // --- Handlers ---
  void Form_Load() override;
  void Form_Unload(int16_t& cancel) override;
  void Form_MouseDown(int16_t button, int16_t shift, float x, float y) override;
  void Form_MouseMove(int16_t button, int16_t shift, float x, float y) override;
  void Form_MouseUp(int16_t button, int16_t shift, float x, float y) override;
  void Form_KeyDown(int16_t& keyCode, int16_t shift) override;
  void Form_KeyPress(int16_t& keyAscii) override;
  void Form_KeyUp(int16_t& keyCode, int16_t shift) override;

  void mnupophl_Click();
  void mnupopclr_Click();
  void mnupopopt_Click();
  void mnupophlp_Click();
  void mnuqref_Click();
  void mnupopabt_Click();
  void mnupopexit_Click();

  // Ctrl+Z and Ctrl+Y (history/); Ctrl+C and Ctrl+S: the picture with the marks to the clipboard or a file
  // (session/).
  void Undo();
  void Redo();
  void CopyPicture();
  void SavePicture();

  void Image1_DblClick();
  void Timer1_Timer();

  // Every stamp array shares one set of handlers; `kind` is the array's stampCount slot.
  void Stamp_MouseDown(int kind, int16_t index, int16_t button, int16_t shift, float x, float y);
  void Stamp_MouseMove(int kind, int16_t index, int16_t button, int16_t shift, float x, float y);
  void Stamp_MouseUp(int kind, int16_t index, int16_t button, int16_t shift, float x, float y);

  tk::ImageArray& StampArray(int kind);
  CRegSettings& Settings();

  // Ends a drag in progress (stroke, rubber band, resize, move) as a left release does.
  void EndDrag();
  // Sets the key-held flags from the keys that are down now.
  void SyncHeldKeys();

  // Registers Ctrl+H unless the overlay holds it already; true when it does now.
  bool TakeHotkey();
  // Gives Ctrl+H back if the overlay holds it.
  void ReleaseHotkey();
  // Says in a balloon over the tray icon, once per run, that another program has Ctrl+H.
  void TellHotkeyTaken();

  // The drawing attributes from the settings, applied to the overlay and the two shape templates.
  void ApplyDrawingSettings(int32_t lineWidth, uint32_t color);

 private:
  // Steps of the pointer handlers (annotate/).
  void TrayEvent(float x);
  void FreehandSegment(float x, float y);
  void RubberBandStep(tk::ShapeArray& shapes, int32_t& count, float x, float y);
  void HoverTest(int16_t button, float x, float y);
  bool HoverWalk(tk::ShapeArray& shapes, bool oval, int16_t button, float x, float y);
  void ResizeStep(float x, float y);
  void MoveStep(tk::ShapeArray& shapes, int32_t index, float x, float y);
  void DeleteShape();
  void PlaceStamp(int kind, float x, float y);
  void AfterHistory();
  void ShowInstructions();
  void DesignBanner();
  void PlaceBannerLinks();
  void MoveBanner(float left, float top);
  void BannerCorner();

  std::unique_ptr<CRegSettings> settings_;
};

// Puts the tray icon up for the overlay, takes the program off the task bar and hides the form; while
// another program has Ctrl+H, the icon says so once.
void AddTrayIcon(Form1& form);

// The overlay's replacement window procedure: Ctrl+H toggles the session, everything goes on to the
// previous procedure.
intptr_t HotkeyWindowProc(tk::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
