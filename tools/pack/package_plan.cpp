#include "tools/pack/package_plan.h"

#include <algorithm>
#include <map>

#include "base/ascii.h"
#include "base/package_names.h"
#include "base/utf.h"
#include "package/entry_name_check.h"
#include "package/package_folders.h"
#include "package/zip_names.h"
#include "tools/pack/package_content_check.h"

namespace pack {
namespace {

uint64_t sizeOf(platform::Env& env, const std::string& path) {
  return env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite)
      ->size();
}

std::vector<platform::DirEntry> sortedListing(platform::Env& env, const std::string& dir) {
  auto entries = env.listDir(dir);
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return entries;
}

// Every file below `dir`, as entries named `prefix` + relative path; empty
// folders become folder entries so they are created on install.
void collect(platform::Env& env, const std::string& dir, const std::string& prefix, std::vector<PlannedFile>& out,
             std::vector<std::string>& problems) {
  const char sep = env.separator();
  const auto entries = sortedListing(env, dir);
  if (entries.empty() && !prefix.empty()) out.push_back({prefix, dir, 0, true});
  for (const auto& e : entries) {
    const std::string path = dir + sep + e.name;
    if (e.name.find('\\') != std::string::npos)
      problems.push_back(path +
                         ": a backslash cannot be part of a name (it separates folders in the archive); "
                         "rename it");
    else if (e.isDir)
      collect(env, path, prefix + e.name + "\\", out, problems);
    else
      out.push_back({prefix + e.name, path, sizeOf(env, path), false});
  }
}

// Names the installer could not write, or that two files would share on Windows.
void checkNames(const std::string& archive, const std::vector<PlannedFile>& files, std::vector<std::string>& problems) {
  std::map<std::string, std::string> seen;
  for (const auto& f : files) {
    if (auto why = unstorableNameReason(f.entryName); !why.empty())
      problems.push_back(archive + ": \"" + package::printableName(f.entryName) + "\" cannot be stored: " + why +
                         "; rename it");
    auto [it, fresh] = seen.emplace(base::asciiLower(f.entryName), f.entryName);
    if (!fresh)
      problems.push_back(archive + ": \"" + f.entryName + "\" and \"" + it->second +
                         "\" differ only in letter case and would be one file on Windows; rename one of them");
  }
}

}  // namespace

uint64_t PackagePlan::totalBytes() const {
  uint64_t total = 0;
  for (const auto* list : {&pictures, &models, &materials})
    for (const auto& f : *list) total += f.size;
  return total;
}

std::string unstorableNameReason(const std::string& entryName) {
  if (!base::isValidUtf8(entryName)) return "the name is not valid UTF-8";
  if (entryName.size() > 0xFFFF) return "the name is longer than a ZIP entry name can be";
  if (auto why = package::unsafeNameReason(entryName)) return *why;
  std::string landing = package::windowsName(entryName);
  for (char& c : landing)
    if (c == '/') c = '\\';
  if (landing != entryName) return "Windows would store it as \"" + landing + "\" (a name ending in a dot or a blank)";
  return {};
}

PackagePlan planPackage(platform::Env& env, const std::string& dirIn) {
  PackagePlan plan;
  const char sep = env.separator();
  std::string dir = dirIn;
  while (dir.size() > 1 && (dir.back() == sep || dir.back() == '/')) dir.pop_back();
  if (!env.dirExists(dir)) {
    plan.problems.push_back("the package folder " + dir + " does not exist");
    return plan;
  }

  using base::kCoverPictureName;
  using base::kFinishPictureName;
  using base::kInstallPictureName;
  for (const std::string picture : {kInstallPictureName, kFinishPictureName, kCoverPictureName}) {
    const std::string path = dir + sep + picture;
    const bool required = picture != kCoverPictureName;
    if (env.fileExists(path))
      plan.pictures.push_back({picture, path, sizeOf(env, path), false});
    else if (required)
      plan.problems.push_back(
          path + " is missing: add the JPEG picture " + picture +
          (picture == kInstallPictureName ? " (the installer's face)" : " (shown when the install ends)"));
  }

  ContentFindings content;
  for (const auto& picture : plan.pictures)
    if (picture.entryName != kCoverPictureName) checkPicture(env, picture.path, picture.path, content);

  for (const auto& e : sortedListing(env, dir)) {
    const std::string n = e.name;
    if (n == kInstallPictureName || n == kFinishPictureName || n == kCoverPictureName || n == "models" ||
        n == "materials")
      continue;
    plan.warnings.push_back(dir + sep + n + " is not part of a package and is left out");
  }

  const std::string models = dir + sep + "models";
  if (!env.dirExists(models)) {
    plan.problems.push_back(models +
                            " is missing: put the package folder (the one holding dodatki.mdb) into a "
                            "folder named models");
  } else {
    std::vector<std::string> folders;
    for (const auto& e : sortedListing(env, models))
      if (e.isDir) folders.push_back(e.name);
    if (folders.size() != 1) {
      std::string names;
      for (const auto& f : folders) names += (names.empty() ? "" : ", ") + f;
      plan.problems.push_back(models + " holds " + std::to_string(folders.size()) + " folders" +
                              (names.empty() ? "" : " (" + names + ")") +
                              ": it must hold exactly one, the package folder with dodatki.mdb");
    } else {
      plan.packageName = folders[0];
      const std::string mdb = models + sep + plan.packageName + sep + base::kAccessoryDatabaseName;
      // By the listing, not fileExists: Windows would also find "Dodatki.MDB",
      // which the installer does not take for the database.
      bool found = false;
      std::string hint;
      for (const auto& e : env.listDir(models + sep + plan.packageName)) {
        if (e.isDir) continue;
        if (e.name == base::kAccessoryDatabaseName)
          found = true;
        else if (base::asciiLower(e.name) == base::kAccessoryDatabaseName)
          hint = "; rename " + e.name + " to dodatki.mdb";
      }
      if (!found)
        plan.problems.push_back(mdb +
                                " is missing: the package folder must hold the accessory database "
                                "dodatki.mdb (lower case)" +
                                hint);
      else
        plan.database = checkAccessoryDatabase(env, mdb, mdb, content);
    }
    collect(env, models, "", plan.models, plan.problems);
    checkNames(base::kModelsZipName, plan.models, plan.problems);
    for (const auto& f : plan.models) {
      if (f.entryName.find('\\') != std::string::npos || f.isFolder) continue;
      if (f.entryName != plan.packageName + ".txt" && f.entryName != plan.packageName + ".jpg")
        plan.warnings.push_back(models + sep + f.entryName +
                                " lies beside the package folder and will be installed into dodatki itself");
    }
  }

  for (const auto& w : content.warnings) plan.warnings.push_back(w);
  for (const auto& p : content.problems) plan.problems.push_back(p);

  const std::string materials = dir + sep + "materials";
  if (env.dirExists(materials)) {
    plan.hasMaterials = true;
    collect(env, materials, "", plan.materials, plan.problems);
    checkNames(base::kMaterialsZipName, plan.materials, plan.problems);
  }
  return plan;
}

}  // namespace pack
