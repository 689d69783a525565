#pragma once
// Forwards every call to another Env; tests derive from it to change one
// behaviour (a process list, a failing rename, a full disk).

#include "platform/env.h"

namespace platform {

class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env& target) : target_(target) {}
  Env& target() { return target_; }

  [[nodiscard]] char separator() const override { return target_.separator(); }
  [[nodiscard]] std::unique_ptr<File> openFile(const std::string& p, Access a, Creation c, Sharing s) override {
    return target_.openFile(p, a, c, s);
  }
  [[nodiscard]] bool fileExists(const std::string& p) override { return target_.fileExists(p); }
  [[nodiscard]] bool dirExists(const std::string& p) override { return target_.dirExists(p); }
  [[nodiscard]] bool createDir(const std::string& p) override { return target_.createDir(p); }
  [[nodiscard]] bool removeDir(const std::string& p) override { return target_.removeDir(p); }
  [[nodiscard]] bool deleteFile(const std::string& p) override { return target_.deleteFile(p); }
  [[nodiscard]] bool renameNoReplace(const std::string& f, const std::string& t) override {
    return target_.renameNoReplace(f, t);
  }
  [[nodiscard]] bool renameReplace(const std::string& f, const std::string& t) override {
    return target_.renameReplace(f, t);
  }
  [[nodiscard]] std::vector<DirEntry> listDir(const std::string& p) override { return target_.listDir(p); }
  [[nodiscard]] std::vector<std::string> driveRoots() override { return target_.driveRoots(); }
  [[nodiscard]] std::string currentDir() override { return target_.currentDir(); }
  [[nodiscard]] std::string executablePath() override { return target_.executablePath(); }
  [[nodiscard]] std::vector<std::string> processNames() override { return target_.processNames(); }
  [[nodiscard]] int oemCodePage() override { return target_.oemCodePage(); }
  [[nodiscard]] std::optional<std::string> decodeCodePage(std::string_view b, int cp) override {
    return target_.decodeCodePage(b, cp);
  }
  [[nodiscard]] bool setFileDosTime(const std::string& p, uint16_t d, uint16_t t) override {
    return target_.setFileDosTime(p, d, t);
  }
  [[nodiscard]] bool setFileAttributes(const std::string& p, uint32_t a) override {
    return target_.setFileAttributes(p, a);
  }

 private:
  Env& target_;
};

}  // namespace platform
