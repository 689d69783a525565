#include "tests/e2e/scenario.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/wide.h"

namespace e2e {

Scenario::Scenario(const std::string& name) : name_(name) {
  folder_ = windowsPath(std::string(ARTIFACTS_DIR) + "/work-" + name) + L"\\";
  // A fresh folder: remove what an earlier run left.
  std::wstring from = folder_.substr(0, folder_.size() - 1) + L'\0' + L'\0';
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
  SHCreateDirectoryExW(nullptr, folder_.substr(0, folder_.size() - 1).c_str(), nullptr);
}

Scenario::~Scenario() {
  if (app.running()) {
    screenshot(name_ + "-at-end");
    app.kill();
  }
}

bool Scenario::workFolderExists() const {
  DWORD a = GetFileAttributesW((folder_ + L"tmp").c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Scenario::startInstaller(const std::wstring& args, const std::wstring& exe) {
  return app.start(exe.empty() ? windowsPath(INSTALLER_EXE) : exe, args, folder_);
}

}  // namespace e2e
