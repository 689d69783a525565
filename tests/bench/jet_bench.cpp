// Jet engine benchmark: writing and reading Dodatki tables of 10,000, 100,000
// and 1,000,000 rows, beside the limits measured in the same run: a copy of the
// written file that ends on the disk (what the disk takes for those bytes) and
// mdb-export reading it.
//
//   jet_bench [ROWS ...] [--folder FOLDER]
//
// Writing is timed until flush() has made the file durable, as pack and the
// installer do; "flush s" is the part that flush() took, and "post rows/s"
// counts the time before it (the rows alone, without the file's one sync). The copy is
// `dd conv=fsync`, which likewise ends only when its bytes are on the disk:
// the file it reads is still in memory, as the rows our writer takes are.
// A first write of 10,000 rows, shown apart, takes the process's one-off
// costs. Per size: rows/s written, bytes per row, our time over the copy's, the time
// to read the table back over mdb-export's, and the process's peak memory so
// far.
// GCC 12 reports a false -Wrestrict overlap in std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/jet.h"
#include "platform/env.h"
#include "tests/bench/bench_args.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWarmUpRows = 10000;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

struct Column {
  const char* name;
  jet::ColumnType type;
  uint16_t size;
};

const std::vector<Column>& dodatki() {
  using T = jet::ColumnType;
  static const std::vector<Column> cols = {{"ID", T::Long, 0},
                                           {"Producent", T::Text, 30},
                                           {"Grupa", T::Text, 30},
                                           {"Typ", T::Text, 30},
                                           {"Nazwa", T::Text, 100},
                                           {"JPG", T::Text, 30},
                                           {"Kod_Producenta", T::Text, 30},
                                           {"Dodatek_wst", T::Boolean, 0},
                                           {"Kod_Wstawiania", T::Text, 3},
                                           {"Kolor", T::Text, 30},
                                           {"DWG", T::Text, 30},
                                           {"Wysokosc", T::Text, 10},
                                           {"Opis_Produktu", T::Text, 255},
                                           {"Kod_Dodatku1", T::Text, 30},
                                           {"Kod_Dodatku2", T::Text, 30},
                                           {"Kod_Dodatku3", T::Text, 30},
                                           {"Kod_Dodatku4", T::Text, 30},
                                           {"Opis_Koloru", T::Text, 255},
                                           {"cena", T::Text, 50},
                                           {"vat", T::Text, 50},
                                           {"marza", T::Text, 50},
                                           {"upust", T::Text, 50},
                                           {"kolorystyka", T::Text, 50},
                                           {"wymiar X", T::Text, 50},
                                           {"wymiar Y", T::Text, 50},
                                           {"wymiar Z", T::Text, 50},
                                           {"typ_standardowy", T::Text, 250}};
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

bool onPath(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

double timedCommand(const std::string& command) {
  auto t0 = Clock::now();
  int rc = std::system(command.c_str());
  double s = seconds(t0, Clock::now());
  return rc == 0 ? s : -1;
}

long peakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct Result {
  int rows;
  double writeSecs, flushSecs, cpSecs, readSecs, exportSecs;
  uintmax_t bytes;
  long peak;
};

Result measure(int rows, const std::string& folder, const jet::TableDef& def) {
  auto& env = platform::systemEnv();
  std::string ours = folder + "/engine.mdb", copy = folder + "/copy.mdb";
  std::filesystem::remove(ours);
  std::filesystem::remove(copy);
  Result r{rows, 0, 0, -1, 0, -1, 0, 0};
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
    auto f0 = Clock::now();
    db->flush();
    r.flushSecs = seconds(f0, Clock::now());
  }
  r.writeSecs = seconds(t0, Clock::now());
  r.bytes = std::filesystem::file_size(ours);
  r.peak = peakKiB();
  r.cpSecs = timedCommand("dd if='" + ours + "' of='" + copy + "' bs=1M conv=fsync status=none");
  std::filesystem::remove(copy);

  auto r0 = Clock::now();
  size_t seen = 0;
  {
    auto db = jet::Database::open(env, ours, false);
    auto cur = db->openTable("Dodatki", false);
    for (cur->first(); !cur->atEnd(); cur->next()) {
      for (const auto& c : dodatki()) (void)cur->get(c.name);  // decoded to be timed, not used
      ++seen;
    }
  }
  r.readSecs = seconds(r0, Clock::now());
  if (seen != size_t(rows)) {
    std::fprintf(stderr, "read back %zu rows of %d\n", seen, rows);
    std::exit(1);
  }
  if (onPath("mdb-export")) r.exportSecs = timedCommand("mdb-export '" + ours + "' Dodatki >/dev/null 2>&1");
  std::filesystem::remove(ours);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const auto line =
      bench::parseCommandLine(argc, argv,
                              "usage: jet_bench [ROWS ...] [--folder FOLDER]\n"
                              "  ROWS    table sizes to write and read (default 10000 100000 1000000)\n"
                              "  FOLDER  where the files are written (default: the temporary folder's jet_bench)\n",
                              {"--folder"}, {}, 16);
  std::vector<int> sizes(line.numbers.begin(), line.numbers.end());
  std::string folder = line.value("--folder", (std::filesystem::temp_directory_path() / "jet_bench").string());
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  std::filesystem::create_directories(folder);
  jet::TableDef def{"Dodatki", {}, "Primary", "ID"};
  for (const auto& c : dodatki()) def.columns.push_back({c.name, c.type, c.size});

  std::printf("Jet engine benchmark: Dodatki rows (27 columns, Polish texts), written then read back\n\n");
  std::printf("%10s %12s %12s %10s %10s %10s %10s %10s %14s %9s\n", "rows", "write rows/s", "post rows/s", "bytes/row",
              "write s", "flush s", "copy s", "write/copy", "read/export s", "peak MiB");
  // The process's one-off costs (its heap growing, caches and code pages
  // still cold, the first file created) would otherwise fall on the first
  // size alone; they are shown apart.
  const Result warmUp = measure(kWarmUpRows, folder, def);
  std::printf("%10s %12.0f %12.0f %10s %10.3f %10.3f   (warm-up, not counted below)\n",
              std::to_string(kWarmUpRows).c_str(), kWarmUpRows / warmUp.writeSecs,
              kWarmUpRows / (warmUp.writeSecs - warmUp.flushSecs), "", warmUp.writeSecs, warmUp.flushSecs);
  std::vector<Result> results;
  for (int n : sizes) {
    Result r = measure(n, folder, def);
    results.push_back(r);
    char cp[32] = "n/a", ratio[32] = "n/a", read[32] = "n/a";
    if (r.cpSecs > 0) {
      std::snprintf(cp, sizeof cp, "%.3f", r.cpSecs);
      std::snprintf(ratio, sizeof ratio, "%.1f", r.writeSecs / r.cpSecs);
    }
    if (r.exportSecs > 0) std::snprintf(read, sizeof read, "%.3f/%.3f", r.readSecs, r.exportSecs);
    std::printf("%10d %12.0f %12.0f %10.0f %10.3f %10.3f %10s %10s %14s %9.1f\n", n, n / r.writeSecs,
                n / (r.writeSecs - r.flushSecs), double(r.bytes) / n, r.writeSecs, r.flushSecs, cp, ratio, read,
                double(r.peak) / 1024);
    std::fflush(stdout);
  }
  if (results.size() > 1) {
    const Result &a = results.front(), &b = results.back();
    std::printf("\nrows/s at %d over rows/s at %d: %.2f written and flushed, %.2f posted\n", b.rows, a.rows,
                (b.rows / b.writeSecs) / (a.rows / a.writeSecs),
                (b.rows / (b.writeSecs - b.flushSecs)) / (a.rows / (a.writeSecs - a.flushSecs)));
  }
  for (const auto& r : results)
    if (r.exportSecs > 0)
      std::printf("reading %d rows: %.1f x faster than mdb-export\n", r.rows, r.exportSecs / r.readSecs);
  if (!onPath("mdb-export")) std::printf("mdb-export is not on PATH: no reading peer.\n");
  return 0;
}
