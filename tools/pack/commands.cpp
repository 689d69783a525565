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
      {"mdb", "work on Jet databases (.mdb), see below", runMdb},
  };
  return table;
}

const std::vector<SubCommand>& mdbCommands() {
  static const std::vector<SubCommand> table = {
      {"mdb dump", "show the tables, keys and rows of a database"},
      {"mdb create", "make a dodatki.mdb from CSV files of producers and accessories"},
      {"mdb merge", "merge a package database into an installed one, as the installer does"},
      {"mdb check", "the Jet engine's consistency check of a database"},
  };
  return table;
}

}  // namespace pack
