#pragma once
// Kills the installer at random moments and checks that the installed
// accessory database survives every kill: a child process runs start-up and
// the install on the headless window, the parent sends SIGKILL after a random
// delay, looks at the package folder, then installs again to completion.
#include <cstdint>
#include <string>

#include "tests/reliability/crash_figures.h"

namespace test::crash {

// Runs `kills` trials in a fresh temporary world, the random delays drawn
// from `seed`.
Figures run(int kills, uint32_t seed);
// The figures as a small table.
inline std::string table(const Figures& f) { return table(f, "crash consistency"); }

}  // namespace test::crash
