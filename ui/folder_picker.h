#pragma once
// The platform's folder-selection dialog behind one interface, so the
// destination logic runs the same with the Win32 dialog and with a test's
// scripted picker.
#include <optional>
#include <string>

namespace ui {

class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // Runs the dialog modally with the caption `title`, showing `startFolder`.
  // Returns the path the dialog returned on confirmation: a path inside the
  // chosen folder (the open-file dialog gives "<folder>\*."), whose part up to
  // its last separator is the folder; a realisation that yields a bare folder
  // returns it with its final separator. nullopt when the user cancelled.
  virtual std::optional<std::string> pick(const std::string& title, const std::string& startFolder) = 0;
};

}  // namespace ui
