// The destination field: the check that its text names an installation, the
// change handling, and the click that picks a folder.
#include <string>
#include <vector>

#include "target/directory.h"
#include "target/target.h"

namespace target {
namespace {

// Every part between separators, empty ones included; none for an empty text.
std::vector<std::string> splitAtEvery(const std::string& s, char sep) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;
  size_t start = 0;
  while (true) {
    const size_t at = s.find(sep, start);
    if (at == std::string::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

}  // namespace

bool CheckDestination(const Installer& in) {
  // Joined unchanged: a text without its final separator names another folder.
  const std::string folder = in.window.destinationText() + kAccessoryFolder;
  in.info(2, "Sprawdzamy folder instalacji : " + folder);
  if (in.env.dirExists(folder)) {
    in.info(2, "Folder instalacji poprawny : " + folder);
    return true;
  }
  in.info(2, "Błędny folder instalacji : " + folder);
  return false;
}

void CheckEdit(const Installer& in) {
  if (CheckDestination(in)) {
    in.state.destination = true;
    CheckInstallationEnabled(in);
    return;
  }
  // An offered Install would write into the folder just rejected.
  if (in.window.installOffered()) {
    in.state.ready = false;
    in.window.bnInstallSetDisable();
  }
}

void Edit1Click(const Installer& in, ui::FolderPicker& picker) {
  if (!Directory::GimmeDir(picker, in.sep(), in.state.strFolder)) return;

  std::string s;
  for (const std::string& part : splitAtEvery(in.state.strFolder, in.sep())) {
    if (part == kAccessoryFolder) break;
    s += part;
    s += in.sep();
  }
  s = trimControl(s);
  while (!s.empty() && s.back() == in.sep()) s.pop_back();
  s += in.sep();

  in.info(2, "Ustalono docelowy folder na: " + s);
  in.window.setDestinationText(s);
  CheckEdit(in);
}

void useGivenDestination(const Installer& in, const std::string& root) {
  in.info(2, "Ustalono docelowy folder na: " + root);
  in.window.showDestinationEntry(true);
  // Checked as a typed text is: a change runs the check, the same text does not.
  if (in.window.destinationText() == root)
    CheckEdit(in);
  else
    in.window.setDestinationText(root);
  if (!in.env.dirExists(root + kAccessoryFolder)) in.info(1, "Podany folder instalacji jest błędny: " + root);
}

}  // namespace target
