#include "tests/accessorydb/memory_engine.h"

#include <algorithm>
#include <optional>

#include "accessorydb/schema.h"
#include "base/utf.h"

using accessorydb::EngineError;
using accessorydb::FieldValue;

namespace test {

namespace {

const std::string kMagic = "MEMORY-MDB ";

int columnIndex(const MemoryEngine::Table& t, const std::string& name) {
  for (size_t i = 0; i < t.def.columns.size(); ++i)
    if (t.def.columns[i].name == name) return static_cast<int>(i);
  throw EngineError("Nie znaleziono pola '" + name + "' w tabeli " + t.def.name);
}

MemoryEngine::Table& tableOf(MemoryEngine::Database& db, const std::string& name) {
  for (auto& t : db.tables)
    if (t.def.name == name) return t;
  throw EngineError("Nie znaleziono tabeli '" + name + "'");
}

class MemoryCursor : public accessorydb::TableCursor {
 public:
  MemoryCursor(std::shared_ptr<MemoryEngine::Database> db, MemoryEngine::Table& table, bool updatable)
      : db_(std::move(db)), table_(table), updatable_(updatable) {}

  void first() override { pos_ = 0; }
  void next() override {
    if (pos_ < table_.rows.size()) ++pos_;
  }
  bool atEnd() const override { return pos_ >= table_.rows.size(); }
  uint64_t bookmark() const override {
    if (atEnd()) throw EngineError("Brak bieżącego rekordu");
    return pos_;
  }
  void moveTo(uint64_t mark) override {
    if (mark >= table_.rows.size()) throw EngineError("Brak rekordu");
    pos_ = static_cast<size_t>(mark);
  }
  FieldValue value(const std::string& column) const override {
    const int c = columnIndex(table_, column);
    if (atEnd()) throw EngineError("Brak bieżącego rekordu");
    return table_.rows[pos_][c];
  }
  void insert() override {
    if (!updatable_) throw EngineError("Tabela otwarta tylko do odczytu");
    pending_.emplace(table_.def.columns.size());
  }
  void set(const std::string& column, const FieldValue& v) override {
    const int c = columnIndex(table_, column);
    if (!pending_) throw EngineError("Brak nowego rekordu");
    (*pending_)[c] = v;
  }
  void post() override {
    if (!pending_) throw EngineError("Brak nowego rekordu");
    auto row = std::move(*pending_);
    pending_.reset();
    for (size_t i = 0; i < row.size(); ++i) {
      const auto& col = table_.def.columns[i];
      auto& v = row[i];
      const bool isNull = std::holds_alternative<std::monostate>(v);
      if (col.type == accessorydb::adBoolean) {
        if (isNull) v = false;  // a Yes/No field has no null
        if (!std::holds_alternative<bool>(v)) throw EngineError("Zły typ wartości pola " + col.name);
        continue;
      }
      if (isNull) throw EngineError("Pole '" + col.name + "' nie może zawierać wartości Null");
      if (col.type == accessorydb::adInteger) {
        if (!std::holds_alternative<int32_t>(v)) throw EngineError("Zły typ wartości pola " + col.name);
      } else {
        const auto* s = std::get_if<std::string>(&v);
        if (!s) throw EngineError("Zły typ wartości pola " + col.name);
        if (base::utf16Units(*s) > static_cast<size_t>(col.definedSize))
          throw EngineError("Tekst za długi dla pola " + col.name);
      }
    }
    if (table_.keyColumn >= 0 && !table_.keys.insert(row[static_cast<size_t>(table_.keyColumn)]).second)
      throw EngineError("Powtórzona wartość klucza podstawowego w tabeli " + table_.def.name);
    table_.rows.push_back(std::move(row));
  }

 private:
  std::shared_ptr<MemoryEngine::Database> db_;
  MemoryEngine::Table& table_;
  bool updatable_;
  size_t pos_ = 0;
  std::optional<std::vector<FieldValue>> pending_;
};

class MemoryConnection : public accessorydb::Connection {
 public:
  explicit MemoryConnection(std::shared_ptr<MemoryEngine::Database> db) : db_(std::move(db)) {}
  std::unique_ptr<accessorydb::TableCursor> openTable(const std::string& table, bool updatable) override {
    return std::make_unique<MemoryCursor>(db_, tableOf(*db_, table), updatable);
  }

 private:
  std::shared_ptr<MemoryEngine::Database> db_;
};

class MemoryCatalogue : public accessorydb::Catalogue {
 public:
  explicit MemoryCatalogue(MemoryEngine& engine) : engine_(engine) {}
  void createDatabase(const std::string& path) override {
    db_ = engine_.createAt(path);
    path_ = path;
  }
  void setConnection(const std::string& path) override { db_ = engine_.databaseAt(path); }
  void appendTable(const accessorydb::TableObject& table) override {
    if (!db_) throw EngineError("Katalog nie jest połączony z bazą danych");
    for (const auto& t : db_->tables)
      if (t.def.name == table.name) throw EngineError("Tabela " + table.name + " już istnieje");
    MemoryEngine::Table t{table, -1, {}, {}};
    for (const auto& c : table.columns) {
      if (c.parentCatalog != this) throw EngineError("Kolumna " + c.name + " należy do innego katalogu");
      if (c.type != accessorydb::adInteger && c.type != accessorydb::adBoolean && c.type != accessorydb::adVarWChar)
        throw EngineError("Nieobsługiwany typ kolumny " + c.name);
      if (c.type == accessorydb::adVarWChar && (c.definedSize < 1 || c.definedSize > 255))
        throw EngineError("Zły rozmiar kolumny " + c.name);
    }
    for (const auto& k : table.keys) {
      if (k.type != accessorydb::adKeyPrimary || k.columns.size() != 1 || t.keyColumn >= 0)
        throw EngineError("Nieobsługiwany klucz " + k.name);
      t.keyColumn = columnIndex(t, k.columns[0]);
    }
    db_->tables.push_back(std::move(t));
  }

 private:
  MemoryEngine& engine_;
  std::shared_ptr<MemoryEngine::Database> db_;
  std::string path_;
};

}  // namespace

std::shared_ptr<MemoryEngine::Database> MemoryEngine::createAt(const std::string& path) {
  try {
    auto f =
        env_.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateNew, platform::Sharing::DenyNone);
    const std::string content = kMagic + std::to_string(databases_.size());
    f->writeAt(0, content.data(), content.size());
  } catch (const platform::IoError& e) {
    throw EngineError(e.what());
  }
  databases_.push_back(std::make_shared<Database>());
  return databases_.back();
}

std::shared_ptr<MemoryEngine::Database> MemoryEngine::databaseAt(const std::string& path) {
  std::string content(64, '\0');
  try {
    auto f = env_.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyNone);
    content.resize(f->readAt(0, content.data(), content.size()));
  } catch (const platform::IoError& e) {
    throw EngineError(e.what());
  }
  if (content.rfind(kMagic, 0) != 0) throw EngineError("Nierozpoznany format bazy danych '" + path + "'");
  const size_t id = std::stoul(content.substr(kMagic.size()));
  if (id >= databases_.size()) throw EngineError("Nierozpoznany format bazy danych '" + path + "'");
  return databases_[id];
}

std::unique_ptr<accessorydb::Catalogue> MemoryEngine::makeCatalogue() {
  return std::make_unique<MemoryCatalogue>(*this);
}

std::unique_ptr<accessorydb::Connection> MemoryEngine::openConnection(const std::string& path, bool) {
  return std::make_unique<MemoryConnection>(databaseAt(path));
}

}  // namespace test
