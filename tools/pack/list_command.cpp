// pack list: what an installer file (or a ZIP archive) carries.
#include <cstdio>

#include "package/entry_name_check.h"
#include "package/package_folders.h"
#include "package/zip_format.h"
#include "tools/pack/command_line.h"
#include "tools/pack/installer_inspection.h"
#include "tools/pack/list_json.h"

namespace pack {
namespace {

namespace zip = package::zip;

constexpr const char* kHelp =
    "Usage: pack list FILE [--json]\n"
    "\n"
    "Shows what FILE carries. FILE is an installer made by 'pack build' (signed or\n"
    "not) or a plain ZIP archive such as packages.zip or models.zip. Prints where the\n"
    "package archive starts, the entries of packages.zip and of the archives in it\n"
    "(models.zip, db_materials.zip), and the package name; with --json, one JSON\n"
    "document (see the README for its fields).\n"
    "\n"
    "Exit status: 0 listed, 1 FILE is unreadable or not a package, 2 wrong usage.\n";

const char* methodName(uint16_t method) {
  switch (method) {
    case zip::kMethodStored: return "stored";
    case zip::kMethodDeflate: return "deflate";
    case zip::kMethodDeflate64: return "deflate64";
    default: return "other";
  }
}

std::string withBackslashes(std::string name) {
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

// The name the installer unpacks the entry under (its Unicode Path field
// when that matches, as Windows stores it), and the stored name beside it
// when that reads otherwise.
std::string shownName(const zip::ZipEntry& e) {
  const std::string unpacked = withBackslashes(package::windowsName(e.relativeName()));
  if (unpacked == withBackslashes(e.name)) return unpacked;
  return unpacked + "  (stored as \"" + package::printableName(e.name) + "\")";
}

void printEntries(const std::string& label, const zip::ZipReader& reader) {
  const auto& entries = reader.entries();
  std::printf("\n%s: %zu entries\n", label.c_str(), entries.size());
  std::printf("  %12s %12s  %-9s  %-8s  %s\n", "SIZE", "PACKED", "METHOD", "CRC-32", "NAME");
  for (const auto& e : entries)
    std::printf("  %12llu %12llu  %-9s  %08x  %s\n", static_cast<unsigned long long>(e.uncompressedSize),
                static_cast<unsigned long long>(e.compressedSize), methodName(e.method), e.crc32, shownName(e).c_str());
}

void printPackageName(const std::vector<std::string>& folders) {
  if (folders.size() == 1) {
    std::printf("\npackage name: %s\n", folders[0].c_str());
    return;
  }
  std::string names;
  for (const auto& f : folders) names += (names.empty() ? "" : ", ") + f;
  std::printf("\npackage name: none (%zu package folders%s%s)\n", folders.size(), names.empty() ? "" : ": ",
              names.c_str());
}

}  // namespace

int runList(const Args& args) {
  const auto p = parseArgs(args, {}, {}, {"--json"});
  if (auto code = helpOrUsageError(p, "list", kHelp)) return *code;
  const std::string& path = p.positional[0];
  platform::Env& env = platform::systemEnv();
  try {
    Inspection in(env, path);
    if (p.flags.count("--json")) {
      printListJson(in, path);
      return kExitOk;
    }
    std::printf("%s\n", path.c_str());
    if (in.isInstaller())
      std::printf("  installer: package archive at offset %lld, %llu bytes%s\n",
                  static_cast<long long>(in.location().offset), static_cast<unsigned long long>(in.archiveSize()),
                  in.location().afterSignature ? ", footer before an Authenticode signature" : "");
    else
      std::printf("  ZIP archive, %llu bytes\n", static_cast<unsigned long long>(in.archiveSize()));
    const auto folders =
        in.visitArchives(path, [](const std::string& name, zip::ZipReader& reader) { printEntries(name, reader); });
    if (folders) printPackageName(*folders);
    return kExitOk;
  } catch (const std::exception& e) {
    complain(e.what());
    return kExitRefused;
  }
}

}  // namespace pack
