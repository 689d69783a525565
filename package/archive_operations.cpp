#include <exception>

#include "base/ascii.h"
#include "package/package.h"
#include "package/package_folders.h"
#include "package/progress.h"
#include "package/entry_name_check.h"
#include "package/zip_central_directory.h"
#include "package/zip_reader.h"

namespace package {

bool ExtractFilesFromZip(platform::Env& env, ui::Reporter& reporter, const std::string& packageName,
                         const std::string& SourceFile, const std::string& DestinationDir,
                         const std::optional<std::vector<std::string>>& used) {
  bool result = false;
  if (!zip::isZipArchive(env, SourceFile)) return result;
  try {
    zip::ZipReader reader(env, SourceFile);
    const auto& entries = reader.entries();
    const int64_t maxFiles = static_cast<int64_t>(entries.size()) - 1;
    reporter.info(2, "maxFiles = " + std::to_string(maxFiles));
    const std::string skipJpg = packageName + ".jpg";
    const std::string skipTxt = packageName + ".txt";
    auto skipped = [&](const zip::ZipEntry& e) { return e.name == skipJpg || e.name == skipTxt; };
    auto unreadableButUnused = [&](const zip::ZipEntry& e) {
      if (!used || zip::isReadable(e)) return false;
      const std::string landing = windowsName(e.relativeName());
      for (const auto& name : *used)
        if (base::equalsIgnoreAsciiCase(landing, name)) return false;
      return true;
    };
    reader.validateForExtraction([&](const zip::ZipEntry& e) { return skipped(e) || unreadableButUnused(e); });
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string& s = entries[i].name;
      if (skipped(entries[i]) || unreadableButUnused(entries[i])) continue;
      reader.extract(i, DestinationDir);
      reporter.info(2, s);
      reporter.setProgress(progressPercent(static_cast<int64_t>(i), maxFiles));
    }
    result = true;
    reporter.setProgress(100);
  } catch (const std::exception& e) {
    reporter.info(1, e.what());
  }
  return result;
}

std::vector<std::string> GetSubFoldersListFromZip(platform::Env& env, ui::Reporter& reporter,
                                                  const std::string& SourceFile) {
  std::vector<std::string> folders;
  if (!zip::isZipArchive(env, SourceFile)) {
    reporter.info(1, "Plik jest uszkodzony lub zawiera błędy!");
    return folders;
  }
  try {
    zip::ZipReader reader(env, SourceFile);
    for (const auto& entry : reader.entries()) {
      auto folder = packageFolderOf(entry.name);
      if (!folder) continue;
      reporter.info(2, "Znaleziono podkatalog w ZIP : `" + *folder + "`");
      folders.push_back(std::move(*folder));
    }
  } catch (const std::exception& e) {
    reporter.info(1, e.what());
  }
  return folders;
}

}  // namespace package
