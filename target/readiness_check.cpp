// Decides whether Install may be offered: the installed accessory database
// must not be held open, and no CAD process may be running.
#include <exception>
#include <string>
#include <string_view>

#include "base/ascii.h"
#include "base/package_names.h"
#include "base/utf.h"
#include "target/target.h"

namespace target {
namespace {

constexpr const char* kDatabaseAside = "dodatki.mdb.old";
// The install command's backup of the installed database.
constexpr const char* kDatabaseBackup = "dodatki_old.mdb";
// The CAD program's companion process, which may run during an install; the
// exemption is case-sensitive.
constexpr const char* kCompanionProcess = "vorncad.exe";
// The CAD program itself.
constexpr const char* kCadProcess = "CADVirelPro.exe";

// 1-based position, in UTF-16 code units, of the first cSubStr in cString,
// ASCII letters compared without case; 0 when absent or cSubStr is empty.
int XPos(const std::string& cSubStr, const std::string& cString) {
  if (cSubStr.empty()) return 0;
  const size_t at = base::findIgnoreAsciiCase(cString, cSubStr);
  if (at == std::string::npos) return 0;
  return static_cast<int>(base::utf16Units(std::string_view(cString).substr(0, at))) + 1;
}

}  // namespace

void CheckInstallationEnabled(const Installer& in) {
  // True when no conflicting process runs.
  auto CheckRunApp = [&in]() -> bool {
    bool result = false;
    bool find = false;
    std::string findApp;
    in.info(2, "Sprawdzamy uruchomienie applikacji CAD.");
    try {
      for (const std::string& name : in.env.processNames()) {
        const int p = XPos("CAD", name);
        in.info(2, "Znaleziona w pamięci aplikację: " + name + " : " + std::to_string(p));
        if ((p > 0 && name != kCompanionProcess) || name == kCadProcess) {
          find = true;
          in.info(2, "Wykryto konfliktową aplikację: " + name);
          findApp = name;
        }
      }
      if (find) {
        in.info(1, "Wyłącz program " + findApp + " i spróbuj ponownie.");
      } else {
        result = true;
        in.info(2, "Nie znaleziono uruchomionej applikacji CAD.");
      }
    } catch (const std::exception& e) {
      in.info(1, std::string("[BŁAD]") + e.what());
    }
    return result;
  };

  in.info(2, "Kontrola możliwości instalacji.");
  if (!in.state.pack) return;
  // Package discovery reported the models archive as malformed; without a
  // package folder the check would examine, and the install overwrite, the
  // database lying directly in the accessory folder.
  if (in.state.packageName.empty() && !in.state.fileModelsZip.empty() &&
      in.env.fileExists(in.state.tmpDir + in.state.fileModelsZip)) {
    in.info(1, "Błędna zawartość pliku ZIP! Instalacja niemożliwa.");
    return;
  }

  const std::string dd = in.trimmedDestination() + kAccessoryFolder + in.sep();
  const std::string F = dd + in.state.packageName + in.sep() + base::kAccessoryDatabaseName;
  const std::string O = dd + in.state.packageName + in.sep() + kDatabaseAside;
  in.info(2, "Sprawdzamy dostęp do pliku: " + F);

  // These repairs are best effort: the rename test below finds what they
  // could not put right.
  if (in.env.fileExists(O)) {
    if (in.env.fileExists(F)) {
      in.info(2, "Kasujemy poprzednią kopię pliku dodatki.mdb");
      (void)in.env.deleteFile(O);
    } else {
      // An interrupted check left the installed database under the side name.
      in.info(2, "Przywracamy plik dodatki.mdb z kopii dodatki.mdb.old");
      (void)in.env.renameNoReplace(O, F);
    }
  }

  // An update stopped after the installed database was set aside as its
  // backup: it goes back under its own name, so the CAD program reads it
  // whether or not the install is run again.
  const std::string backup = dd + in.state.packageName + in.sep() + kDatabaseBackup;
  if (!in.env.fileExists(F) && in.env.fileExists(backup)) {
    in.info(2, "Przywracamy plik dodatki.mdb z kopii dodatki_old.mdb");
    (void)in.env.renameNoReplace(backup, F);
  }

  const bool accessible = !in.env.fileExists(F) || in.env.renameNoReplace(F, O);
  if (!accessible) {
    in.info(1, "Wyłącz program CAD VIREL i spróbuj ponownie.");
    return;
  }
  (void)in.env.renameNoReplace(O, F);  // the next check puts a database left under O back
  in.info(2, "Dostęp do MDB poprawny");
  if (CheckRunApp()) {
    in.state.ready = true;
    in.window.bnInstallSetEnable();
  }
}

}  // namespace target
