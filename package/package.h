#pragma once
// What the installer window calls of the package payload layer: reading the
// package out of the installer file, and the two archive operations.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/env.h"
#include "report/reporter.h"

namespace package {

inline constexpr const char* kFooterFileName = "zip-offset.txt";

// Reads the footer of the installer file exeName (through tmpDir +
// "zip-offset.txt", which is removed again in every case) and, when it gives
// a positive offset, copies the archive behind it to tmpDir + "packages.zip"
// in blocks of 1 MiB. tmpDir ends with the separator. Returns the offset, 0
// when the footer is unusable. I/O failures throw platform::IoError.
int64_t copyPackageOut(platform::Env& env, ui::Reporter& reporter, const std::string& exeName,
                       const std::string& tmpDir);

// Extracts every entry of SourceFile below DestinationDir (ending with the
// separator), except `<packageName>.jpg` and `<packageName>.txt`; drives the
// progress bar. False when the file is no ZIP archive (nothing logged) or an
// error stopped it (logged at level 1). The whole archive is checked before
// the first entry is written. A file that cannot be opened throws
// platform::IoError. When `used` is given, only the entries landing under
// those names (letter case aside) must be readable: another entry that is
// encrypted or compressed by an unknown method is passed over without a line.
[[nodiscard]] bool ExtractFilesFromZip(platform::Env& env, ui::Reporter& reporter, const std::string& packageName,
                                       const std::string& SourceFile, const std::string& DestinationDir,
                                       const std::optional<std::vector<std::string>>& used = std::nullopt);

// The package folders of a models archive: top-level folders that directly
// hold an entry named exactly "dodatki.mdb", with "\" as the separator, in
// the archive's order. A file that cannot be opened throws platform::IoError.
std::vector<std::string> GetSubFoldersListFromZip(platform::Env& env, ui::Reporter& reporter,
                                                  const std::string& SourceFile);

}  // namespace package
