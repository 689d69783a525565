#pragma once
// The names the installer looks for and pack writes: both sides take them
// from here, so a package built by pack is one the installer recognises.

namespace base {

// The archive appended to the installer, and the two archives inside it.
inline constexpr const char* kPackagesZipName = "packages.zip";
inline constexpr const char* kModelsZipName = "models.zip";
inline constexpr const char* kMaterialsZipName = "db_materials.zip";

// The accessory database of a package and of an installation; the name is
// matched exactly, in lower case.
inline constexpr const char* kAccessoryDatabaseName = "dodatki.mdb";

// The pictures at the root of packages.zip.
inline constexpr const char* kInstallPictureName = "install.jpg";
inline constexpr const char* kFinishPictureName = "finish.jpg";
inline constexpr const char* kCoverPictureName = "cover.jpg";

}  // namespace base
