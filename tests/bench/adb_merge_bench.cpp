// The accessory merge beside plain writing of the rows it produces.
//
// Builds an installed and a package database of N accessories each (half the
// IDs shared, some marked for deletion), times the merge at the user's log
// level, then times writing the merged destination's rows into a fresh
// database with no matching at all. Each is run three times and the best time
// is shown, since the machine is shared (--runs 1 under callgrind, whose
// instruction counts do not depend on the load). Usage:
// adb_merge_bench [N] [--memory] [--runs K] (--help)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/bench/bench_args.h"
#include "tests/accessorydb/memory_engine.h"
#include "tests/accessorydb/recording_reporter.h"
#include "tests/support/temp_dir.h"

using namespace accessorydb;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::vector<test::Row> accessories(int32_t from, int32_t count, int markEvery, const char* tag) {
  std::vector<test::Row> rows;
  for (int32_t id = from; id < from + count; ++id)
    rows.push_back(test::accessory(id, (id % markEvery == 0) ? "DELETE" : "Krzesło " + std::to_string(id), tag));
  return rows;
}

// Kept out of line so that a profile (callgrind) shows plain writing apart
// from the building of the two input databases.
[[gnu::noinline]] void writePlain(Engine& engine, platform::Env& env, const std::string& path,
                                  const std::vector<test::Row>& producers, const std::vector<test::Row>& accessories) {
  test::makeDatabase(engine, env, path, producers, accessories);
}

}  // namespace

int main(int argc, char** argv) {
  const auto line = bench::parseCommandLine(
      argc, argv,
      "usage: adb_merge_bench [N] [--memory] [--runs K]\n"
      "  N         accessories in the installed and in the package database (default 20000)\n"
      "  --memory  the in-memory engine of the tests instead of the Jet engine\n"
      "  --runs K  times the merge and the plain writing each run, the best shown (default 3)\n",
      {"--runs"}, {"--memory"}, 1);
  const int32_t n = line.numbers.empty() ? 20000 : int32_t(line.numbers[0]);
  const bool memory = line.flags.count("--memory") > 0;
  auto& env = platform::systemEnv();
  std::unique_ptr<Engine> engine;
  if (memory)
    engine = std::make_unique<test::MemoryEngine>(env);
  else
    engine = makeJetEngine(env);

  test::TempDir dir;
  const auto od = dir.path("dodatki_old.mdb");
  const auto nw = dir.path("dodatki_new.mdb");
  const auto dn = dir.path("dodatki.mdb");
  const auto plain = dir.path("plain.mdb");
  std::vector<test::Row> producers;
  for (int i = 0; i < 20; ++i) producers.push_back(test::producer("Producent " + std::to_string(i), "Firma", "u"));
  test::makeDatabase(*engine, env, od, producers, accessories(0, n, 97, "i"));
  test::makeDatabase(*engine, env, nw, producers, accessories(n / 2, n, 50, "p"));

  const int runs = std::max(1, std::atoi(line.value("--runs", "3").c_str()));
  double mergeSeconds = 1e30;
  for (int run = 0; run < runs; ++run) {
    (void)env.deleteFile(dn);  // absent before the first run
    test::RecordingReporter log(1);
    AccessoryDb db(log, env, *engine);
    const auto start = Clock::now();
    const bool ok = db.CopyMdb(nw, od, dn);
    mergeSeconds = std::min(mergeSeconds, secondsSince(start));
    if (!ok) {
      std::fprintf(stderr, "merge failed: %s\n", log.texts(1).empty() ? "?" : log.texts(1)[0].c_str());
      return 1;
    }
  }

  const auto producerRows = test::readRows(*engine, dn, kTableProducent);
  const auto accessoryRows = test::readRows(*engine, dn, kTableDodatki);
  double plainSeconds = 1e30;
  for (int run = 0; run < runs; ++run) {
    (void)env.deleteFile(plain);  // absent before the first run
    const auto start = Clock::now();
    writePlain(*engine, env, plain, producerRows, accessoryRows);
    plainSeconds = std::min(plainSeconds, secondsSince(start));
  }

  std::printf("engine: %s; installed %d, package %d accessories; destination %zu accessories, %zu producers\n",
              memory ? "in-memory" : "Jet", n, n, accessoryRows.size(), producerRows.size());
  std::printf("merge (CopyMdb, log level 1), best of %d: %8.3f s\n", runs, mergeSeconds);
  std::printf("plain writing of the same rows, best of %d:%8.3f s\n", runs, plainSeconds);
  std::printf("ratio merge / plain writing:             %8.2f\n", mergeSeconds / plainSeconds);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak memory of the whole run:            %8.1f MiB\n", double(usage.ru_maxrss) / 1024);
  return 0;
}
