#include "app/command_line.h"

#include <string_view>

#include "base/ascii.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// A value with its surrounding quotes removed; nullopt when a quote is left open.
std::optional<std::string> unquoted(std::string v) {
  while (!v.empty() && blank(v.back())) v.pop_back();
  if (v.empty() || v.front() != '"') return v;
  if (v.size() < 2 || v.back() != '"') return std::nullopt;
  return v.substr(1, v.size() - 2);
}

}  // namespace

std::string argumentsOf(const std::string& commandLine) {
  size_t i = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    // The name ends at its closing quote, even with no blank after it.
    const size_t close = commandLine.find('"', 1);
    i = close == std::string::npos ? commandLine.size() : close + 1;
  } else {
    while (i < commandLine.size() && !blank(commandLine[i])) ++i;
  }
  while (i < commandLine.size() && blank(commandLine[i])) ++i;
  return commandLine.substr(i);
}

Switches parseSwitches(const std::string& arguments) {
  Switches sw;
  auto refuse = [&sw](const std::string& what) {
    if (sw.wrong.empty()) sw.wrong = what;
  };
  size_t i = 0;
  while (true) {
    while (i < arguments.size() && blank(arguments[i])) ++i;
    if (i >= arguments.size()) break;
    if (base::startsWithIgnoreAsciiCase(std::string_view(arguments).substr(i), "/D=")) {
      // As installers have always read it: the destination is all that follows.
      const std::optional<std::string> v = unquoted(arguments.substr(i + 3));
      if (!v || v->empty())
        refuse(arguments.substr(i));
      else
        sw.destination = *v;
      break;
    }
    // One argument: quotes group blanks and are dropped.
    std::string token;
    bool quoted = false;
    for (; i < arguments.size() && (quoted || !blank(arguments[i])); ++i) {
      if (arguments[i] == '"')
        quoted = !quoted;
      else
        token += arguments[i];
    }
    if (base::startsWithIgnoreAsciiCase(token, "/S") && token.size() == 2) {
      sw.silent = true;
    } else if (base::startsWithIgnoreAsciiCase(token, "/D=")) {
      // The switch quoted whole, as some tools pass every argument.
      if (quoted || token.size() == 3)
        refuse(token);
      else
        sw.destination = token.substr(3);
    } else if (base::startsWithIgnoreAsciiCase(token, "/LOG=")) {
      if (quoted || token.size() == 5)
        refuse(token);
      else
        sw.logFile = token.substr(5);
    }
  }
  return sw;
}
