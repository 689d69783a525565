// Finds the CAD installations on the logical drives and proposes the first as
// the destination root.
#include <string>
#include <vector>

#include "app/form1.h"

namespace {

constexpr const char* kInstallationsFolder = "Orvanta";

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The mask "CAD *": "CAD" in any ASCII case, a space, then anything.
bool matchesInstallationMask(const std::string& name) {
  return name.size() >= 4 && asciiLower(name[0]) == 'c' && asciiLower(name[1]) == 'a' && asciiLower(name[2]) == 'd' &&
         name[3] == ' ';
}

// A found folder as a destination root: trimmed, ending with exactly one separator.
std::string proposalFrom(const std::string& found, char sep) {
  std::string s = trimControl(found);
  while (!s.empty() && s.back() == sep) s.pop_back();
  return s + sep;
}

}  // namespace

bool TForm1::searchInstallationPath() {
  info(2, "Wyszukiwanie zainstalowanego oprogramowania CAD VIREL.");
  destination = false;

  std::vector<std::string> DirArraySum;
  const std::vector<std::string> Drives = env_.driveRoots();
  for (const std::string& d : Drives) {
    info(2, "HDD: [" + d + "]");
    const std::string path = d + kInstallationsFolder + sep();
    if (!env_.dirExists(path)) continue;
    info(2, "Szukamy instalacjy oprogramowania CAD VIREL: " + path);
    std::vector<std::string> DirArray2;
    for (const platform::DirEntry& e : env_.listDir(path))
      if (e.isDir && e.name != "." && e.name != ".." && matchesInstallationMask(e.name))
        DirArray2.push_back(path + e.name);
    DirArraySum.insert(DirArraySum.end(), DirArray2.begin(), DirArray2.end());
  }

  const size_t n = DirArraySum.size();
  info(2, "Znaleziono " + std::to_string(n) + " instalacji oprogramowania CAD.");
  if (n == 1) {
    Edit1.setText(proposalFrom(DirArraySum.front(), sep()));
    destination = true;
    info(2, "Znaleziono jedną instalację oprogramowania CAD VIREL: " + Edit1.text());
    info(2, "Znaleziono instalację. Możesz wskazać inny katalog.");
  } else if (n > 1) {
    for (const std::string& x : DirArraySum) info(2, "Znaleziono instalację oprogramowania CAD VIREL: " + x);
    Edit1.setText(proposalFrom(DirArraySum.front(), sep()));
    destination = true;
    info(1, "Wybrano pierwszą z " + std::to_string(n) + " znalezionych instalacji. Możesz zmienić.");
  } else {
    info(1, "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  }

  Edit1.setVisible(true);
  StaticText1.setVisible(true);
  return destination;
}
