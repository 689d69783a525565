#pragma once
// What `pack list` and `pack check` look into: an installer file (its
// package archive found through the footer, signed or not) or a plain ZIP
// archive, and the archives nested in it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "package/package_location.h"
#include "package/zip_reader.h"
#include "platform/env.h"

namespace pack {

class Inspection {
 public:
  // Throws std::runtime_error saying why the file is neither an installer
  // with a package nor a ZIP archive.
  Inspection(platform::Env& env, const std::string& path);
  ~Inspection();
  Inspection(const Inspection&) = delete;
  Inspection& operator=(const Inspection&) = delete;

  bool isInstaller() const { return location_.has_value(); }
  const package::PackageLocation& location() const { return *location_; }
  uint64_t archiveSize() const { return archiveSize_; }
  package::zip::ZipReader& archive() { return *archive_; }

  // The ZIP archive held by entry `index` of the outer archive, extracted to
  // a temporary folder that goes with this object.
  std::unique_ptr<package::zip::ZipReader> openNested(size_t index);
  // Entry `index` of `from` decoded into a temporary file (named with the
  // given ending) that goes with this object; its path.
  std::string extract(package::zip::ZipReader& from, size_t index, const std::string& ending);

  // Visits the archives a listing shows, in order: the outer one (as
  // "packages.zip" for an installer, else as `path`), then the models and
  // materials archives inside it. Returns the package folders that name the
  // package, or nothing when no models archive was seen.
  std::optional<std::vector<std::string>> visitArchives(
      const std::string& path, const std::function<void(const std::string&, package::zip::ZipReader&)>& visit);

 private:
  platform::Env& env_;
  std::optional<package::PackageLocation> location_;
  uint64_t archiveSize_ = 0;
  std::unique_ptr<package::zip::ZipReader> archive_;
  std::string tempDir_;
  std::vector<std::string> tempFiles_;
};

}  // namespace pack
