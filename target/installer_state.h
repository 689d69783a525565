#pragma once
// What start-up found and the steps after it decide: the working folder, the
// package's archives and name, and the flags that allow an install. Folder
// values end with the separator.
#include <string>

struct InstallerState {
  std::string strFolder;  // the folder the picker opens at and last returned
  std::string tmpDir;     // the working folder the package is unpacked into
  std::string picCover, picInstall, picFinish;
  std::string filePackageZip, fileModelsZip, fileMaterialsZip;
  std::string packageName;
  bool pack = false;         // a package was found
  bool destination = false;  // the destination names an installation
  bool ready = false;        // Install may be offered
};
