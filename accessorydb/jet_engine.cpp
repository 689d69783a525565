#include "accessorydb/jet_engine.h"

#include <algorithm>
#include <utility>

#include "jet/jet.h"

namespace accessorydb {

namespace {

// The Jet engine's and the file layer's failures leave this file only as
// EngineError, with their message.
template <typename F>
auto guarded(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const jet::Error& e) {
    throw EngineError(e.what());
  } catch (const platform::IoError& e) {
    throw EngineError(e.what());
  }
}

FieldValue fromJet(jet::Value&& v) {
  if (std::holds_alternative<std::monostate>(v)) return {};
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (auto* s = std::get_if<std::string>(&v)) return std::move(*s);
  throw EngineError("Nieobsługiwany typ wartości pola");
}

jet::Value toJet(const FieldValue& v) {
  if (const auto* i = std::get_if<int32_t>(&v)) return *i;
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  return std::monostate{};
}

jet::TableDef toJet(const TableObject& table) {
  jet::TableDef def;
  def.name = table.name;
  for (const auto& c : table.columns) {
    jet::ColumnDef col{c.name, jet::ColumnType::Text, 0};
    switch (c.type) {
      case adInteger: col.type = jet::ColumnType::Long; break;
      case adBoolean: col.type = jet::ColumnType::Boolean; break;
      case adVarWChar:
        if (c.definedSize < 1 || c.definedSize > 255) throw EngineError("Zły rozmiar pola " + c.name);
        col.maxChars = static_cast<uint16_t>(c.definedSize);
        break;
      default: throw EngineError("Nieobsługiwany typ pola " + c.name);
    }
    def.columns.push_back(col);
  }
  for (const auto& k : table.keys) {
    if (k.type != adKeyPrimary || k.columns.size() != 1 || !def.primaryKeyName.empty())
      throw EngineError("Nieobsługiwany klucz " + k.name);
    def.primaryKeyName = k.name;
    def.primaryKeyColumn = k.columns[0];
  }
  return def;
}

class JetCatalogue : public Catalogue {
 public:
  explicit JetCatalogue(platform::Env& env) : env_(env) {}
  void createDatabase(const std::string& path) override {
    db_.reset();
    db_ = guarded([&] { return jet::Database::create(env_, path); });
  }
  void setConnection(const std::string& path) override {
    db_.reset();
    db_ = guarded([&] { return jet::Database::open(env_, path, true); });
  }
  void appendTable(const TableObject& table) override {
    if (!db_) throw EngineError("Katalog nie jest połączony z bazą danych");
    for (const auto& c : table.columns)
      if (c.parentCatalog != this) throw EngineError("Pole " + c.name + " należy do innego katalogu");
    const auto def = toJet(table);
    guarded([&] { db_->createTable(def); });
  }
  void close() override {
    if (db_) guarded([&] { db_->flush(); });
  }

 private:
  platform::Env& env_;
  std::unique_ptr<jet::Database> db_;
};

class JetCursor : public TableCursor {
 public:
  // columns: the table's column names, for an updatable cursor.
  JetCursor(std::unique_ptr<jet::Cursor> c, std::vector<std::string> columns)
      : c_(std::move(c)), columns_(std::move(columns)) {}
  void first() override {
    guarded([&] { c_->first(); });
  }
  void next() override {
    guarded([&] { c_->next(); });
  }
  bool atEnd() const override {
    return guarded([&] { return c_->atEnd(); });
  }
  FieldValue value(const std::string& column) const override {
    return fromJet(guarded([&] { return c_->get(column); }));
  }
  // Texts are measured where they are stored; a type that value() would
  // refuse still goes through it, for the same error.
  ValueShape shape(const std::string& column) const override {
    return shapeFromJet(guarded([&] { return c_->shape(column); }), column);
  }
  void shapes(const std::vector<std::string>& columns, std::vector<ValueShape>& out) const override {
    guarded([&] { c_->shapes(columns, jetShapes_); });
    out.clear();
    for (size_t i = 0; i < columns.size(); ++i) out.push_back(shapeFromJet(jetShapes_[i], columns[i]));
  }
  uint64_t bookmark() const override {
    return guarded([&] { return c_->bookmark(); });
  }
  void moveTo(uint64_t mark) override {
    guarded([&] { c_->moveTo(mark); });
  }
  void insert() override {
    guarded([&] { c_->insert(); });
  }
  void set(const std::string& column, const FieldValue& v) override {
    guarded([&] { c_->set(column, toJet(v)); });
  }
  void post() override {
    guarded([&] { c_->post(); });
  }
  // A row copied whole carries every column: the same row only when the
  // columns asked for are all of this table's.
  void postCopy(const TableCursor& source, const std::vector<std::string>& columns) override {
    const auto* from = dynamic_cast<const JetCursor*>(&source);
    if (from != nullptr && coversTable(columns) && guarded([&] { return c_->postCopyOf(*from->c_); })) return;
    TableCursor::postCopy(source, columns);
  }

 private:
  bool coversTable(const std::vector<std::string>& columns) {
    if (checkedColumns_ != columns) {
      auto asked = columns;
      auto table = columns_;
      std::sort(asked.begin(), asked.end());
      std::sort(table.begin(), table.end());
      coversTable_ = !table.empty() && asked == table;
      checkedColumns_ = columns;
    }
    return coversTable_;
  }

  ValueShape shapeFromJet(const jet::ValueShape& s, const std::string& column) const {
    if (s.type == jet::ColumnType::Boolean) return {ValueShape::Kind::YesNo};
    if (s.null) return {};
    switch (s.type) {
      case jet::ColumnType::Byte:
      case jet::ColumnType::Integer:
      case jet::ColumnType::Long: return {ValueShape::Kind::Integer};
      case jet::ColumnType::Text:
      case jet::ColumnType::Memo: return {ValueShape::Kind::Text, s.textUnits};
      default: return TableCursor::shape(column);
    }
  }

  std::unique_ptr<jet::Cursor> c_;
  mutable std::vector<jet::ValueShape> jetShapes_;
  std::vector<std::string> columns_;
  std::vector<std::string> checkedColumns_;
  bool coversTable_ = false;
};

class JetConnection : public Connection {
 public:
  explicit JetConnection(std::unique_ptr<jet::Database> db) : db_(std::move(db)) {}
  std::unique_ptr<TableCursor> openTable(const std::string& table, bool updatable) override {
    auto cursor = guarded([&] { return db_->openTable(table, updatable); });
    std::vector<std::string> columns;
    if (updatable)
      for (const auto& c : guarded([&] { return db_->schema(table); }).columns) columns.push_back(c.name);
    return std::make_unique<JetCursor>(std::move(cursor), std::move(columns));
  }
  void close() override {
    guarded([&] { db_->flush(); });
  }

 private:
  std::unique_ptr<jet::Database> db_;
};

class JetEngine : public Engine {
 public:
  explicit JetEngine(platform::Env& env) : env_(env) {}
  std::unique_ptr<Catalogue> makeCatalogue() override { return std::make_unique<JetCatalogue>(env_); }
  std::unique_ptr<Connection> openConnection(const std::string& path, bool writable) override {
    return std::make_unique<JetConnection>(guarded([&] { return jet::Database::open(env_, path, writable); }));
  }

 private:
  platform::Env& env_;
};

}  // namespace

std::unique_ptr<Engine> makeJetEngine(platform::Env& env) { return std::make_unique<JetEngine>(env); }

}  // namespace accessorydb
