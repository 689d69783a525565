// pack mdb check: the Jet engine's own consistency check of a database file.
#include <cstdio>

#include "jet/consistency_check.h"
#include "tools/pack/command_line.h"
#include "tools/pack/json_text.h"

namespace pack {
namespace {

constexpr const char* kHelp =
    "Usage: pack mdb check FILE.mdb [--json]\n"
    "\n"
    "Checks a Jet 4 database page by page: every page belongs to exactly one\n"
    "structure and the global usage map says so, each table's usage maps list its\n"
    "pages, each index (the primary key among them) is in order and holds one entry\n"
    "for every row with the key that row holds, row counts agree, and every value\n"
    "of every row can be read, long texts included. The file is only read.\n"
    "\n"
    "  --json   one JSON document: {\"file\", \"sound\", \"findings\": [...]}\n"
    "\n"
    "Exit status: 0 the file is sound, 1 findings (each is printed), 2 wrong usage.\n";

}  // namespace

int runMdbCheck(const Args& args) {
  const auto p = parseArgs(args, {}, {}, {"--json"});
  if (auto code = helpOrUsageError(p, "mdb check", kHelp)) return *code;
  const std::string& path = p.positional[0];
  const auto findings = jet::checkConsistency(platform::systemEnv(), path);
  if (p.flags.count("--json")) {
    std::printf("{\"file\":%s,\"sound\":%s,\"findings\":%s}\n", jsonString(path).c_str(),
                findings.empty() ? "true" : "false", jsonStrings(findings).c_str());
  } else if (findings.empty()) {
    std::printf("%s: sound\n", path.c_str());
  } else {
    std::printf("%s: %zu findings\n", path.c_str(), findings.size());
    for (const auto& f : findings) std::printf("  %s\n", f.c_str());
  }
  return findings.empty() ? kExitOk : kExitRefused;
}

}  // namespace pack
