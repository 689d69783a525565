// pack mdb merge: the installer's merge of a package database with an
// installed one, written into a new output file, so a producer can see what an
// install would make of them.
#include <cstdio>
#include <filesystem>

#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "platform/env.h"
#include "tools/pack/commands.h"
#include "tools/pack/print_reporter.h"

namespace pack {

namespace {

constexpr const char* kUsage =
    "Usage: pack mdb merge --installed OLD.mdb --package NEW.mdb -o OUT.mdb [--debug]\n"
    "\n"
    "Merges NEW.mdb (the package's dodatki.mdb) with OLD.mdb (the installed one,\n"
    "which may be missing) into OUT.mdb exactly as the installer does, and prints\n"
    "the installer's messages (with --debug its trace as well). The inputs are\n"
    "only read; an existing OUT.mdb is replaced. Exits with 1 when the merge fails.\n";

// Whether two paths name the same file, so the output can never replace an input.
std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(fsPath(a), fsPath(b), ec)) return true;
  return std::filesystem::absolute(fsPath(a), ec).lexically_normal() ==
         std::filesystem::absolute(fsPath(b), ec).lexically_normal();
}

}  // namespace

int runMdbMerge(const Args& args) {
  std::string installed, package, out;
  bool debug = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const auto& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--debug") {
      debug = true;
      continue;
    }
    std::string* target = a == "-o" ? &out : a == "--installed" ? &installed : a == "--package" ? &package : nullptr;
    if (!target || i + 1 >= args.size()) {
      std::fprintf(stderr, "pack mdb merge: unexpected argument '%s'\n\n%s", a.c_str(), kUsage);
      return 2;
    }
    *target = args[++i];
  }
  if (installed.empty() || package.empty() || out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (sameFile(out, installed) || sameFile(out, package)) {
    std::fprintf(stderr, "pack mdb merge: the output must be a file other than the inputs\n");
    return 2;
  }

  auto& env = platform::systemEnv();
  if (env.fileExists(out) && !env.deleteFile(out)) {
    std::fprintf(stderr, "pack mdb merge: cannot remove the existing %s\n", out.c_str());
    return 1;
  }
  auto engine = accessorydb::makeJetEngine(env);
  PrintReporter reporter(debug ? 2 : 1);
  accessorydb::AccessoryDb db(reporter, env, *engine);
  return db.CopyMdb(package, installed, out) ? 0 : 1;
}

}  // namespace pack
