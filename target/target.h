#pragma once
// Where the package goes: the search for CAD installations, the check of the
// destination field, the folder picker's answer, and the readiness check that
// decides whether Install may be offered.
#include <string>

#include "target/installer.h"
#include "ui/folder_picker.h"

namespace target {

// Proposes the first CAD installation found on the drives as the destination;
// true when one was found. The destination field shows afterwards.
bool searchInstallationPath(const Installer& in);
// Offers Install when the package, the installed database and the running
// programs allow it.
void CheckInstallationEnabled(const Installer& in);
// Whether the destination text followed by the accessory folder is a folder.
bool CheckDestination(const Installer& in);
// The destination field changed.
void CheckEdit(const Installer& in);
// The destination field was clicked: the picker's folder, cut above its
// accessory folder, becomes the destination.
void Edit1Click(const Installer& in, ui::FolderPicker& picker);
// The destination root given on the command line, in place of the search.
void useGivenDestination(const Installer& in, const std::string& root);

}  // namespace target
