#pragma once
// The switches deployment tools pass: /S (no window), /D=PATH (destination
// root, the rest of the line), /LOG=FILE (lines appended to a file). Each is
// recognised anywhere on the line and in any letter case; anything else is
// left to the diagnostic switch or ignored.
#include <optional>
#include <string>

struct Switches {
  bool silent = false;
  std::optional<std::string> destination;
  std::optional<std::string> logFile;
  // The malformed switch as given (an empty /D= or /LOG=, an unclosed quote);
  // empty when the line is well formed.
  std::string wrong;
};

// The arguments part of a whole command line: the program name skipped as
// Windows reads it (quoted, or up to the first blank).
std::string argumentsOf(const std::string& commandLine);

// Reads the switches from the arguments part of the command line, raw, so
// that /D= takes the rest verbatim (a quoted path may end with a backslash).
Switches parseSwitches(const std::string& arguments);
