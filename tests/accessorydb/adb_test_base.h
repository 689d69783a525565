#pragma once
// A test that runs once per engine, in a fresh folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/accessorydb/adb_fixture.h"
#include "tests/accessorydb/mdbtools.h"
#include "tests/accessorydb/recording_reporter.h"
#include "tests/support/temp_dir.h"

namespace test {

// Every engine these tests run on.
inline const std::vector<EngineKind> kEnginesUnderTest = {EngineKind::Memory, EngineKind::Jet};

class AdbTest : public testing::TestWithParam<EngineKind> {
 public:
  AdbTest() : eut_(makeEngine(GetParam(), platform::systemEnv())) {}

  accessorydb::Engine& engine() { return eut_->engine(); }
  platform::Env& env() { return platform::systemEnv(); }
  std::string path(const std::string& name) const { return dir_.path(name); }
  bool exists(const std::string& p) { return env().fileExists(p); }
  // Rows of a table, read by our engine and, for Jet files, checked against
  // what mdbtools reads.
  std::vector<Row> rowsOf(const std::string& file, const std::string& table) {
    auto rows = readRows(engine(), file, table);
    if (GetParam() == EngineKind::Jet) expectMdbtoolsReads(file, table, rows);
    return rows;
  }

  TempDir dir_;
  std::unique_ptr<EngineUnderTest> eut_;
};

// Expected lines; a text ending in "*" matches any text that begins with the
// rest (for the engine's own failure messages).
inline void expectLines(const std::vector<LogLine>& actual, const std::vector<LogLine>& expected) {
  ASSERT_EQ(actual.size(), expected.size()) << "got:\n"
                                            << [&] {
                                                 std::string s;
                                                 for (const auto& l : actual)
                                                   s += std::to_string(l.level) + " " + l.text + "\n";
                                                 return s;
                                               }();
  for (size_t i = 0; i < actual.size(); ++i) {
    const auto& e = expected[i];
    EXPECT_EQ(actual[i].level, e.level) << "line " << i << ": " << actual[i].text;
    if (!e.text.empty() && e.text.back() == '*')
      EXPECT_EQ(actual[i].text.rfind(e.text.substr(0, e.text.size() - 1), 0), 0u)
          << "line " << i << ": " << actual[i].text;
    else
      EXPECT_EQ(actual[i].text, e.text) << "line " << i;
  }
}

inline std::string engineParamName(const testing::TestParamInfo<EngineKind>& info) {
  return engineKindName(info.param);
}

}  // namespace test
