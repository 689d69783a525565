// Creating an empty accessory database: the catalogue, the producer table and
// the accessory table with its primary key.
#include <exception>

#include "accessorydb/accessory_db.h"
#include "accessorydb/schema.h"

namespace accessorydb {

ColumnObject AccessoryDb::createCol(const std::string& Name, int Typ, int Size) {
  if (!mdbBase) throw EngineError("Brak katalogu bazy danych dla kolumny " + Name);
  return ColumnObject{mdbBase.get(), Name, Typ, Size};
}

TableObject AccessoryDb::createTableProducent() {
  TableObject table{kTableProducent, {}, {}};
  for (const auto& c : producentColumns()) table.columns.push_back(createCol(c.name, c.type, c.definedSize));
  return table;
}

TableObject AccessoryDb::createTableDodatki() {
  TableObject table{kTableDodatki, {}, {}};
  // ID carries no defined size, so it is made here rather than by createCol.
  if (!mdbBase) throw EngineError("Brak katalogu bazy danych dla kolumny ID");
  ColumnObject id;
  id.parentCatalog = mdbBase.get();
  id.name = kColumnId;
  id.type = adInteger;
  table.columns.push_back(id);
  table.keys.push_back(KeyObject{kPrimaryKeyName, adKeyPrimary, {kColumnId}});
  const auto& columns = dodatkiColumns();
  for (size_t i = 1; i < columns.size(); ++i)
    table.columns.push_back(createCol(columns[i].name, columns[i].type, columns[i].definedSize));
  return table;
}

bool AccessoryDb::MDBCreate(const std::string& Name) {
  bool result = false;
  if (env_.fileExists(Name)) {
    reporter_.info(2, "Znaleniono istniejący plik z dazą danych.");
    if (env_.deleteFile(Name))
      reporter_.info(2, "Usunięto istniejący plik z dazą danych.");
    else
      reporter_.info(1, "Błąd kasowania istniejącego pliku z dazą danych.");
  }
  try {
    reporter_.info(2, "Tworzenie pliku bazy danych.");
    mdbBase = engine_.makeCatalogue();
    mdbBase->createDatabase(Name);
    mdbBase->setConnection(Name);
    reporter_.info(2, "Tworzenie tabeli `info_roducent`");
    mdbBase->appendTable(createTableProducent());
    reporter_.info(2, "Tworzenie tabeli `Dodatki`");
    mdbBase->appendTable(createTableDodatki());
    mdbBase->close();
    reporter_.info(2, "Utworzono pustą bazę danych.");
    result = true;
  } catch (const std::exception& e) {
    // The catalogue goes first so the engine lets go of the file it is about
    // to lose.
    mdbBase.reset();
    reporter_.info(1, std::string("[Błąd tworzenia bazy danych MDB.] ") + e.what());
    if (env_.fileExists(Name) && env_.deleteFile(Name))
      reporter_.info(1, "Usunięto błędnie utworzony plik z dazą danych.");
  }
  mdbBase.reset();
  return result;
}

}  // namespace accessorydb
