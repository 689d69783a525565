#pragma once
// Independent readers of .mdb files as test oracles: mdbtools (mdb-tables,
// mdb-schema, mdb-export) and the npm package mdb-reader (through
// mdb_reader_dump.mjs beside this file). Both give a database in one
// comparable form, so a test can hold the engine's own reading beside them.
//
// Comparable form: tables with columns (name, type name, size in characters
// for Text), primary-key columns (lower case), and rows of text values: null
// "NULL", Yes/No "1"/"0", integers in decimal, text as stored, Date/Time as
// "YYYY-MM-DD HH:MM:SS"; values of other types become "*" (the oracles format
// floating-point and binary values differently, so they are not compared).
// POSIX only (popen).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace oracle {

struct Column {
  std::string name;
  std::string
      type;  // Long, Integer, Byte, Text, Memo, Boolean, DateTime, Double, Single, Currency, OLE, Binary, Guid, Numeric
  int size = 0;  // Text: characters
  bool operator==(const Column&) const = default;
};

struct Table {
  std::string name;
  std::vector<Column> columns;
  std::vector<std::string> primaryKey;  // lower-case column names
  std::vector<std::vector<std::string>> rows;
};

using Database = std::map<std::string, Table>;  // by table name

inline bool comparedType(const std::string& type) {
  static const char* kTypes[] = {"Long", "Integer", "Byte", "Text", "Memo", "Boolean", "DateTime"};
  return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

inline std::string lower(std::string s) {
  for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

inline std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; returns its standard output. Throws when it fails.
inline std::string run(const std::string& command) {
  std::string out;
  FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) throw std::runtime_error("cannot run: " + command);
  std::array<char, 65536> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int status = ::pclose(p);
  if (status != 0) throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command);
  return out;
}

inline bool haveMdbtools() { return std::system("mdb-export --version >/dev/null 2>&1") == 0; }

inline std::string mdbReaderScript() { return std::string(PROJECT_SOURCE_DIR) + "/tests/oracles/mdb_reader_dump.mjs"; }
inline bool haveMdbReader() {
  return std::filesystem::exists(std::string(PROJECT_SOURCE_DIR) + "/tests/oracles/node_modules/mdb-reader") &&
         std::system("node --version >/dev/null 2>&1") == 0;
}

// ---- mdbtools ----

inline std::string mdbtoolsType(const std::string& t) {
  if (t == "Long Integer") return "Long";
  if (t == "Memo/Hyperlink") return "Memo";
  if (t == "Replication ID") return "Guid";
  if (t == "Numeric") return "Numeric";
  return t;  // Integer, Byte, Text, Boolean, DateTime, Double, Single, Currency, OLE, Binary
}

// RFC 4180-style records; unquoted fields are marked so that NULL can be told
// from the text "NULL".
inline std::vector<std::vector<std::pair<std::string, bool>>> parseCsv(const std::string& s) {
  std::vector<std::vector<std::pair<std::string, bool>>> records;
  std::vector<std::pair<std::string, bool>> rec;
  std::string field;
  bool quoted = false, inQuotes = false, any = false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      inQuotes = quoted = any = true;
    } else if (c == ',') {
      rec.emplace_back(field, quoted);
      field.clear();
      quoted = false;
      any = true;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      if (any || !field.empty()) {
        rec.emplace_back(field, quoted);
        records.push_back(rec);
      }
      rec.clear();
      field.clear();
      quoted = any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) {
    rec.emplace_back(field, quoted);
    records.push_back(rec);
  }
  return records;
}

inline Database readWithMdbtools(const std::string& path) {
  Database db;
  std::string q = shellQuote(path);
  std::vector<std::string> names;
  {
    std::string list = run("mdb-tables -1 " + q);
    size_t pos = 0;
    while (pos < list.size()) {
      size_t nl = list.find('\n', pos);
      if (nl == std::string::npos) nl = list.size();
      std::string name = list.substr(pos, nl - pos);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\r')) name.pop_back();
      if (!name.empty()) names.push_back(name);
      pos = nl + 1;
    }
  }
  std::string keys = run("mdb-schema --indexes " + q + " postgres");
  for (const auto& name : names) {
    Table t;
    t.name = name;
    std::string schema = run("mdb-schema -T " + shellQuote(name) + " " + q + " access");
    size_t pos = 0;
    while ((pos = schema.find("\n\t[", pos)) != std::string::npos) {
      size_t nameEnd = schema.find("]\t", pos);
      size_t lineEnd = schema.find('\n', pos + 1);
      if (nameEnd == std::string::npos || lineEnd == std::string::npos || nameEnd > lineEnd) break;
      Column c;
      c.name = schema.substr(pos + 3, nameEnd - pos - 3);
      std::string type = schema.substr(nameEnd + 1, lineEnd - nameEnd - 1);
      type.erase(0, type.find_first_not_of('\t'));
      for (const char* tail : {",", " ", "NOT NULL", " "}) {
        while (!type.empty() && type.back() == ' ') type.pop_back();
        if (type.size() >= std::string(tail).size() &&
            type.compare(type.size() - std::string(tail).size(), std::string::npos, tail) == 0)
          type.erase(type.size() - std::string(tail).size());
      }
      while (!type.empty() && type.back() == ' ') type.pop_back();
      size_t paren = type.find(" (");
      if (paren != std::string::npos) {
        c.size = std::atoi(type.c_str() + paren + 2);
        type = type.substr(0, paren);
      }
      c.type = mdbtoolsType(type);
      if (c.type != "Text") c.size = 0;
      t.columns.push_back(c);
      pos = lineEnd;
    }
    std::string marker = "ALTER TABLE \"" + lower(name) + "\" ADD CONSTRAINT ";
    size_t k = keys.find(marker);
    if (k != std::string::npos) {
      size_t open = keys.find("PRIMARY KEY (", k);
      size_t close = keys.find(')', open);
      std::string list = keys.substr(open + 13, close - open - 13);
      size_t p = 0;
      while ((p = list.find('"', p)) != std::string::npos) {
        size_t e = list.find('"', p + 1);
        t.primaryKey.push_back(lower(list.substr(p + 1, e - p - 1)));
        p = e + 1;
      }
    }
    auto csv = parseCsv(run("mdb-export -0 NULL -T '%Y-%m-%d %H:%M:%S' -b strip " + q + " " + shellQuote(name)));
    for (size_t r = 1; r < csv.size(); ++r) {
      std::vector<std::string> row;
      for (size_t i = 0; i < t.columns.size(); ++i) {
        if (i >= csv[r].size()) {
          row.push_back("<missing>");
          continue;
        }
        const auto& [v, quoted] = csv[r][i];
        if (!comparedType(t.columns[i].type))
          row.push_back("*");
        else if (!quoted && v == "NULL")
          row.push_back("NULL");
        else
          row.push_back(v);
      }
      t.rows.push_back(row);
    }
    db[name] = t;
  }
  return db;
}

// ---- mdb-reader (JSON) ----

struct Json {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool b = false;
  std::string text;  // number (as written) or string
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> fields;
  const Json& at(const std::string& key) const {
    for (const auto& [k, v] : fields)
      if (k == key) return v;
    throw std::runtime_error("JSON has no field " + key);
  }
};

class JsonParser {
 public:
  explicit JsonParser(const std::string& s) : s_(s) {}
  Json parse() {
    Json v = value();
    ws();
    if (p_ != s_.size()) throw std::runtime_error("trailing JSON");
    return v;
  }

 private:
  void ws() {
    while (p_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[p_]))) ++p_;
  }
  void put(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += char(cp);
    } else if (cp < 0x800) {
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += char(0xE0 | (cp >> 12));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(0xF0 | (cp >> 18));
      out += char(0x80 | ((cp >> 12) & 0x3F));
      out += char(0x80 | ((cp >> 6) & 0x3F));
      out += char(0x80 | (cp & 0x3F));
    }
  }
  std::string str() {
    std::string out;
    ++p_;
    while (p_ < s_.size() && s_[p_] != '"') {
      char c = s_[p_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      char e = s_[p_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          uint32_t cp = uint32_t(std::stoul(s_.substr(p_, 4), nullptr, 16));
          p_ += 4;
          if (cp >= 0xD800 && cp <= 0xDBFF && s_.compare(p_, 2, "\\u") == 0) {
            uint32_t lo = uint32_t(std::stoul(s_.substr(p_ + 2, 4), nullptr, 16));
            p_ += 6;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          put(out, cp);
          break;
        }
        default: out += e;
      }
    }
    ++p_;
    return out;
  }
  Json value() {
    ws();
    Json v;
    if (p_ >= s_.size()) throw std::runtime_error("JSON cut short");
    char c = s_[p_];
    if (c == '{') {
      v.kind = Json::Object;
      ++p_;
      ws();
      if (s_[p_] == '}') {
        ++p_;
        return v;
      }
      while (true) {
        ws();
        std::string k = str();
        ws();
        ++p_;  // ':'
        v.fields.emplace_back(k, value());
        ws();
        if (s_[p_++] == '}') break;
      }
    } else if (c == '[') {
      v.kind = Json::Array;
      ++p_;
      ws();
      if (s_[p_] == ']') {
        ++p_;
        return v;
      }
      while (true) {
        v.items.push_back(value());
        ws();
        if (s_[p_++] == ']') break;
      }
    } else if (c == '"') {
      v.kind = Json::String;
      v.text = str();
    } else if (s_.compare(p_, 4, "true") == 0) {
      v.kind = Json::Bool;
      v.b = true;
      p_ += 4;
    } else if (s_.compare(p_, 5, "false") == 0) {
      v.kind = Json::Bool;
      p_ += 5;
    } else if (s_.compare(p_, 4, "null") == 0) {
      p_ += 4;
    } else {
      v.kind = Json::Number;
      size_t start = p_;
      while (p_ < s_.size() && std::string("+-0123456789.eE").find(s_[p_]) != std::string::npos) ++p_;
      v.text = s_.substr(start, p_ - start);
    }
    return v;
  }
  const std::string& s_;
  size_t p_ = 0;
};

inline std::string mdbReaderType(const std::string& t) {
  static const std::map<std::string, std::string> kMap = {
      {"boolean", "Boolean"},   {"byte", "Byte"},      {"integer", "Integer"}, {"long", "Long"},
      {"currency", "Currency"}, {"float", "Single"},   {"double", "Double"},   {"datetime", "DateTime"},
      {"binary", "Binary"},     {"text", "Text"},      {"ole", "OLE"},         {"memo", "Memo"},
      {"repid", "Guid"},        {"numeric", "Numeric"}};
  auto it = kMap.find(t);
  return it == kMap.end() ? t : it->second;
}

inline Database readWithMdbReader(const std::string& path) {
  std::string out = run("node " + shellQuote(mdbReaderScript()) + " " + shellQuote(path));
  Json root = JsonParser(out).parse();
  Database db;
  for (const auto& jt : root.at("tables").items) {
    Table t;
    t.name = jt.at("name").text;
    for (const auto& jc : jt.at("columns").items) {
      Column c;
      c.name = jc.at("name").text;
      c.type = mdbReaderType(jc.at("type").text);
      c.size = c.type == "Text" ? std::atoi(jc.at("size").text.c_str()) / 2 : 0;
      t.columns.push_back(c);
    }
    for (const auto& jr : jt.at("rows").items) {
      std::vector<std::string> row;
      for (size_t i = 0; i < jr.items.size(); ++i) {
        const Json& v = jr.items[i];
        if (!comparedType(t.columns[i].type))
          row.push_back("*");
        else if (v.kind == Json::Null)
          row.push_back("NULL");
        else if (v.kind == Json::Bool)
          row.push_back(v.b ? "1" : "0");
        else
          row.push_back(v.text);
      }
      t.rows.push_back(row);
    }
    db[t.name] = t;
  }
  return db;
}

}  // namespace oracle
