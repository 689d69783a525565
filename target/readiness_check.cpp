// Decides whether Install may be offered: the installed accessory database
// must not be held open, and no CAD process may be running.
#include <exception>
#include <string>

#include "app/form1.h"
#include "base/package_names.h"

namespace {

constexpr const char* kAccessoryFolder = "dodatki";
constexpr const char* kDatabaseAside = "dodatki.mdb.old";
// The install command's backup of the installed database.
constexpr const char* kDatabaseBackup = "dodatki_old.mdb";
// The CAD program's companion process, which may run during an install; the
// exemption is case-sensitive.
constexpr const char* kCompanionProcess = "vorncad.exe";
// The CAD program itself.
constexpr const char* kCadProcess = "CADVirelPro.exe";

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// UTF-16 code units in the UTF-8 text s[0, bytes).
int utf16Units(const std::string& s, size_t bytes) {
  int units = 0;
  for (size_t i = 0; i < bytes; ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

// 1-based position, in characters, of the first cSubStr in cString, ASCII
// letters compared without case; 0 when absent or cSubStr is empty.
int XPos(const std::string& cSubStr, const std::string& cString) {
  if (cSubStr.empty() || cString.size() < cSubStr.size()) return 0;
  for (size_t at = 0; at + cSubStr.size() <= cString.size(); ++at) {
    size_t k = 0;
    while (k < cSubStr.size() && asciiLower(cString[at + k]) == asciiLower(cSubStr[k])) ++k;
    if (k == cSubStr.size()) return utf16Units(cString, at) + 1;
  }
  return 0;
}

}  // namespace

void TForm1::CheckInstallationEnabled() {
  // True when no conflicting process runs.
  auto CheckRunApp = [this]() -> bool {
    bool result = false;
    bool find = false;
    std::string findApp;
    info(2, "Sprawdzamy uruchomienie applikacji CAD.");
    try {
      for (const std::string& name : env_.processNames()) {
        const int p = XPos("CAD", name);
        info(2, "Znaleziona w pamięci aplikację: " + name + " : " + std::to_string(p));
        if ((p > 0 && name != kCompanionProcess) || name == kCadProcess) {
          find = true;
          info(2, "Wykryto konfliktową aplikację: " + name);
          findApp = name;
        }
      }
      if (find) {
        info(1, "Wyłącz program " + findApp + " i spróbuj ponownie.");
      } else {
        result = true;
        info(2, "Nie znaleziono uruchomionej applikacji CAD.");
      }
    } catch (const std::exception& e) {
      info(1, std::string("[BŁAD]") + e.what());
    }
    return result;
  };

  info(2, "Kontrola możliwości instalacji.");
  if (!pack) return;
  // Package discovery reported the models archive as malformed; without a
  // package folder the check would examine, and the install overwrite, the
  // database lying directly in the accessory folder.
  if (packageName.empty() && !fileModelsZip.empty() && env_.fileExists(tmpDir + fileModelsZip)) {
    info(1, "Błędna zawartość pliku ZIP! Instalacja niemożliwa.");
    return;
  }

  const std::string dd = trimmedDestination() + kAccessoryFolder + sep();
  const std::string F = dd + packageName + sep() + base::kAccessoryDatabaseName;
  const std::string O = dd + packageName + sep() + kDatabaseAside;
  info(2, "Sprawdzamy dostęp do pliku: " + F);

  // These repairs are best effort: the rename test below finds what they
  // could not put right.
  if (env_.fileExists(O)) {
    if (env_.fileExists(F)) {
      info(2, "Kasujemy poprzednią kopię pliku dodatki.mdb");
      (void)env_.deleteFile(O);
    } else {
      // An interrupted check left the installed database under the side name.
      info(2, "Przywracamy plik dodatki.mdb z kopii dodatki.mdb.old");
      (void)env_.renameNoReplace(O, F);
    }
  }

  // An update stopped after the installed database was set aside as its
  // backup: it goes back under its own name, so the CAD program reads it
  // whether or not the install is run again.
  const std::string backup = dd + packageName + sep() + kDatabaseBackup;
  if (!env_.fileExists(F) && env_.fileExists(backup)) {
    info(2, "Przywracamy plik dodatki.mdb z kopii dodatki_old.mdb");
    (void)env_.renameNoReplace(backup, F);
  }

  const bool accessible = !env_.fileExists(F) || env_.renameNoReplace(F, O);
  if (!accessible) {
    info(1, "Wyłącz program CAD VIREL i spróbuj ponownie.");
    return;
  }
  (void)env_.renameNoReplace(O, F);  // the next check puts a database left under O back
  info(2, "Dostęp do MDB poprawny");
  if (CheckRunApp()) {
    ready = true;
    bnInstallSetEnable();
  }
}
