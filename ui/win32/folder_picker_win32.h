#pragma once
// The folder picker on Windows: the common open-file dialog in its Explorer
// style with its file name and file type fields hidden, so what remains is the
// folder view with its navigation and the confirm and cancel buttons.
#include <windows.h>

#include <optional>
#include <string>

#include "ui/folder_picker.h"

namespace ui::win32 {

class Win32FolderPicker : public FolderPicker {
 public:
  explicit Win32FolderPicker(HWND owner = nullptr) : owner_(owner) {}
  // The window the dialog is modal to (the installer window).
  void setOwner(HWND owner) { owner_ = owner; }

  // Returns "<chosen folder>\*." on confirmation. Throws std::runtime_error
  // when the dialog itself fails.
  std::optional<std::string> pick(const std::string& title, const std::string& startFolder) override;

 private:
  HWND owner_;
};

}  // namespace ui::win32
