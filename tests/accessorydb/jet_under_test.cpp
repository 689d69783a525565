// The Jet engine as the engine under test, looked into through its own schema.
#include "accessorydb/jet_engine.h"
#include "jet/jet.h"
#include "tests/accessorydb/adb_fixture.h"

namespace test {

namespace {

class JetUnderTest : public EngineUnderTest {
 public:
  explicit JetUnderTest(platform::Env& env) : env_(env), engine_(accessorydb::makeJetEngine(env)) {}
  accessorydb::Engine& engine() override { return *engine_; }
  std::vector<std::string> tableNames(const std::string& path) override { return open(path)->tableNames(); }
  std::vector<std::string> columnNames(const std::string& path, const std::string& table) override {
    std::vector<std::string> names;
    for (const auto& c : open(path)->schema(table).columns) names.push_back(c.name);
    return names;
  }
  std::vector<std::string> primaryKey(const std::string& path, const std::string& table) override {
    for (const auto& i : open(path)->schema(table).indexes)
      if (i.primaryKey) return i.columns;
    return {};
  }

 private:
  std::unique_ptr<jet::Database> open(const std::string& path) { return jet::Database::open(env_, path, false); }
  platform::Env& env_;
  std::unique_ptr<accessorydb::Engine> engine_;
};

}  // namespace

std::unique_ptr<EngineUnderTest> makeJetUnderTest(platform::Env& env) { return std::make_unique<JetUnderTest>(env); }

}  // namespace test
