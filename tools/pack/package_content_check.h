#pragma once
// What the installer will do with a package's pictures and accessory
// database, judged before the package leaves the producer: the pictures are
// decoded by the installer's own decoder, the database goes through the
// installer's own check. `pack build` runs it on the folder, `pack check` on
// the files inside an installer.
#include <string>
#include <vector>

#include "accessorydb/package_db_check.h"
#include "platform/env.h"

namespace pack {

struct ContentFindings {
  std::vector<std::string> problems;  // the installer would fail on each
  std::vector<std::string> warnings;  // installs, but not as the producer may expect
};

// The size of the window's face as designed; another size resizes the window.
inline constexpr int kDesignedPictureWidth = 1040;
inline constexpr int kDesignedPictureHeight = 585;

// install.jpg or finish.jpg at path, shown as label in messages.
void checkPicture(platform::Env& env, const std::string& path, const std::string& label, ContentFindings& out);

// The package's dodatki.mdb at path, shown as label in messages.
accessorydb::PackageDbReport checkAccessoryDatabase(platform::Env& env, const std::string& path,
                                                    const std::string& label, ContentFindings& out);

}  // namespace pack
