// The start-up sequence, run once on the first tick of the start-up timer:
// the package is copied out of the executable and unpacked, then discovery,
// installation search and readiness check follow, or the failure screen.
#include "app/form1.h"
#include "base/package_names.h"
#include "package/package.h"

void TForm1::AfterShow() {
  try {
    const std::string exeName = env_.executablePath();
    info(2, "Plik EXE z archiwum: " + exeName);
    filePackageZip = base::kPackagesZipName;
    fileModelsZip = base::kModelsZipName;
    fileMaterialsZip = base::kMaterialsZipName;
    const std::string tmpName = tmpDir + "zip-offset.txt";
    try {
      for (const std::string* name : {&picCover, &picInstall, &picFinish})
        if (env_.fileExists(tmpDir + *name) && env_.deleteFile(tmpDir + *name))
          info(2, "Usunięto stary plik okładki. [" + *name + "]");
      (void)package::copyPackageOut(env_, *this, exeName, tmpDir);  // seen below as packages.zip there or not
    } catch (...) {
      if (env_.fileExists(tmpName)) (void)env_.deleteFile(tmpName);  // best effort while failing
      throw;
    }

    if (env_.fileExists(tmpDir + filePackageZip)) {
      info(2, "Znaleziono: `" + filePackageZip + "`");
      // Other files a producer's tool put beside these need not be readable.
      const std::vector<std::string> used = {picCover, picInstall, picFinish, fileModelsZip, fileMaterialsZip};
      // What it unpacked is looked for file by file below.
      (void)package::ExtractFilesFromZip(env_, *this, packageName, tmpDir + filePackageZip, tmpDir, used);
      window_.setColourKey(false);
      setCover(tmpDir + picInstall);
      if (searchPackages()) {
        if (givenDestination)
          useGivenDestination(*givenDestination);
        else if (searchInstallationPath())
          CheckInstallationEnabled();
      }
    } else {
      window_.setColourKey(false);
      MasterError.setVisible(true);
      window_.setBordered(true);
      info(1, "Brak danych pakietu ! [" + filePackageZip + "]");
    }
    ActivityIndicator.setVisible(false);
    bnCloseSetEnable();
  } catch (...) {
    // The error box shows what went wrong; the user must still be able to leave.
    ActivityIndicator.setVisible(false);
    bnCloseSetEnable();
    throw;
  }
}
