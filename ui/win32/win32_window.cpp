#include "ui/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>

#include "platform/win32/wide.h"
#include "ui/win32/control_id.h"
#include "ui/win32/gdi.h"

namespace ui::win32 {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

constexpr UINT_PTR kStartTimer = 1;
constexpr UINT_PTR kBusyTimer = 2;
constexpr UINT kBusyFrameMs = 50;
// How often long work looks at the queue: well inside the five seconds after
// which Windows takes the window as hung.
constexpr ULONGLONG kQueueLookIntervalMs = 200;
constexpr ULONGLONG kMemoAppendIntervalMs = 250;
constexpr UINT kFlushMemoMessage = WM_APP + 1;
constexpr int kBusyDots = 12;
constexpr DWORD kBorderlessStyle = WS_POPUP | WS_CLIPCHILDREN;
// A single, non-sizeable border with a caption bar and no caption buttons.
constexpr DWORD kBorderedStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_APPWINDOW;

RECT toRect(const Bounds& b) { return RECT{b.left, b.top, b.left + b.width, b.top + b.height}; }

LPCWSTR cursorFor(Pointer p) {
  switch (p) {
    case Pointer::Hand: return IDC_HAND;
    case Pointer::NotAllowed: return IDC_NO;
    default: return IDC_ARROW;
  }
}

void registerClasses(HINSTANCE instance, WNDPROC top, WNDPROC child) {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = top;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  WNDCLASSEXW cc{};
  cc.cbSize = sizeof cc;
  cc.lpfnWndProc = child;
  cc.hInstance = instance;
  cc.hCursor = nullptr;  // set per control on WM_SETCURSOR
  cc.lpszClassName = kControlClass;
  RegisterClassExW(&cc);
}

std::wstring windowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(h, s.data(), n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

}  // namespace

// ---- Host ------------------------------------------------------------------

Size Win32Host::screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Size Win32Host::frameSize(bool bordered) {
  RECT r{0, 0, 100, 100};
  AdjustWindowRectEx(&r, bordered ? kBorderedStyle : kBorderlessStyle, FALSE, kExStyle);
  return {r.right - r.left - 100, r.bottom - r.top - 100};
}

void Win32Host::showError(const std::string& caption, const std::string& text) {
  MessageBoxW(owner_, widen(text).c_str(), widen(caption).c_str(), MB_OK | MB_ICONERROR);
}

// ---- Window ----------------------------------------------------------------

Win32Window::Win32Window(Window& model, HINSTANCE instance) : model_(model), instance_(instance) {
  registerClasses(instance, topProc, childProc);
  bordered_ = model.bordered();
  hwnd_ = CreateWindowExW(kExStyle, kWindowClass, widen(model.caption()).c_str(),
                          bordered_ ? kBorderedStyle : kBorderlessStyle, model.left(), model.top(), model.width(),
                          model.height(), nullptr, nullptr, instance, this);
  colourKey_ = !model.colourKey();  // force the first sync
  createChildren();
  syncWindow();
  model_.setObserver(this);
}

Win32Window::~Win32Window() {
  model_.setObserver(nullptr);
  for (auto& c : children_) c.control->setObserver(nullptr);
  if (hwnd_ && !destroyed_) DestroyWindow(hwnd_);
}

void Win32Window::createChildren() {
  const auto& controls = model_.controls();
  children_.reserve(controls.size());
  for (size_t i = 0; i < controls.size(); ++i) children_.push_back(Child{controls[i].get(), i});
  for (auto& child : children_) {
    Control& c = *child.control;
    const Bounds& b = c.bounds();
    const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlIdFor(c.name())));
    if (c.kind() == ControlKind::Edit || c.kind() == ControlKind::Memo) {
      DWORD style = WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS;
      style |= c.kind() == ControlKind::Edit ? ES_AUTOHSCROLL | WS_TABSTOP
                                             : ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
      child.hwnd =
          CreateWindowExW(0, L"EDIT", L"", style, b.left, b.top, b.width, b.height, hwnd_, id, instance_, nullptr);
      SendMessageW(child.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(painter_.fontFor(model_.fontOf(c))), FALSE);
      // The memo of a diagnostic install holds far more than the default
      // limit of about 30,000 characters; appends past it would be dropped.
      if (c.kind() == ControlKind::Memo) SendMessageW(child.hwnd, EM_SETLIMITTEXT, 0, 0);
      SetWindowSubclass(child.hwnd, editProc, 1, reinterpret_cast<DWORD_PTR>(this));
      if (!c.placeholder().empty())
        SendMessageW(child.hwnd, EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(widen(c.placeholder()).c_str()));
    } else {
      child.hwnd = CreateWindowExW(0, kControlClass, widen(c.name()).c_str(), WS_CHILD | WS_CLIPSIBLINGS, b.left, b.top,
                                   b.width, b.height, hwnd_, id, instance_, nullptr);
      SetWindowLongPtrW(child.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      if (c.kind() == ControlKind::Busy) SetTimer(child.hwnd, kBusyTimer, kBusyFrameMs, nullptr);
    }
    // Later controls lie above earlier ones.
    SetWindowPos(child.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    c.setObserver(this);
    syncControl(child);
  }
}

Win32Window::Child* Win32Window::childFor(HWND h) {
  for (auto& c : children_)
    if (c.hwnd == h) return &c;
  return nullptr;
}

void Win32Window::show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

int Win32Window::runMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

void Win32Window::windowChanged() { syncWindow(); }

void Win32Window::stillWorking() {
  // Windows takes a window whose thread has not looked at its queue for five
  // seconds as hung: it ghosts the window and offers to end the program. A
  // look that removes nothing answers the messages other threads send (the
  // system's own checks among them) and leaves every click, key and timer
  // tick queued until the running command returns.
  const ULONGLONG now = GetTickCount64();
  if (now - lastQueueLook_ < kQueueLookIntervalMs) return;
  lastQueueLook_ = now;
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
}

void Win32Window::syncWindow() {
  if (destroyed_) return;
  if (model_.closed()) {
    destroyed_ = true;
    DestroyWindow(hwnd_);
    return;
  }
  if (model_.bordered() != bordered_) {
    bordered_ = model_.bordered();
    SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      (bordered_ ? kBorderedStyle : kBorderlessStyle) | (IsWindowVisible(hwnd_) ? WS_VISIBLE : 0));
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  if (model_.colourKey() != colourKey_) {
    colourKey_ = model_.colourKey();
    if (colourKey_)
      SetLayeredWindowAttributes(hwnd_, RGB(255, 255, 255), 0, LWA_COLORKEY);
    else
      SetLayeredWindowAttributes(hwnd_, 0, 255, LWA_ALPHA);
  }
  RECT r;
  GetWindowRect(hwnd_, &r);
  if (r.left != model_.left() || r.top != model_.top() || r.right - r.left != model_.width() ||
      r.bottom - r.top != model_.height())
    SetWindowPos(hwnd_, nullptr, model_.left(), model_.top(), model_.width(), model_.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (model_.timerEnabled() && !timerArmed_) {
    SetTimer(hwnd_, kStartTimer, static_cast<UINT>(model_.timerInterval()), nullptr);
    timerArmed_ = true;
  } else if (!model_.timerEnabled() && timerArmed_) {
    KillTimer(hwnd_, kStartTimer);
    timerArmed_ = false;
  }
}

void Win32Window::repaintUnder(const Bounds& b, bool now) {
  RECT r = toRect(b);
  RedrawWindow(hwnd_, &r, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | (now ? RDW_UPDATENOW : 0));
}

void Win32Window::controlChanged(Control& control) {
  for (auto& child : children_)
    if (child.control == &control) syncControl(child);
}

void Win32Window::syncControl(Child& child) {
  if (destroyed_ || !child.hwnd) return;
  Control& c = *child.control;
  RECT before;
  GetWindowRect(child.hwnd, &before);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&before), 2);
  const bool wasVisible = (GetWindowLongW(child.hwnd, GWL_STYLE) & WS_VISIBLE) != 0;

  const Bounds b = painter_.boundsOf(model_, c);
  switch (c.kind()) {
    case ControlKind::Label: {
      const std::wstring text = widen(c.text());
      if (windowText(child.hwnd) != text) SetWindowTextW(child.hwnd, text.c_str());
      break;
    }
    case ControlKind::Edit: {
      const std::wstring text = widen(c.text());
      if (windowText(child.hwnd) != text) {
        syncingEdit_ = true;
        SetWindowTextW(child.hwnd, text.c_str());
        syncingEdit_ = false;
      }
      break;
    }
    case ControlKind::Memo: {
      // An append costs more as the text grows, and a diagnostic install
      // writes thousands of lines: the lines gathered since the last append
      // go in one piece, at most a few times a second. A posted message
      // appends the rest as soon as the running command returns.
      if (GetTickCount64() - child.lastAppend >= kMemoAppendIntervalMs) {
        appendMemoLines(child);
      } else if (!memoFlushPosted_) {
        memoFlushPosted_ = PostMessageW(hwnd_, kFlushMemoMessage, 0, 0) != 0;
      }
      break;
    }
    default: break;
  }
  const bool moved = before.left != b.left || before.top != b.top || before.right - before.left != b.width ||
                     before.bottom - before.top != b.height;
  if (moved) SetWindowPos(child.hwnd, nullptr, b.left, b.top, b.width, b.height, SWP_NOZORDER | SWP_NOACTIVATE);

  // Each property set is a call to the system, and a diagnostic install
  // changes the memo thousands of times: only what changed is set.
  INT_PTR centre = 0;
  if (const auto& pic = c.picture(); pic && pic->width > 0 && pic->height > 0)
    centre = INT_PTR(pic->pixels[size_t(pic->height / 2) * size_t(pic->width) + size_t(pic->width / 2)] & 0xFFFFFF) + 1;
  const std::pair<const wchar_t*, INT_PTR> props[] = {
      {kInputProperty, c.takesInput() ? 1 : 0}, {kPointerProperty, int(c.pointer()) + 1}, {kPictureProperty, centre}};
  for (size_t i = 0; i < std::size(props); ++i) {
    if (child.shownProps[i] == props[i].second) continue;
    SetPropW(child.hwnd, props[i].first, reinterpret_cast<HANDLE>(props[i].second));
    child.shownProps[i] = props[i].second;
  }

  if (c.visible() != wasVisible) {
    ShowWindow(child.hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
    if (!c.visible() && child.tracking) {
      // A hidden picture starts afresh: the next entry is an entry again.
      TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_CANCEL, child.hwnd, 0};
      TrackMouseEvent(&tme);
      child.tracking = false;
      child.pressed = false;
    }
  }
  // The memo is a window of the system's that draws the lines it takes;
  // only its moving or showing needs the repaint below.
  if (c.kind() == ControlKind::Memo && !moved && c.visible() == wasVisible) return;
  // Painted controls show through each other: repaint the old and the new
  // place of everything above. The progress bar and the status line must be
  // seen at once even while a long command blocks the message loop.
  const bool now = c.kind() == ControlKind::ProgressBar || c.kind() == ControlKind::Label;
  repaintUnder(Bounds{before.left, before.top, before.right - before.left, before.bottom - before.top}, false);
  repaintUnder(b, now);
}

void Win32Window::appendMemoLines(Child& child) {
  const auto& lines = child.control->lines();
  std::wstring add;
  for (size_t i = child.shownLines; i < lines.size(); ++i) {
    if (i > 0) add += L"\r\n";
    add += widen(lines[i]);
  }
  if (!add.empty()) {
    const int end = GetWindowTextLengthW(child.hwnd);
    SendMessageW(child.hwnd, EM_SETSEL, end, end);
    SendMessageW(child.hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
    SendMessageW(child.hwnd, EM_SCROLLCARET, 0, 0);
  }
  child.shownLines = lines.size();
  child.lastAppend = GetTickCount64();
}

// ---- Painting --------------------------------------------------------------

void Win32Window::paintChild(Child& child, HDC dc) {
  RECT rc;
  GetClientRect(child.hwnd, &rc);
  const Bounds& b = child.control->bounds();
  RECT area{b.left, b.top, b.left + rc.right, b.top + rc.bottom};
  MemoryDc mem(dc);
  const Bitmap bmp(CreateCompatibleBitmap(dc, std::max<LONG>(rc.right, 1), std::max<LONG>(rc.bottom, 1)));
  Selection selected(mem.get(), bmp.get());
  painter_.paint(mem.get(), model_, area, child.index);
  if (child.control->kind() == ControlKind::Busy) paintBusy(child, mem.get());
  BitBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, SRCCOPY);
}

void Win32Window::paintBusy(Child& child, HDC dc) {
  // Black dots circling: the leading dot darkest, the trail fading.
  RECT rc;
  GetClientRect(child.hwnd, &rc);
  const double cx = rc.right / 2.0, cy = rc.bottom / 2.0, radius = std::min(cx, cy) - 7;
  Selection noPen(dc, GetStockObject(NULL_PEN));
  for (int i = 0; i < kBusyDots; ++i) {
    const int age = (child.frame - i + kBusyDots) % kBusyDots;
    const int grey = std::min(230, age * 22);
    const Brush brush(CreateSolidBrush(RGB(grey, grey, grey)));
    Selection selected(dc, brush.get());
    const double angle = 2 * 3.14159265358979 * i / kBusyDots;
    const int x = int(cx + radius * std::sin(angle)), y = int(cy - radius * std::cos(angle));
    const int r = age < 4 ? 5 : 4;
    Ellipse(dc, x - r, y - r, x + r + 1, y + r + 1);
  }
}

// ---- Messages --------------------------------------------------------------

LRESULT CALLBACK Win32Window::topProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = h;
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (!self) return DefWindowProcW(h, msg, wp, lp);
  return self->handleTop(msg, wp, lp);
}

LRESULT Win32Window::handleTop(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case kFlushMemoMessage:
      memoFlushPosted_ = false;
      for (auto& child : children_)
        if (child.control->kind() == ControlKind::Memo && !destroyed_) appendMemoLines(child);
      return 0;
    case WM_PAINT: {
      const PaintDc dc(hwnd_);
      const RECT rc = dc.area();
      const int w = std::max<LONG>(rc.right - rc.left, 1), hgt = std::max<LONG>(rc.bottom - rc.top, 1);
      MemoryDc mem(dc.get());
      const Bitmap bmp(CreateCompatibleBitmap(dc.get(), w, hgt));
      Selection selected(mem.get(), bmp.get());
      painter_.paint(mem.get(), model_, rc, model_.controls().size());
      BitBlt(dc.get(), rc.left, rc.top, w, hgt, mem.get(), 0, 0, SRCCOPY);
      return 0;
    }
    case WM_TIMER:
      if (wp == kStartTimer && model_.timerEnabled() && model_.onTimer) model_.dispatch(model_.onTimer);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wp) == EN_CHANGE && !syncingEdit_) {
        if (Child* child = childFor(reinterpret_cast<HWND>(lp))) {
          Control* c = child->control;
          const std::string text = narrow(windowText(child->hwnd));
          model_.dispatch([c, text] { c->userEditedText(text); });
        }
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only memo keeps the window colour rather than the grey of a disabled box.
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE: model_.close(); return 0;
    case WM_DESTROY:
      destroyed_ = true;
      PostQuitMessage(0);
      return 0;
    default: return DefWindowProcW(hwnd_, msg, wp, lp);
  }
}

LRESULT CALLBACK Win32Window::childProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCDESTROY) {
    RemovePropW(h, kInputProperty);
    RemovePropW(h, kPointerProperty);
    RemovePropW(h, kPictureProperty);
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  Child* child = self ? self->childFor(h) : nullptr;
  if (!child) return DefWindowProcW(h, msg, wp, lp);
  return self->handleChild(*child, msg, wp, lp);
}

LRESULT Win32Window::handleChild(Child& child, UINT msg, WPARAM wp, LPARAM lp) {
  HWND h = child.hwnd;
  Control& c = *child.control;
  const bool input = c.kind() == ControlKind::Picture && c.takesInput();
  switch (msg) {
    case WM_NCHITTEST:
      // A picture without input, and every painted control that is not a
      // picture, lets the pointer through to what lies beneath.
      return input ? HTCLIENT : HTTRANSPARENT;
    case WM_SETCURSOR:
      if (!input) break;
      SetCursor(LoadCursorW(nullptr, cursorFor(c.pointer())));
      return TRUE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      const PaintDc dc(h);
      paintChild(child, dc.get());
      return 0;
    }
    case WM_TIMER:
      if (wp == kBusyTimer && c.visible()) {
        child.frame = (child.frame + 1) % kBusyDots;
        InvalidateRect(h, nullptr, FALSE);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (!child.tracking && input) {
        child.tracking = true;
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, h, 0};
        TrackMouseEvent(&tme);
        if (c.onEnter) model_.dispatch(c.onEnter);
      }
      return 0;
    case WM_MOUSELEAVE:
      if (child.tracking) {
        child.tracking = false;
        if (c.onLeave && c.visible()) model_.dispatch(c.onLeave);
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (input) {
        child.pressed = true;
        SetCapture(h);
      }
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = child.pressed;
      child.pressed = false;
      if (GetCapture() == h) ReleaseCapture();
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      RECT rc;
      GetClientRect(h, &rc);
      if (wasPressed && input && PtInRect(&rc, pt) && c.onClick) model_.dispatch(c.onClick);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

LRESULT CALLBACK Win32Window::editProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<Win32Window*>(data);
  if (msg == WM_LBUTTONUP) {
    LRESULT r = DefSubclassProc(h, msg, wp, lp);
    if (Child* child = self->childFor(h); child && child->control->onClick)
      self->model_.dispatch(child->control->onClick);
    return r;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(h, editProc, 1);
  return DefSubclassProc(h, msg, wp, lp);
}

}  // namespace ui::win32
