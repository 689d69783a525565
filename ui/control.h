#pragma once
// The portable model of one control of the installer window. The window logic
// sets properties here; a realisation (headless, or Win32) mirrors them. The
// headless realisation is the model itself, so every rule of the window is
// testable without a display.
#include <compare>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/image.h"

namespace ui {

struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Bounds&) const = default;
};

enum class Pointer { Arrow, Hand, NotAllowed };

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

struct Font {
  std::string face;
  int pixels = 0;  // character height in physical pixels
  bool bold = false;
  auto operator<=>(const Font&) const = default;
};

// How a picture control draws its picture.
enum class PictureFit {
  TopLeft,       // unscaled from the control's top-left corner, clipped to it
  CentreShrink,  // centred; scaled down with its proportions kept when larger than the control
};

enum class ControlKind {
  Picture,      // a picture: the cover, a button image, the error picture
  Label,        // one line of text without a background of its own
  Edit,         // one-line text box
  Memo,         // read-only multi-line text
  ProgressBar,  // 0..100, drawn by the program
  Busy,         // animated busy indicator
};

// Anchor flags: which sides of the window a control keeps its distance to.
inline constexpr unsigned kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8;

class Control;

// The lines of a text as the memo shows them: split at CR LF, CR or LF; a
// final line break adds no empty line.
std::vector<std::string> splitLines(const std::string& text);

// Told about every property change, so a realisation can mirror it.
class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void controlChanged(Control& control) = 0;
};

class Control {
 public:
  Control(std::string name, ControlKind kind, Bounds design, unsigned anchors, bool visible);

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  const Bounds& designBounds() const { return design_; }
  unsigned anchors() const { return anchors_; }

  bool visible() const { return visible_; }
  void setVisible(bool v);
  const Bounds& bounds() const { return bounds_; }
  void setBounds(const Bounds& b);

  const std::string& text() const { return text_; }
  // A different text raises onChange at once (the same text raises nothing).
  void setText(const std::string& t);
  // The user typed: the realisation already shows the text, so only the model
  // and the change handler follow.
  void userEditedText(const std::string& t);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(const std::string& p) { placeholder_ = p; }

  // Memo lines; a text with line breaks becomes several lines.
  const std::vector<std::string>& lines() const { return lines_; }
  void appendLines(const std::string& text);

  bool inputEnabled() const { return inputEnabled_; }
  void setInputEnabled(bool on);
  Pointer pointer() const { return pointer_; }
  void setPointer(Pointer p);
  // True when the control receives clicks and pointer movement.
  bool takesInput() const { return visible_ && inputEnabled_; }

  // A decoded picture (the cover), or the name of a built-in picture.
  const std::shared_ptr<const Image>& picture() const { return picture_; }
  void setPicture(std::shared_ptr<const Image> p);
  const std::string& resource() const { return resource_; }
  void setResource(const std::string& r) { resource_ = r; }

  int value() const { return value_; }
  // Progress 0..100; values outside are clamped.
  void setValue(int v);

  // The control's own font; none: the window's.
  const std::optional<Font>& font() const { return font_; }
  void setFont(const Font& f);
  // The colour of its text; none: the system's window-text colour.
  const std::optional<Colour>& textColour() const { return textColour_; }
  void setTextColour(const Colour& c);
  // The filled part of a progress bar; none: the system's highlight colour.
  const std::optional<Colour>& fillColour() const { return fillColour_; }
  void setFillColour(const Colour& c);
  PictureFit pictureFit() const { return pictureFit_; }
  void setPictureFit(PictureFit f);
  // The control's size follows its text, one line in its font; its bounds
  // then give only its place.
  bool autoSize() const { return autoSize_; }
  void setAutoSize(bool on);

  std::function<void()> onClick, onEnter, onLeave, onChange;

  void setObserver(ControlObserver* o) { observer_ = o; }

 private:
  void changed();
  // Sets a property and tells the observer, unless it already has the value.
  template <typename T, typename V>
  void update(T& property, const V& value) {
    if (property == value) return;
    property = value;
    changed();
  }

  std::string name_;
  ControlKind kind_;
  Bounds design_;
  unsigned anchors_;
  bool visible_;
  Bounds bounds_;
  std::string text_, placeholder_, resource_;
  std::vector<std::string> lines_;
  bool inputEnabled_ = true;
  Pointer pointer_ = Pointer::Arrow;
  std::shared_ptr<const Image> picture_;
  int value_ = 0;
  std::optional<Font> font_;
  std::optional<Colour> textColour_, fillColour_;
  PictureFit pictureFit_ = PictureFit::TopLeft;
  bool autoSize_ = false;
  ControlObserver* observer_ = nullptr;
};

}  // namespace ui
