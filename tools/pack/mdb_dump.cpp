// pack mdb dump: shows what an .mdb file holds, through the project's own Jet
// engine, so a producer can check a package's dodatki.mdb.
//
//   pack mdb dump FILE.mdb [--table NAME] [--format text|csv|json]
//
// text (default): every user table (or NAME) with its columns, keys and rows.
// csv: exactly one table (--table is required) as RFC 4180 CSV with a header
//      row: CRLF line ends, fields quoted only when they hold a comma, quote or
//      line break; null as an empty field, Yes/No as 1/0, integers in decimal,
//      text as stored.
// json: {"tables":[{"name","rowCount","columns":[..],"indexes":[..],"rows":[[..]]}]}
// GCC 12 reports false -Wrestrict overlaps inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "platform/env.h"
#include "tools/pack/command_line.h"
#include "tools/pack/commands.h"
#include "tools/pack/json_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace pack {
namespace {

void mdbUsage(FILE* out) {
  std::fprintf(out,
               "Usage: pack mdb dump FILE.mdb [--table NAME] [--format text|csv|json]\n\n"
               "Shows the tables of a Jet 4 (.mdb) database: columns, keys and rows.\n"
               "  --table NAME     only this table\n"
               "  --format text    tables with their schema and rows (default)\n"
               "  --format csv     one table (needs --table) as CSV with a header row:\n"
               "                   null is an empty field, Yes/No 1/0, integers in decimal\n"
               "  --format json    tables, columns, keys and rows as JSON\n\n"
               "Also: pack mdb create -o FILE.mdb --producers P.csv --accessories A.csv\n"
               "      pack mdb merge --installed OLD.mdb --package NEW.mdb -o OUT.mdb [--debug]\n"
               "      pack mdb check FILE.mdb [--json]\n"
               "(each with --help for details)\n");
}

const char* typeName(jet::ColumnType t) {
  using T = jet::ColumnType;
  switch (t) {
    case T::Boolean: return "Yes/No";
    case T::Byte: return "Byte";
    case T::Integer: return "Integer";
    case T::Long: return "Long Integer";
    case T::Currency: return "Currency";
    case T::Single: return "Single";
    case T::Double: return "Double";
    case T::DateTime: return "Date/Time";
    case T::Binary: return "Binary";
    case T::Text: return "Text";
    case T::Ole: return "OLE Object";
    case T::Memo: return "Memo";
    case T::Guid: return "Replication ID";
    case T::Numeric: return "Decimal";
  }
  return "Unknown";
}

std::string formatDate(double days) {
  using namespace std::chrono;
  auto secs = static_cast<long long>(std::llround(days * 86400.0));
  auto tp = sys_days(year(1899) / 12 / 30) + seconds(secs);
  auto dp = floor<std::chrono::days>(tp);
  year_month_day ymd(dp);
  hh_mm_ss hms(tp - dp);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d", int(ymd.year()), unsigned(ymd.month()),
                unsigned(ymd.day()), int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count()));
  return buf;
}

// A value as text; null is "" (csv) and told apart by the caller elsewhere.
std::string valueText(const jet::Value& v, jet::ColumnType type) {
  if (std::holds_alternative<std::monostate>(v)) return "";
  if (auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? "1" : "0";
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* d = std::get_if<double>(&v)) {
    if (type == jet::ColumnType::DateTime) return formatDate(*d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", *d);
    return buf;
  }
  if (auto* c = std::get_if<int64_t>(&v)) {
    // Currency: four decimal places
    long long whole = *c / 10000, frac = std::llabs(*c % 10000);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%lld.%04lld", (*c < 0 && whole == 0) ? "-" : "", whole, frac);
    return buf;
  }
  const auto& bytes = std::get<jet::Bytes>(v);
  static const char* kHex = "0123456789ABCDEF";
  std::string out = "0x";
  for (uint8_t b : bytes) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string jsonValue(const jet::Value& v, jet::ColumnType type) {
  if (std::holds_alternative<std::monostate>(v)) return "null";
  if (auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
  if (auto* d = std::get_if<double>(&v); d && type != jet::ColumnType::DateTime && std::isfinite(*d))
    return valueText(v, type);
  return jsonString(valueText(v, type));
}

void write(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

struct TableDump {
  jet::TableSchema schema;
  std::vector<std::vector<jet::Value>> rows;
};

TableDump readTable(jet::Database& db, const std::string& name) {
  TableDump t;
  t.schema = db.schema(name);
  auto cur = db.openTable(name, false);
  for (cur->first(); !cur->atEnd(); cur->next()) {
    std::vector<jet::Value> row;
    for (const auto& c : t.schema.columns) row.push_back(cur->get(c.name));
    t.rows.push_back(std::move(row));
  }
  return t;
}

void printCsv(const TableDump& t) {
  std::string line;
  for (size_t i = 0; i < t.schema.columns.size(); ++i) line += (i ? "," : "") + csvField(t.schema.columns[i].name);
  write(line + "\r\n");
  for (const auto& row : t.rows) {
    line.clear();
    for (size_t i = 0; i < row.size(); ++i)
      line += (i ? "," : "") + csvField(valueText(row[i], t.schema.columns[i].type));
    write(line + "\r\n");
  }
}

void printText(const TableDump& t) {
  write("Table " + t.schema.name + " (" + std::to_string(t.rows.size()) + " rows)\n");
  for (const auto& c : t.schema.columns) {
    std::string type = typeName(c.type);
    if (c.type == jet::ColumnType::Text) type += " (" + std::to_string(c.maxChars) + ")";
    write("  " + c.name + "  " + type + (c.required ? "  required" : "") + "\n");
  }
  for (const auto& i : t.schema.indexes) {
    std::string cols;
    for (const auto& c : i.columns) cols += (cols.empty() ? "" : ", ") + c;
    const char* kind = i.primaryKey   ? "primary key "
                       : i.foreignKey ? "foreign key "
                       : i.unique     ? "unique index "
                                      : "index ";
    write(std::string("  ") + kind + i.name + " (" + cols + ")\n");
  }
  std::string line;
  for (size_t i = 0; i < t.schema.columns.size(); ++i) line += (i ? "," : "") + csvField(t.schema.columns[i].name);
  write(line + "\n");
  for (const auto& row : t.rows) {
    line.clear();
    for (size_t i = 0; i < row.size(); ++i) {
      std::string v = std::holds_alternative<std::monostate>(row[i])
                          ? "NULL"
                          : csvField(valueText(row[i], t.schema.columns[i].type));
      line += (i ? "," : "") + v;
    }
    write(line + "\n");
  }
  write("\n");
}

void printJson(const std::vector<TableDump>& tables) {
  write("{\"tables\":[");
  for (size_t k = 0; k < tables.size(); ++k) {
    const auto& t = tables[k];
    write(std::string(k ? "," : "") + "\n{\"name\":" + jsonString(t.schema.name) +
          ",\"rowCount\":" + std::to_string(t.rows.size()) + ",\"columns\":[");
    for (size_t i = 0; i < t.schema.columns.size(); ++i) {
      const auto& c = t.schema.columns[i];
      write(std::string(i ? "," : "") + "{\"name\":" + jsonString(c.name) +
            ",\"type\":" + jsonString(typeName(c.type)) + ",\"size\":" + std::to_string(c.maxChars) +
            ",\"required\":" + (c.required ? "true" : "false") + "}");
    }
    write("],\"indexes\":[");
    for (size_t i = 0; i < t.schema.indexes.size(); ++i) {
      const auto& x = t.schema.indexes[i];
      std::string cols;
      for (const auto& c : x.columns) cols += (cols.empty() ? "" : ",") + jsonString(c);
      write(std::string(i ? "," : "") + "{\"name\":" + jsonString(x.name) + ",\"columns\":[" + cols +
            "],\"primaryKey\":" + (x.primaryKey ? "true" : "false") + ",\"unique\":" + (x.unique ? "true" : "false") +
            ",\"foreignKey\":" + (x.foreignKey ? "true" : "false") + "}");
    }
    write("],\"rows\":[");
    for (size_t r = 0; r < t.rows.size(); ++r) {
      std::string line = r ? ",\n[" : "\n[";
      for (size_t i = 0; i < t.rows[r].size(); ++i)
        line += (i ? "," : "") + jsonValue(t.rows[r][i], t.schema.columns[i].type);
      write(line + "]");
    }
    write("]}");
  }
  write("\n]}\n");
}

int runDump(const Args& args) {
  const auto p = parseArgs(args, {"--table", "--format"});
  if (p.help) {
    mdbUsage(stdout);
    return kExitOk;
  }
  if (!p.error.empty() || p.positional.size() > 1) {
    std::fprintf(stderr, "pack mdb dump: %s\n\n",
                 (p.error.empty() ? "unexpected argument '" + p.positional[1] + "'" : p.error).c_str());
    mdbUsage(stderr);
    return kExitUsage;
  }
  const std::string file = p.positional.empty() ? std::string() : p.positional.front();
  const std::string table = p.value("--table"), format = p.value("--format", "text");
  if (file.empty() || (format != "text" && format != "csv" && format != "json")) {
    mdbUsage(stderr);
    return kExitUsage;
  }
  if (format == "csv" && table.empty()) {
    std::fprintf(stderr, "pack mdb dump: --format csv shows one table; name it with --table\n");
    return kExitUsage;
  }
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // CSV lines end in CRLF exactly once
#endif
  try {
    auto db = jet::Database::open(platform::systemEnv(), file, false);
    std::vector<TableDump> tables;
    if (!table.empty()) {
      tables.push_back(readTable(*db, table));
    } else {
      for (const auto& name : db->tableNames()) tables.push_back(readTable(*db, name));
    }
    if (format == "csv")
      printCsv(tables.front());
    else if (format == "json")
      printJson(tables);
    else
      for (const auto& t : tables) printText(t);
    std::fflush(stdout);
  } catch (const jet::Error& e) {
    std::fprintf(stderr, "pack mdb dump: %s: %s\n", file.c_str(), e.what());
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace

int runMdbCreate(const Args& args);
int runMdbMerge(const Args& args);
int runMdbCheck(const Args& args);

int runMdb(const Args& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    mdbUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitOk;
  }
  if (args[0] == "dump") return runDump(Args(args.begin() + 1, args.end()));
  if (args[0] == "create") return runMdbCreate(Args(args.begin() + 1, args.end()));
  if (args[0] == "merge") return runMdbMerge(Args(args.begin() + 1, args.end()));
  if (args[0] == "check") return runMdbCheck(Args(args.begin() + 1, args.end()));
  std::fprintf(stderr, "pack mdb: unknown mdb command '%s'\n\n", args[0].c_str());
  mdbUsage(stderr);
  return kExitUsage;
}

}  // namespace pack
