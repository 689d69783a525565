// The tables that database creation writes, read back from the file and
// compared with the schema the CAD program expects, written out here.
#include <gtest/gtest.h>

#include "accessorydb/accessory_db.h"
#include "accessorydb/jet_engine.h"
#include "jet/jet.h"
#include "tests/accessorydb/mdbtools.h"
#include "tests/accessorydb/recording_reporter.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tests/oracles/oracles.h"
#endif

namespace {

constexpr int adInteger = 3, adBoolean = 11, adVarWChar = 202;

struct ExpectedColumn {
  std::string name;
  int type;  // ADO data type code
  int size;  // defined size; 0 where none is set
};

const std::vector<ExpectedColumn> kDodatki = {
    {"ID", adInteger, 0},
    {"Producent", adVarWChar, 30},
    {"Grupa", adVarWChar, 30},
    {"Typ", adVarWChar, 30},
    {"Nazwa", adVarWChar, 100},
    {"JPG", adVarWChar, 30},
    {"Kod_Producenta", adVarWChar, 30},
    {"Dodatek_wst", adBoolean, 0},
    {"Kod_Wstawiania", adVarWChar, 3},
    {"Kolor", adVarWChar, 30},
    {"DWG", adVarWChar, 30},
    {"Wysokosc", adVarWChar, 10},
    {"Opis_Produktu", adVarWChar, 255},
    {"Kod_Dodatku1", adVarWChar, 30},
    {"Kod_Dodatku2", adVarWChar, 30},
    {"Kod_Dodatku3", adVarWChar, 30},
    {"Kod_Dodatku4", adVarWChar, 30},
    {"Opis_Koloru", adVarWChar, 255},
    {"cena", adVarWChar, 50},
    {"vat", adVarWChar, 50},
    {"marza", adVarWChar, 50},
    {"upust", adVarWChar, 50},
    {"kolorystyka", adVarWChar, 50},
    {"wymiar X", adVarWChar, 50},
    {"wymiar Y", adVarWChar, 50},
    {"wymiar Z", adVarWChar, 50},
    {"typ_standardowy", adVarWChar, 250},
};

const std::vector<ExpectedColumn> kInfoProducent = {
    {"Producent", adVarWChar, 50}, {"Nazwa", adVarWChar, 50},  {"Ulica", adVarWChar, 50},
    {"Miasto", adVarWChar, 50},    {"kod", adVarWChar, 10},    {"Tel", adVarWChar, 50},
    {"Fax", adVarWChar, 50},       {"e_mail", adVarWChar, 50}, {"osoba", adVarWChar, 50},
};

struct ExpectedTable {
  std::string name;
  const std::vector<ExpectedColumn>& columns;
  std::string primaryKey;  // its name; empty: no key and no index
  std::string keyColumn;
};

const std::vector<ExpectedTable> kTables = {{"info_producent", kInfoProducent, "", ""},
                                            {"Dodatki", kDodatki, "Primary", "ID"}};

int adoType(jet::ColumnType t) {
  switch (t) {
    case jet::ColumnType::Long: return adInteger;
    case jet::ColumnType::Boolean: return adBoolean;
    case jet::ColumnType::Text: return adVarWChar;
    default: return -static_cast<int>(t);
  }
}

class SchemaReadback : public ::testing::Test {
 protected:
  void SetUp() override {
    engine = accessorydb::makeJetEngine(env);
    test::RecordingReporter log;
    accessorydb::AccessoryDb db(log, env, *engine);
    ASSERT_TRUE(db.MDBCreate(file));
  }
  platform::Env& env = platform::systemEnv();
  test::TempDir dir;
  std::string file = dir.path("dodatki.mdb");
  std::unique_ptr<accessorydb::Engine> engine;
};

TEST_F(SchemaReadback, TablesColumnsTypesSizesRequiredFlagsAndKeysAreTheExpectedOnes) {
  auto db = jet::Database::open(env, file, false);
  EXPECT_EQ(db->tableNames(), (std::vector<std::string>{"info_producent", "Dodatki"}));
  for (const auto& t : kTables) {
    const jet::TableSchema schema = db->schema(t.name);
    ASSERT_EQ(schema.columns.size(), t.columns.size()) << t.name;
    for (size_t i = 0; i < t.columns.size(); ++i) {
      const auto& want = t.columns[i];
      const auto& got = schema.columns[i];
      const std::string where = t.name + "." + want.name;
      EXPECT_EQ(got.name, want.name) << where;
      EXPECT_EQ(adoType(got.type), want.type) << where;
      EXPECT_EQ(got.maxChars, want.size) << where;
      // No nullable attribute: text and integer columns refuse nulls. What
      // a Yes/No column does with one is the engine's matter.
      if (want.type != adBoolean) {
        EXPECT_TRUE(got.required) << where;
      }
    }
    if (t.primaryKey.empty()) {
      EXPECT_TRUE(schema.indexes.empty()) << t.name;
    } else {
      ASSERT_EQ(schema.indexes.size(), 1u) << t.name;
      EXPECT_EQ(schema.indexes[0].name, t.primaryKey);
      EXPECT_TRUE(schema.indexes[0].primaryKey);
      EXPECT_EQ(schema.indexes[0].columns, std::vector<std::string>{t.keyColumn});
    }
  }
}

#ifndef _WIN32
// The same file as mdbtools, a reader independent of ours, reads it.
TEST_F(SchemaReadback, MdbtoolsReadsTheSameSchema) {
  if (!test::haveMdbtools()) GTEST_SKIP() << "mdbtools (mdb-schema) is not installed";
  for (const auto& t : kTables) {
    const std::string ddl =
        oracle::run("mdb-schema --not-null -T " + oracle::shellQuote(t.name) + " " + oracle::shellQuote(file));
    std::string expected;
    for (const auto& c : t.columns) {
      const std::string type = c.type == adInteger   ? "Long Integer"
                               : c.type == adBoolean ? "Boolean"
                                                     : "Text (" + std::to_string(c.size) + ")";
      expected += "\t[" + c.name + "]\t\t\t" + type + " NOT NULL" + (&c == &t.columns.back() ? "\n" : ", \n");
    }
    const size_t open = ddl.find("(\n");
    const size_t close = ddl.find(");", open);
    ASSERT_NE(close, std::string::npos) << ddl;
    EXPECT_EQ(ddl.substr(open + 2, close - open - 2), expected) << t.name;

    const std::string pg = oracle::run("mdb-schema --indexes -T " + oracle::shellQuote(t.name) + " " +
                                       oracle::shellQuote(file) + " postgres");
    const bool keyed = pg.find("PRIMARY KEY (\"id\")") != std::string::npos;
    EXPECT_EQ(keyed, !t.primaryKey.empty()) << pg;
  }
}
#endif

}  // namespace
