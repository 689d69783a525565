#include "tests/e2e/world.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>

#include "jet/jet.h"
#include "package/installer_footer.h"
#include "package/zip_writer.h"
#include "platform/env.h"
#include "platform/win32/wide.h"
#include "tests/e2e/driver.h"
#include "tests/support/jpeg_writer.h"

namespace e2e {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

void removeTree(const std::wstring& path) {
  std::wstring from = path + L'\0' + L'\0';
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

void mkdirs(const std::wstring& path) { SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

void writeFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

std::wstring packExe() { return windowsPath(PACK_EXE); }

}  // namespace

std::string resetDriveD() {
  const std::string d = std::string(ARTIFACTS_DIR) + "/drive-d";
  removeTree(windowsPath(d));
  mkdirs(windowsPath(d));
  return d;
}

std::wstring makeInstallation() {
  resetDriveD();
  mkdirs(kInstallation + L"dodatki");
  return kInstallation;
}

int run(const std::wstring& exe, const std::wstring& args) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return static_cast<int>(code);
}

std::wstring makeDatabase(const std::wstring& folder, const std::string& fileName, const std::vector<Accessory>& rows,
                          const std::vector<std::string>& producers) {
  std::wstring dir = folder;
  if (dir.back() != L'\\') dir += L'\\';
  mkdirs(dir.substr(0, dir.size() - 1));
  std::string p = "Producent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba\n";
  for (const auto& name : producers) p += csvField(name) + ",Firma,ul. Leśna 1,Łódź,90-001,1,2,a@b.example,Jan\n";
  std::string a =
      "ID,Producent,Grupa,Typ,Nazwa,JPG,Kod_Producenta,Dodatek_wst,Kod_Wstawiania,Kolor,DWG,Wysokosc,Opis_Produktu,"
      "Kod_Dodatku1,Kod_Dodatku2,Kod_Dodatku3,Kod_Dodatku4,Opis_Koloru,cena,vat,marza,upust,kolorystyka,wymiar X,"
      "wymiar Y,wymiar Z,typ_standardowy\n";
  for (const auto& r : rows)
    a += std::to_string(r.id) + ",P,G,T," + csvField(r.nazwa) +
         ",x.jpg,K,1,U,C,x.dwg,10,Opis,-,-,-,-,OK,1,23,30,0,k,1,2,3,t\n";
  writeFile(dir + L"p.csv", p);
  writeFile(dir + L"a.csv", a);
  const std::wstring out = dir + widen(fileName);
  DeleteFileW(out.c_str());
  run(packExe(),
      L"mdb create -o \"" + out + L"\" --producers \"" + dir + L"p.csv\" --accessories \"" + dir + L"a.csv\"");
  DeleteFileW((dir + L"p.csv").c_str());
  DeleteFileW((dir + L"a.csv").c_str());
  return out;
}

namespace {

std::string zipOf(const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::wstring tmp = windowsPath(std::string(ARTIFACTS_DIR) + "/zip.tmp");
  {
    auto f = platform::systemEnv().openFile(narrow(tmp), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                                            platform::Sharing::DenyWrite);
    package::zip::ZipWriter w(*f);
    for (const auto& [name, data] : entries) w.addBytes(name, data);
    w.finish();
  }
  std::string bytes = fileBytes(tmp);
  DeleteFileW(tmp.c_str());
  return bytes;
}

// The installer file as pack lays it out, from parts that pack would refuse.
std::wstring assemble(const std::string& root, const std::string& pkg, const PackageSpec& spec) {
  const std::string mdbPath = pkg + "/models/" + spec.name + "/dodatki.mdb";
  std::string models = zipOf({{spec.name + "\\dodatki.mdb", fileBytes(windowsPath(mdbPath))},
                              {spec.name + "\\modele\\szafka.mdl", std::string(4000, 'm')}});
  if (spec.damage == PackageSpec::Damage::ModelEntry) {
    // Flip bytes in the middle of the second entry's data: its CRC no longer matches.
    const size_t at = models.find("szafka.mdl") + 40;
    for (size_t i = at; i < at + 4 && i < models.size(); ++i) models[i] = char(models[i] ^ 0x5A);
  }
  std::vector<std::pair<std::string, std::string>> parts = {
      {"install.jpg", fileBytes(windowsPath(pkg + "/install.jpg"))},
      {"finish.jpg", fileBytes(windowsPath(pkg + "/finish.jpg"))},
      {"models.zip", models}};
  const std::string stub = fileBytes(windowsPath(INSTALLER_EXE));
  const std::wstring out = windowsPath(root + "/instalator.exe");
  writeFile(out, stub + zipOf(parts) + "\xEF\xBB\xBF" + package::makeFooter(stub.size()));
  return out;
}

}  // namespace

std::wstring buildInstaller(const std::string& scenario, const PackageSpec& spec) {
  const std::string root = std::string(ARTIFACTS_DIR) + "/packages/" + scenario;
  removeTree(windowsPath(root));
  const std::string pkg = root + "/package";
  const std::string models = pkg + "/models/" + spec.name;
  mkdirs(windowsPath(models + "/modele"));
  test::writeJpeg(narrow(windowsPath(pkg + "/install.jpg")), 1040, 585, (kInstallColour >> 16) & 0xFF,
                  (kInstallColour >> 8) & 0xFF, kInstallColour & 0xFF);
  test::writeJpeg(narrow(windowsPath(pkg + "/finish.jpg")), 1040, 585, (kFinishColour >> 16) & 0xFF,
                  (kFinishColour >> 8) & 0xFF, kFinishColour & 0xFF);
  writeFile(windowsPath(models + "/modele/szafka.mdl"), "model szafka\n");
  for (int i = 0; i < spec.extraModels; ++i)
    writeFile(windowsPath(models + "/modele/m" + std::to_string(10000 + i) + ".mdl"), "model " + std::to_string(i));
  writeFile(windowsPath(models + "/opis.txt"), "Opis pakietu\n");
  makeDatabase(windowsPath(models), "dodatki.mdb", spec.accessories, spec.producers);
  if (spec.damage == PackageSpec::Damage::PackageMdb)
    writeFile(windowsPath(models + "/dodatki.mdb"), std::string(8192, 'x'));
  if (spec.damage == PackageSpec::Damage::RefusedMdb) {
    const std::string path = narrow(windowsPath(models + "/dodatki.mdb"));
    DeleteFileW(widen(path).c_str());
    auto db = jet::Database::create(platform::systemEnv(), path);
    db->createTable({"info_producent", {{"Producent", jet::ColumnType::Text, 30}}, "", ""});
    db->createTable({"Dodatki", {{"ID", jet::ColumnType::Long, 0}, {"Producent", jet::ColumnType::Text, 30}}, "", ""});
    for (const char* table : {"info_producent", "Dodatki"}) {
      auto row = db->openTable(table, true);
      row->insert();
      if (std::string(table) == "Dodatki") row->set("ID", int32_t{2});
      row->set("Producent", spec.name);
      row->post();
    }
  }
  if (spec.damage != PackageSpec::Damage::None) return assemble(root, pkg, spec);
  if (spec.materials) {
    mkdirs(windowsPath(pkg + "/materials/Drewno"));
    writeFile(windowsPath(pkg + "/materials/Drewno/dab.txt"), "dąb\n");
  }
  const std::wstring out = windowsPath(root + "/instalator.exe");
  const int code = run(packExe(), L"build --stub \"" + windowsPath(INSTALLER_EXE) + L"\" --package \"" +
                                      windowsPath(pkg) + L"\" -o \"" + out + L"\"");
  return code == 0 ? out : L"";
}

std::wstring installerWithFooter(const std::string& scenario, const std::string& footer) {
  const std::string root = std::string(ARTIFACTS_DIR) + "/packages/" + scenario;
  mkdirs(windowsPath(root));
  const std::wstring out = windowsPath(root + "/instalator.exe");
  std::string bytes = fileBytes(windowsPath(INSTALLER_EXE));
  writeFile(out, bytes + footer);
  return out;
}

std::map<int, std::string> readAccessories(const std::wstring& mdb) {
  std::map<int, std::string> rows;
  auto db = jet::Database::open(platform::systemEnv(), narrow(mdb), false);
  auto cursor = db->openTable("Dodatki", false);
  for (cursor->first(); !cursor->atEnd(); cursor->next()) {
    const jet::Value id = cursor->get("ID");
    const jet::Value name = cursor->get("Nazwa");
    rows[std::get<int32_t>(id)] = std::get<std::string>(name);
  }
  return rows;
}

std::string fileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace e2e
