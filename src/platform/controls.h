// Windowless controls drawn on a form's surface (shapes, images), control arrays of them, and menu items.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/raster/raster.h"
#include "platform/system.h"

namespace tk {

class Form;

// Pointer shapes by number.
enum : int {
  kPointerDefault = 0,
  kPointerSizeNESW = 6,
  kPointerSizeNS = 7,
  kPointerSizeNWSE = 8,
  kPointerSizeWE = 9,
  kPointerSizeAll = 15,
  kPointerCustom = 99,  // the form's own pointer: the highlighter
};

constexpr int kMaxControlIndex = 32767;

// A windowless element: position and size in twips, visibility, and its place in a control array.
class Element {
 public:
  virtual ~Element() = default;

  int16_t Index() const { return index_; }
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Sets position and size in one operation. A negative width or height refuses the whole change.
  bool Move(float left, float top, float width, float height);
  bool Move(float left, float top) { return Move(left, top, width_, height_); }

  // What the element puts on the form's surface, in pixels (nothing while hidden).
  virtual void AppendOps(std::vector<raster::DrawOp>& ops, float twipsPerPixel) const = 0;
  raster::Rect PixelBox(float twipsPerPixel) const;

 protected:
  Element() = default;
  Element(const Element&) = default;
  Element& operator=(const Element&) = default;
  // Runs `change` and repaints what it changed.
  template <class F>
  void Change(F&& change);
  // After every change of place, size, visibility or style.
  virtual void Changed() {}

 private:
  template <class T>
  friend class ControlArray;
  friend class Form;  // places the images that belong to no array
  void InvalidateChange(const std::vector<raster::DrawOp>& before);

  Form* form_ = nullptr;
  int16_t index_ = 0;
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = false;
};

enum class ShapeKind { Rectangle = 0, Oval = 2 };

// Every shape is drawn with the mask pen (pixel = colour AND pixel), which is all this program draws with.
// Rectangles are drawn as their fill, ovals as their border.
struct ShapeStyle {
  ShapeKind shape = ShapeKind::Rectangle;
  uint32_t borderColor = 0;
  int borderStyle = 1;  // 0 transparent, 1 solid
  int borderWidth = 1;  // pixels
  uint32_t fillColor = 0;
  int fillStyle = 1;  // 0 solid, 1 transparent
};

class ShapeGrid;

// A filled rectangle or an oval outline. Shapes take no pointer events.
class Shape : public Element {
 public:
  const ShapeStyle& Style() const { return style_; }
  void SetStyle(const ShapeStyle& style);
  void SetFillColor(uint32_t color);
  void SetBorderColor(uint32_t color);
  void SetBorderWidth(int pixels);

  void AppendOps(std::vector<raster::DrawOp>& ops, float twipsPerPixel) const override;

 private:
  friend class ShapeGrid;
  friend class ShapeArray;
  void Changed() override;

  ShapeStyle style_;
  // An oval's rows for its present size, kept while it is dragged.
  mutable std::shared_ptr<const raster::RingRows> rings_;
  mutable std::array<float, 5> boxKey_{};  // left, top, width, height and twips per pixel of box_
  mutable raster::Rect box_;
  ShapeGrid* grid_ = nullptr;  // its array's, so a change keeps the grid up to date
  struct Cells {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; none when x1 < x0
    bool operator==(const Cells&) const = default;
  } cells_;
};

// Where the visible elements of a shape array lie: a uniform grid of cells in twips over the screen (what lies
// beyond goes to the border cells), each listing the elements whose box, widened by kReach, meets it, lowest
// index first. The hover test and the compositor then look only at the shapes near a point or an area.
class ShapeGrid {
 public:
  static constexpr double kReach = 64;  // twips on every side of a box: more than a handle band
  ShapeGrid();
  // Puts the shape where it now is (out of the grid while hidden); the template never goes in.
  void Place(Shape& shape);
  void Remove(Shape& shape);
  // Every visible element whose widened box holds the point, and maybe others; ascending index.
  const std::vector<Shape*>& Near(double x, double y) const;
  // Every visible element whose widened box meets [left, right] x [top, bottom], and maybe others; ascending
  // index. False, with nothing added, when the area spans so many cells that walking every element is quicker.
  bool Meeting(double left, double top, double right, double bottom, std::vector<const Shape*>& out) const;
  size_t Count() const { return count_; }

 private:
  static constexpr double kCell = 1024;
  static constexpr int kCells = 64;  // per side: 65,536 twips, a 4K screen at 96 DPI
  static constexpr int kMaxCellsMet = 64;
  static int Lo(double v);
  static int Hi(double v);
  // What Meeting reads of a shape, kept in each cell beside cells_ so that a scan reads one array: the
  // widened box and the first cell of the shape.
  struct Placed {
    double left, top, right, bottom;
    int16_t index;
    uint8_t x0, y0;
    const Shape* shape;
  };
  void Settle(Shape& shape, const Shape::Cells& now, const Placed& placed);
  std::vector<Shape*>& At(int x, int y) { return cells_[size_t(y) * kCells + x]; }
  std::vector<std::vector<Shape*>> cells_;
  std::vector<std::vector<Placed>> placed_;  // per cell, in the order of cells_
  mutable std::vector<const Placed*> found_;  // kept to spare an allocation per lookup
  size_t count_ = 0;
};

class ImageArray;

// A picture element that takes pointer events; later images lie above earlier ones.
class Image : public Element {
 public:
  const Picture& GetPicture() const { return picture_; }
  void SetPicture(Picture picture);
  const std::string& ToolTipText() const { return toolTipText_; }
  void SetToolTipText(std::string text) { toolTipText_ = std::move(text); }
  int MousePointer() const { return mousePointer_; }
  void SetMousePointer(int pointer) { mousePointer_ = pointer; }
  ImageArray* Array() const { return array_; }  // nullptr for an image of its own
  // A double click on an image of its own (one in an array gets its press handler instead).
  std::function<void()> DblClick;

  void AppendOps(std::vector<raster::DrawOp>& ops, float twipsPerPixel) const override;

 private:
  friend class ImageArray;
  Picture picture_;
  mutable std::shared_ptr<const raster::Bitmap> scaled_;  // the picture resampled to its box
  std::string toolTipText_;
  int mousePointer_ = kPointerDefault;
  ImageArray* array_ = nullptr;
};

// Element 0 is the hidden template; Load(n) adds element n as a copy of it; indexes are 16-bit.
template <class T>
class ControlArray {
 public:
  ControlArray(Form& form, std::string name);
  virtual ~ControlArray() = default;
  ControlArray(const ControlArray&) = delete;
  ControlArray& operator=(const ControlArray&) = delete;

  const std::string& Name() const { return name_; }
  T& Template() { return *elements_.at(0); }
  // The element with that index, or nullptr when none is loaded.
  T* operator[](int index) const;
  // Creates element `index` as a hidden copy of element 0; false for an index outside 1..32767 or in use.
  bool Load(int index);
  // Destroys element `index`; element 0 cannot be unloaded.
  bool Unload(int index);
  // Loaded indexes in ascending order, the template included.
  std::vector<int16_t> Indexes() const;
  size_t Count() const { return elements_.size(); }
  const std::map<int16_t, std::unique_ptr<T>>& Elements() const { return elements_; }

 protected:
  virtual void Loaded(T&) {}
  virtual void Unloading(T&) {}
  Form& form_;

 private:
  std::string name_;
  std::map<int16_t, std::unique_ptr<T>> elements_;
};

class ShapeArray : public ControlArray<Shape> {
 public:
  ShapeArray(Form& form, std::string name);
  ~ShapeArray() override;

  const ShapeGrid& Grid() const { return grid_; }
  // The visible elements that may show in an area of the surface, ascending index.
  void ShapesIn(const raster::Rect& pixels, float twipsPerPixel, std::vector<const Shape*>& out) const;

 protected:
  void Unloading(Shape& shape) override { grid_.Remove(shape); }

 private:
  ShapeGrid grid_;
};

class ImageArray : public ControlArray<Image> {
 public:
  using Handler = std::function<void(int16_t index, int16_t button, int16_t shift, float x, float y)>;
  ImageArray(Form& form, std::string name);
  ~ImageArray() override;

  Handler MouseDown, MouseMove, MouseUp;

 protected:
  void Loaded(Image& image) override;
  void Unloading(Image& image) override;
};

// A menu item; a caption of "-" makes a separator. Children form the item's popup menu.
class MenuItem {
 public:
  MenuItem(std::string name, std::string caption, bool visible = true)
      : Name(std::move(name)), Caption(std::move(caption)), Visible(visible) {}
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  bool IsSeparator() const { return Caption == "-"; }

  std::string Name;
  std::string Caption;
  bool Visible;
  std::function<void()> Click;
  std::vector<MenuItem*> Items;
};

}  // namespace tk
