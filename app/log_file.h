#pragma once
// The log file of /LOG=: every line the installer writes at the log level in
// force, each with its local time, appended as UTF-8 with CR LF line ends.
#include <functional>
#include <memory>
#include <string>

#include "platform/env.h"

class LogFile {
 public:
  // The time put before each line, "YYYY-MM-DD HH:MM:SS".
  using Clock = std::function<std::string()>;

  // Opens the file for appending, creating it when missing; throws
  // platform::IoError when it cannot be opened.
  LogFile(platform::Env& env, const std::string& path, Clock clock = localTimeNow);

  // Appends one line per line of text, as the memo splits it.
  void write(const std::string& text);

  static std::string localTimeNow();

 private:
  std::unique_ptr<platform::File> file_;
  uint64_t end_ = 0;
  Clock clock_;
};
