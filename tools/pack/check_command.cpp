// pack check: would the installer accept this file, and what will it do with
// it? Footer, archives, every entry inflated by the installer's own reader
// against its CRC, then the same checks of the pictures and the accessory
// database that `pack build` runs on a package folder.
#include <cstdio>
#include <optional>

#include "base/package_names.h"
#include "package/package_folders.h"
#include "tools/pack/command_line.h"
#include "tools/pack/installer_inspection.h"
#include "tools/pack/json_text.h"
#include "tools/pack/package_content_check.h"

namespace pack {
namespace {

namespace zip = package::zip;

constexpr const char* kHelp =
    "Usage: pack check FILE [--json]\n"
    "\n"
    "Verifies FILE as the installer would read it: the footer (also before an\n"
    "Authenticode signature), packages.zip and the archives in it, every entry's\n"
    "name (one the installer may write), its data (inflated and compared with its\n"
    "CRC-32), exactly one package folder holding dodatki.mdb in models.zip, and\n"
    "the checks 'pack build' runs: install.jpg and finish.jpg decoded as the\n"
    "installer decodes them, and every row of dodatki.mdb the installer will write\n"
    "measured against the installed tables. Then prints per archive what the\n"
    "installer will do. FILE may also be a plain ZIP archive.\n"
    "\n"
    "  --json   one JSON document instead (see the README for its fields)\n"
    "\n"
    "Exit status: 0 all is well (warnings may be printed), 1 a check failed (each\n"
    "failure is printed), 2 wrong usage.\n";

// What one archive holds and what the installer does with it.
struct ArchiveSummary {
  ArchiveSummary(std::string n, size_t e) : name(std::move(n)), entries(e) {}
  std::string name;
  size_t entries = 0;
  size_t files = 0;  // files the installer writes out of it
  std::string text;  // one line for people
  std::string json;  // extra fields for machines, each starting with a comma
};

struct CheckResult {
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
  std::vector<ArchiveSummary> archives;
  std::string packageName;
  bool installer = false;
};

std::string counts(const char* what, const accessorydb::PackageTableCounts& c) {
  return std::to_string(c.rows) + " " + what + " rows (" + std::to_string(c.markers) + " \"DELETE\" markers, " +
         std::to_string(c.written) + " written)";
}

std::string countsJson(const accessorydb::PackageTableCounts& c) {
  return "{\"rows\":" + std::to_string(c.rows) + ",\"deleteMarkers\":" + std::to_string(c.markers) +
         ",\"written\":" + std::to_string(c.written) + "}";
}

class Checker {
 public:
  Checker(platform::Env& env, Inspection& in, CheckResult& result) : env_(env), in_(in), r_(result) {}

  // Names and layout as extraction checks them, then every entry's data.
  void archive(const std::string& label, zip::ZipReader& reader) {
    try {
      reader.validateForExtraction();
    } catch (const std::exception& e) {
      r_.problems.push_back(label + ": " + e.what());
    }
    uint64_t total = 0, done = 0;
    for (const auto& e : reader.entries()) total += e.uncompressedSize;
    ProgressMeter meter("pack: checking " + label, total);
    for (size_t i = 0; i < reader.entries().size(); ++i) {
      const auto& e = reader.entries()[i];
      try {
        reader.test(i);
      } catch (const std::exception& ex) {
        r_.problems.push_back(label + ": entry \"" + e.name + "\": " + ex.what());
      }
      meter.update(done += e.uncompressedSize);
    }
    meter.finish();
  }

  // The pictures of packages.zip, decoded as the installer decodes them.
  void pictures(ArchiveSummary& s) {
    for (const char* picture : {base::kInstallPictureName, base::kFinishPictureName}) {
      const auto index = find(in_.archive(), picture);
      if (!index) {
        r_.problems.push_back(s.name + ": " + picture + " is missing");
        continue;
      }
      ContentFindings found;
      checkPicture(env_, in_.extract(in_.archive(), *index, ".jpg"), std::string(picture), found);
      take(found);
    }
    s.text = std::to_string(s.entries) + " entries; the installer shows install.jpg, then finish.jpg";
  }

  // Package folder and database of a models archive.
  void models(const std::string& label, zip::ZipReader& reader, ArchiveSummary& s) {
    std::vector<std::string> folders;
    for (const auto& e : reader.entries())
      if (auto f = package::packageFolderOf(e.name)) folders.push_back(*f);
    if (folders.size() != 1) {
      r_.problems.push_back(label + ": " + std::to_string(folders.size()) +
                            " package folders; the installer needs exactly one top-level folder holding an entry "
                            "named \"<folder>\\dodatki.mdb\"");
      s.text = std::to_string(s.entries) + " entries, no package";
      return;
    }
    r_.packageName = folders[0];
    const std::string db = r_.packageName + "\\" + base::kAccessoryDatabaseName;
    for (const auto& e : reader.entries()) {
      const bool folder = !e.name.empty() && e.name.back() == '\\';
      const bool neverInstalled = e.name == r_.packageName + ".txt" || e.name == r_.packageName + ".jpg";
      if (!folder && !neverInstalled && e.name != db) ++s.files;
    }
    ContentFindings found;
    const auto report = checkAccessoryDatabase(env_, in_.extract(reader, *find(reader, db), ".mdb"), db, found);
    take(found);
    s.text = "package \"" + r_.packageName + "\": " + std::to_string(s.files) +
             " model files and dodatki.mdb into dodatki\\" + r_.packageName +
             "\\; dodatki.mdb: " + counts("producer", report.producers) + ", " +
             counts("accessory", report.accessories);
    s.json = ",\"package\":" + jsonString(r_.packageName) + ",\"modelFiles\":" + std::to_string(s.files) +
             ",\"database\":{\"usable\":" + (report.usable() ? "true" : "false") +
             ",\"producers\":" + countsJson(report.producers) + ",\"accessories\":" + countsJson(report.accessories) +
             "}";
  }

  void materials(zip::ZipReader& reader, ArchiveSummary& s) {
    for (const auto& e : reader.entries())
      if (e.name.empty() || e.name.back() != '\\') ++s.files;
    s.text = std::to_string(s.files) + " files into DB_MATERIALS\\Vodezidoz Azu Virel\\";
    s.json = ",\"materialFiles\":" + std::to_string(s.files);
  }

  static std::optional<size_t> find(const zip::ZipReader& reader, const std::string& name) {
    for (size_t i = 0; i < reader.entries().size(); ++i)
      if (reader.entries()[i].name == name) return i;
    return std::nullopt;
  }

 private:
  void take(const ContentFindings& found) {
    for (const auto& p : found.problems) r_.problems.push_back(p);
    for (const auto& w : found.warnings) r_.warnings.push_back(w);
  }

  platform::Env& env_;
  Inspection& in_;
  CheckResult& r_;
};

void inspect(platform::Env& env, const std::string& path, CheckResult& r) {
  Inspection in(env, path);
  Checker check(env, in, r);
  r.installer = in.isInstaller();
  ArchiveSummary outer{in.isInstaller() ? base::kPackagesZipName : path, in.archive().entries().size()};
  check.archive(outer.name, in.archive());
  const bool isPackages = in.isInstaller() || Checker::find(in.archive(), base::kModelsZipName);
  if (isPackages) {
    check.pictures(outer);
    if (!Checker::find(in.archive(), base::kModelsZipName))
      r.problems.push_back(outer.name + ": models.zip is missing");
  }
  r.archives.push_back(outer);
  const auto& entries = in.archive().entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].name != base::kModelsZipName && entries[i].name != base::kMaterialsZipName) continue;
    try {
      auto nested = in.openNested(i);
      ArchiveSummary s{entries[i].name, nested->entries().size()};
      check.archive(s.name, *nested);
      if (s.name == base::kModelsZipName)
        check.models(s.name, *nested, s);
      else
        check.materials(*nested, s);
      r.archives.push_back(s);
    } catch (const std::exception& e) {
      r.problems.push_back(entries[i].name + ": " + e.what());
    }
  }
  if (!isPackages) {
    bool modelsLike = false;
    for (const auto& e : entries) modelsLike = modelsLike || package::packageFolderOf(e.name).has_value();
    if (modelsLike) check.models(path, in.archive(), r.archives.front());
  }
}

void printJson(const std::string& path, const CheckResult& r) {
  std::string archives;
  for (const auto& a : r.archives)
    archives += std::string(archives.empty() ? "" : ",") + "{\"name\":" + jsonString(a.name) +
                ",\"entries\":" + std::to_string(a.entries) + a.json + "}";
  std::printf(
      "{\"file\":%s,\"ok\":%s,\"installer\":%s,\"package\":%s,\"problems\":%s,\"warnings\":%s,"
      "\"archives\":[%s]}\n",
      jsonString(path).c_str(), r.problems.empty() ? "true" : "false", r.installer ? "true" : "false",
      r.packageName.empty() ? "null" : jsonString(r.packageName).c_str(), jsonStrings(r.problems).c_str(),
      jsonStrings(r.warnings).c_str(), archives.c_str());
}

}  // namespace

int runCheck(const Args& args) {
  const auto p = parseArgs(args, {}, {}, {"--json"});
  if (auto code = helpOrUsageError(p, "check", kHelp)) return *code;
  const std::string& path = p.positional[0];
  platform::Env& env = platform::systemEnv();
  CheckResult r;
  try {
    inspect(env, path, r);
  } catch (const std::exception& e) {
    r.problems.push_back(e.what());
  }
  if (p.flags.count("--json")) {
    printJson(path, r);
    return r.problems.empty() ? kExitOk : kExitRefused;
  }
  for (const auto& w : r.warnings) complain("warning: " + w);
  if (!r.problems.empty()) {
    for (const auto& problem : r.problems) complain("check failed: " + problem);
    return kExitRefused;
  }
  std::printf("%s: ok%s\n", path.c_str(), r.packageName.empty() ? "" : (", package \"" + r.packageName + "\"").c_str());
  for (const auto& a : r.archives)
    if (!a.text.empty()) std::printf("  %s: %s\n", a.name.c_str(), a.text.c_str());
  return kExitOk;
}

}  // namespace pack
