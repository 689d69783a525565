// pack check: would the installer accept this file? Footer, archives, and
// every entry inflated by the installer's own reader against its CRC-32.
#include <cstdio>

#include "package/package_folders.h"
#include "tools/pack/command_line.h"
#include "tools/pack/installer_inspection.h"

namespace pack {
namespace {

namespace zip = package::zip;

constexpr const char* kHelp =
    "Usage: pack check FILE\n"
    "\n"
    "Verifies FILE as the installer would read it: the footer (also before an\n"
    "Authenticode signature), packages.zip and the archives in it, every entry's\n"
    "name (one the installer may write), its data (inflated and compared with its\n"
    "CRC-32), the pictures install.jpg and finish.jpg, and exactly one package folder\n"
    "holding dodatki.mdb in models.zip. FILE may also be a plain ZIP archive.\n"
    "\n"
    "Exit status: 0 all is well, 1 a check failed (each failure is printed),\n"
    "2 wrong usage.\n";

class Checker {
 public:
  explicit Checker(std::vector<std::string>& problems) : problems_(problems) {}

  // Names and layout as extraction checks them, then every entry's data.
  void archive(const std::string& label, zip::ZipReader& reader) {
    try {
      reader.validateForExtraction();
    } catch (const std::exception& e) {
      problems_.push_back(label + ": " + e.what());
    }
    uint64_t total = 0, done = 0;
    for (const auto& e : reader.entries()) total += e.uncompressedSize;
    ProgressMeter meter("pack: checking " + label, total);
    for (size_t i = 0; i < reader.entries().size(); ++i) {
      const auto& e = reader.entries()[i];
      try {
        reader.test(i);
      } catch (const std::exception& ex) {
        problems_.push_back(label + ": entry \"" + e.name + "\": " + ex.what());
      }
      meter.update(done += e.uncompressedSize);
    }
    meter.finish();
  }

  void packageFolders(const std::string& label, const zip::ZipReader& reader) {
    std::vector<std::string> folders;
    for (const auto& e : reader.entries())
      if (auto f = package::packageFolderOf(e.name)) folders.push_back(*f);
    if (folders.size() == 1) {
      packageName = folders[0];
      return;
    }
    problems_.push_back(label + ": " + std::to_string(folders.size()) +
                        " package folders; the installer needs exactly one top-level folder holding an entry "
                        "named \"<folder>\\dodatki.mdb\"");
  }

  std::string packageName;

 private:
  std::vector<std::string>& problems_;
};

bool hasEntry(const zip::ZipReader& reader, const std::string& name) {
  for (const auto& e : reader.entries())
    if (e.name == name) return true;
  return false;
}

}  // namespace

int runCheck(const Args& args) {
  const auto p = parseArgs(args, {});
  if (auto code = helpOrUsageError(p, "check", kHelp)) return *code;
  const std::string& path = p.positional[0];
  platform::Env& env = platform::systemEnv();
  std::vector<std::string> problems;
  Checker check(problems);
  try {
    Inspection in(env, path);
    const std::string outer = in.isInstaller() ? "packages.zip" : path;
    check.archive(outer, in.archive());
    const bool isPackages = in.isInstaller() || hasEntry(in.archive(), "models.zip");
    if (isPackages) {
      for (const char* picture : {"install.jpg", "finish.jpg"})
        if (!hasEntry(in.archive(), picture)) problems.push_back(outer + ": " + picture + " is missing");
      if (!hasEntry(in.archive(), "models.zip")) problems.push_back(outer + ": models.zip is missing");
    }
    const auto& entries = in.archive().entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].name != "models.zip" && entries[i].name != "db_materials.zip") continue;
      try {
        auto nested = in.openNested(i);
        check.archive(entries[i].name, *nested);
        if (entries[i].name == "models.zip") check.packageFolders("models.zip", *nested);
      } catch (const std::exception& e) {
        problems.push_back(entries[i].name + ": " + e.what());
      }
    }
    if (!isPackages) {
      bool modelsLike = false;
      for (const auto& e : entries) modelsLike = modelsLike || package::packageFolderOf(e.name).has_value();
      if (modelsLike) check.packageFolders(path, in.archive());
    }
  } catch (const std::exception& e) {
    problems.push_back(e.what());
  }
  if (!problems.empty()) {
    for (const auto& problem : problems) complain("check failed: " + problem);
    return kExitRefused;
  }
  std::printf("%s: ok%s\n", path.c_str(), check.packageName.empty() ? "" : (", package \"" + check.packageName + "\"").c_str());
  return kExitOk;
}

}  // namespace pack
