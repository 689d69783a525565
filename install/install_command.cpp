#include "install/install_command.h"

#include "accessorydb/accessory_db.h"
#include "base/package_names.h"
#include "package/package.h"

namespace install {
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

void ButtonInstallClick(const Installer& in, accessorydb::Engine& engine) {
  InstallerWindow& window = in.window;
  InstallerState& state = in.state;
  platform::Env& env = in.env;
  const char sep = in.sep();
  window.showProgress(true);
  window.setProgress(0);
  bool res = false;
  window.showDestinationEntry(false);
  window.setStatusText("");
  window.bnInstallSetActive();

  const std::string root = in.trimmedDestination();
  // The failure line of the phase that failed, which the window keeps showing.
  std::string failure;

  const std::string modelsZip = state.tmpDir + state.fileModelsZip;
  if (env.fileExists(modelsZip)) {
    const std::string destinationDir = root + "dodatki" + sep;
    const std::string packageFolder = destinationDir + state.packageName + sep;
    const std::string mdb = packageFolder + base::kAccessoryDatabaseName;
    const std::string oldMdb = packageFolder + "dodatki_old.mdb";
    const std::string newMdb = packageFolder + "dodatki_new.mdb";
    withClosing(
        [&] {
          window.bnCloseSetDisable();
          window.info(2, "Trwa instalowanie modeli z pakietu...");
          window.info(2, "MDB: " + mdb);
          if (env.fileExists(mdb)) {
            window.info(2, "zmieniamy " + mdb + " na dodatki_old.mdb");
            if (!env.renameNoReplace(mdb, oldMdb))
              window.info(1, "Błąd zmiany nazwy pliku dodatki.mdb na dodatki_old.mdb");
          }
          window.info(2, "Zaczynamy rozpakowywanie pliku ZIP do: " + destinationDir);
          res = package::ExtractFilesFromZip(env, window, state.packageName, modelsZip, destinationDir);
          if (res) {
            window.info(2, "Zaczynamy obsługę bazy dodatki.mdb");
            res = false;
            // A dodatki_new.mdb left by an earlier install (killed, or its
            // deletion refused) is only a package database; it would refuse
            // the rename and fail every later install.
            if (env.fileExists(newMdb)) (void)env.deleteFile(newMdb);
            (void)env.renameNoReplace(mdb, newMdb);  // CopyMdb reports a missing package database
            if (accessorydb::AccessoryDb(window, env, engine).CopyMdb(newMdb, oldMdb, mdb)) res = true;
          }
          if (env.fileExists(newMdb)) (void)env.deleteFile(newMdb);
          if (res) {
            window.info(2, "Poprawnie zakończono instalację modeli.");
          } else {
            failure = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";
            window.info(1, failure);
            if (env.fileExists(oldMdb)) {
              if (env.fileExists(mdb)) {
                window.info(2, "Kasujemy uszkodzony plik dodatki.mdb");
                (void)env.deleteFile(mdb);
              }
              (void)env.renameNoReplace(oldMdb, mdb);  // if refused, the next check puts it back
              window.info(2, "Zmiana nazwy pliku z dodatki_old.mdb na dodatki.mdb");
            }
          }
        },
        [&] {
          window.info(2, "FINALLY kończymy instalację modeli.");
          if (res)
            window.SetFinish();
          else
            window.showProgress(false);
          // After a failed phase a remaining backup is the only copy of the
          // installed database: it stays.
          if (env.fileExists(oldMdb) && res) {
            window.info(2, "Kasujemy niepotrzebny plik dodatki_old.mdb");
            (void)env.deleteFile(oldMdb);
          }
          if (env.fileExists(newMdb)) {
            window.info(2, "Kasujemy niepotrzebny plik dodatki_new.mdb");
            (void)env.deleteFile(newMdb);
          }
          (void)env.deleteFile(modelsZip);  // working files: a leftover does no harm
        });
  }

  const std::string materialsZip = state.tmpDir + state.fileMaterialsZip;
  if (env.fileExists(materialsZip)) {
    withClosing(
        [&] {
          window.bnCloseSetDisable();
          window.info(2, "Trwa instalowanie materiałów z pakietu...");
          const std::string destinationDir = root + "DB_MATERIALS" + sep + "Vodezidoz Azu Virel" + sep;
          window.info(2, "Zaczynamy rozpakowywanie pliku ZIP do: " + destinationDir);
          res = package::ExtractFilesFromZip(env, window, state.packageName, materialsZip, destinationDir);
          if (res) {
            window.info(2, "Poprawnie zakończono instalację materiałów.");
          } else {
            const std::string line = "Wystąpił błąd instalacji materiałów z pakietu. Spróbuj ponownie.";
            window.info(1, line);
            // A failed models phase matters more: its line stays on the label.
            if (failure.empty()) failure = line;
          }
        },
        [&] {
          window.info(2, "FINALLY kończymy instalację.");
          if (res)
            window.SetFinish();
          else
            window.showProgress(false);
          (void)env.deleteFile(materialsZip);
        });
  }

  window.SetFinish();
  if (failure.empty()) {
    window.setCover(state.tmpDir + state.picFinish);
  } else {
    // A failed install must not look like a finished one: the status line
    // keeps saying what failed, and the install picture stays.
    window.setStatusText(failure);
    window.showStatus(true);
  }
  // Working files: a leftover does no harm and the next start replaces it.
  (void)env.deleteFile(state.tmpDir + state.filePackageZip);
  window.bnCloseSetEnable();
  window.bnInstallSetDisable();
  window.hideInstall();
  for (const std::string* name : {&state.picCover, &state.picInstall, &state.picFinish})
    if (env.fileExists(state.tmpDir + *name)) (void)env.deleteFile(state.tmpDir + *name);
  (void)env.removeDir(state.tmpDir);
}

}  // namespace install
