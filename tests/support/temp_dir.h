#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/env.h"

namespace test {

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    root_ = (std::filesystem::temp_directory_path() / ("installer-test-" + std::to_string(rd()) + std::to_string(rd())))
                .string();
    std::filesystem::create_directories(root_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(root_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing separator.
  const std::string& root() const { return root_; }
  // The folder with the separator at its end, as the installer keeps folders.
  std::string folder() const { return root_ + sep(); }
  std::string path(const std::string& relative) const { return root_ + sep() + relative; }

  void write(const std::string& relative, const std::string& content) const {
    auto p = std::filesystem::path(path(relative));
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string read(const std::string& relative) const {
    std::ifstream in(path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static char sep() { return platform::systemEnv().separator(); }

 private:
  std::string root_;
};

}  // namespace test
