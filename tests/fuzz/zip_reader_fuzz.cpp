// libFuzzer target: the ZIP reader on arbitrary archives. Reads the central
// directory, runs the checks made before extraction, and decodes every entry
// (stored, deflate, Deflate64) without writing anything.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/entry_name_check.h"
#include "package/package_folders.h"
#include "package/zip_reader.h"
#include "tests/package/zip_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  try {
    package::zip::ZipReader reader(platform::systemEnv(), std::make_unique<test::MemoryFile>(bytes));
    for (const auto& e : reader.entries()) {
      (void)package::packageFolderOf(e.name);
      (void)package::unsafeNameReason(e.relativeName());
    }
    try {
      reader.validateForExtraction();
    } catch (const package::zip::ZipError&) {
    }
    for (size_t i = 0; i < reader.entries().size() && i < 64; ++i) {
      const uint64_t declared = reader.entries()[i].uncompressedSize;
      uint64_t produced = 0;
      try {
        reader.decode(i, [&](const unsigned char*, size_t n) {
          produced += n;
          if (produced > declared) __builtin_trap();  // output must stay within the declared size
        });
      } catch (const package::zip::ZipError&) {
        continue;
      }
      // A decode that ends without an error delivered the whole entry: a
      // short one would install a cut file as if it were whole.
      if (produced != declared) __builtin_trap();
    }
  } catch (const package::zip::ZipError&) {
  } catch (const platform::IoError&) {
  }
  return 0;
}
