#include "tools/pack/commands.h"

namespace pack {

// Each command lives in its own file.
int runBuild(const Args& args);
int runList(const Args& args);
int runCheck(const Args& args);
int runMdb(const Args& args);

const std::vector<Command>& commands() {
  static const std::vector<Command> table = {
      {"build", "make an installer from the stub and a package folder", runBuild},
      {"list", "show what an installer or ZIP archive carries", runList},
      {"check", "verify an installer or ZIP archive as the installer reads it", runCheck},
      {"mdb", "show what a Jet database (.mdb) holds: pack mdb dump FILE.mdb", runMdb},
  };
  return table;
}

}  // namespace pack
