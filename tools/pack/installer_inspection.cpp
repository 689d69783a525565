#include "tools/pack/installer_inspection.h"

#include "base/package_names.h"
#include "package/package_folders.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "package/zip_central_directory.h"

namespace pack {
namespace {

using platform::Access;
using platform::Creation;
using platform::Sharing;

// The bytes [begin, end) of another file, read as a file of their own.
class FileSlice : public platform::File {
 public:
  FileSlice(std::unique_ptr<platform::File> file, uint64_t begin, uint64_t end)
      : file_(std::move(file)), begin_(begin), end_(end) {}
  uint64_t size() override { return end_ - begin_; }
  size_t readAt(uint64_t offset, void* buffer, size_t n) override {
    if (offset >= size()) return 0;
    n = static_cast<size_t>(std::min<uint64_t>(n, size() - offset));
    return file_->readAt(begin_ + offset, buffer, n);
  }
  void writeAt(uint64_t, const void*, size_t) override { throw platform::IoError("read-only view"); }
  void truncate(uint64_t) override { throw platform::IoError("read-only view"); }
  void sync() override {}

 private:
  std::unique_ptr<platform::File> file_;
  uint64_t begin_, end_;
};

std::string systemTempDir() {
  const auto u8 = std::filesystem::temp_directory_path().u8string();
  std::string dir(u8.begin(), u8.end());
  while (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir;
}

}  // namespace

Inspection::Inspection(platform::Env& env, const std::string& path) : env_(env) {
  auto file = env.openFile(path, Access::Read, Creation::OpenExisting, Sharing::DenyWrite);
  const uint64_t size = file->size();
  const auto loc = package::locatePackage(*file);
  if (loc && loc->offset > 0 && static_cast<uint64_t>(loc->offset) < loc->footerAt) {
    location_ = loc;
    archiveSize_ = loc->footerAt - static_cast<uint64_t>(loc->offset);
    archive_ = std::make_unique<package::zip::ZipReader>(
        env, std::make_unique<FileSlice>(std::move(file), static_cast<uint64_t>(loc->offset), loc->footerAt));
    return;
  }
  if (package::zip::findEndRecord(*file)) {
    archiveSize_ = size;
    archive_ = std::make_unique<package::zip::ZipReader>(env, std::move(file));
    return;
  }
  if (loc)
    throw std::runtime_error(path + ": the footer gives offset " + std::to_string(loc->offset) +
                             ", which is not inside the file, and the file is no ZIP archive");
  throw std::runtime_error(path +
                           ": neither an installer (its last 20 bytes are no package footer, and no footer "
                           "precedes a signature) nor a ZIP archive (no end of central directory record)");
}

Inspection::~Inspection() {
  // A destructor has no one to tell: temporary files left behind are harmless.
  for (const auto& f : tempFiles_) (void)env_.deleteFile(f);
  if (!tempDir_.empty()) (void)env_.removeDir(tempDir_);
}

std::unique_ptr<package::zip::ZipReader> Inspection::openNested(size_t index) {
  return std::make_unique<package::zip::ZipReader>(env_, extract(*archive_, index, ".zip"));
}

std::string Inspection::extract(package::zip::ZipReader& from, size_t index, const std::string& ending) {
  const char sep = env_.separator();
  if (tempDir_.empty()) {
    std::random_device rd;
    const std::string dir = systemTempDir() + sep + "pack-" + std::to_string(rd()) + std::to_string(rd());
    if (!env_.createDir(dir)) throw platform::IoError("cannot create the temporary folder " + dir);
    tempDir_ = dir;
  }
  const std::string target = tempDir_ + sep + std::to_string(tempFiles_.size()) + ending;
  // Decoded straight into a file of our choosing; the entry's own name is not used as a path.
  auto out = env_.openFile(target, Access::ReadWrite, Creation::CreateAlways, Sharing::DenyWrite);
  tempFiles_.push_back(target);
  uint64_t at = 0;
  from.decode(index, [&](const unsigned char* data, size_t n) {
    out->writeAt(at, data, n);
    at += n;
  });
  return target;
}

std::optional<std::vector<std::string>> Inspection::visitArchives(
    const std::string& path, const std::function<void(const std::string&, package::zip::ZipReader&)>& visit) {
  auto foldersOf = [](const package::zip::ZipReader& reader) {
    std::vector<std::string> out;
    for (const auto& e : reader.entries())
      if (auto f = package::packageFolderOf(e.name)) out.push_back(*f);
    return out;
  };
  visit(isInstaller() ? base::kPackagesZipName : path, archive());
  std::vector<std::string> folders = foldersOf(archive());
  bool sawModels = !folders.empty();
  const auto& entries = archive().entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].name != base::kModelsZipName && entries[i].name != base::kMaterialsZipName) continue;
    auto nested = openNested(i);
    visit(entries[i].name, *nested);
    if (entries[i].name == base::kModelsZipName) {
      folders = foldersOf(*nested);
      sawModels = true;
    }
  }
  if (!sawModels) return std::nullopt;
  return folders;
}

}  // namespace pack
