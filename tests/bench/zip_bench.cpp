// Benchmark (not a test): extraction of a generated models.zip of about 2,000
// files and 200 MB by our reader beside Info-ZIP `unzip -o -q` and `bsdtar
// -xf`, and the copy of the package out of an installer file beside `cp`.
// Each figure is the best of several runs, measured in the same process run.
//
//   zip_bench [RUNS] [--folder FOLDER]   (--help for more)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/wait.h>
#include <string>
#include <vector>

#include "package/installer_footer.h"
#include "package/package.h"
#include "package/zip_writer.h"
#include "platform/env.h"
#include "report/reporter.h"
#include "tests/bench/bench_args.h"

namespace {

namespace fs = std::filesystem;

class QuietReporter : public ui::Reporter {
 public:
  void info(int, const std::string&) override {}
  void setProgress(int) override {}
  int logLevel() const override { return 1; }
};

// Catalogue-like content: runs of repeated structure with some noise, so it
// deflates to roughly half, as model files and pictures do on average.
std::string content(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    s[i] = (i / 64) % 2 ? static_cast<char>(x >> 24) : static_cast<char>("vertex normal uv face "[i % 21]);
  }
  return s;
}

// About 2,000 files and 200 MB: many small ones, some medium, a few large.
void makeModelsZip(platform::Env& env, const std::string& path, uint64_t& totalBytes, size_t& fileCount) {
  auto out =
      env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateAlways, platform::Sharing::DenyWrite);
  package::zip::ZipWriter writer(*out);
  package::zip::EntryOptions options;
  options.level = 1;
  const std::string big = content(8 << 20, 7);
  totalBytes = 0;
  fileCount = 0;
  uint32_t r = 42;
  writer.addBytes("Pakiet\\dodatki.mdb", std::string_view(big).substr(0, 1 << 20), options);
  totalBytes += 1 << 20;
  ++fileCount;
  for (int i = 0; fileCount < 2000; ++i) {
    r = r * 1103515245u + 12345u;
    size_t size;
    if (i % 100 == 0)
      size = (4 << 20) + r % (4 << 20);  // textures and large models
    else if (i % 10 == 0)
      size = 200000 + r % 400000;
    else
      size = 2000 + r % 30000;
    const std::string name = "Pakiet\\Grupa " + std::to_string(i % 37) + "\\Podgrupa " + std::to_string(i % 5) +
                             "\\model_" + std::to_string(i) + (i % 3 ? ".max" : ".jpg");
    writer.addBytes(name, std::string_view(big).substr(r % (big.size() - size), size), options);
    totalBytes += size;
    ++fileCount;
  }
  writer.finish();
}

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double best(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  double min = 1e30;
  for (int i = 0; i < runs; ++i) {
    prepare();
    min = std::min(min, seconds(work));
  }
  return min;
}

// Runs a shell command; exit status 1 (Info-ZIP's "warning", given for the
// backslash separators the installer's archives use) is accepted.
void run(const std::string& command) {
  const int rc = std::system(command.c_str());
  if (!(WIFEXITED(rc) && (WEXITSTATUS(rc) == 0 || WEXITSTATUS(rc) == 1))) {
    std::fprintf(stderr, "zip_bench: failed: %s\n", command.c_str());
    std::exit(1);
  }
}

bool have(const char* tool) { return std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) == 0; }

}  // namespace

int main(int argc, char** argv) {
  const auto line = bench::parseCommandLine(argc, argv,
                                            "usage: zip_bench [RUNS] [--folder FOLDER]\n"
                                            "  RUNS    runs of each extraction, the best shown (default 3)\n"
                                            "  FOLDER  where its own folder zip_bench is made, emptied and filled\n"
                                            "          (default: the temporary folder)\n",
                                            {"--folder"}, {}, 1);
  // Only a folder of its own is emptied, never the one named on the command line.
  const std::string work =
      (fs::path(line.value("--folder", fs::temp_directory_path().string())) / "zip_bench").string();
  const int runs = line.numbers.empty() ? 3 : int(line.numbers[0]);
  platform::Env& env = platform::systemEnv();
  fs::remove_all(work);
  fs::create_directories(work);
  const std::string zipPath = work + "/models.zip";

  uint64_t totalBytes = 0;
  size_t fileCount = 0;
  std::printf("generating %s ...\n", zipPath.c_str());
  makeModelsZip(env, zipPath, totalBytes, fileCount);
  std::printf("models.zip: %zu files, %.1f MB unpacked, %.1f MB packed\n\n", fileCount, totalBytes / 1e6,
              fs::file_size(zipPath) / 1e6);

  QuietReporter reporter;
  const auto fresh = [&](const std::string& dir) {
    return [=] {
      fs::remove_all(dir);
      fs::create_directories(dir);
      run("sync");
    };
  };
  const std::string ours = work + "/ours", unzipDir = work + "/unzip", tarDir = work + "/bsdtar";
  // The three take turns, so a busy moment of the machine hits all of them.
  struct Contender {
    const char* label;
    std::string dir;
    std::function<void()> work;
    double best = 1e30;
  };
  std::vector<Contender> contenders = {{"ours", ours, [&] {
                                          if (!package::ExtractFilesFromZip(env, reporter, "", zipPath, ours + "/")) {
                                            std::fprintf(stderr, "zip_bench: our extraction failed\n");
                                            std::exit(1);
                                          }
                                        }}};
  if (have("unzip"))
    contenders.push_back(
        {"unzip -o -q", unzipDir, [&] { run("unzip -o -q '" + zipPath + "' -d '" + unzipDir + "' 2>/dev/null"); }});
  if (have("bsdtar"))
    contenders.push_back({"bsdtar -xf", tarDir, [&] { run("bsdtar -xf '" + zipPath + "' -C '" + tarDir + "'"); }});
  for (int i = 0; i < runs; ++i)
    for (auto& c : contenders) {
      fresh(c.dir)();
      c.best = std::min(c.best, seconds(c.work));
    }
  std::printf("extraction (best of %d)\n", runs);
  for (const auto& c : contenders) {
    std::printf("  %-14s %7.3f s  %7.1f MB/s", c.label, c.best, totalBytes / 1e6 / c.best);
    if (&c != &contenders[0]) std::printf("   ours/%s = %.2f", c.label, contenders[0].best / c.best);
    std::printf("\n");
  }
  fs::remove_all(ours);
  fs::remove_all(unzipDir);
  fs::remove_all(tarDir);

  // An installer file: a 2 MB image, the archive, EF BB BF and the footer.
  const std::string exe = work + "/setup.exe";
  const uint64_t stubSize = 2 << 20;
  {
    auto out =
        env.openFile(exe, platform::Access::ReadWrite, platform::Creation::CreateAlways, platform::Sharing::DenyWrite);
    const std::string stub(stubSize, 'S');
    out->writeAt(0, stub.data(), stub.size());
    auto in =
        env.openFile(zipPath, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyWrite);
    std::vector<char> block(1 << 20);
    uint64_t at = 0;
    while (size_t n = in->readAt(at, block.data(), block.size())) {
      out->writeAt(stubSize + at, block.data(), n);
      at += n;
    }
    const std::string tail = std::string(package::kByteOrderMark) + package::makeFooter(stubSize);
    out->writeAt(stubSize + at, tail.data(), tail.size());
  }
  const uint64_t exeSize = fs::file_size(exe);
  const std::string tmp = work + "/tmp";
  const std::string cpTarget = work + "/copy.exe";
  const double tCopy = best(runs, fresh(tmp), [&] { package::copyPackageOut(env, reporter, exe, tmp + "/"); });
  const double tCp = best(
      runs,
      [&] {
        fs::remove(cpTarget);
        run("sync");
      },
      [&] { run("cp '" + exe + "' '" + cpTarget + "'"); });
  std::printf("\npackage copy out of a %.1f MB installer (best of %d)\n", exeSize / 1e6, runs);
  std::printf("  ours            %7.3f s  %7.1f MB/s\n", tCopy, exeSize / 1e6 / tCopy);
  std::printf("  cp              %7.3f s  %7.1f MB/s   ours/cp     = %.2f\n", tCp, exeSize / 1e6 / tCp, tCopy / tCp);
  fs::remove_all(work);
  return 0;
}
