#pragma once
// A consistency check of a Jet 4 file, page by page: every page accounted for
// exactly once and marked used in the global map, every page beyond it free,
// usage maps equal to the pages their structures use, index trees in order
// with one entry for each row and the keys the rows hold, row counts and
// distinct-key counts equal to the data, and every value of every row
// readable, long values included. Reads only; never changes the file.
#include <string>
#include <vector>

#include "platform/env.h"

namespace jet {

// The findings, each one line; empty for a sound file. A file that cannot be
// opened at all is one finding.
[[nodiscard]] std::vector<std::string> checkConsistency(platform::Env& env, const std::string& path);

}  // namespace jet
