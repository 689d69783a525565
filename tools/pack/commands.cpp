#include "tools/pack/commands.h"

namespace pack {

// Each command lives in its own file.
int runBuild(const Args& args);
int runList(const Args& args);
int runCheck(const Args& args);
int runMdb(const Args& args);

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
  };
  return table;
}

}  // namespace pack
