// Jet engine benchmark: inserting and reading 100,000 Dodatki rows, beside
// mdbtools doing the same work in the same run.
//
//   jet_bench [ROWS] [FOLDER]
//
// Prints insert rows/s (engine vs mdb-import of the same CSV, when mdb-import
// is installed), the resulting file sizes, and the time to read the table back
// (engine scan vs mdb-export).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "platform/env.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

struct Column {
  const char* name;
  jet::ColumnType type;
  uint16_t size;
};

const std::vector<Column>& dodatki() {
  using T = jet::ColumnType;
  static const std::vector<Column> cols = {
      {"ID", T::Long, 0},           {"Producent", T::Text, 30},     {"Grupa", T::Text, 30},
      {"Typ", T::Text, 30},         {"Nazwa", T::Text, 100},        {"JPG", T::Text, 30},
      {"Kod_Producenta", T::Text, 30}, {"Dodatek_wst", T::Boolean, 0}, {"Kod_Wstawiania", T::Text, 3},
      {"Kolor", T::Text, 30},       {"DWG", T::Text, 30},           {"Wysokosc", T::Text, 10},
      {"Opis_Produktu", T::Text, 255}, {"Kod_Dodatku1", T::Text, 30}, {"Kod_Dodatku2", T::Text, 30},
      {"Kod_Dodatku3", T::Text, 30}, {"Kod_Dodatku4", T::Text, 30}, {"Opis_Koloru", T::Text, 255},
      {"cena", T::Text, 50},        {"vat", T::Text, 50},           {"marza", T::Text, 50},
      {"upust", T::Text, 50},       {"kolorystyka", T::Text, 50},   {"wymiar X", T::Text, 50},
      {"wymiar Y", T::Text, 50},    {"wymiar Z", T::Text, 50},      {"typ_standardowy", T::Text, 250}};
  return cols;
}

// A plausible accessory row: short codes, Polish descriptions.
std::vector<std::string> rowValues(int i) {
  std::string n = std::to_string(i);
  return {n,
          "Meblopol",
          "Uchwyty",
          "Uchwyt " + std::to_string(i % 40),
          "Uchwyt meblowy łukowy nr " + n,
          "U" + n + ".jpg",
          "KP-" + n,
          i % 3 ? "1" : "0",
          "U" + std::to_string(i % 10),
          "Srebrny",
          "U" + n + ".dwg",
          std::to_string(20 + i % 50),
          "Uchwyt z aluminium, rozstaw 128 mm, wykończenie szczotkowane; pasuje do frontów grubości 18–22 mm.",
          "S-1",
          "S-2",
          "",
          "",
          "Srebro szczotkowane",
          std::to_string(10 + i % 90) + ",99",
          "23",
          "30",
          "0",
          "metal",
          "160",
          "32",
          "25",
          "uchwyt"};
}

std::string csvField(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

bool onPath(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::string folder = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "jet_bench").string();
  std::filesystem::create_directories(folder);
  std::string ours = folder + "/engine.mdb", peer = folder + "/mdbtools.mdb", csv = folder + "/dodatki.csv";
  std::filesystem::remove(ours);
  std::filesystem::remove(peer);
  auto& env = platform::systemEnv();

  jet::TableDef def{"Dodatki", {}, "Primary", "ID"};
  for (const auto& c : dodatki()) def.columns.push_back({c.name, c.type, c.size});
  {
    std::ofstream out(csv, std::ios::binary);
    for (int i = 0; i < rows; ++i) {
      auto v = rowValues(i);
      for (size_t k = 0; k < v.size(); ++k) out << (k ? "," : "") << csvField(v[k]);
      out << "\n";
    }
  }
  // An empty database for the peer, made before the timed part.
  {
    auto db = jet::Database::create(env, peer);
    db->createTable(def);
  }

  auto t0 = Clock::now();
  {
    auto db = jet::Database::create(env, ours);
    db->createTable(def);
    auto cur = db->openTable("Dodatki", true);
    for (int i = 0; i < rows; ++i) {
      auto v = rowValues(i);
      cur->insert();
      for (size_t k = 0; k < v.size(); ++k) {
        const auto& c = dodatki()[k];
        if (c.type == jet::ColumnType::Long)
          cur->set(c.name, int32_t(i));
        else if (c.type == jet::ColumnType::Boolean)
          cur->set(c.name, v[k] == "1");
        else
          cur->set(c.name, v[k]);
      }
      cur->post();
    }
  }
  auto t1 = Clock::now();
  double insertSecs = seconds(t0, t1);

  std::printf("Jet engine benchmark, %d Dodatki rows (27 columns)\n\n", rows);
  std::printf("%-28s %14s %14s\n", "", "engine", "mdbtools");
  std::string peerInsert = "not installed";
  if (onPath("mdb-import")) {
    auto p0 = Clock::now();
    int rc = std::system(("mdb-import -d , '" + peer + "' Dodatki '" + csv + "' >/dev/null 2>&1").c_str());
    double s = seconds(p0, Clock::now());
    char buf[64];
    std::snprintf(buf, sizeof buf, rc == 0 ? "%.0f rows/s" : "failed", rows / s);
    peerInsert = buf;
  }
  char mine[64];
  std::snprintf(mine, sizeof mine, "%.0f rows/s", rows / insertSecs);
  std::printf("%-28s %14s %14s\n", "insert", mine, peerInsert.c_str());

  auto size = [](const std::string& p) { return std::filesystem::exists(p) ? std::filesystem::file_size(p) : 0; };
  std::string peerSize = onPath("mdb-import") ? std::to_string(size(peer)) : "n/a";
  std::printf("%-28s %14ju %14s\n", "file size (bytes)", uintmax_t(size(ours)), peerSize.c_str());
  std::printf("%-28s %14ju\n", "same rows as CSV (bytes)", uintmax_t(size(csv)));

  auto r0 = Clock::now();
  size_t seen = 0, bytes = 0;
  {
    auto db = jet::Database::open(env, ours, false);
    auto cur = db->openTable("Dodatki", false);
    for (cur->first(); !cur->atEnd(); cur->next()) {
      for (const auto& c : dodatki()) {
        auto v = cur->get(c.name);
        if (auto* s = std::get_if<std::string>(&v)) bytes += s->size();
      }
      ++seen;
    }
  }
  double readSecs = seconds(r0, Clock::now());
  std::string peerRead = "not installed";
  if (onPath("mdb-export")) {
    auto p0 = Clock::now();
    int rc = std::system(("mdb-export '" + ours + "' Dodatki >/dev/null 2>&1").c_str());
    char buf[64];
    std::snprintf(buf, sizeof buf, rc == 0 ? "%.3f s" : "failed", seconds(p0, Clock::now()));
    peerRead = buf;
  }
  char readBuf[64];
  std::snprintf(readBuf, sizeof readBuf, "%.3f s", readSecs);
  std::printf("%-28s %14s %14s\n", "read whole table", readBuf, peerRead.c_str());
  std::printf("\n(%zu rows read back, %zu text bytes)\n", seen, bytes);
  if (!onPath("mdb-import"))
    std::printf("mdb-import is not on PATH (Debian's mdbtools 1.0 package does not ship it), so no insert peer.\n");
  return seen == size_t(rows) ? 0 : 1;
}
