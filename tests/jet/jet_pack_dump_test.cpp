// `pack mdb dump` run as a program, on files the engine writes and on fixtures.
#include <gtest/gtest.h>

#include "tests/jet/jet_test_support.h"
#include "tests/oracles/oracles.h"
#include "tests/support/temp_dir.h"

namespace {

struct PackRun {
  std::string out;
  int status;
};

PackRun pack(const std::string& args) {
  std::string cmd = std::string(PACK_EXE) + " " + args + " 2>/dev/null";
  PackRun r;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST(PackMdbDump, CsvOfOneTableFollowsRfc4180) {
  test::TempDir dir;
  std::string path = dir.path("d.mdb");
  {
    auto db = jettest::createAccessoryDb(path);
    auto p = db->openTable("info_producent", true);
    const std::vector<std::vector<std::string>> rows = {
        {"Łódź, Polska", "say \"hi\"", "two\r\nlines", "", "00-950", "+48 22", "-", "a@b.pl", "Zażółć"},
        {"plain", "x", "y", "z", "1", "2", "3", "4", "5"},
    };
    for (const auto& r : rows) {
      p->insert();
      for (size_t i = 0; i < r.size(); ++i) p->set(jettest::producentDef().columns[i].name, r[i]);
      p->post();
    }
    auto d = db->openTable("Dodatki", true);
    jettest::fillDodatki(*d, 4);
    d->post();
    jettest::fillDodatki(*d, -5);
    d->post();
  }
  auto q = oracle::shellQuote(path);
  PackRun r = pack("mdb dump " + q + " --table info_producent --format csv");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Producent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba\r\n"
            "\"Łódź, Polska\",\"say \"\"hi\"\"\",\"two\r\nlines\",,00-950,+48 22,-,a@b.pl,Zażółć\r\n"
            "plain,x,y,z,1,2,3,4,5\r\n");
  r = pack("mdb dump " + q + " --table Dodatki --format csv");
  EXPECT_EQ(r.status, 0);
  auto lines = oracle::parseCsv(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0][26].first, "typ_standardowy");
  EXPECT_EQ(lines[0][23].first, "wymiar X");
  EXPECT_EQ(lines[1][0].first, "4");
  EXPECT_EQ(lines[1][7].first, "1");  // Yes/No as 1/0
  EXPECT_EQ(lines[2][0].first, "-5");
  EXPECT_EQ(lines[2][7].first, "0");
}

TEST(PackMdbDump, NullsAreEmptyFieldsAndOtherFormatsWork) {
  REQUIRE_FIXTURES();
  auto f = oracle::shellQuote(jettest::fixtureDir() + "overflowTestV2000.mdb");
  PackRun r = pack("mdb dump " + f + " --table Table1 --format csv");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\r\nrow1col1,,,,,,,,\r\n"), std::string::npos) << r.out;
  r = pack("mdb dump " + f);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Table Table1 (7 rows)"), std::string::npos);
  EXPECT_NE(r.out.find("row1col1,NULL,NULL"), std::string::npos);
  r = pack("mdb dump " + f + " --format json");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("[\"row1col1\",null,null,null,null,null,null,null,null]"), std::string::npos) << r.out;
}

TEST(PackMdbDump, UsageAndFailures) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"mdb", 2},
      {"mdb --help", 0},
      {"mdb dump --help", 0},
      {"mdb merge a b", 2},  // not this command's business
      {"mdb dump", 2},
      {"mdb dump x.mdb --format xml", 2},
      {"mdb dump x.mdb --format csv", 2},  // csv needs --table
      {"mdb dump /no/such/file.mdb", 1},
  };
  for (const auto& [args, status] : cases) EXPECT_EQ(pack(args).status, status) << args;
  test::TempDir dir;
  dir.write("bad.mdb", std::string(8192, 'x'));
  EXPECT_EQ(pack("mdb dump " + oracle::shellQuote(dir.path("bad.mdb"))).status, 1);
  if (jettest::haveFixtures()) {
    EXPECT_EQ(pack("mdb dump " + oracle::shellQuote(jettest::fixtureDir() + "empty.mdb") + " --table Nope --format csv")
                  .status,
              1);
  }
}

}  // namespace
