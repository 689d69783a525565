#pragma once
// One end-to-end scenario: a fresh working folder for the installer (its
// current directory) and the running installer.
#include <string>

#include "tests/e2e/driver.h"

namespace e2e {

class Scenario {
 public:
  explicit Scenario(const std::string& name);
  ~Scenario();

  // The folder the installer runs in (Windows path, with a trailing "\").
  const std::wstring& folder() const { return folder_; }
  bool workFolderExists() const;
  // Starts the given executable (default: the plain installer.exe of the build).
  bool startInstaller(const std::wstring& args, const std::wstring& exe = L"");

  Installer app;

 private:
  std::string name_;
  std::wstring folder_;
};

}  // namespace e2e
