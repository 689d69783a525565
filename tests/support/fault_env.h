#pragma once
// The fault-injecting Env of the tests: forwards every call to a real Env
// except those a test has told it to fail, as a virus scanner holding a
// file, a refused rename or an unreadable file would. It also records the
// files opened for writing.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/env_wrapper.h"

namespace test {

class FaultEnv : public platform::EnvWrapper {
 public:
  using PathRule = std::function<bool(const std::string& path)>;
  using OpenRule = std::function<bool(const std::string& path, platform::Access access)>;

  using EnvWrapper::EnvWrapper;

  // deleteFile returns false for the paths the rule picks.
  void failDeletes(PathRule rule) { failDelete_ = std::move(rule); }
  // renameNoReplace and renameReplace return false for the sources it picks.
  void failRenames(PathRule rule) { failRename_ = std::move(rule); }
  // openFile throws IoError for the opens it picks.
  void failOpens(OpenRule rule) { failOpen_ = std::move(rule); }

  // Every path opened for writing, in order.
  std::vector<std::string> written;

  std::unique_ptr<platform::File> openFile(const std::string& p, platform::Access a, platform::Creation c,
                                           platform::Sharing s) override {
    if (failOpen_ && failOpen_(p, a)) throw platform::IoError("injected failure on " + p);
    if (a == platform::Access::ReadWrite) written.push_back(p);
    return EnvWrapper::openFile(p, a, c, s);
  }
  bool deleteFile(const std::string& p) override {
    return !(failDelete_ && failDelete_(p)) && EnvWrapper::deleteFile(p);
  }
  bool renameNoReplace(const std::string& f, const std::string& t) override {
    return !(failRename_ && failRename_(f)) && EnvWrapper::renameNoReplace(f, t);
  }
  bool renameReplace(const std::string& f, const std::string& t) override {
    return !(failRename_ && failRename_(f)) && EnvWrapper::renameReplace(f, t);
  }

 private:
  PathRule failDelete_;
  PathRule failRename_;
  OpenRule failOpen_;
};

// Rules for the common cases.
inline FaultEnv::PathRule anyPath() {
  return [](const std::string&) { return true; };
}
inline FaultEnv::PathRule pathEndingWith(std::string suffix) {
  return [suffix = std::move(suffix)](const std::string& p) {
    return p.size() >= suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
}

}  // namespace test
