// Merging the package's accessory database and the installed one into the
// destination: producers first, accessories second, each in two passes.
//
// Matching follows a simple rule: a search looks through a table from its
// first row and stops at the first row with an equal key, the rows posted
// earlier in the same merge included. Rather than scanning, the package's keys
// are read once and both tables keep a map from key to first position, which
// returns that same first row. In diagnostic mode the rows such a search looks
// at are still written to the log, one line each, up to the match.
//
// A package row's other columns are read only when the row is written, so a
// package may leave out the columns of rows it only marks for deletion.
#include <exception>
#include <optional>
#include <vector>

#include "accessorydb/accessory_db.h"
#include "accessorydb/first_positions.h"
#include "accessorydb/package_db_check.h"
#include "accessorydb/schema.h"

namespace accessorydb {

namespace {

// What distinguishes the merge of one table from that of the other.
struct MergeRules {
  const char* table;
  const char* key;
  const std::vector<ColumnSpec>& copyList;
  // A marked installed record without a package counterpart is left out.
  bool dropMarkedInstalled;
  const char* secondPassHeading;
  // The second pass's per-record line names the record's Nazwa and is written
  // only for unmarked records.
  bool describeAddedRecord;
};

const MergeRules kProducentRules{
    kTableProducent, kColumnProducent, producentColumns(), false, "Przenosimy z dodatki_new.mdb", false};
const MergeRules kDodatkiRules{kTableDodatki, kColumnId, dodatkiColumns(), true, "Przenosimy dodatki z dodatki_new.mdb",
                               true};

}  // namespace

struct AccessoryDb::MergeContext {
  std::string nw, od, dn;
  std::unique_ptr<Connection> DNconnection, ODConnection, NWconnection;
  std::unique_ptr<TableCursor> DNTable, NWTable, ODTable;
  bool findRec = false;

  void closeCursors() {
    DNTable.reset();
    NWTable.reset();
    ODTable.reset();
  }
  // Cursors go before the connections they were opened through.
  void release() {
    closeCursors();
    DNconnection.reset();
    NWconnection.reset();
    ODConnection.reset();
  }
};

class AccessoryDb::TableMerge {
 public:
  TableMerge(AccessoryDb& db, MergeContext& ctx, const MergeRules& rules)
      : db_(db), ctx_(ctx), rules_(rules), diag_(db.reporter_.logLevel() >= 2) {
    for (const auto& c : rules_.copyList) copyNames_.push_back(c.name);
  }

  void run() {
    setUpCursors();
    loadPackage();
    // Room for the rows the destination holds and gains, which are mostly
    // about as many as the package and the installed table hold.
    destinationFirst_.reserve(2 * package_.size());
    loadDestination();
    if (db_.env_.fileExists(ctx_.od)) firstPass();
    secondPass();
    closeCursors();
  }

 private:
  struct PackageRow {
    uint64_t place = 0;  // the row's bookmark in the package table
    FieldValue key;
    std::string keyText;
    std::string nazwaText;
    bool marked = false;
  };

  void trace(const std::string& line) { db_.reporter_.info(2, line); }

  void setUpCursors() {
    ctx_.DNTable.reset();
    ctx_.DNTable = ctx_.DNconnection->openTable(rules_.table, true);
    ctx_.DNTable->first();
    ctx_.NWTable.reset();
    ctx_.NWTable = ctx_.NWconnection->openTable(rules_.table, false);
    ctx_.NWTable->first();
    if (db_.env_.fileExists(ctx_.od)) {
      ctx_.ODTable.reset();
      ctx_.ODTable = ctx_.ODConnection->openTable(rules_.table, false);
      ctx_.ODTable->first();
    }
  }

  void closeCursors() {
    ctx_.DNTable.reset();
    ctx_.NWTable.reset();
    if (db_.env_.fileExists(ctx_.od)) ctx_.ODTable.reset();
  }

  void loadPackage() {
    auto& nw = *ctx_.NWTable;
    for (nw.first(); !nw.atEnd(); nw.next()) {
      db_.reporter_.stillWorking();
      PackageRow row;
      row.place = nw.bookmark();
      row.key = nw.value(rules_.key);
      if (diag_) row.keyText = valueAsText(row.key);
      row.nazwaText = nw.asText(kColumnNazwa);
      row.marked = row.nazwaText == kDeletionMarker;
      packageFirst_.add(row.key, package_.size());
      package_.push_back(std::move(row));
    }
  }

  void loadDestination() {
    auto& dn = *ctx_.DNTable;
    for (dn.first(); !dn.atEnd(); dn.next()) {
      db_.reporter_.stillWorking();
      noteDestinationRow(dn.value(rules_.key));
    }
    dn.first();
  }

  void noteDestinationRow(const FieldValue& key) {
    destinationFirst_.add(key, destinationCount_);
    ++destinationCount_;
    if (diag_) destinationKeyTexts_.push_back(valueAsText(key));
  }

  // The package row a search from the first row stops at, if any.
  std::optional<size_t> findInPackage(const FieldValue& key) const { return packageFirst_.find(key); }
  std::optional<size_t> findInDestination(const FieldValue& key) const { return destinationFirst_.find(key); }

  void writePackageRow(const PackageRow& p) {
    auto& dn = *ctx_.DNTable;
    auto& nw = *ctx_.NWTable;
    nw.moveTo(p.place);
    dn.postCopy(nw, copyNames_);
    noteDestinationRow(p.key);
  }

  void writeInstalledRow(const FieldValue& key) {
    ctx_.DNTable->postCopy(*ctx_.ODTable, copyNames_);
    noteDestinationRow(key);
  }

  void firstPass() {
    auto& od = *ctx_.ODTable;
    for (od.first(); !od.atEnd(); od.next()) {
      db_.reporter_.stillWorking();
      const FieldValue key = od.value(rules_.key);
      const std::string nazwa = od.asText(kColumnNazwa);
      const std::string keyText = diag_ ? valueAsText(key) : std::string();
      if (diag_) trace("[" + keyText + "] : " + nazwa);
      ctx_.findRec = false;
      const auto match = findInPackage(key);
      if (diag_) {
        const size_t examined = match ? *match + 1 : package_.size();
        for (size_t j = 0; j < examined; ++j) trace(package_[j].keyText + " : " + keyText);
      }
      ctx_.findRec = match.has_value();
      if (ctx_.findRec) {
        if (!package_[*match].marked) writePackageRow(package_[*match]);
      } else if (!(rules_.dropMarkedInstalled && nazwa == kDeletionMarker)) {
        writeInstalledRow(key);
      }
    }
  }

  void secondPass() {
    if (diag_) trace(rules_.secondPassHeading);
    for (const auto& p : package_) {
      db_.reporter_.stillWorking();
      if (!rules_.describeAddedRecord && diag_) trace("[NW] " + p.keyText);
      if (p.marked) continue;
      if (rules_.describeAddedRecord && diag_) trace("[NW] " + p.keyText + " : " + p.nazwaText + " - dopisano");
      ctx_.findRec = false;
      const auto match = findInDestination(p.key);
      if (diag_) {
        const size_t examined = match ? *match + 1 : destinationCount_;
        for (size_t j = 0; j < examined; ++j) trace("[DN] " + destinationKeyTexts_[j]);
      }
      ctx_.findRec = match.has_value();
      if (!ctx_.findRec) writePackageRow(p);
    }
  }

  AccessoryDb& db_;
  MergeContext& ctx_;
  const MergeRules& rules_;
  const bool diag_;
  std::vector<std::string> copyNames_;
  std::vector<PackageRow> package_;
  FirstPositions packageFirst_;
  FirstPositions destinationFirst_;
  size_t destinationCount_ = 0;
  std::vector<std::string> destinationKeyTexts_;  // kept for the diagnostic lines only
};

namespace {

// The destination is built under this name beside it and takes its own name
// only when complete, so a merge that stops half way (a failure, a killed
// process, a full disk) never leaves a half-built database under that name.
constexpr const char* kBuildSuffix = ".~merge";
constexpr size_t kCopyChunk = 1 << 20;

// Copies the file at `from` to a new file at `to`; IoError on failure.
void copyFile(platform::Env& env, const std::string& from, const std::string& to) {
  auto in = env.openFile(from, platform::Access::Read, platform::Creation::OpenExisting, platform::Sharing::DenyNone);
  auto out = env.openFile(to, platform::Access::ReadWrite, platform::Creation::CreateNew, platform::Sharing::DenyWrite);
  std::string buffer(kCopyChunk, '\0');
  for (uint64_t at = 0;;) {
    const size_t n = in->readAt(at, buffer.data(), buffer.size());
    if (n == 0) break;
    out->writeAt(at, buffer.data(), n);
    at += n;
  }
}

// Makes the built file durable and gives it the destination's name.
void putInPlace(platform::Env& env, const std::string& built, const std::string& dn) {
  env.openFile(built, platform::Access::ReadWrite, platform::Creation::OpenExisting, platform::Sharing::DenyWrite)
      ->sync();
  if (!env.renameReplace(built, dn)) throw platform::IoError("Błąd zmiany nazwy pliku " + built + " na " + dn);
}

}  // namespace

bool AccessoryDb::CopyMdb(const std::string& nw, const std::string& od, const std::string& dn) {
  bool result = false;
  const std::string built = dn + kBuildSuffix;
  // Left by a merge that was interrupted; nothing else uses it.
  if (env_.fileExists(built)) (void)env_.deleteFile(built);
  const bool created = !env_.fileExists(dn);
  if (created) {
    reporter_.info(2, "Brak pliku docelowego. Tworzymy nowy.");
    if (!MDBCreate(built)) {
      reporter_.info(1, "Błąd tworzenia pliku docelowego: " + dn);
      return false;
    }
  } else {
    // The merges add to an existing destination: they work on a copy of it.
    try {
      copyFile(env_, dn, built);
    } catch (const platform::IoError& e) {
      reporter_.info(1, e.what());
      // A copy that stays behind is removed by the next merge before it starts.
      if (env_.fileExists(built)) (void)env_.deleteFile(built);
      reporter_.info(1, "Błąd tworzenia pliku docelowego: " + dn);
      return false;
    }
  }
  if (!env_.fileExists(nw)) {
    reporter_.info(1, "Brak pliku: " + nw);
    // A destination created here is a complete empty database: it stays.
    bool placed = false;
    if (created) {
      try {
        putInPlace(env_, built, dn);
        placed = true;
      } catch (const platform::IoError&) {
      }
    }
    if (!placed) (void)env_.deleteFile(built);  // else removed by the next merge
    return false;
  }
  reporter_.info(2, "Znaleniono oba istniejące pliki z dazą danych.");

  MergeContext ctx;
  ctx.nw = nw;
  ctx.od = od;
  ctx.dn = dn;
  auto mergeInfoProducent = [&] { TableMerge(*this, ctx, kProducentRules).run(); };
  auto mergeDodatki = [&] { TableMerge(*this, ctx, kDodatkiRules).run(); };

  try {
    reporter_.info(2, "Tworzymy połączenie do " + dn);
    ctx.DNconnection = engine_.openConnection(built, true);
    if (env_.fileExists(od)) {
      reporter_.info(2, "Tworzymy połączenie do " + od);
      ctx.ODConnection = engine_.openConnection(od, false);
    }
    reporter_.info(2, "Tworzymy połączenie do " + nw);
    ctx.NWconnection = engine_.openConnection(nw, false);
    requireUsablePackage(*ctx.NWconnection);
    mergeInfoProducent();
    mergeDodatki();
    ctx.closeCursors();
    ctx.DNconnection->close();
    reporter_.info(2, "Poprawnie przeniesiono dane.");
    ctx.release();
    putInPlace(env_, built, dn);
    result = true;
  } catch (const std::exception& e) {
    reporter_.info(1, e.what());
    ctx.release();
    // The file must be closed before it can be removed on Windows. A built
    // file that cannot be removed now is removed by the next merge before it
    // starts; the install restores dn from its backup whether or not it went.
    if (env_.fileExists(built)) (void)env_.deleteFile(built);
    if (env_.fileExists(dn)) (void)env_.deleteFile(dn);
  }
  return result;
}

}  // namespace accessorydb
