#pragma once
// A ui::Reporter that remembers every line and progress value.
#include <string>
#include <utility>
#include <vector>

#include "report/reporter.h"

namespace test {

class FakeReporter : public ui::Reporter {
 public:
  struct Line {
    int level;
    std::string text;
    bool operator==(const Line&) const = default;
  };
  void info(int level, const std::string& text) override { lines.push_back({level, text}); }
  void setProgress(int percent) override { progress.push_back(percent); }
  int logLevel() const override { return 2; }

  // The texts of the lines of one level.
  std::vector<std::string> at(int level) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.level == level) out.push_back(l.text);
    return out;
  }

  std::vector<Line> lines;
  std::vector<int> progress;
};

}  // namespace test
