#include "ui/window.h"

#include <cmath>
#include <stdexcept>

namespace ui {
namespace {

// Centre keeps its proportional place: new centre = design centre x new size /
// design size, multiplied first and rounded to the nearest pixel.
int proportional(int designStart, int length, int designClient, int client) {
  const double centre = (designStart + length / 2.0) * client / designClient;
  return static_cast<int>(std::lround(centre)) - length / 2;
}

}  // namespace

Bounds placeByAnchors(const Bounds& d, unsigned anchors, Size designClient, Size client) {
  const int dW = client.width - designClient.width;
  const int dH = client.height - designClient.height;
  Bounds b = d;
  const bool l = anchors & kAnchorLeft, r = anchors & kAnchorRight;
  const bool t = anchors & kAnchorTop, bo = anchors & kAnchorBottom;
  if (l && r)
    b.width = d.width + dW;
  else if (r)
    b.left = d.left + dW;
  else if (!l)
    b.left = proportional(d.left, d.width, designClient.width, client.width);
  if (t && bo)
    b.height = d.height + dH;
  else if (bo)
    b.top = d.top + dH;
  else if (!t)
    b.top = proportional(d.top, d.height, designClient.height, client.height);
  return b;
}

Window::Window(Host& host, std::string caption, Size designClient)
    : host_(host),
      caption_(std::move(caption)),
      design_(designClient),
      clientWidth_(designClient.width),
      clientHeight_(designClient.height) {}

Control& Window::add(const std::string& name, ControlKind kind, Bounds design, unsigned anchors, bool visible) {
  controls_.push_back(std::make_unique<Control>(name, kind, design, anchors, visible));
  return *controls_.back();
}

Control& Window::operator[](const std::string& name) const {
  for (const auto& c : controls_)
    if (c->name() == name) return *c;
  throw std::out_of_range("no control named " + name);
}

void Window::changed() {
  if (observer_) observer_->windowChanged();
}

void Window::setLeft(int v) {
  left_ = v;
  changed();
}

void Window::setTop(int v) {
  top_ = v;
  changed();
}

void Window::setWidth(int outer) { resizeClient(outer - frame().width, clientHeight_); }

void Window::setHeight(int outer) { resizeClient(clientWidth_, outer - frame().height); }

void Window::resizeClient(int w, int h) {
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  if (w == clientWidth_ && h == clientHeight_) return;
  clientWidth_ = w;
  clientHeight_ = h;
  for (auto& c : controls_) c->setBounds(placeByAnchors(c->designBounds(), c->anchors(), design_, {w, h}));
  changed();
}

void Window::setFont(const Font& f) {
  if (font_ == f) return;
  font_ = f;
  changed();
}

void Window::setColourKey(bool on) {
  colourKey_ = on;
  changed();
}

void Window::setBordered(bool on) {
  // The client area keeps its size; the frame is added around it.
  bordered_ = on;
  changed();
}

void Window::setTimerEnabled(bool on) {
  timerEnabled_ = on;
  changed();
}

void Window::close() {
  closed_ = true;
  changed();
}

void Window::dispatch(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    host_.showError(kApplicationTitle, e.what());
  } catch (...) {
    host_.showError(kApplicationTitle, "Nieznany błąd.");
  }
}

void Window::stillWorking() {
  ++stillWorkingCalls_;
  if (observer_) observer_->stillWorking();
}

}  // namespace ui
