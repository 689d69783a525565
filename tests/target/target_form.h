#pragma once
// A headless installer window in diagnostic mode over an Env whose deletions,
// folder listings and process list a test can steer, plus a scripted folder
// picker.
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/headless_form.h"
#include "ui/folder_picker.h"

namespace test {

// The tables are written in Windows notation; this gives the platform's.
inline std::string native(std::string s) {
  for (char& c : s)
    if (c == '\\') c = TempDir::sep();
  return s;
}

class TargetEnv : public FolderEnv {
 public:
  using FolderEnv::FolderEnv;
  bool deleteFile(const std::string& p) override { return !failDelete && FolderEnv::deleteFile(p); }
  std::vector<platform::DirEntry> listDir(const std::string& p) override {
    auto it = listings.find(p);
    return it != listings.end() ? it->second : FolderEnv::listDir(p);
  }
  std::vector<std::string> driveRoots() override {
    return systemDrives ? target().driveRoots() : FolderEnv::driveRoots();
  }
  std::vector<std::string> processNames() override {
    if (processError) throw std::runtime_error(*processError);
    return FolderEnv::processNames();
  }

  bool failDelete = false;
  bool systemDrives = false;  // the system's own drive roots instead of `roots`
  std::map<std::string, std::vector<platform::DirEntry>> listings;
  std::optional<std::string> processError;
};

class ScriptedPicker : public ui::FolderPicker {
 public:
  std::optional<std::string> pick(const std::string& title, const std::string& startFolder) override {
    titles.push_back(title);
    startFolders.push_back(startFolder);
    return answer;
  }
  std::optional<std::string> answer;
  std::vector<std::string> titles, startFolders;
};

struct TargetForm {
  explicit TargetForm(std::vector<std::string> args = {"/d"})
      : env(platform::systemEnv(), dir.root()),
        engine(accessorydb::makeJetEngine(env)),
        form(env, *engine, host, std::move(args)) {
    form.FormCreate();
  }

  const std::vector<std::string>& memo() const { return form.infoBox.lines(); }
  std::vector<std::string> linesSince(size_t from) const {
    return {memo().begin() + static_cast<long>(from), memo().end()};
  }
  // Lines beginning with prefix written since line `from`.
  size_t count(const std::string& prefix, size_t from = 0) const {
    size_t n = 0;
    for (size_t i = from; i < memo().size(); ++i) n += memo()[i].rfind(prefix, 0) == 0;
    return n;
  }
  bool installOffered() const { return form.bnInstallNormal.visible() || form.bnInstallHover.visible(); }

  TempDir dir;
  TargetEnv env;
  ui::HeadlessHost host;
  std::unique_ptr<accessorydb::Engine> engine;
  TForm1 form;
};

}  // namespace test
