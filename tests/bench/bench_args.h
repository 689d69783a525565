#pragma once
// The command lines of the benchmark programs: positive whole numbers, named
// options with a value, flags and --help. Anything else is refused with the
// usage text before the program writes anything, so a mistyped option never
// becomes a folder or a count.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bench {

struct CommandLine {
  std::vector<unsigned long> numbers;
  std::map<std::string, std::string> values;  // option -> its value
  std::set<std::string> flags;

  std::string value(const std::string& option, const std::string& otherwise) const {
    auto it = values.find(option);
    return it == values.end() ? otherwise : it->second;
  }
};

// --help (or -h) prints `usage` and exits 0; a wrong command line prints the
// reason and `usage` on standard error and exits 2.
inline CommandLine parseCommandLine(int argc, char** argv, const char* usage, const std::set<std::string>& valueOptions,
                                    const std::set<std::string>& flagOptions, size_t maxNumbers) {
  const auto refuse = [&](const std::string& why) {
    std::fprintf(stderr, "%s: %s\n%s", argv[0], why.c_str(), usage);
    std::exit(2);
  };
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::printf("%s", usage);
      std::exit(0);
    }
    if (valueOptions.count(a)) {
      if (i + 1 >= argc) refuse(a + " needs a value");
      line.values[a] = argv[++i];
    } else if (flagOptions.count(a)) {
      line.flags.insert(a);
    } else if (a.find_first_not_of("0123456789") == std::string::npos && a.size() <= 9 && std::atol(a.c_str()) > 0) {
      if (line.numbers.size() >= maxNumbers) refuse("too many numbers: " + a);
      line.numbers.push_back(std::strtoul(a.c_str(), nullptr, 10));
    } else {
      refuse("unknown option or not a positive whole number: " + a);
    }
  }
  return line;
}

}  // namespace bench
