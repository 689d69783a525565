// Package discovery: is there a package, and what is its name.
#include "app/form1.h"
#include "base/package_names.h"
#include "package/package.h"

bool TForm1::searchPackages() {
  info(2, "Wyszukiwanie paczek instalacyjnych.");
  pack = false;
  bnInstallSetDisable();
  if (!env_.dirExists(tmpDir)) (void)env_.createDir(tmpDir);  // the search below reports what is missing
  if (env_.fileExists(tmpDir + base::kPackagesZipName)) {
    if (env_.fileExists(tmpDir + fileModelsZip)) {
      const std::vector<std::string> folders = package::GetSubFoldersListFromZip(env_, *this, tmpDir + fileModelsZip);
      if (folders.size() == 1) {
        packageName = folders[0];
      } else {
        info(1, "Błędna zawartość pliku ZIP! (" + std::to_string(folders.size()) + " katalogów)");
        for (const auto& name : folders) info(2, "[ " + name + " ] - PAKIET");
      }
    }
    pack = true;
  } else {
    info(1, "Brak pliku paczki : `" + tmpDir + "packages.zip`");
  }
  return pack;
}
