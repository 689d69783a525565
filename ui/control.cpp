#include "ui/control.h"

#include <algorithm>

namespace ui {

Control::Control(std::string name, ControlKind kind, Bounds design, unsigned anchors, bool visible)
    : name_(std::move(name)), kind_(kind), design_(design), anchors_(anchors), visible_(visible), bounds_(design) {}

void Control::changed() {
  if (observer_) observer_->controlChanged(*this);
}

void Control::setVisible(bool v) { update(visible_, v); }

void Control::setBounds(const Bounds& b) { update(bounds_, b); }

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

void Control::setInputEnabled(bool on) { update(inputEnabled_, on); }

void Control::setPointer(Pointer p) { update(pointer_, p); }

void Control::setPicture(std::shared_ptr<const Image> p) {
  picture_ = std::move(p);
  changed();
}

void Control::setValue(int v) { update(value_, std::clamp(v, 0, 100)); }

void Control::setFont(const Font& f) { update(font_, f); }

void Control::setTextColour(const Colour& c) { update(textColour_, c); }

void Control::setFillColour(const Colour& c) { update(fillColour_, c); }

void Control::setPictureFit(PictureFit f) { update(pictureFit_, f); }

void Control::setAutoSize(bool on) { update(autoSize_, on); }

}  // namespace ui
