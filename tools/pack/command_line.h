#pragma once
// Small helpers shared by the commands: options, messages, progress.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/pack/commands.h"

namespace pack {

// The exit statuses of every command, and of pack itself.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // the input was refused, a check failed, or pack itself failed
inline constexpr int kExitUsage = 2;

// Options of the form "--name VALUE" (or "-o VALUE" through `aliases`), bare
// flags such as "--json", a bare "--help", and positional arguments.
struct ParsedArgs {
  std::map<std::string, std::string> options;
  std::set<std::string> flags;
  std::vector<std::string> positional;
  bool help = false;
  std::string error;  // set when the arguments do not parse

  // The value of a "--name VALUE" option, or `absent` when it was not given.
  std::string value(const std::string& name, const std::string& absent = {}) const {
    const auto it = options.find(name);
    return it == options.end() ? absent : it->second;
  }
};
ParsedArgs parseArgs(const Args& args, const std::vector<std::string>& valueOptions,
                     const std::map<std::string, std::string>& aliases = {},
                     const std::vector<std::string>& flagOptions = {});

// For commands that take exactly one FILE: prints the help, or the usage
// error, and returns the exit code then; nullopt when the command should run.
std::optional<int> helpOrUsageError(const ParsedArgs& p, const char* command, const char* help);

// For commands that take options only: prints the help, or the usage error
// followed by `usage`, and returns the exit code then; nullopt when the
// command should run.
std::optional<int> helpOrOptionError(const ParsedArgs& p, const char* command, const char* usage);

// "pack: " + text on standard error.
void complain(const std::string& text);

// A percentage on standard error, redrawn in place when it is a terminal and
// printed every 10 % otherwise.
class ProgressMeter {
 public:
  ProgressMeter(std::string label, uint64_t total);
  ~ProgressMeter();
  void update(uint64_t done);
  void finish();

 private:
  std::string label_;
  uint64_t total_;
  int shown_ = -1;
  bool tty_;
  bool finished_ = false;
};

// "12.3 MB" style sizes for messages.
std::string humanSize(uint64_t bytes);

}  // namespace pack
