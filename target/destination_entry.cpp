// The destination field: the check that its text names an installation, the
// change handling, and the click that picks a folder.
#include <string>
#include <vector>

#include "app/form1.h"
#include "target/directory.h"

namespace {

// The accessory folder directly below an installation's root; a picked folder
// is cut at the first part of exactly this name.
constexpr const char* kAccessoryFolder = "dodatki";

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

bool TForm1::CheckDestination() {
  // Joined unchanged: a text without its final separator names another folder.
  const std::string folder = Edit1.text() + kAccessoryFolder;
  info(2, "Sprawdzamy folder instalacji : " + folder);
  if (env_.dirExists(folder)) {
    info(2, "Folder instalacji poprawny : " + folder);
    return true;
  }
  info(2, "Błędny folder instalacji : " + folder);
  return false;
}

void TForm1::CheckEdit() {
  if (CheckDestination()) {
    destination = true;
    CheckInstallationEnabled();
    return;
  }
  // An offered Install would write into the folder just rejected.
  if (bnInstallNormal.visible() || bnInstallHover.visible()) {
    ready = false;
    bnInstallSetDisable();
  }
}

void TForm1::Edit1Click() {
  if (!folderPicker_ || !Directory::GimmeDir(*folderPicker_, sep(), strFolder)) return;

  std::string s;
  for (const std::string& part : splitAtEvery(strFolder, sep())) {
    if (part == kAccessoryFolder) break;
    s += part;
    s += sep();
  }
  s = trimControl(s);
  while (!s.empty() && s.back() == sep()) s.pop_back();
  s += sep();

  info(2, "Ustalono docelowy folder na: " + s);
  Edit1.setText(s);
  CheckEdit();
}

void TForm1::useGivenDestination(const std::string& root) {
  info(2, "Ustalono docelowy folder na: " + root);
  Edit1.setVisible(true);
  StaticText1.setVisible(true);
  // Checked as a typed text is: a change runs the check, the same text does not.
  if (Edit1.text() == root)
    CheckEdit();
  else
    Edit1.setText(root);
  if (!env_.dirExists(root + kAccessoryFolder)) info(1, "Podany folder instalacji jest błędny: " + root);
}
