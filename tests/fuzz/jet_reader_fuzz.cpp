// libFuzzer target for the Jet reader: the input is a whole .mdb file. Every
// input must end in values or a jet::Error; crashes, hangs and runaway memory
// are the faults this looks for, and values no file can hold: texts that are
// not UTF-8, or more rows in a table than the slots of the file's pages (a
// scan that revisits pages).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "base/utf.h"
#include "jet/database_impl.h"
#include "jet/index_tree.h"
#include "jet/jet.h"
#include "platform/env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("jet_fuzz_" + std::to_string(::getpid()) + ".mdb")).string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  try {
    auto db = jet::Database::open(platform::systemEnv(), path, false);
    auto& impl = dynamic_cast<jet::detail::DatabaseImpl&>(*db);
    const size_t slots = size / 4096 * (4096 - 14) / 2;
    for (const auto& name : db->allTableNames()) {
      auto schema = db->schema(name);
      auto cur = db->openTable(name, false);
      size_t rows = 0;
      for (cur->first(); !cur->atEnd(); cur->next()) {
        if (++rows > slots) std::abort();
        for (const auto& c : schema.columns) {
          jet::Value v = cur->get(c.name);
          if (const auto* text = std::get_if<std::string>(&v); text && !base::isValidUtf8(*text)) std::abort();
        }
      }
      auto def = impl.definition(impl.findTable(name).page());
      for (const auto& ri : def.realIndexes) jet::detail::validateIndex(impl.file(), ri.rootPage);
    }
  } catch (const jet::Error&) {
  }
  return 0;
}
