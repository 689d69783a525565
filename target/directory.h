#pragma once
// The folder picker unit: runs the platform's folder picker and keeps the
// folder the user chose.
#include <string>

#include "ui/folder_picker.h"

namespace Directory {

inline constexpr const char* kPickerTitle = "Wybierz folder instalacji biblioteki";

// Opens the picker at Dir. On confirmation Dir becomes the chosen folder (the
// returned path cut after its last separator, or drive colon on Windows), so
// it ends with the separator, and the result is true. On cancellation the
// result is false and Dir is unchanged.
[[nodiscard]] bool GimmeDir(ui::FolderPicker& picker, char separator, std::string& Dir);

}  // namespace Directory
