// libFuzzer target for the Jet reader: the input is a whole .mdb file. Every
// input must end in values or a jet::Error; crashes, hangs and runaway memory
// are the faults this looks for.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

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
    for (const auto& name : db->allTableNames()) {
      auto schema = db->schema(name);
      auto cur = db->openTable(name, false);
      for (cur->first(); !cur->atEnd(); cur->next())
        for (const auto& c : schema.columns) cur->get(c.name);
      auto def = impl.definition(impl.findTable(name).page());
      for (const auto& ri : def.realIndexes) jet::detail::validateIndex(impl.file(), ri.rootPage);
    }
  } catch (const jet::Error&) {
  }
  return 0;
}
