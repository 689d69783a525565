#pragma once
// One installer run (one program run) of the headless window, ready to
// install a package holding the given dodatki.mdb into the CAD installation
// at root.
#include <algorithm>
#include <string>

#include "package/zip_writer.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace test {

// The package's models.zip: its dodatki.mdb and one model, in the folder "Meble".
inline void writeModelsZip(platform::Env& env, const std::string& path, const std::string& mdbBytes) {
  auto out =
      env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways, platform::Sharing::DenyWrite);
  package::zip::ZipWriter zip(*out);
  zip.addBytes("Meble\\dodatki.mdb", mdbBytes);
  zip.addBytes("Meble\\modele\\szafka.mdl", "szafka");
  zip.finish();
}

class InstallerRun {
 public:
  InstallerRun(const std::string& root, const std::string& mdbBytes) {
    f.form.FormCreate();
    f.readyToInstall(root);
    test::writeJpeg(f.tmp("install.jpg"), 64, 36);
    test::writeJpeg(f.tmp("finish.jpg"), 64, 36);
    f.form.setCover(f.tmp("install.jpg"));
    f.dir.write("tmp/packages.zip", "the package archive");
    writeModelsZip(f.env, f.tmp("models.zip"), mdbBytes);
  }
  void install() { f.form.ButtonInstallClick(); }
  bool saidSomethingWith(const std::string& part) const {
    return std::any_of(f.memo().begin(), f.memo().end(), [&](const auto& l) { return l.find(part) != l.npos; });
  }
  bool said(const std::string& line) const {
    return std::find(f.memo().begin(), f.memo().end(), line) != f.memo().end();
  }

  test::HeadlessForm f{{"/d"}};
};

// The line the failed merge wrote: the one before the models phase's own.
inline std::string failureLine(const InstallerRun& run, const std::string& phaseLine) {
  const auto& memo = run.f.memo();
  const auto at = std::find(memo.begin(), memo.end(), phaseLine);
  return at == memo.begin() || at == memo.end() ? std::string() : *(at - 1);
}

}  // namespace test
