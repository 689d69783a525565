#pragma once
// The world an end-to-end scenario runs in: a CAD installation on drive D:
// (a folder the Wine session maps as D:) and installers packed with pack.exe.
#include <map>
#include <string>
#include <vector>

namespace e2e {

// The folder behind drive D: (Unix path), emptied.
std::string resetDriveD();
// "D:\Orvanta\CAD Virel\" with its empty "dodatki" folder.
std::wstring makeInstallation();
inline const std::wstring kInstallation = L"D:\\Orvanta\\CAD Virel\\";

struct Accessory {
  int id;
  std::string nazwa;
};

// What goes into a test package.
struct PackageSpec {
  std::string name = "Meble Testowe";
  std::vector<Accessory> accessories;
  std::vector<std::string> producers = {"Meble Testowe"};
  bool materials = true;
  int extraModels = 0;  // small model files beside the one every package has
  enum class Damage {
    None,
    ModelEntry,  // a model file's data in models.zip is corrupt (extraction fails)
    PackageMdb,  // the package's dodatki.mdb is no database (the merge fails)
    RefusedMdb,  // a genuine Jet database whose Dodatki table lacks columns (the merge refuses it)
  } damage = Damage::None;
};

// Runs a program and waits for it; its exit code, or -1.
int run(const std::wstring& exe, const std::wstring& args);
// Builds an accessory database with pack.exe; the Windows path written.
std::wstring makeDatabase(const std::wstring& folder, const std::string& fileName, const std::vector<Accessory>& rows,
                          const std::vector<std::string>& producers);
// Packs an installer from the description with pack.exe, or, for a damaged package
// that pack would refuse, assembles it here; its Windows path.
std::wstring buildInstaller(const std::string& scenario, const PackageSpec& spec);
// An installer whose last 20 bytes carry the given footer text (no package).
std::wstring installerWithFooter(const std::string& scenario, const std::string& footer);

// The Dodatki rows of a database (ID -> Nazwa), read with the project's engine.
std::map<int, std::string> readAccessories(const std::wstring& mdb);
std::string fileBytes(const std::wstring& path);
bool exists(const std::wstring& path);

// The blue install picture and green finish picture of every test package.
inline constexpr unsigned kInstallColour = 0x2050C0, kFinishColour = 0x20A040;

}  // namespace e2e
