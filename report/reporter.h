#pragma once
// Where work reports to whoever shows it: diagnostic lines (level 1 for the
// user, level 2 for the trace) and progress. The installer window, pack's
// printer and the tests' recorders are the receivers; the package reader, the
// accessory database and the installer's logic are the senders.
#include <string>

namespace report {

class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void info(int level, const std::string& text) = 0;
  // 0 to 100; values outside are clamped by the receiver.
  virtual void setProgress(int percent) = 0;
  // The log level in force, so callers can skip building lines nobody sees.
  virtual int logLevel() const = 0;
  // Called now and then by long work on the window's thread, so the window
  // can tell the system it is still alive. It handles no input.
  virtual void stillWorking() {}
};

}  // namespace report

// The name the package reader, the accessory database and pack still use.
namespace ui {
using report::Reporter;
}
