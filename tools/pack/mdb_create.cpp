// pack mdb create: an accessory database built from two CSV files, by the
// installer's own creation code, refusing any row the database cannot store.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>

#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "platform/env.h"
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

std::string readWholeFile(platform::Env& env, const std::string& path) {
  try {
    auto f = env.openFile(path, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
    std::string data(static_cast<size_t>(f->size()), '\0');
    data.resize(f->readAt(0, data.data(), data.size()));
    return data;
  } catch (const platform::IoError& e) {
    throw Refusal{e.what()};
  }
}

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

std::optional<bool> parseYesNo(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (s == "1" || s == "true") return true;
  if (s == "0" || s == "false") return false;
  return std::nullopt;
}

struct TableRows {
  std::vector<size_t> lines;
  std::vector<std::vector<FieldValue>> rows;  // in the table's column order
};

// Rows of one table out of a CSV file, every value converted to its column's
// kind. A Yes/No column may be left out (it then holds No).
TableRows readTable(platform::Env& env, const std::string& file, const std::vector<accessorydb::ColumnSpec>& columns) {
  std::vector<CsvRecord> records;
  try {
    records = parseCsv(readWholeFile(env, file));
  } catch (const CsvError& e) {
    throw Refusal{file + ": " + e.what()};
  }
  if (records.empty()) throw Refusal{file + ": the header row is missing"};
  const auto& header = records[0];
  std::map<std::string, size_t> byName;  // column name -> field index
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

  TableRows out;
  for (size_t r = 1; r < records.size(); ++r) {
    const auto& rec = records[r];
    const std::string where = file + ": line " + std::to_string(rec.line) + ": ";
    if (rec.fields.size() != header.fields.size())
      throw Refusal{where + std::to_string(rec.fields.size()) + " fields where the header names " +
                    std::to_string(header.fields.size())};
    std::vector<FieldValue> row;
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
        if (accessorydb::utf16Length(text) > static_cast<size_t>(c.definedSize))
          throw Refusal{where + "column '" + c.name + "': the text is longer than " + std::to_string(c.definedSize) +
                        " characters"};
        row.emplace_back(text);
      }
    }
    out.lines.push_back(rec.line);
    out.rows.push_back(std::move(row));
  }
  return out;
}

void storeRows(accessorydb::Engine& engine, const std::string& db, const std::string& file, const char* table,
               const std::vector<accessorydb::ColumnSpec>& columns, const TableRows& rows) {
  auto connection = engine.openConnection(db, true);
  auto cursor = connection->openTable(table, true);
  for (size_t r = 0; r < rows.rows.size(); ++r) {
    try {
      cursor->insert();
      for (size_t c = 0; c < columns.size(); ++c) cursor->set(columns[c].name, rows.rows[r][c]);
      cursor->post();
    } catch (const accessorydb::EngineError& e) {
      throw Refusal{file + ": line " + std::to_string(rows.lines[r]) + ": " + e.what()};
    }
  }
}

}  // namespace

int runMdbCreate(const Args& args) {
  std::string out, producers, accessories;
  for (size_t i = 0; i < args.size(); ++i) {
    const auto& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    std::string* target = a == "-o" ? &out : a == "--producers" ? &producers : a == "--accessories" ? &accessories : nullptr;
    if (!target || i + 1 >= args.size()) {
      std::fprintf(stderr, "pack mdb create: unexpected argument '%s'\n\n%s", a.c_str(), kUsage);
      return 2;
    }
    *target = args[++i];
  }
  if (out.empty() || producers.empty() || accessories.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  auto& env = platform::systemEnv();
  auto engine = accessorydb::makeJetEngine(env);
  try {
    const auto producerRows = readTable(env, producers, accessorydb::producentColumns());
    const auto accessoryRows = readTable(env, accessories, accessorydb::dodatkiColumns());
    PrintReporter reporter(1, stderr);
    accessorydb::AccessoryDb db(reporter, env, *engine);
    if (!db.MDBCreate(out)) return 1;
    try {
      storeRows(*engine, out, producers, accessorydb::kTableProducent, accessorydb::producentColumns(), producerRows);
      storeRows(*engine, out, accessories, accessorydb::kTableDodatki, accessorydb::dodatkiColumns(), accessoryRows);
    } catch (...) {
      (void)env.deleteFile(out);
      throw;
    }
    std::printf("%s: %zu producers, %zu accessories\n", out.c_str(), producerRows.rows.size(),
                accessoryRows.rows.size());
    return 0;
  } catch (const Refusal& r) {
    std::fprintf(stderr, "pack mdb create: %s\n", r.message.c_str());
  } catch (const accessorydb::EngineError& e) {
    std::fprintf(stderr, "pack mdb create: %s: %s\n", out.c_str(), e.what());
  }
  return 1;
}

}  // namespace pack
