#pragma once
// The installer's diagnostic lines, printed by pack: each line the chosen log
// level shows goes to standard output as it is written.
#include <cstdio>
#include <string>

#include "report/reporter.h"

namespace pack {

class PrintReporter : public ui::Reporter {
 public:
  explicit PrintReporter(int logLevel, FILE* out = stdout) : level_(logLevel), out_(out) {}
  void info(int level, const std::string& text) override {
    if (level > level_) return;
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
  }
  void setProgress(int) override {}
  int logLevel() const override { return level_; }

 private:
  int level_;
  FILE* out_;
};

}  // namespace pack
