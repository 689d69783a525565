#include "tests/accessorydb/adb_fixture.h"

#include "tests/accessorydb/memory_engine.h"
#include "tests/accessorydb/recording_reporter.h"

using namespace accessorydb;

namespace test {

std::string engineKindName(EngineKind kind) { return kind == EngineKind::Memory ? "Memory" : "Jet"; }

namespace {

class MemoryUnderTest : public EngineUnderTest {
 public:
  explicit MemoryUnderTest(platform::Env& env) : engine_(env) {}
  Engine& engine() override { return engine_; }
  std::vector<std::string> tableNames(const std::string& path) override {
    std::vector<std::string> names;
    for (const auto& t : engine_.databaseAt(path)->tables) names.push_back(t.def.name);
    return names;
  }
  std::vector<std::string> columnNames(const std::string& path, const std::string& table) override {
    std::vector<std::string> names;
    for (const auto& c : find(path, table).def.columns) names.push_back(c.name);
    return names;
  }
  std::vector<std::string> primaryKey(const std::string& path, const std::string& table) override {
    const auto& t = find(path, table);
    if (t.keyColumn < 0) return {};
    return {t.def.columns[t.keyColumn].name};
  }

 private:
  const MemoryEngine::Table& find(const std::string& path, const std::string& table) {
    for (const auto& t : engine_.databaseAt(path)->tables)
      if (t.def.name == table) return t;
    throw EngineError("no table " + table);
  }
  MemoryEngine engine_;
};

}  // namespace

std::unique_ptr<EngineUnderTest> makeJetUnderTest(platform::Env& env);

std::unique_ptr<EngineUnderTest> makeEngine(EngineKind kind, platform::Env& env) {
  if (kind == EngineKind::Jet) return makeJetUnderTest(env);
  return std::make_unique<MemoryUnderTest>(env);
}

Row producer(const std::string& key, const std::string& nazwa, const std::string& tag) {
  return {key, nazwa, tag, "Kraków", "30-001", "12 345 67 89", "12 345 67 90", "biuro@example.pl", "Jan Nowak"};
}

Row accessory(int32_t id, const std::string& nazwa, const std::string& tag) {
  Row r;
  for (const auto& c : dodatkiColumns()) {
    if (c.type == adInteger)
      r.push_back(id);
    else if (c.type == adBoolean)
      r.push_back(id % 2 == 0);
    else if (std::string(c.name) == "Grupa")
      r.push_back(tag);
    else if (std::string(c.name) == kColumnNazwa)
      r.push_back(nazwa);
    else
      r.push_back(std::string(c.name).substr(0, static_cast<size_t>(c.definedSize)));
  }
  return r;
}

std::vector<Row> readRows(Engine& engine, const std::string& path, const std::string& table) {
  const auto& columns = table == kTableDodatki ? dodatkiColumns() : producentColumns();
  auto connection = engine.openConnection(path, false);
  auto cursor = connection->openTable(table, false);
  std::vector<Row> rows;
  for (cursor->first(); !cursor->atEnd(); cursor->next()) {
    Row r;
    for (const auto& c : columns) r.push_back(cursor->value(c.name));
    rows.push_back(std::move(r));
  }
  return rows;
}

void insertRows(Engine& engine, const std::string& path, const std::string& table, const std::vector<Row>& rows) {
  const auto& columns = table == kTableDodatki ? dodatkiColumns() : producentColumns();
  auto connection = engine.openConnection(path, true);
  auto cursor = connection->openTable(table, true);
  for (const auto& r : rows) {
    cursor->insert();
    for (size_t i = 0; i < r.size(); ++i) cursor->set(columns[i].name, r[i]);
    cursor->post();
  }
}

void makeDatabase(Engine& engine, platform::Env& env, const std::string& path, const std::vector<Row>& producers,
                  const std::vector<Row>& accessories) {
  RecordingReporter quiet(1);
  AccessoryDb db(quiet, env, engine);
  if (!db.MDBCreate(path)) throw EngineError("cannot create " + path + ": " + quiet.texts(1).at(0));
  insertRows(engine, path, kTableProducent, producers);
  insertRows(engine, path, kTableDodatki, accessories);
}

void makeDatabaseWith(Engine& engine, platform::Env& env, const std::string& path,
                      const std::function<void(TableObject&)>& adjust, const std::vector<Row>& producers,
                      const std::vector<Row>& accessories) {
  RecordingReporter quiet(1);
  AccessoryDb builder(quiet, env, engine);
  builder.mdbBase = engine.makeCatalogue();
  builder.mdbBase->createDatabase(path);
  builder.mdbBase->setConnection(path);
  for (auto table : {builder.createTableProducent(), builder.createTableDodatki()}) {
    adjust(table);
    builder.mdbBase->appendTable(table);
  }
  builder.mdbBase.reset();
  if (!producers.empty()) insertRows(engine, path, kTableProducent, producers);
  if (!accessories.empty()) insertRows(engine, path, kTableDodatki, accessories);
}

std::vector<std::string> keyTags(const std::vector<Row>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(valueAsText(r[0]) + "/" + valueAsText(r[2]));
  return out;
}

}  // namespace test
