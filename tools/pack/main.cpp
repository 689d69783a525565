// pack: the producers' tool that turns a package folder into an installer.
#include <cstdio>
#include <cstring>
#include <exception>

#include "tools/pack/command_line.h"
#include "tools/pack/commands.h"

namespace {

void usage(FILE* out) {
  std::fprintf(out, "Usage: pack COMMAND [ARGS...]\n\nCommands:\n");
  for (const auto& c : pack::commands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  for (const auto& c : pack::mdbCommands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'list', 'check' and 'mdb check' print one JSON document with --json.\n");
  std::fprintf(out, "\nRun 'pack COMMAND --help' for a command's options.\n");
}

int dispatch(const pack::Args& args) {
  if (args.empty()) {
    usage(stderr);
    return pack::kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    usage(stdout);
    return pack::kExitOk;
  }
  for (const auto& c : pack::commands())
    if (args[0] == c.name) return c.run(pack::Args(args.begin() + 1, args.end()));
  std::fprintf(stderr, "pack: unknown command '%s'\n\n", args[0].c_str());
  usage(stderr);
  return pack::kExitUsage;
}

// A failure no command expected (out of memory, a file system error outside
// a command's own handling) still ends with a message and the failure status,
// never with an abort that scripts would read as a crash.
int run(const pack::Args& args) {
  try {
    return dispatch(args);
  } catch (const std::exception& e) {
    pack::complain(e.what());
  } catch (...) {
    pack::complain("unexpected failure");
  }
  return pack::kExitRefused;
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide.h"
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  pack::Args args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::win32::narrow(argv[i]));
  return run(args);
}
#else
int main(int argc, char** argv) { return run(pack::Args(argv + 1, argv + argc)); }
#endif
