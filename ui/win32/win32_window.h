#pragma once
// The Win32 realisation of the window model: one top-level window and a child
// window per control. It only translates: model properties become window
// state, window messages become calls of the model's handlers.
#include <windows.h>

#include <memory>
#include <vector>

#include "ui/win32/painter.h"
#include "ui/window.h"

namespace ui::win32 {

class Win32Host : public Host {
 public:
  Size screenSize() override;
  Size frameSize(bool bordered) override;
  void showError(const std::string& caption, const std::string& text) override;
  void setOwner(HWND owner) { owner_ = owner; }

 private:
  HWND owner_ = nullptr;
};

class Win32Window : public WindowObserver, public ControlObserver {
 public:
  Win32Window(Window& model, HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  void show();
  // Runs until the window is closed; returns the exit code.
  int runMessageLoop();

  void windowChanged() override;
  void controlChanged(Control& control) override;
  void stillWorking() override;

 private:
  struct Child {
    Control* control;
    size_t index;  // place in the stacking order
    HWND hwnd = nullptr;
    bool tracking = false;
    bool pressed = false;
    int frame = 0;          // busy indicator animation
    size_t shownLines = 0;  // memo lines already in the edit control
    ULONGLONG lastAppend = 0;
    INT_PTR shownProps[3] = {-1, -1, -1};  // input, pointer, picture centre as last set
  };

  static LRESULT CALLBACK topProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK childProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK editProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT handleTop(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT handleChild(Child& child, UINT msg, WPARAM wp, LPARAM lp);

  void createChildren();
  void syncControl(Child& child);
  void appendMemoLines(Child& child);
  void syncWindow();
  void repaintUnder(const Bounds& b, bool now);
  void paintChild(Child& child, HDC dc);
  void paintBusy(Child& child, HDC dc);
  Child* childFor(HWND h);

  Window& model_;
  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  Painter painter_;
  std::vector<Child> children_;
  bool bordered_ = false;
  bool colourKey_ = true;
  bool timerArmed_ = false;
  bool destroyed_ = false;
  bool syncingEdit_ = false;  // our own text change, not the user's
  ULONGLONG lastQueueLook_ = 0;
  bool memoFlushPosted_ = false;
};

}  // namespace ui::win32
