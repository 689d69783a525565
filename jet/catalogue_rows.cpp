// Rows of the system tables MSysObjects and MSysACEs: those every new file
// starts with, and the catalogue row and access rights of a new table.
#include <chrono>

#include "jet/bytes.h"
#include "jet/database_impl.h"
#include "jet/system_catalogue.h"

namespace jet::detail {
namespace {

constexpr double kUnixEpochAsOleDate = 25569.0;
constexpr double kSecondsPerDay = 86400.0;

double nowAsOleDate() {
  using namespace std::chrono;
  double seconds = double(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count()) / 1000.0;
  return kUnixEpochAsOleDate + seconds / kSecondsPerDay;
}

void setByName(const TableDefinition& def, std::vector<Value>& values, const char* name, Value v) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].name == name) {
      values[i] = std::move(v);
      return;
    }
  fail(std::string("damaged database: a system table has no column ") + name);
}

}  // namespace

void DatabaseImpl::writeInitialCatalogue() {
  double now = nowAsOleDate();
  TableDefinition objects = definition(kPageMSysObjects);
  for (const auto& r : jetCatalogueRows()) {
    std::vector<Value> v(objects.columns.size());
    setByName(objects, v, "Id", r.id);
    setByName(objects, v, "ParentId", r.parentId);
    setByName(objects, v, "Name", r.name);
    setByName(objects, v, "Type", int32_t(r.type));
    setByName(objects, v, "DateCreate", now);
    setByName(objects, v, "DateUpdate", now);
    setByName(objects, v, "Owner", Bytes(r.owner));
    setByName(objects, v, "Flags", r.flags);
    insertRow(kPageMSysObjects, v);
  }
  writeAceRows(jetAceRows());
}

void DatabaseImpl::writeTableCatalogueRows(const TableDefinition& td, const std::string& name,
                                           const std::vector<uint8_t>& columnProperties) {
  double now = nowAsOleDate();
  TableDefinition objects = definition(kPageMSysObjects);
  std::vector<Value> v(objects.columns.size());
  setByName(objects, v, "Id", int32_t(td.page));
  setByName(objects, v, "ParentId", kIdTables);
  setByName(objects, v, "Name", name);
  setByName(objects, v, "Type", kTypeTable);
  setByName(objects, v, "DateCreate", now);
  setByName(objects, v, "DateUpdate", now);
  setByName(objects, v, "Owner", Bytes(sidAdmin()));
  setByName(objects, v, "Flags", int32_t(0));
  setByName(objects, v, "LvProp", Bytes(columnProperties));
  insertRow(kPageMSysObjects, v);
  writeAceRows(userTableAceRows(int32_t(td.page)));
}

void DatabaseImpl::writeAceRows(const std::vector<AceRow>& rows) {
  TableDefinition aces = definition(kPageMSysACEs);
  for (const auto& a : rows) {
    std::vector<Value> v(aces.columns.size());
    setByName(aces, v, "ObjectId", a.objectId);
    setByName(aces, v, "SID", Bytes(a.sid));
    setByName(aces, v, "ACM", a.acm);
    setByName(aces, v, "FInheritable", a.inheritable);
    insertRow(kPageMSysACEs, v);
  }
}

}  // namespace jet::detail
