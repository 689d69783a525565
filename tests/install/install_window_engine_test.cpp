// The install command through the window, on the in-memory engine: what the
// window shows while the merge writes, and how an engine failure at any point
// of the merge ends as the window's error with the installed database back.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <stdexcept>

#include "app/exit_code.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/accessorydb/memory_engine.h"
#include "tests/support/headless_form.h"
#include "tests/support/package_install_run.h"
#include "tests/support/jpeg_writer.h"

namespace {

using accessorydb::Connection;
using accessorydb::EngineError;
using accessorydb::FieldValue;
using accessorydb::TableCursor;
using Keys = std::vector<std::string>;

constexpr unsigned kInstallRed = 200, kFinishRed = 20;
const std::string kModelsFailed = "Wystąpił błąd instalacji modeli. Spróbuj ponownie.";

// The in-memory engine, watched: a hook runs at every row posted, and a fault
// armed by the test fails the n-th row posted, the durable write of a written
// database, or the opening of a named file, as the Jet engine fails on a full
// disk or a damaged file.
class WatchedEngine : public accessorydb::Engine {
 public:
  struct Fault {
    int atPost = 0;  // 1-based, counted from arming; 0: none
    bool atClose = false;
    std::string atOpening;  // the end of the path whose opening fails
  };
  static constexpr const char* kMessage = "Zapis na dysk nie powiódł się (test)";

  explicit WatchedEngine(platform::Env& env) : memory(env) {}

  std::unique_ptr<accessorydb::Catalogue> makeCatalogue() override { return memory.makeCatalogue(); }
  std::unique_ptr<Connection> openConnection(const std::string& path, bool writable) override {
    const std::string& end = fault.atOpening;
    if (!end.empty() && path.size() >= end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0)
      throw EngineError(kMessage);
    return std::make_unique<WatchedConnection>(*this, memory.openConnection(path, writable), writable);
  }
  void arm(const Fault& f) {
    fault = f;
    posts = 0;
  }

  test::MemoryEngine memory;
  std::function<void()> onPost;
  Fault fault;
  int posts = 0;

 private:
  class WatchedCursor : public TableCursor {
   public:
    WatchedCursor(WatchedEngine& engine, std::unique_ptr<TableCursor> inner)
        : engine_(engine), inner_(std::move(inner)) {}
    void first() override { inner_->first(); }
    void next() override { inner_->next(); }
    bool atEnd() const override { return inner_->atEnd(); }
    FieldValue value(const std::string& column) const override { return inner_->value(column); }
    uint64_t bookmark() const override { return inner_->bookmark(); }
    void moveTo(uint64_t mark) override { inner_->moveTo(mark); }
    void insert() override { inner_->insert(); }
    void set(const std::string& column, const FieldValue& v) override { inner_->set(column, v); }
    void post() override {
      if (engine_.onPost) engine_.onPost();
      if (++engine_.posts == engine_.fault.atPost) throw EngineError(kMessage);
      inner_->post();
    }

   private:
    WatchedEngine& engine_;
    std::unique_ptr<TableCursor> inner_;
  };

  class WatchedConnection : public Connection {
   public:
    WatchedConnection(WatchedEngine& engine, std::unique_ptr<Connection> inner, bool writable)
        : engine_(engine), inner_(std::move(inner)), writable_(writable) {}
    std::unique_ptr<TableCursor> openTable(const std::string& table, bool updatable) override {
      return std::make_unique<WatchedCursor>(engine_, inner_->openTable(table, updatable));
    }
    void close() override {
      if (writable_ && engine_.fault.atClose) throw EngineError(kMessage);
      inner_->close();
    }

   private:
    WatchedEngine& engine_;
    std::unique_ptr<Connection> inner_;
    bool writable_;
  };
};

// The window as a person sees it at one moment.
struct WindowState {
  bool closeOffered, installActive, progressShown, destinationShown;
  std::string status;  // the status line's text as shown; empty when hidden
  bool operator==(const WindowState&) const = default;
  friend std::ostream& operator<<(std::ostream& o, const WindowState& s) {
    return o << "{Close offered " << s.closeOffered << ", Install pressed " << s.installActive << ", progress "
             << s.progressShown << ", destination entry " << s.destinationShown << ", status \"" << s.status << "\"}";
  }
};

// One installer run on the watched engine, offering Install of the package
// "Meble" into an installation whose package folder exists.
class WindowRun {
 public:
  WindowRun() {
    f.form.FormCreate();
    const char s = f.env.separator();
    root = f.dir.path("CAD") + s;
    packageFolder = root + "dodatki" + s + "Meble" + s;
    if (!platform::createDirs(f.env, packageFolder)) throw std::runtime_error("cannot create " + packageFolder);
    f.readyToInstall(root);
    test::writeJpeg(f.tmp("install.jpg"), 64, 36, kInstallRed, 0, 0);
    test::writeJpeg(f.tmp("finish.jpg"), 64, 36, kFinishRed, 0, 0);
    f.form.setCover(f.tmp("install.jpg"));
    f.form.bnInstallSetEnable();
    f.dir.write("tmp/packages.zip", "the package archive");
  }

  // A database of the in-memory engine: the small file that names it.
  std::string database(const std::vector<test::Row>& accessories) {
    const std::string path = scratch.path("db" + std::to_string(++made) + ".mdb");
    test::makeDatabase(engine->memory, f.env, path, {test::producer("Meble", "Meble sp. j.", "p")}, accessories);
    return scratch.read("db" + std::to_string(made) + ".mdb");
  }
  void modelsZip(const std::string& mdbBytes) { test::writeModelsZip(f.env, f.tmp("models.zip"), mdbBytes); }
  Keys installedKeys() {
    return test::keyTags(test::readRows(engine->memory, packageFolder + "dodatki.mdb", accessorydb::kTableDodatki));
  }
  // As a person does it: the pointer onto the button, then a click.
  void clickInstall() {
    f.form.bnInstallNormal.onEnter();
    f.form.bnInstallHover.onClick();
  }
  bool inPackage(const std::string& name) { return f.env.fileExists(packageFolder + name); }
  WindowState windowState() {
    return {f.form.bnCloseNormal.visible() || f.form.bnCloseHover.visible(), f.form.bnInstallActive.visible(),
            f.form.gauge.visible(), f.form.Edit1.visible(),
            f.form.InfoLabel.visible() ? f.form.InfoLabel.text() : std::string()};
  }
  unsigned coverRed() {
    const auto& pic = f.form.BG.picture();
    return (pic->pixels[pic->pixels.size() / 2] >> 16) & 0xFF;
  }

  WatchedEngine* engine = nullptr;
  // Without /d: the memo holds exactly the level-1 lines, the ones a person reads.
  test::HeadlessForm f{{}, {1920, 1080}, [this](platform::Env& env) {
                         auto made = std::make_unique<WatchedEngine>(env);
                         engine = made.get();
                         return made;
                       }};
  test::TempDir scratch;
  std::string root, packageFolder;
  int made = 0;
};

// While the merge writes, Install shows pressed, the progress bar shows, and
// neither Close nor the destination entry is offered; afterwards only Close is.
TEST(InstallWindowOnMemoryEngine, WhileTheMergeWritesTheWindowOffersNoWayOut) {
  WindowRun t;
  auto& f = t.f;
  f.dir.write("CAD/dodatki/Meble/dodatki.mdb", t.database({test::accessory(1, "Stary", "old")}));
  t.modelsZip(t.database({test::accessory(1, "Nowy", "new"), test::accessory(2, "Listwa", "new")}));
  std::vector<WindowState> duringMerge;
  t.engine->onPost = [&] { duringMerge.push_back(t.windowState()); };
  ASSERT_TRUE(f.form.installOffered());

  t.clickInstall();

  ASSERT_FALSE(duringMerge.empty());
  const WindowState busy{false, true, true, false, ""};
  for (const WindowState& s : duringMerge) EXPECT_EQ(s, busy);
  EXPECT_EQ(t.installedKeys(), (Keys{"1/new", "2/new"}));
  EXPECT_EQ(t.windowState(), (WindowState{true, false, false, false, ""}));
  EXPECT_FALSE(f.form.installOffered());
  EXPECT_LT(t.coverRed(), 100u);                    // the finish picture
  EXPECT_EQ(f.memo(), std::vector<std::string>{});  // a good install has nothing to tell at level 1
  EXPECT_EQ(exitCodeOf(f.form, false), kInstalled);
}

// Wherever the engine fails, the person reads the engine's message and the
// models phase's failure, the installed database is back under its name with
// its rows, no file of the attempt stays, and the run ends as a failed install.
TEST(InstallWindowOnMemoryEngine, AnEngineFailureAnywhereInTheMergeIsTheWindowsErrorAndRestores) {
  const struct {
    const char* name;
    WatchedEngine::Fault fault;
  } cases[] = {
      {"the first row written", {1, false, ""}},
      {"a row half way through the accessories", {4, false, ""}},
      {"the durable write of the merged database", {0, true, ""}},
      {"opening the installed database", {0, false, "dodatki_old.mdb"}},
      {"opening the package database", {0, false, "dodatki_new.mdb"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WindowRun t;
    const std::string installed = t.database(
        {test::accessory(1, "Stary", "old"), test::accessory(5, "Nóżka", "old"), test::accessory(6, "Kółko", "old")});
    t.f.dir.write("CAD/dodatki/Meble/dodatki.mdb", installed);
    t.modelsZip(t.database({test::accessory(1, "Nowy", "new"), test::accessory(9, "Listwa", "new")}));
    t.engine->arm(c.fault);

    t.clickInstall();

    EXPECT_EQ(t.f.memo(), (std::vector<std::string>{WatchedEngine::kMessage, kModelsFailed}));
    EXPECT_EQ(t.windowState(), (WindowState{true, false, false, false, kModelsFailed}));
    EXPECT_GT(t.coverRed(), 100u);  // the install picture stays
    EXPECT_EQ(t.f.dir.read("CAD/dodatki/Meble/dodatki.mdb"), installed);
    EXPECT_EQ(t.installedKeys(), (Keys{"1/old", "5/old", "6/old"}));
    EXPECT_FALSE(t.inPackage("dodatki_old.mdb") || t.inPackage("dodatki_new.mdb") || t.inPackage("dodatki.mdb.~merge"));
    EXPECT_EQ(exitCodeOf(t.f.form, false), kInstallFailed);
  }
}

}  // namespace
