#pragma once
// The crash-consistency harness against the real installer.exe under Wine:
// each trial starts the installer on a CAD installation on drive D:, clicks
// Install as a person would, ends the process with TerminateProcess after a
// random delay spread over start-up and the install, looks at the package
// folder, then installs again to completion and compares the result with an
// uninterrupted install.
#include <cstdint>

#include "tests/reliability/crash_figures.h"

namespace test::crash::wine {

// Runs trials until `kills` of them were killed before the install ended,
// the random delays drawn from `seed`.
Figures run(int kills, uint32_t seed);

}  // namespace test::crash::wine
