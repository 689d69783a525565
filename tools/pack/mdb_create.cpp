// pack mdb create: an accessory database built from two CSV files, by the
// installer's own creation code, refusing any row the database cannot store.
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "accessorydb/accessory_db.h"
#include "base/ascii.h"
#include "base/utf.h"
#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "platform/env.h"
#include "tools/pack/command_line.h"
#include "tools/pack/commands.h"
#include "tools/pack/csv_reader.h"
#include "tools/pack/print_reporter.h"

namespace pack {

namespace {

using accessorydb::FieldValue;

constexpr const char* kUsage =
    "Usage: pack mdb create -o FILE.mdb --producers PRODUCERS.csv --accessories ACCESSORIES.csv\n"
    "\n"
    "Builds an accessory database (dodatki.mdb) with the tables info_producent and\n"
    "Dodatki. Each CSV file is UTF-8; its header row names the columns of the\n"
    "table (any order, every text and number column present). Yes/No values are\n"
    "1/0 or true/false.\n";

// A refusal that names the file and, where there is one, the line.
struct Refusal {
  std::string message;
};

// One CSV file read record by record: the whole file is never in memory.
class CsvFile {
 public:
  CsvFile(platform::Env& env, const std::string& path) : path_(path) {
    try {
      file_ =
          env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
    } catch (const platform::IoError& e) {
      throw Refusal{e.what()};
    }
    reader_ = std::make_unique<CsvReader>([this](char* buffer, size_t n) {
      const size_t got = file_->readAt(offset_, buffer, n);
      offset_ += got;
      return got;
    });
  }
  bool next(CsvRecord& record) {
    try {
      return reader_->next(record);
    } catch (const CsvError& e) {
      throw Refusal{path_ + ": " + e.what()};
    } catch (const platform::IoError& e) {
      throw Refusal{path_ + ": " + e.what()};
    }
  }

 private:
  std::string path_;
  std::unique_ptr<platform::File> file_;
  uint64_t offset_ = 0;
  std::unique_ptr<CsvReader> reader_;
};

std::optional<int32_t> parseWhole(const std::string& s) {
  if (s.empty() || s.size() > 11) return std::nullopt;
  size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  if (s[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<bool> parseYesNo(std::string_view text) {
  const std::string s = base::asciiLower(text);
  if (s == "1" || s == "true") return true;
  if (s == "0" || s == "false") return false;
  return std::nullopt;
}

// The header row of a table's CSV file: column name -> field index. Every
// text and number column must be there; a Yes/No column may be left out.
std::map<std::string, size_t> readHeader(CsvFile& csv, const std::string& file,
                                         const std::vector<accessorydb::ColumnSpec>& columns, size_t* fieldCount) {
  CsvRecord header;
  if (!csv.next(header)) throw Refusal{file + ": the header row is missing"};
  std::map<std::string, size_t> byName;
  for (size_t f = 0; f < header.fields.size(); ++f) {
    const auto& name = header.fields[f];
    bool known = false;
    for (const auto& c : columns) known = known || name == c.name;
    if (!known) throw Refusal{file + ": line " + std::to_string(header.line) + ": unknown column '" + name + "'"};
    if (!byName.emplace(name, f).second)
      throw Refusal{file + ": line " + std::to_string(header.line) + ": column '" + name + "' named twice"};
  }
  for (const auto& c : columns)
    if (c.type != accessorydb::adBoolean && !byName.count(c.name))
      throw Refusal{file + ": line " + std::to_string(header.line) + ": column '" + c.name + "' is missing"};
  *fieldCount = header.fields.size();
  return byName;
}

// A record's values in the table's column order, each converted to its
// column's kind (a Yes/No column left out holds No).
std::vector<FieldValue> convertRecord(const CsvRecord& rec, const std::string& where,
                                      const std::vector<accessorydb::ColumnSpec>& columns,
                                      const std::map<std::string, size_t>& byName) {
  std::vector<FieldValue> row;
  row.reserve(columns.size());
  for (const auto& c : columns) {
    auto it = byName.find(c.name);
    if (it == byName.end()) {
      row.emplace_back(false);
      continue;
    }
    const std::string& text = rec.fields[it->second];
    if (c.type == accessorydb::adInteger) {
      auto v = parseWhole(text);
      if (!v) throw Refusal{where + "column '" + c.name + "': '" + text + "' is not a whole number"};
      row.emplace_back(*v);
    } else if (c.type == accessorydb::adBoolean) {
      auto v = parseYesNo(text);
      if (!v) throw Refusal{where + "column '" + c.name + "': '" + text + "' is not 1, 0, true or false"};
      row.emplace_back(*v);
    } else {
      if (base::utf16Units(text) > static_cast<size_t>(c.definedSize))
        throw Refusal{where + "column '" + c.name + "': the text is longer than " + std::to_string(c.definedSize) +
                      " characters"};
      row.emplace_back(text);
    }
  }
  return row;
}

// Checks the header row of a CSV file before anything is created.
void checkHeader(platform::Env& env, const std::string& file, const std::vector<accessorydb::ColumnSpec>& columns) {
  CsvFile csv(env, file);
  size_t fields = 0;
  (void)readHeader(csv, file, columns, &fields);
}

// Streams a CSV file into a table, record by record; returns the rows stored.
size_t storeRows(accessorydb::Engine& engine, platform::Env& env, const std::string& db, const std::string& file,
                 const char* table, const std::vector<accessorydb::ColumnSpec>& columns) {
  CsvFile csv(env, file);
  size_t fieldCount = 0;
  const auto byName = readHeader(csv, file, columns, &fieldCount);
  auto connection = engine.openConnection(db, true);
  auto cursor = connection->openTable(table, true);
  size_t stored = 0;
  for (CsvRecord rec; csv.next(rec);) {
    const std::string where = file + ": line " + std::to_string(rec.line) + ": ";
    if (rec.fields.size() != fieldCount)
      throw Refusal{where + std::to_string(rec.fields.size()) + " fields where the header names " +
                    std::to_string(fieldCount)};
    const auto row = convertRecord(rec, where, columns, byName);
    try {
      cursor->insert();
      for (size_t c = 0; c < columns.size(); ++c) cursor->set(columns[c].name, row[c]);
      cursor->post();
    } catch (const accessorydb::EngineError& e) {
      throw Refusal{where + e.what()};
    }
    ++stored;
  }
  try {
    connection->close();
  } catch (const accessorydb::EngineError& e) {
    throw Refusal{file + ": " + e.what()};
  }
  return stored;
}

}  // namespace

int runMdbCreate(const Args& args) {
  const auto p = parseArgs(args, {"--output", "--producers", "--accessories"}, {{"-o", "--output"}});
  if (auto status = helpOrOptionError(p, "pack mdb create", kUsage)) return *status;
  const std::string out = p.value("--output"), producers = p.value("--producers"),
                    accessories = p.value("--accessories");
  if (out.empty() || producers.empty() || accessories.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }

  auto& env = platform::systemEnv();
  auto engine = accessorydb::makeJetEngine(env);
  // Built beside the destination and renamed over it only when complete: a
  // refused row found late in a large file leaves an earlier file in place.
  const std::string part = out + ".part";
  try {
    checkHeader(env, producers, accessorydb::producentColumns());
    checkHeader(env, accessories, accessorydb::dodatkiColumns());
    PrintReporter reporter(1, stderr);
    accessorydb::AccessoryDb db(reporter, env, *engine);
    if (!db.MDBCreate(part)) return kExitRefused;
    size_t producerCount = 0, accessoryCount = 0;
    try {
      producerCount =
          storeRows(*engine, env, part, producers, accessorydb::kTableProducent, accessorydb::producentColumns());
      accessoryCount =
          storeRows(*engine, env, part, accessories, accessorydb::kTableDodatki, accessorydb::dodatkiColumns());
      if (!env.renameReplace(part, out)) throw Refusal{"cannot replace " + out + " with the new database"};
    } catch (...) {
      (void)env.deleteFile(part);  // best effort: the error being thrown is the one to report
      throw;
    }
    std::printf("%s: %zu producers, %zu accessories\n", out.c_str(), producerCount, accessoryCount);
    return kExitOk;
  } catch (const Refusal& r) {
    std::fprintf(stderr, "pack mdb create: %s\n", r.message.c_str());
  } catch (const accessorydb::EngineError& e) {
    std::fprintf(stderr, "pack mdb create: %s: %s\n", out.c_str(), e.what());
  }
  return kExitRefused;
}

}  // namespace pack
