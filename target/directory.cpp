#include "target/directory.h"

namespace Directory {

bool GimmeDir(ui::FolderPicker& picker, char separator, std::string& Dir) {
  std::optional<std::string> picked = picker.pick(kPickerTitle, Dir);
  if (!picked) return false;
  // A drive colon ends the folder part only where drive letters exist.
  const std::string ends = separator == '\\' ? std::string{'\\', ':'} : std::string{separator};
  const size_t cut = picked->find_last_of(ends);
  Dir = cut == std::string::npos ? std::string() : picked->substr(0, cut + 1);
  return true;
}

}  // namespace Directory
