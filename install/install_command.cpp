// The install command: models unpacked into the installation and the accessory
// database merged (with a backup that is put back on failure), materials
// unpacked, then the finish state.
#include "app/form1.h"
#include "base/package_names.h"
#include "package/package.h"

namespace {

// Runs the closing steps of a phase however the phase ends.
template <typename Body, typename Closing>
void withClosing(Body body, Closing closing) {
  try {
    body();
  } catch (...) {
    closing();
    throw;
  }
  closing();
}

}  // namespace

void TForm1::ButtonInstallClick() {
  gauge.setVisible(true);
  setProgress(0);
  bool res = false;
  StaticText1.setVisible(false);
  Edit1.setVisible(false);
  InfoLabel.setText("");
  bnInstallSetActive();

  const std::string root = trimmedDestination();
  // The failure line of the phase that failed, which the window keeps showing.
  std::string failure;

  const std::string modelsZip = tmpDir + fileModelsZip;
  if (env_.fileExists(modelsZip)) {
    const std::string destinationDir = root + "dodatki" + sep();
    const std::string packageFolder = destinationDir + packageName + sep();
    const std::string mdb = packageFolder + base::kAccessoryDatabaseName;
    const std::string oldMdb = packageFolder + "dodatki_old.mdb";
    const std::string newMdb = packageFolder + "dodatki_new.mdb";
    withClosing(
        [&] {
          bnCloseSetDisable();
          info(2, "Trwa instalowanie modeli z pakietu...");
          info(2, "MDB: " + mdb);
          if (env_.fileExists(mdb)) {
            info(2, "zmieniamy " + mdb + " na dodatki_old.mdb");
            if (!env_.renameNoReplace(mdb, oldMdb)) info(1, "Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb");
          }
          info(2, "Zaczynamy rozpakowywanie pliku ZIP do: " + destinationDir);
          res = package::ExtractFilesFromZip(env_, *this, packageName, modelsZip, destinationDir);
          if (res) {
            info(2, "Zaczynamy obsługę bazy dodatki.mdb");
            res = false;
            // A dodatki_new.mdb left by an earlier install (killed, or its
            // deletion refused) is only a package database; it would refuse
            // the rename and fail every later install.
            if (env_.fileExists(newMdb)) (void)env_.deleteFile(newMdb);
            (void)env_.renameNoReplace(mdb, newMdb);  // CopyMdb reports a missing package database
            if (CopyMdb(newMdb, oldMdb, mdb)) res = true;
          }
          if (env_.fileExists(newMdb)) (void)env_.deleteFile(newMdb);
          if (res) {
            info(2, "Poprawnie zakończono instalację modeli.");
          } else {
            failure = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";
            info(1, failure);
            if (env_.fileExists(oldMdb)) {
              if (env_.fileExists(mdb)) {
                info(2, "Kasujemy uszkodzony plik dodatki.mdb");
                (void)env_.deleteFile(mdb);
              }
              (void)env_.renameNoReplace(oldMdb, mdb);  // if refused, the next check puts it back
              info(2, "Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
            }
          }
        },
        [&] {
          info(2, "FINALLY kończymy instalację modeli.");
          if (res)
            SetFinish();
          else
            gauge.setVisible(false);
          // After a failed phase a remaining backup is the only copy of the
          // installed database: it stays.
          if (env_.fileExists(oldMdb) && res) {
            info(2, "Kasujemy niepotrzebny plik dodatki_old.mdb");
            (void)env_.deleteFile(oldMdb);
          }
          if (env_.fileExists(newMdb)) {
            info(2, "Kasujemy niepotrzebny plik dodatki_new.mdb");
            (void)env_.deleteFile(newMdb);
          }
          (void)env_.deleteFile(modelsZip);  // working files: a leftover does no harm
        });
  }

  const std::string materialsZip = tmpDir + fileMaterialsZip;
  if (env_.fileExists(materialsZip)) {
    withClosing(
        [&] {
          bnCloseSetDisable();
          info(2, "Trwa instalowanie materiałów z pakietu...");
          const std::string destinationDir =
              root + "DB_MATERIALS" + sep() + "Vodezidoz Azu Virel" + sep();
          info(2, "Zaczynamy rozpakowywanie pliku ZIP do: " + destinationDir);
          res = package::ExtractFilesFromZip(env_, *this, packageName, materialsZip, destinationDir);
          if (res) {
            info(2, "Poprawnie zakończono instalację materiałów.");
          } else {
            const std::string line = "Wystąpił błąd instalacji materiałów z pakietu. Spróbuj ponownie.";
            info(1, line);
            // A failed models phase matters more: its line stays on the label.
            if (failure.empty()) failure = line;
          }
        },
        [&] {
          info(2, "FINALLY kończymy instalację.");
          if (res)
            SetFinish();
          else
            gauge.setVisible(false);
          (void)env_.deleteFile(materialsZip);
        });
  }

  SetFinish();
  if (failure.empty()) {
    setCover(tmpDir + picFinish);
  } else {
    // A failed install must not look like a finished one: the status line
    // keeps saying what failed, and the install picture stays.
    InfoLabel.setText(failure);
    InfoLabel.setVisible(true);
  }
  // Working files: a leftover does no harm and the next start replaces it.
  (void)env_.deleteFile(tmpDir + filePackageZip);
  bnCloseSetEnable();
  bnInstallSetDisable();
  bnInstallActive.setVisible(false);
  bnInstallDisable.setVisible(false);
  for (const std::string* name : {&picCover, &picInstall, &picFinish})
    if (env_.fileExists(tmpDir + *name)) (void)env_.deleteFile(tmpDir + *name);
  (void)env_.removeDir(tmpDir);
}
