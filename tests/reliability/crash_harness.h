#pragma once
// Kills the installer at random moments and checks that the installed
// accessory database survives every kill: a child process runs start-up and
// the install on the headless window, the parent sends SIGKILL after a random
// delay, looks at the package folder, then installs again to completion.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace test::crash {

// What the package folder showed when the kill landed.
enum class Phase { BeforeInstall, CheckSideName, BackupMade, Unpacking, Merging, Cleaning, Finished, kCount };
const char* phaseName(Phase p);

struct Figures {
  int kills = 0;             // trials whose child was killed before it finished
  int firstInstallKills = 0; // kills while the package was installed for the first time
  int finishedFirst = 0;     // trials whose child finished before the kill
  int survived = 0;          // kills after which the database was readable and the restart merged right
  int lost = 0;              // kills after which neither name held a readable database
  int wrongMerge = 0;        // restarts whose result differs from an uninterrupted install
  int wedged = 0;            // restarts that did not offer or did not finish the install
  std::map<Phase, int> perPhase;
  std::vector<std::string> findings;  // one line per failed trial
  double fullRunMs = 0;      // one uninterrupted run, start-up to finish
  double installMs = 0;      // the part of it after Install is clicked
};

// Runs `kills` trials in a fresh temporary world, the random delays drawn
// from `seed`.
Figures run(int kills, uint32_t seed);
// The figures as a small table.
std::string table(const Figures& f);

}  // namespace test::crash
