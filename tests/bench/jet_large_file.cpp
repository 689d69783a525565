// Correctness at size, for the release benchmark set (minutes, not a CI run):
// writes a Dodatki table past 128 MiB, where the global usage map has turned
// into a reference map, then reads every row back, checks the primary key
// index and every usage map with the engine's own checker, and counts the rows
// with mdb-export.
//
//   jet_large_file [MIB] [--folder FOLDER]     (default 140 MiB)
//
// Exit status 0 when every check passed.
// GCC 12 reports false -Wrestrict overlaps in std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jet/database_impl.h"
#include "jet/text_codec.h"
#include "base/utf.h"
#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/consistency_check.h"
#include "jet/usage_map.h"
#include "tests/bench/bench_args.h"
#include "tests/jet/jet_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Full-length Polish values, different in every row.
std::string textFor(const jet::ColumnDef& c, int32_t id) {
  std::string s = std::to_string(id) + " ";
  while (base::utf16Units(s) < c.maxChars) s += "Zażółć gęślą jaźń ";
  auto units = jet::detail::utf8ToUtf16(s);
  units.resize(c.maxChars);
  return base::utf16ToUtf8(units);
}

}  // namespace

int main(int argc, char** argv) {
  const auto line =
      bench::parseCommandLine(argc, argv,
                              "usage: jet_large_file [MIB] [--folder FOLDER]\n"
                              "  MIB     size of the file to write, past 128 (default 140)\n"
                              "  FOLDER  where it is written (default: the temporary folder's jet_large_file)\n",
                              {"--folder"}, {}, 1);
  const uint64_t mib = line.numbers.empty() ? 140 : line.numbers[0];
  const std::string folder =
      line.value("--folder", (std::filesystem::temp_directory_path() / "jet_large_file").string());
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/large.mdb";
  std::filesystem::remove(path);
  auto& env = platform::systemEnv();
  const auto def = jettest::dodatkiDef();
  int failures = 0;
  auto check = [&](bool ok, const std::string& what) {
    std::printf("%-60s %s\n", what.c_str(), ok ? "ok" : "FAILED");
    if (!ok) ++failures;
  };

  auto t0 = Clock::now();
  int32_t rows = 0;
  bool globalReference = false;
  {
    auto db = jet::Database::create(env, path);
    db->createTable(jettest::producentDef());
    db->createTable(def);
    auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
    auto c = db->openTable("Dodatki", true);
    while (uint64_t(impl.file().pageCount()) * jet::detail::kPageSize < (mib << 20)) {
      c->insert();
      for (const auto& col : def.columns) {
        if (col.type == jet::ColumnType::Long)
          c->set(col.name, rows);
        else if (col.type == jet::ColumnType::Boolean)
          c->set(col.name, rows % 2 == 0);
        else
          c->set(col.name, textFor(col, rows));
      }
      c->post();
      ++rows;
    }
    jet::detail::Page p1 = impl.file().read(1);
    globalReference = jet::detail::rowBytes(p1, 0).at(0) == jet::detail::kMapReference;
  }
  double writeSecs = since(t0);
  uint64_t bytes = std::filesystem::file_size(path);
  std::printf("wrote %d rows, %llu bytes (%.1f MiB) in %.1f s (%.0f rows/s)\n\n", rows, (unsigned long long)bytes,
              double(bytes) / (1 << 20), writeSecs, rows / writeSecs);
  check(bytes > (uint64_t(128) << 20), "file larger than 128 MiB");
  check(globalReference, "global usage map is a reference map");

  auto r0 = Clock::now();
  {
    auto db = jet::Database::open(env, path, false);
    auto c = db->openTable("Dodatki", false);
    int32_t seen = 0;
    bool same = true;
    for (c->first(); !c->atEnd(); c->next(), ++seen)
      for (const auto& col : def.columns) {
        auto v = c->get(col.name);
        if (col.type == jet::ColumnType::Long)
          same = same && v == jet::Value(seen);
        else if (col.type == jet::ColumnType::Boolean)
          same = same && v == jet::Value(seen % 2 == 0);
        else
          same = same && v == jet::Value(textFor(col, seen));
      }
    check(seen == rows && same, "every row read back with its values (" + std::to_string(seen) + ")");
  }
  std::printf("  (read in %.1f s)\n", since(r0));

  auto f0 = Clock::now();
  auto problems = jet::checkConsistency(platform::systemEnv(), path);
  for (size_t i = 0; i < problems.size() && i < 10; ++i) std::printf("  %s\n", problems[i].c_str());
  check(problems.empty(), "engine checker: index in order and complete, maps, counts");
  std::printf("  (checked in %.1f s)\n", since(f0));

  if (std::system("command -v mdb-export >/dev/null 2>&1") == 0) {
    std::string cmd = "mdb-export '" + path + "' Dodatki | wc -l";
    FILE* p = popen(cmd.c_str(), "r");
    long lines = -1;
    if (p) {
      if (std::fscanf(p, "%ld", &lines) != 1) lines = -1;
      pclose(p);
    }
    check(lines == long(rows) + 1, "mdb-export counts " + std::to_string(lines - 1) + " rows");
  } else {
    std::printf("mdb-export is not on PATH: row count not checked by mdbtools\n");
  }
  std::printf("\ntotal %.1f s\n", since(t0));
  std::filesystem::remove(path);
  return failures == 0 ? 0 : 1;
}
