#include "tests/reliability/crash_figures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace test::crash {

const char* phaseName(Phase p) {
  switch (p) {
    case Phase::BeforeInstall: return "start-up and check";
    case Phase::CheckSideName: return "check: database renamed away";
    case Phase::BackupMade: return "install: backup made";
    case Phase::Unpacking: return "install: unpacking";
    case Phase::Merging: return "install: merging";
    case Phase::InPlace: return "install: merged database put in place";
    case Phase::Cleaning: return "install: deleting the backup";
    case Phase::Finished: return "install: finishing";
    default: return "?";
  }
}

std::string table(const Figures& f, const std::string& title) {
  std::ostringstream out;
  auto row = [&](const std::string& name, const std::string& value) {
    out << "  " << name << std::string(name.size() < 40 ? 40 - name.size() : 1, ' ') << value << "\n";
  };
  out << title << "\n";
  row("one uninterrupted run (ms)", std::to_string(static_cast<int>(f.fullRunMs)));
  if (f.readyMs > 0) row("  of which start-up until ready (ms)", std::to_string(static_cast<int>(f.readyMs)));
  row("  of which the install (ms)", std::to_string(static_cast<int>(f.installMs)));
  if (f.mergeMs > 0) row("    of which the merge (ms)", std::to_string(static_cast<int>(f.mergeMs)));
  row("kills", std::to_string(f.kills));
  for (const auto& [phase, n] : f.perPhase) row("  " + std::string(phaseName(phase)), std::to_string(n));
  row("  of them during a first install", std::to_string(f.firstInstallKills));
  if (f.killsAfterClick >= 0) row("  of them after Install was clicked", std::to_string(f.killsAfterClick));
  row("runs that finished before the kill", std::to_string(f.finishedFirst));
  row("survived (kept, reinstalled right)", std::to_string(f.survived));
  row("lost databases", std::to_string(f.lost));
  row("wrong result after reinstall", std::to_string(f.wrongMerge));
  row("reinstall refused or failed", std::to_string(f.wedged));
  if (f.wallSeconds > 0) {
    char s[32];
    std::snprintf(s, sizeof s, "%.1f", f.wallSeconds);
    row("whole run (s)", s);
  }
  return out.str();
}

int envNumber(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

void expectAllSurvived(const Figures& f, int kills) {
  ::testing::Test::RecordProperty("kills", f.kills);
  ::testing::Test::RecordProperty("survived", f.survived);
  ::testing::Test::RecordProperty("lost", f.lost);
  for (const auto& line : f.findings) ADD_FAILURE() << line;
  EXPECT_EQ(f.kills, kills);
  EXPECT_EQ(f.survived, f.kills);
  EXPECT_EQ(f.lost, 0);
}

}  // namespace test::crash
