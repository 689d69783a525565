// pack mdb merge: the installer's merge of a package database with an
// installed one, written into a new output file, so a producer can see what an
// install would make of them.
#include <cstdio>
#include <filesystem>

#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "platform/env.h"
#include "tools/pack/command_line.h"
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
std::filesystem::path fsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(fsPath(a), fsPath(b), ec)) return true;
  return std::filesystem::absolute(fsPath(a), ec).lexically_normal() ==
         std::filesystem::absolute(fsPath(b), ec).lexically_normal();
}

}  // namespace

int runMdbMerge(const Args& args) {
  const auto p = parseArgs(args, {"--output", "--installed", "--package"}, {{"-o", "--output"}}, {"--debug"});
  if (auto status = helpOrOptionError(p, "pack mdb merge", kUsage)) return *status;
  const std::string installed = p.value("--installed"), package = p.value("--package"), out = p.value("--output");
  const bool debug = p.flags.count("--debug") > 0;
  if (installed.empty() || package.empty() || out.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  if (sameFile(out, installed) || sameFile(out, package)) {
    std::fprintf(stderr, "pack mdb merge: the output must be a file other than the inputs\n");
    return kExitUsage;
  }

  auto& env = platform::systemEnv();
  if (env.fileExists(out) && !env.deleteFile(out)) {
    std::fprintf(stderr, "pack mdb merge: cannot remove the existing %s\n", out.c_str());
    return kExitRefused;
  }
  auto engine = accessorydb::makeJetEngine(env);
  PrintReporter reporter(debug ? 2 : 1);
  accessorydb::AccessoryDb db(reporter, env, *engine);
  return db.CopyMdb(package, installed, out) ? kExitOk : kExitRefused;
}

}  // namespace pack
