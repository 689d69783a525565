// A new, empty Jet 4 file: the header page, the global usage map, the system
// tables with their maps and index roots, then their first rows.
#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/database_impl.h"
#include "jet/system_catalogue.h"

namespace jet::detail {
namespace {

// Rebuilds a data page from its rows (used for page 1 when row 0 grows).
Page buildDataPage(uint32_t owner, const std::vector<std::vector<uint8_t>>& rows) {
  Page p = newDataPage(owner);
  for (const auto& r : rows) {
    if (!rowFits(p, r.size())) fail("the database is too large for its global usage map");
    addRow(p, r);
  }
  return p;
}

// Global map: the pages of the new file in use, every later page free.
std::vector<uint8_t> newGlobalMap() {
  auto global = emptyInlineMap();
  for (size_t bit = kNewFilePages; bit < (global.size() - kInlineMapBitmap) * 8; ++bit) setInlineMapBit(global, bit);
  return global;
}

void writeFixedPages(PageFile& file) {
  auto header = buildHeaderPage();
  file.write(0, Page(header.begin(), header.end()));
  file.write(1, buildDataPage(1, {newGlobalMap(), std::vector<uint8_t>(kInlineMapRowSize, 0)}));
  TableIds sys = systemTables();
  for (const auto& t : sys.tables) file.write(t.page, layoutTdefPages(serializeTdef(t), {t.page})[0]);
  file.write(kPageSystemMaps, buildDataPage(0, sys.mapRows));
  const uint32_t rootOwners[] = {kPageMSysObjects,      kPageMSysObjects,       kPageMSysACEs,
                                 kPageMSysQueries,      kPageMSysRelationships, kPageMSysRelationships,
                                 kPageMSysRelationships};
  for (size_t i = 0; i < sys.indexRoots.size(); ++i) file.write(sys.indexRoots[i], emptyIndexLeaf(rootOwners[i]));
  file.write(kPageMSysObjectsData, newDataPage(kPageMSysObjects));
  file.write(kPageMSysACEsData, newDataPage(kPageMSysACEs));
  file.flush(false);
}

}  // namespace
}  // namespace jet::detail

namespace jet {

std::unique_ptr<Database> Database::create(platform::Env& env, const std::string& path) {
  using namespace detail;
  std::unique_ptr<platform::File> f;
  try {
    f = env.openFile(path, platform::Access::ReadWrite, platform::Creation::CreateNew, platform::Sharing::DenyNone);
  } catch (const platform::IoError& e) {
    fail(std::string("cannot create the database: ") + e.what());
  }
  // A half-made file is removed; when even that fails, the error that
  // stopped the creation is still the one to report.
  try {
    PageFile file(std::move(f), true);
    writeFixedPages(file);
  } catch (...) {
    (void)env.deleteFile(path);
    throw;
  }
  try {
    auto db = std::make_unique<DatabaseImpl>(env, path, true);
    db->writeInitialCatalogue();
    db->writeHeldPages(false);
    return db;
  } catch (...) {
    (void)env.deleteFile(path);
    throw;
  }
}

}  // namespace jet
