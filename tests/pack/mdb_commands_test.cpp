// pack mdb create and pack mdb merge, run in-process on real files.
#include <gtest/gtest.h>

#include <cstdio>

#include "accessorydb/jet_engine.h"
#include "accessorydb/schema.h"
#include "tests/accessorydb/adb_fixture.h"
#include "tests/accessorydb/mdbtools.h"
#include "tests/support/temp_dir.h"
#include "jet/jet.h"
#include "tools/pack/commands.h"

namespace pack {
int runMdbCreate(const Args& args);
int runMdbMerge(const Args& args);
}  // namespace pack

namespace {

const std::string kProducers =
    "\xEF\xBB\xBFProducent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba\r\n"
    "Meblex,\"Meblex, Sp. z o.o.\",Długa 1,Łódź,90-001,42 1,42 2,biuro@meblex.pl,Anna\r\n";

std::string accessoriesHeader() {
  std::string h;
  for (const auto& c : accessorydb::dodatkiColumns()) {
    if (!h.empty()) h += ',';
    h += c.name;
  }
  return h + "\n";
}

// One accessory line; fields in table order with the given ID, Nazwa and Yes/No.
std::string accessoryLine(const std::string& id, const std::string& nazwa, const std::string& yesNo = "1") {
  std::string line;
  for (const auto& c : accessorydb::dodatkiColumns()) {
    std::string v = c.type == accessorydb::adInteger   ? id
                    : c.type == accessorydb::adBoolean ? yesNo
                    : std::string(c.name) == "Nazwa"   ? nazwa
                                                       : "x";
    if (!line.empty()) line += ',';
    line += v;
  }
  return line + "\n";
}

class MdbCommands : public testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_.path(name); }
  int create(const std::string& out, const std::string& producers, const std::string& accessories) {
    dir_.write("p.csv", producers);
    dir_.write("a.csv", accessories);
    testing::internal::CaptureStderr();
    const int rc = pack::runMdbCreate({"-o", out, "--producers", path("p.csv"), "--accessories", path("a.csv")});
    err_ = testing::internal::GetCapturedStderr();
    return rc;
  }
  test::TempDir dir_;
  std::string err_;
};

TEST_F(MdbCommands, CreateStoresTheRowsOfBothFiles) {
  const auto out = path("dodatki.mdb");
  ASSERT_EQ(create(out, kProducers,
                   accessoriesHeader() + accessoryLine("7", "Krzesło", "true") + accessoryLine("3", "Stół", "0")),
            0)
      << err_;
  auto engine = accessorydb::makeJetEngine(platform::systemEnv());
  const auto producers = test::readRows(*engine, out, accessorydb::kTableProducent);
  ASSERT_EQ(producers.size(), 1u);
  EXPECT_EQ(producers[0][1], accessorydb::FieldValue(std::string("Meblex, Sp. z o.o.")));
  EXPECT_EQ(producers[0][3], accessorydb::FieldValue(std::string("Łódź")));
  const auto accessories = test::readRows(*engine, out, accessorydb::kTableDodatki);
  ASSERT_EQ(accessories.size(), 2u);
  EXPECT_EQ(accessories[0][0], accessorydb::FieldValue(int32_t{7}));
  EXPECT_EQ(accessories[0][7], accessorydb::FieldValue(true));
  EXPECT_EQ(accessories[1][7], accessorydb::FieldValue(false));
  test::expectMdbtoolsReads(out, accessorydb::kTableDodatki, accessories);
  test::expectMdbtoolsReads(out, accessorydb::kTableProducent, producers);
}

TEST_F(MdbCommands, CreateRefusesWhatCannotBeStoredNamingTheLine) {
  struct Case {
    const char* name;
    std::string producers, accessories;
    std::string expected;  // part of the message
  };
  const std::string header = accessoriesHeader();
  const std::vector<Case> cases = {
      {"Yes/No not 1/0/true/false", kProducers, header + accessoryLine("1", "a", "tak"),
       "a.csv: line 2: column 'Dodatek_wst'"},
      {"ID not a number", kProducers, header + accessoryLine("1", "a") + accessoryLine("x1", "b"),
       "a.csv: line 3: column 'ID'"},
      {"duplicate ID", kProducers, header + accessoryLine("1", "a") + accessoryLine("1", "b"), "a.csv: line 3: "},
      {"text too long", kProducers, header + accessoryLine("1", std::string(101, 'n')),
       "a.csv: line 2: column 'Nazwa'"},
      {"unknown column", "Producent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba,Extra\n", header,
       "p.csv: line 1: unknown column 'Extra'"},
      {"missing column", "Producent,Nazwa\n", header, "p.csv: line 1: column 'Ulica' is missing"},
      {"field count", kProducers + "A,B\n", header, "p.csv: line 3: 2 fields"},
      {"unclosed quote", kProducers + "\"A,B\n", header, "p.csv: line 3: a quoted field is not closed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto out = path("dodatki.mdb");
    EXPECT_EQ(create(out, c.producers, c.accessories), 1);
    EXPECT_NE(err_.find(c.expected), std::string::npos) << err_;
    EXPECT_FALSE(platform::systemEnv().fileExists(out));
    EXPECT_FALSE(platform::systemEnv().fileExists(out + ".part"));
  }
  // A row refused late leaves a database made earlier under that name as it was.
  const auto out = path("dodatki.mdb");
  ASSERT_EQ(create(out, kProducers, header + accessoryLine("1", "a")), 0) << err_;
  const auto before = dir_.read("dodatki.mdb");
  EXPECT_EQ(create(out, kProducers, header + accessoryLine("2", "b") + accessoryLine("2", "c")), 1);
  EXPECT_EQ(dir_.read("dodatki.mdb"), before);
  EXPECT_FALSE(platform::systemEnv().fileExists(out + ".part"));
}

TEST_F(MdbCommands, MergeWritesANewFileAndLeavesTheInputsAlone) {
  ASSERT_EQ(create(path("old.mdb"), kProducers,
                   accessoriesHeader() + accessoryLine("5", "Stare") + accessoryLine("6", "DELETE")),
            0);
  ASSERT_EQ(create(path("new.mdb"), kProducers,
                   accessoriesHeader() + accessoryLine("5", "Nowe") + accessoryLine("9", "Dziewięć")),
            0);
  const auto oldBytes = dir_.read("old.mdb");
  const auto newBytes = dir_.read("new.mdb");
  dir_.write("out.mdb", "stary plik");

  testing::internal::CaptureStdout();
  const int rc = pack::runMdbMerge(
      {"--installed", path("old.mdb"), "--package", path("new.mdb"), "-o", path("out.mdb"), "--debug"});
  const auto printed = testing::internal::GetCapturedStdout();
  ASSERT_EQ(rc, 0) << printed;
  EXPECT_NE(printed.find("[NW] 9 : Dziewięć - dopisano\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find("Poprawnie przeniesiono dane.\n"), std::string::npos);
  auto engine = accessorydb::makeJetEngine(platform::systemEnv());
  std::vector<std::string> idAndNazwa;
  for (const auto& r : test::readRows(*engine, path("out.mdb"), accessorydb::kTableDodatki))
    idAndNazwa.push_back(accessorydb::valueAsText(r[0]) + " " + accessorydb::valueAsText(r[4]));
  EXPECT_EQ(idAndNazwa, (std::vector<std::string>{"5 Nowe", "9 Dziewięć"}));
  EXPECT_EQ(dir_.read("old.mdb"), oldBytes);
  EXPECT_EQ(dir_.read("new.mdb"), newBytes);
}

TEST_F(MdbCommands, MergeOutcomes) {
  ASSERT_EQ(create(path("new.mdb"), kProducers, accessoriesHeader() + accessoryLine("1", "a")), 0);
  struct Case {
    const char* name;
    pack::Args args;
    int rc;
    const char* printed;  // part of standard output
  };
  const std::vector<Case> cases = {
      {"package missing",
       {"--installed", path("old.mdb"), "--package", path("brak.mdb"), "-o", path("o1.mdb")},
       1,
       "Brak pliku: "},
      {"installed absent, quiet on success",
       {"--installed", path("old.mdb"), "--package", path("new.mdb"), "-o", path("o2.mdb")},
       0,
       ""},
      {"output is an input",
       {"--installed", path("old.mdb"), "--package", path("new.mdb"), "-o", path("new.mdb")},
       2,
       ""},
      {"missing option", {"--package", path("new.mdb"), "-o", path("o3.mdb")}, 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(pack::runMdbMerge(c.args), c.rc);
    const auto out = testing::internal::GetCapturedStdout();
    (void)testing::internal::GetCapturedStderr();
    if (*c.printed)
      EXPECT_NE(out.find(c.printed), std::string::npos) << out;
    else
      EXPECT_EQ(out, "");
  }
  EXPECT_TRUE(platform::systemEnv().fileExists(path("new.mdb")));
}

// Every empty text in a file the tools write sits in a column that lets Jet
// hold one (AllowZeroLength), so editing the row in Access keeps working; both
// tables, written by pack mdb create and by the merge.
TEST_F(MdbCommands, EmptyTextsSitOnlyInColumnsThatAllowThem) {
  const std::string producers =
      "Producent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba\n"
      "Meblex,Meblex,,Łódź,,,,,\n";
  std::string withEmpty = accessoryLine("4", "Szafka");
  withEmpty.replace(withEmpty.find(",x,"), 3, ",,");  // Producent left empty
  ASSERT_EQ(create(path("old.mdb"), producers, accessoriesHeader() + withEmpty), 0) << err_;
  ASSERT_EQ(create(path("new.mdb"), producers, accessoriesHeader() + accessoryLine("5", "Regał") + withEmpty), 0)
      << err_;
  testing::internal::CaptureStdout();
  ASSERT_EQ(pack::runMdbMerge({"--installed", path("old.mdb"), "--package", path("new.mdb"), "-o", path("out.mdb")}),
            0);
  (void)testing::internal::GetCapturedStdout();

  for (const char* file : {"new.mdb", "out.mdb"}) {
    auto db = jet::Database::open(platform::systemEnv(), path(file), false);
    for (const char* table : {accessorydb::kTableProducent, accessorydb::kTableDodatki}) {
      SCOPED_TRACE(std::string(file) + " " + table);
      const auto schema = db->schema(table);
      size_t empties = 0;
      for (const auto& c : schema.columns) EXPECT_EQ(c.allowZeroLength, c.type == jet::ColumnType::Text) << c.name;
      auto cur = db->openTable(table, false);
      for (cur->first(); !cur->atEnd(); cur->next())
        for (const auto& c : schema.columns) {
          const auto v = cur->get(c.name);
          if (const auto* s = std::get_if<std::string>(&v); s && s->empty()) {
            ++empties;
            EXPECT_TRUE(c.allowZeroLength) << c.name << " holds an empty text";
          }
        }
      EXPECT_GT(empties, 0u);  // the case is there to be checked
    }
  }
  // mdbtools reads the property from the file as Access would.
  if (test::haveMdbtools()) {
    FILE* p = popen(("mdb-prop '" + path("out.mdb") + "' Dodatki").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string printed;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) printed.append(buf, n);
    pclose(p);
    size_t yes = 0;
    for (size_t at = 0; (at = printed.find("AllowZeroLength: yes", at)) != std::string::npos; ++at) ++yes;
    size_t texts = 0;
    for (const auto& c : accessorydb::dodatkiColumns()) texts += c.type == accessorydb::adVarWChar;
    EXPECT_EQ(yes, texts) << printed;
  }
}

}  // namespace
