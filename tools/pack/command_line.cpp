#include "tools/pack/command_line.h"

#include <algorithm>
#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define PACK_ISATTY _isatty
#define PACK_FILENO _fileno
#else
#include <unistd.h>
#define PACK_ISATTY isatty
#define PACK_FILENO fileno
#endif

namespace pack {

ParsedArgs parseArgs(const Args& args, const std::vector<std::string>& valueOptions,
                     const std::map<std::string, std::string>& aliases, const std::vector<std::string>& flagOptions) {
  ParsedArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (auto alias = aliases.find(a); alias != aliases.end()) a = alias->second;
    if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (std::find(flagOptions.begin(), flagOptions.end(), a) != flagOptions.end()) {
      out.flags.insert(a);
    } else if (a.rfind("-", 0) == 0 && a.size() > 1) {
      bool known = false;
      for (const auto& v : valueOptions) known = known || v == a;
      if (!known) {
        out.error = "unknown option '" + args[i] + "'";
        return out;
      }
      if (i + 1 >= args.size()) {
        out.error = "option '" + args[i] + "' needs a value";
        return out;
      }
      if (out.options.count(a)) {
        out.error = "option '" + args[i] + "' given twice";
        return out;
      }
      out.options[a] = args[++i];
    } else {
      out.positional.push_back(a);
    }
  }
  return out;
}

void complain(const std::string& text) { std::fprintf(stderr, "pack: %s\n", text.c_str()); }

// Work smaller than this is over before a percentage would help.
constexpr uint64_t kLongWork = 16ull << 20;

ProgressMeter::ProgressMeter(std::string label, uint64_t total)
    : label_(std::move(label)), total_(total), tty_(PACK_ISATTY(PACK_FILENO(stderr)) != 0) {
  if (total_ < kLongWork) finished_ = true;
}

ProgressMeter::~ProgressMeter() {
  if (tty_ && shown_ >= 0 && !finished_) std::fprintf(stderr, "\n");
}

void ProgressMeter::update(uint64_t done) {
  if (finished_) return;
  const int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
  if (tty_) {
    if (percent == shown_) return;
    std::fprintf(stderr, "\r%s %3d%%", label_.c_str(), percent);
  } else {
    if (shown_ >= 0 && percent / 10 == shown_ / 10) return;
    std::fprintf(stderr, "%s %d%%\n", label_.c_str(), percent / 10 * 10);
  }
  std::fflush(stderr);
  shown_ = percent;
}

void ProgressMeter::finish() {
  if (finished_) return;
  update(total_);
  if (tty_) std::fprintf(stderr, "\n");
  finished_ = true;
}

std::string humanSize(uint64_t bytes) {
  char buf[32];
  if (bytes < 1024)
    std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
  else if (bytes < 1024 * 1024)
    std::snprintf(buf, sizeof buf, "%.1f KiB", bytes / 1024.0);
  else
    std::snprintf(buf, sizeof buf, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return buf;
}

std::optional<int> helpOrUsageError(const ParsedArgs& p, const char* command, const char* help) {
  if (p.help) {
    std::fputs(help, stdout);
    return kExitOk;
  }
  if (!p.error.empty() || p.positional.size() != 1) {
    complain((p.error.empty() ? std::string("give exactly one FILE") : p.error) + "\nRun 'pack " + command +
             " --help' for the usage.");
    return kExitUsage;
  }
  return std::nullopt;
}

std::optional<int> helpOrOptionError(const ParsedArgs& p, const char* command, const char* usage) {
  if (p.help) {
    std::fputs(usage, stdout);
    return kExitOk;
  }
  if (p.error.empty() && p.positional.empty()) return std::nullopt;
  const std::string why = p.error.empty() ? "unexpected argument '" + p.positional.front() + "'" : p.error;
  std::fprintf(stderr, "%s: %s\n\n%s", command, why.c_str(), usage);
  return kExitUsage;
}

}  // namespace pack
