#pragma once
// What a crash harness counts and the table it prints, shared by the native
// harness (a forked headless installer, SIGKILL) and the Wine one (the real
// installer.exe, TerminateProcess).
#include <map>
#include <string>
#include <vector>

namespace test::crash {

// What the package folder showed when the kill landed.
enum class Phase {
  BeforeInstall,
  CheckSideName,
  BackupMade,
  Unpacking,
  Merging,
  InPlace,  // the merged database has its name; the package database is still beside it
  Cleaning,
  Finished,
  kCount
};
const char* phaseName(Phase p);

struct Figures {
  int kills = 0;              // trials whose installer was killed before it finished
  int firstInstallKills = 0;  // kills while the package was installed for the first time
  int killsAfterClick = -1;   // kills after Install was clicked; -1 when the harness cannot tell
  int silentKills = -1;       // kills of runs without a window (/S); -1 when the harness makes none
  int finishedFirst = 0;      // trials whose installer finished before the kill
  int survived = 0;           // kills after which the database was readable and the restart merged right
  int lost = 0;               // kills after which no readable database was left, or a start-up
                              // without install did not give it back its own name
  int wrongMerge = 0;         // restarts whose result differs from an uninterrupted install
  int wedged = 0;             // restarts that did not offer or did not finish the install
  std::map<Phase, int> perPhase;
  std::vector<std::string> findings;  // one line per failed trial
  double fullRunMs = 0;               // one uninterrupted run, start-up to finish
  double readyMs = 0;                 // of it, start-up until Install is offered; 0 when not measured
  double installMs = 0;               // the part of it after Install is clicked
  double mergeMs = 0;                 // of the install, the merge; 0 when not measured
  double silentRunMs = 0;             // one uninterrupted run without a window (/S); 0 when not measured
  double wallSeconds = 0;             // the whole harness run; 0 when not measured
};

// The figures as a small table under the given title.
std::string table(const Figures& f, const std::string& title);

// A whole number from the environment, or `fallback`.
int envNumber(const char* name, int fallback);

// Inside a test: records the counts for scripts/reliability-figures.sh,
// fails on every finding, and expects every one of `kills` kills survived.
void expectAllSurvived(const Figures& f, int kills);

}  // namespace test::crash
