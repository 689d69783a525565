#pragma once
// The host the installer window runs on, as the program entry gives it: it
// notes that an unexpected error was shown, which decides the exit code, and
// in a silent run turns the error box into a log line, so nothing waits for
// a click.
#include <functional>
#include <string>

#include "ui/window.h"

class RunHost : public ui::Host {
 public:
  RunHost(ui::Host& system, bool silent) : system_(system), silent_(silent) {}

  ui::Size screenSize() override { return system_.screenSize(); }
  ui::Size frameSize(bool bordered) override { return system_.frameSize(bordered); }
  void showError(const std::string& caption, const std::string& text) override {
    errorShown_ = true;
    if (!silent_)
      system_.showError(caption, text);
    else if (report)
      report(text);
  }

  bool silent() const { return silent_; }
  bool errorShown() const { return errorShown_; }
  // Where a silent run's error text goes instead of the box.
  std::function<void(const std::string&)> report;

 private:
  ui::Host& system_;
  bool silent_;
  bool errorShown_ = false;
};
