#include "app/log_file.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "ui/control.h"

LogFile::LogFile(platform::Env& env, const std::string& path, Clock clock) : clock_(std::move(clock)) {
  using platform::Access;
  using platform::Creation;
  using platform::Sharing;
  try {
    file_ = env.openFile(path, Access::ReadWrite, Creation::CreateNew, Sharing::DenyWrite);
  } catch (const platform::IoError&) {
    // Another run's log: lines are added after it.
    file_ = env.openFile(path, Access::ReadWrite, Creation::OpenExisting, Sharing::DenyWrite);
  }
  end_ = file_->size();
}

void LogFile::write(const std::string& text) {
  const std::string stamp = clock_();
  std::string out;
  for (const std::string& line : ui::splitLines(text)) out += stamp + " " + line + "\r\n";
  file_->writeAt(end_, out.data(), out.size());
  end_ += out.size();
}

std::string LogFile::localTimeNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  char buf[40] = {};
  // One thread writes lines; the shared buffer of localtime is safe here.
  // Milliseconds, so that support can see which step of an install took the time.
  if (const std::tm* tm = std::localtime(&t)) {
    const size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", tm);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(ms));
  }
  return buf;
}
