#pragma once
#include "platform/env.h"

namespace platform {

// POSIX realisation. Drive roots are whatever the process is given (tests set
// folders that stand for "C:\", "D:\" ...).
class PosixEnv : public Env {
 public:
  char separator() const override { return '/'; }
  std::unique_ptr<File> openFile(const std::string& path, Access access, Creation creation, Sharing sharing) override;
  bool fileExists(const std::string& path) override;
  bool dirExists(const std::string& path) override;
  bool createDir(const std::string& path) override;
  bool removeDir(const std::string& path) override;
  bool deleteFile(const std::string& path) override;
  bool renameNoReplace(const std::string& from, const std::string& to) override;
  bool renameReplace(const std::string& from, const std::string& to) override;
  std::vector<DirEntry> listDir(const std::string& path) override;
  std::vector<std::string> driveRoots() override { return driveRoots_; }
  void setDriveRoots(std::vector<std::string> roots) { driveRoots_ = std::move(roots); }
  std::string currentDir() override;
  std::string executablePath() override;
  std::vector<std::string> processNames() override;
  int oemCodePage() override { return 852; }
  std::optional<std::string> decodeCodePage(std::string_view, int) override { return std::nullopt; }
  bool setFileDosTime(const std::string& path, uint16_t dosDate, uint16_t dosTime) override;
  bool setFileAttributes(const std::string& path, uint32_t attributes) override;

 private:
  std::vector<std::string> driveRoots_{"/"};
};

}  // namespace platform
