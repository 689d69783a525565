#pragma once
// The headless realisation: the window model is all there is; the host answers
// with a screen size the test chooses and records error boxes.
#include <string>
#include <vector>

#include "ui/window.h"

namespace ui {

class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(Size screen = {1920, 1080}) : screen_(screen) {}
  Size screenSize() override { return screen_; }
  void setScreenSize(Size s) { screen_ = s; }
  Size frameSize(bool bordered) override { return bordered ? Size{6, 29} : Size{0, 0}; }
  void showError(const std::string& caption, const std::string& text) override {
    errors.push_back(caption + ": " + text);
  }
  std::vector<std::string> errors;

 private:
  Size screen_;
};

}  // namespace ui
