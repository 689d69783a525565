#pragma once
// The portable model of the installer's one top-level window: its controls in
// stacking order (first is lowest), geometry, colour key, border, timer. The
// logic sets these; a realisation mirrors them onto a real window.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// What the system provides to the window.
class Host {
 public:
  virtual ~Host() = default;
  // The primary screen in physical pixels.
  virtual Size screenSize() = 0;
  // Outer size minus client size, for the borderless or the bordered window.
  virtual Size frameSize(bool bordered) = 0;
  // The toolkit's standard error box.
  virtual void showError(const std::string& caption, const std::string& text) = 0;
};

class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  virtual void windowChanged() = 0;
  // Long work on the window's thread is under way: answer the system, handle
  // no input.
  virtual void stillWorking() {}
};

// Where a control goes when the client area differs from the design size.
Bounds placeByAnchors(const Bounds& design, unsigned anchors, Size designClient, Size client);

class Window {
 public:
  Window(Host& host, std::string caption, Size designClient);

  Host& host() { return host_; }

  Control& add(const std::string& name, ControlKind kind, Bounds design, unsigned anchors, bool visible);
  // The control of that name; throws std::out_of_range for an unknown name.
  Control& operator[](const std::string& name) const;
  const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

  const std::string& caption() const { return caption_; }
  // The font of every control not given its own.
  const Font& font() const { return font_; }
  void setFont(const Font& f);
  const Font& fontOf(const Control& c) const { return c.font() ? *c.font() : font_; }
  int left() const { return left_; }
  int top() const { return top_; }
  void setLeft(int v);
  void setTop(int v);
  // Outer size, frame included.
  int width() const { return clientWidth_ + frame().width; }
  int height() const { return clientHeight_ + frame().height; }
  void setWidth(int outer);
  void setHeight(int outer);
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }
  Size frame() const { return host_.frameSize(bordered_); }

  bool colourKey() const { return colourKey_; }
  void setColourKey(bool on);
  // The single, non-sizeable border with a caption bar and no caption buttons.
  bool bordered() const { return bordered_; }
  void setBordered(bool on);

  // The one-shot start-up timer.
  bool timerEnabled() const { return timerEnabled_; }
  void setTimerEnabled(bool on);
  int timerInterval() const { return timerInterval_; }
  std::function<void()> onTimer;

  bool closed() const { return closed_; }
  void close();

  // Runs an event handler; an error that escapes it ends the handler and is
  // shown in the standard error box captioned with the application title.
  void dispatch(const std::function<void()>& handler);
  static constexpr const char* kApplicationTitle = "Instalator pakietów CAD";

  void setObserver(WindowObserver* o) { observer_ = o; }

  // Long work on the window's thread calls this now and then (see
  // WindowObserver::stillWorking); counted, so tests see that it is called.
  void stillWorking();
  int stillWorkingCalls() const { return stillWorkingCalls_; }

 private:
  void resizeClient(int w, int h);
  void changed();

  Host& host_;
  std::string caption_;
  Font font_;
  Size design_;
  std::vector<std::unique_ptr<Control>> controls_;
  int left_ = 0, top_ = 0;
  int clientWidth_, clientHeight_;
  bool colourKey_ = true;
  bool bordered_ = false;
  bool timerEnabled_ = true;
  int timerInterval_ = 1000;
  bool closed_ = false;
  WindowObserver* observer_ = nullptr;
  int stillWorkingCalls_ = 0;
};

}  // namespace ui
