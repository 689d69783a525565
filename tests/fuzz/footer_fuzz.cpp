// libFuzzer target: the footer parser and the search for a footer before an
// Authenticode certificate table, on arbitrary installer tails.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/installer_footer.h"
#include "package/package_location.h"
#include "tests/package/zip_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (auto v = package::parseFooter(bytes)) {
    // A number that parses must print back to the digits it came from.
    if (*v >= 0 && package::parseFooter(package::makeFooter(static_cast<uint64_t>(*v))) != v) __builtin_trap();
  }
  test::MemoryFile file(bytes);
  if (auto loc = package::locatePackage(file)) {
    if (loc->footerAt + package::kFooterSize > bytes.size()) __builtin_trap();
  }
  return 0;
}
