#include "ui/control.h"

#include <algorithm>

namespace ui {

Control::Control(std::string name, ControlKind kind, Bounds design, unsigned anchors, bool visible)
    : name_(std::move(name)), kind_(kind), design_(design), anchors_(anchors), visible_(visible), bounds_(design) {}

void Control::changed() {
  if (observer_) observer_->controlChanged(*this);
}

void Control::setVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  changed();
}

void Control::setBounds(const Bounds& b) {
  if (bounds_ == b) return;
  bounds_ = b;
  changed();
}

void Control::setText(const std::string& t) {
  if (text_ == t) return;
  text_ = t;
  changed();
  if (onChange) onChange();
}

void Control::userEditedText(const std::string& t) {
  if (text_ == t) return;
  text_ = t;
  if (onChange) onChange();
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    if (start == text.size()) break;
  }
  return lines;
}

void Control::appendLines(const std::string& text) {
  for (auto& line : splitLines(text)) lines_.push_back(std::move(line));
  changed();
}

void Control::setInputEnabled(bool on) {
  if (inputEnabled_ == on) return;
  inputEnabled_ = on;
  changed();
}

void Control::setPointer(Pointer p) {
  if (pointer_ == p) return;
  pointer_ = p;
  changed();
}

void Control::setPicture(std::shared_ptr<const Image> p) {
  picture_ = std::move(p);
  changed();
}

void Control::setValue(int v) {
  v = std::clamp(v, 0, 100);
  if (value_ == v) return;
  value_ = v;
  changed();
}

void Control::setFont(const Font& f) {
  if (font_ == f) return;
  font_ = f;
  changed();
}

void Control::setTextColour(const Colour& c) {
  if (textColour_ == c) return;
  textColour_ = c;
  changed();
}

void Control::setFillColour(const Colour& c) {
  if (fillColour_ == c) return;
  fillColour_ = c;
  changed();
}

void Control::setPictureFit(PictureFit f) {
  if (pictureFit_ == f) return;
  pictureFit_ = f;
  changed();
}

void Control::setAutoSize(bool on) {
  if (autoSize_ == on) return;
  autoSize_ = on;
  changed();
}

}  // namespace ui
