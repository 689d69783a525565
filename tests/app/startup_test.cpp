// The start-up sequence on the headless window, with installer files made here.
#include <gtest/gtest.h>

#include "package/installer_footer.h"
#include "package/zip_writer.h"
#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

using Lines = std::vector<std::string>;

// An installer file: some stub bytes, a packages.zip with the given entries,
// EF BB BF and the footer.
void writeInstaller(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  auto& env = platform::systemEnv();
  const std::string stub(4096, 'S');
  auto f =
      env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways, platform::Sharing::DenyWrite);
  f->writeAt(0, stub.data(), stub.size());
  package::zip::ZipWriter zip(*f, stub.size());
  for (const auto& [name, data] : entries) zip.addBytes(name, data);
  const uint64_t end = stub.size() + zip.finish();
  const std::string tail = "\xEF\xBB\xBF" + package::makeFooter(stub.size());
  f->writeAt(end, tail.data(), tail.size());
}

std::string jpegBytes(const test::TempDir& dir, int w, int h) {
  test::writeJpeg(dir.path("pic.jpg"), w, h);
  return dir.read("pic.jpg");
}

// A models.zip holding one package folder.
std::string modelsZip(const test::TempDir& dir) {
  auto& env = platform::systemEnv();
  {
    auto f = env.openFile(dir.path("m.zip"), platform::Access::ReadWrite, platform::Creation::CreateAlways,
                          platform::Sharing::DenyWrite);
    package::zip::ZipWriter zip(*f);
    zip.addBytes("Meble\\dodatki.mdb", "not opened at start-up");
    zip.finish();
  }
  return dir.read("m.zip");
}

TEST(StartUp, APackageLeadsToTheInstallPictureAndDiscovery) {
  test::HeadlessForm f({"/d"});
  test::TempDir files;
  writeInstaller(files.path("setup.exe"), {{"install.jpg", jpegBytes(files, 1040, 585)},
                                           {"finish.jpg", jpegBytes(files, 1040, 585)},
                                           {"models.zip", modelsZip(files)}});
  f.env.exe = files.path("setup.exe");
  f.form.FormCreate();
  f.dir.write("tmp/finish.jpg", "stale picture of an earlier run");
  f.form.window().onTimer();
  EXPECT_TRUE(f.host.errors.empty()) << f.host.errors.front();
  EXPECT_FALSE(f.form.window().colourKey());
  EXPECT_TRUE(f.form.BG.visible());
  EXPECT_FALSE(f.form.ActivityIndicator.visible());
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
  EXPECT_TRUE(f.form.pack);
  EXPECT_EQ(f.form.packageName, "Meble");
  EXPECT_TRUE(f.form.Edit1.visible());  // the installation search ran
  EXPECT_FALSE(f.env.fileExists(f.tmp("zip-offset.txt")));
  const Lines& m = f.memo();
  auto has = [&](const std::string& l) { return std::find(m.begin(), m.end(), l) != m.end(); };
  EXPECT_TRUE(has("Plik EXE z archiwum: " + files.path("setup.exe")));
  EXPECT_TRUE(has("Usunięto stary plik okładki. [finish.jpg]"));
  EXPECT_TRUE(has("Offset EXE: 4096"));
  EXPECT_TRUE(has("Znaleziono: `packages.zip`"));
  EXPECT_TRUE(has("Wyszukiwanie paczek instalacyjnych."));
}

TEST(StartUp, NoPackageShowsTheFailureScreen) {
  test::HeadlessForm f;
  test::TempDir files;
  files.write("setup.exe", std::string(5000, 'S'));
  f.env.exe = files.path("setup.exe");
  f.form.FormCreate();
  f.form.window().onTimer();
  EXPECT_TRUE(f.form.MasterError.visible());
  EXPECT_TRUE(f.form.window().bordered());
  EXPECT_FALSE(f.form.window().colourKey());
  EXPECT_EQ(f.form.InfoLabel.text(), "Brak danych pakietu ! [packages.zip]");
  EXPECT_EQ(f.memo(), (Lines{"Brak zawartego pakietu!", "Brak danych pakietu ! [packages.zip]"}));
  EXPECT_FALSE(f.form.ActivityIndicator.visible());
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
  EXPECT_FALSE(f.form.Edit1.visible());
}

TEST(StartUp, AnUnexpectedErrorStillLetsTheUserLeave) {
  // An install picture that is no JPEG makes the cover fail with an error
  // nobody handles: the error box shows it, and Close is offered all the same.
  test::HeadlessForm f;
  test::TempDir files;
  writeInstaller(files.path("setup.exe"), {{"install.jpg", "no picture"}});
  f.env.exe = files.path("setup.exe");
  f.form.FormCreate();
  f.form.window().dispatch([&] { f.form.window().onTimer(); });
  ASSERT_EQ(f.host.errors.size(), 1u);
  EXPECT_EQ(f.host.errors[0].rfind("Instalator pakietów CAD: ", 0), 0u);
  EXPECT_TRUE(f.form.bnCloseNormal.visible());
  EXPECT_FALSE(f.form.ActivityIndicator.visible());
}

}  // namespace
