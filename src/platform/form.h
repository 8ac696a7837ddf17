// A form: a top-level window with a drawing surface, windowless controls on it, and its event handlers.
// The state lives here, portable; a WindowHost mirrors it on the desktop, and the compositor draws it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/raster/raster.h"
#include "platform/system.h"
#include "platform/widgets.h"

namespace tk {

enum : int { kWindowNormal = 0, kWindowMinimized = 1, kWindowMaximized = 2 };
// None is the overlay's borderless window; the fixed dialog border has a title bar with only a close box.
// Fixed single without a caption and control box is a plain framed box with no title bar.
enum : int { kBorderNone = 0, kBorderFixedSingle = 1, kBorderFixedDialog = 3 };
enum : int { kStartManual = 0, kStartCenterOwner = 1, kStartCenterScreen = 2 };
enum : int { kModeless = 0, kModal = 1 };

class Form {
 public:
  Form(App& app, std::string name);  // the caption starts as the name
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  App& app;
  const std::string& Name() const { return name_; }

  // Creates the window and runs Form_Load; does nothing when already loaded.
  void Load();
  // Runs Form_Unload and destroys the window.
  void Unload();
  bool Loaded() const { return host_ != nullptr; }
  WindowHandle hWnd() const { return host_ ? host_->Handle() : nullptr; }
  // The loaded form that owns a window: window procedures are free functions and start from the handle.
  static Form* FromHandle(WindowHandle window);
  uintptr_t IconHandle() const { return host_ ? host_->IconHandle() : 0; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool Visible() const { return visible_; }
  // Loads the form first if needed. Modal: returns once the form is unloaded or hidden, and `owner` takes
  // no input meanwhile.
  void Show(int modal = kModeless, Form* owner = nullptr);
  void Hide();
  Form* Owner() const { return owner_; }

  // --- Dialog forms: border, client size in pixels at 96 DPI, where the window opens ---
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style) { borderStyle_ = style; }
  bool ControlBox() const { return controlBox_; }  // the title bar's close box
  void SetControlBox(bool value) { controlBox_ = value; }
  bool ShowIcon() const { return showIcon_; }  // the program's icon at the left of the title bar
  void SetShowIcon(bool value) { showIcon_ = value; }
  const DipRect& DesignBounds() const { return designBounds_; }
  void SetClientSize(int width, int height) { designBounds_.width = width, designBounds_.height = height; }
  int StartUpPosition() const { return startUpPosition_; }
  void SetStartUpPosition(int position, int left = 0, int top = 0);
  // The usual dialog: a fixed border with a close box, `width` x `height` pixels at 96 DPI, centred on the screen.
  void MakeDialog(std::string caption, int width, int height) {
    SetCaption(std::move(caption));
    SetBorderStyle(kBorderFixedDialog);
    SetClientSize(width, height);
    SetStartUpPosition(kStartCenterScreen);
  }

  // Windowed controls, in creation order, which is also the Tab order.
  template <class T, class... Args>
  T& Add(Args&&... args) {
    auto control = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& added = *control;
    controls_.push_back(std::move(control));
    if (host_) added.Attach(host_->CreateControl(added));
    return added;
  }
  // A control array of N elements with indexes 0 to N - 1, added one after the other.
  template <class T, size_t N>
  std::array<T*, N> AddArray(const std::string& name, Control* container = nullptr) {
    std::array<T*, N> elements{};
    for (size_t i = 0; i < N; ++i) elements[i] = &Add<T>(name, container, static_cast<int16_t>(i));
    return elements;
  }
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  // A picture element of the form's own, above those added before it; positions are twips.
  Image& AddImage();

  // The user's Enter, Esc and close box: the default button's Click, the cancel button's Click (or the close
  // box when there is none), and unloading the form. The borderless overlay has no close box.
  void PressDefault();
  void PressCancel();
  void CloseBox();
  int WindowState() const { return windowState_; }
  void SetWindowState(int state);
  int MousePointer() const { return mousePointer_; }
  void SetMousePointer(int pointer);
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(Picture picture);  // the previous picture is released

  int DrawWidth() const { return drawWidth_; }
  void SetDrawWidth(int pixels) { drawWidth_ = pixels; }
  uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(uint32_t color) { foreColor_ = color; }
  uint32_t BackColor() const { return backColor_; }
  void SetBackColor(uint32_t color);

  // Draws a line in twips with the drawing width and colour onto the form's run-time graphics.
  void Line(float x1, float y1, float x2, float y2);
  // Erases the run-time graphics; the picture stays.
  void Cls();
  // Puts masks back into the run-time graphics, one run of a row at a time, and repaints them: an undo.
  struct InkRun {
    int y, first, count;
    raster::Pixel mask;  // 0xFFFFFFFF: no ink
  };
  void RestoreInk(const std::vector<InkRun>& runs);
  // The picture with the run-time graphics and every control-array element, as the form shows them, but
  // without the form's own images (the banner): what the user made. Alpha is opaque.
  raster::Bitmap Snapshot();
  // Shows `menu`'s children as a popup menu; runs the chosen item's Click before returning. X and Y are
  // twips in the form; without them the menu opens at the pointer.
  void PopupMenu(MenuItem& menu, int flags = 0, std::optional<float> x = std::nullopt,
                 std::optional<float> y = std::nullopt, const MenuItem* defaultItem = nullptr);

  // Surface size in pixels.
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  float TwipsPerPixel() const { return app.screen.TwipsPerPixelX(); }
  const raster::InkLayer& Ink() const { return ink_; }

  // Event handlers for the form itself.
  virtual void Form_Load() {}
  virtual void Form_Unload(int16_t& /*cancel*/) {}
  virtual void Form_MouseDown(int16_t /*button*/, int16_t /*shift*/, float /*x*/, float /*y*/) {}
  virtual void Form_MouseMove(int16_t /*button*/, int16_t /*shift*/, float /*x*/, float /*y*/) {}
  virtual void Form_MouseUp(int16_t /*button*/, int16_t /*shift*/, float /*x*/, float /*y*/) {}
  virtual void Form_KeyDown(int16_t& /*keyCode*/, int16_t /*shift*/) {}
  virtual void Form_KeyPress(int16_t& /*keyAscii*/) {}
  virtual void Form_KeyUp(int16_t& /*keyCode*/, int16_t /*shift*/) {}

  // --- Used by the backends ---

  // The form's own window procedure: turns input messages into events. Sets `handled` when it used one.
  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, bool& handled);
  void Resize(int widthPixels, int heightPixels);
  // Recomposes the dirty parts of the surface into `out`; returns what was recomposed.
  std::vector<raster::Rect> ComposeDirty(const raster::Surface& out);
  void InvalidateAll();
  // The pointer shape to show at the last pointer position (an image's own pointer wins).
  int CurrentPointer() const;

  // --- Used by controls ---
  void Invalidate(const raster::Rect& pixels);
  void InvalidateOps(const std::vector<raster::DrawOp>& before, const std::vector<raster::DrawOp>& after);
  void AddShapeArray(ShapeArray* array) { shapeArrays_.push_back(array); }
  void RemoveShapeArray(ShapeArray* array);
  void StackImage(Image* image);
  // Where an array element lies among the others, 0 at the bottom; Restack puts it back there.
  int StackPosition(const Image& image) const;
  void Restack(Image& image, int position);
  // An element moved: a hovered image that left the pointer gives up its tooltip.
  void ElementMoved(const Element& element);
  void UnstackImage(Image* image);

 protected:
  WindowHost* Host() const { return host_.get(); }

 private:
  void MouseInput(uint32_t message, uintptr_t wParam, int xPixels, int yPixels);
  Image* ImageAt(float x, float y) const;
  void Hover(Image* image);
  void BuildScene(const raster::Rect& area, bool ownImages = true);
  // Whether no picture element is drawn over any of these pixels, so that a change that only masks them
  // further can be ANDed into the shown frame in place (see raster::MaskSteps).
  bool OnlyMasksOver(const raster::Rect& pixels);
  // Asks the window to show pixels again without recomposing them: they were masked in place.
  void ShowMasked(const raster::Rect& pixels);

  std::string name_;
  std::string caption_;
  std::unique_ptr<WindowHost> host_;
  std::vector<std::unique_ptr<Control>> controls_;  // declared after the host: their native parts go first
  Form* owner_ = nullptr;
  std::vector<std::unique_ptr<Image>> images_;
  int borderStyle_ = kBorderNone;
  bool controlBox_ = true;
  bool showIcon_ = true;
  DipRect designBounds_;
  int startUpPosition_ = kStartManual;
  bool visible_ = false;
  int windowState_ = kWindowNormal;
  int mousePointer_ = kPointerDefault;
  Picture picture_;
  int drawWidth_ = 1;
  uint32_t foreColor_ = 0;
  uint32_t backColor_ = kSystemColor;  // the backend's window or dialog colour
  int clientWidth_ = 0, clientHeight_ = 0;

  raster::InkLayer ink_;
  raster::Scene scene_;
  std::vector<const Shape*> shapesIn_;  // kept to spare an allocation per repaint
  raster::DirtyRegion dirty_;
  raster::MaskSteps masked_;               // ANDed into the frame before the dirty parts are recomposed
  std::vector<raster::DrawOp> spriteOps_;  // kept to spare an allocation per test
  std::vector<ShapeArray*> shapeArrays_;
  std::vector<Image*> imageStack_;  // bottom to top

  Image* captured_ = nullptr;  // the element a press went to, until the release
  bool captureForm_ = false;
  Image* hovered_ = nullptr;
  float pointerX_ = -1, pointerY_ = -1;  // the last pointer position, twips
  raster::Rect hoveredBox_;  // where hovered_'s tooltip was put
};

}  // namespace tk
