#pragma once
// The sub-commands of `pack`. Each takes the arguments after its own name and
// returns the process exit code: 0 success, 1 the input was refused or a check
// failed, 2 wrong usage.
#include <string>
#include <vector>

namespace pack {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const Args& args);
};

// All commands, in the order the help lists them.
const std::vector<Command>& commands();

// The sub-commands of `pack mdb`, for the help: name and summary.
struct SubCommand {
  const char* name;
  const char* summary;
};
const std::vector<SubCommand>& mdbCommands();

}  // namespace pack
