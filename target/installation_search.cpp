// Finds the CAD installations on the logical drives and proposes the first as
// the destination root.
#include <string>
#include <vector>

#include "base/ascii.h"
#include "target/target.h"

namespace target {
namespace {

constexpr const char* kInstallationsFolder = "Orvanta";

// The mask "CAD *": "CAD" in any ASCII case, a space, then anything.
bool matchesInstallationMask(const std::string& name) { return base::startsWithIgnoreAsciiCase(name, "CAD "); }

// A found folder as a destination root: trimmed, ending with exactly one separator.
std::string proposalFrom(const std::string& found, char sep) {
  std::string s = trimControl(found);
  while (!s.empty() && s.back() == sep) s.pop_back();
  return s + sep;
}

}  // namespace

bool searchInstallationPath(const Installer& in) {
  in.info(2, "Wyszukiwanie zainstalowanego oprogramowania CAD VIREL.");
  bool& destination = in.state.destination;
  destination = false;

  std::vector<std::string> DirArraySum;
  const std::vector<std::string> Drives = in.env.driveRoots();
  for (const std::string& d : Drives) {
    in.info(2, "HDD: [" + d + "]");
    const std::string path = d + kInstallationsFolder + in.sep();
    if (!in.env.dirExists(path)) continue;
    in.info(2, "Szukamy instalacjy oprogramowania CAD VIREL: " + path);
    std::vector<std::string> DirArray2;
    for (const platform::DirEntry& e : in.env.listDir(path))
      if (e.isDir && e.name != "." && e.name != ".." && matchesInstallationMask(e.name))
        DirArray2.push_back(path + e.name);
    DirArraySum.insert(DirArraySum.end(), DirArray2.begin(), DirArray2.end());
  }

  const size_t n = DirArraySum.size();
  in.info(2, "Znaleziono " + std::to_string(n) + " instalacji oprogramowania CAD.");
  if (n == 1) {
    in.window.setDestinationText(proposalFrom(DirArraySum.front(), in.sep()));
    destination = true;
    in.info(2, "Znaleziono jedną instalację oprogramowania CAD VIREL: " + in.window.destinationText());
    in.info(2, "Znaleziono instalację. Możesz wskazać inny katalog.");
  } else if (n > 1) {
    for (const std::string& x : DirArraySum) in.info(2, "Znaleziono instalację oprogramowania CAD VIREL: " + x);
    in.window.setDestinationText(proposalFrom(DirArraySum.front(), in.sep()));
    destination = true;
    in.info(1, "Wybrano pierwszą z " + std::to_string(n) + " znalezionych instalacji. Możesz zmienić.");
  } else {
    in.info(1, "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
  }

  in.window.showDestinationEntry(true);
  return destination;
}

}  // namespace target
