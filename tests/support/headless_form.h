#pragma once
// A headless installer window whose process "current directory" is a fresh
// temporary folder, so the working folder lives there.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accessorydb/jet_engine.h"
#include "app/form1.h"
#include "platform/env_wrapper.h"
#include "tests/support/temp_dir.h"
#include "ui/headless/headless_host.h"

namespace test {

class FolderEnv : public platform::EnvWrapper {
 public:
  FolderEnv(platform::Env& target, std::string cwd) : EnvWrapper(target), cwd_(std::move(cwd)) {}
  std::string currentDir() override { return cwd_; }
  std::vector<std::string> driveRoots() override { return roots; }
  std::vector<std::string> processNames() override { return processes; }
  std::string executablePath() override { return exe.empty() ? EnvWrapper::executablePath() : exe; }
  std::vector<std::string> roots;
  std::vector<std::string> processes{"init", "bash"};
  std::string exe;  // the installer file the start-up reads; empty: this test program

 private:
  std::string cwd_;
};

using EngineMaker = std::function<std::unique_ptr<accessorydb::Engine>(platform::Env&)>;

struct HeadlessForm {
  // makeEngine: the database engine the window is handed (the Jet engine
  // unless a test gives another).
  explicit HeadlessForm(std::vector<std::string> args = {}, ui::Size screen = {1920, 1080},
                        const EngineMaker& makeEngine = accessorydb::makeJetEngine)
      : env(platform::systemEnv(), dir.root()),
        host(screen),
        engine(makeEngine(env)),
        form(env, *engine, host, std::move(args)) {}

  // The memo's lines, which hold every line written at the log level in force.
  const std::vector<std::string>& memo() const { return form.infoBox.lines(); }
  std::string tmp(const std::string& name) const { return form.tmpDir + name; }
  // What start-up leaves before Install for the package "Meble": the archive
  // names and the destination typed as `destination`.
  void readyToInstall(const std::string& destination) {
    form.filePackageZip = "packages.zip";
    form.fileModelsZip = "models.zip";
    form.fileMaterialsZip = "db_materials.zip";
    form.packageName = "Meble";
    form.Edit1.setText(destination);
  }

  TempDir dir;
  FolderEnv env;
  ui::HeadlessHost host;
  std::unique_ptr<accessorydb::Engine> engine;
  TForm1 form;
};

}  // namespace test
