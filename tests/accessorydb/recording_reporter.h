#pragma once
// A log that keeps the lines the window would show at its log level.
#include <string>
#include <vector>

#include "report/reporter.h"

namespace test {

struct LogLine {
  int level;
  std::string text;
  bool operator==(const LogLine&) const = default;
};

class RecordingReporter : public ui::Reporter {
 public:
  explicit RecordingReporter(int logLevel = 2) : level_(logLevel) {}
  void info(int level, const std::string& text) override {
    if (level <= level_) lines.push_back({level, text});
  }
  void setProgress(int) override {}
  int logLevel() const override { return level_; }

  std::vector<std::string> texts(int level = 0) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (level == 0 || l.level == level) out.push_back(l.text);
    return out;
  }

  std::vector<LogLine> lines;

 private:
  int level_;
};

}  // namespace test
