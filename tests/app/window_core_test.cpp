#include <gtest/gtest.h>

#include "tests/support/headless_form.h"

namespace {

using Lines = std::vector<std::string>;

TEST(CommandLine, OnlyTheFirstArgumentInAnyAsciiCaseSwitchesDiagnosticsOn) {
  struct Case {
    std::vector<std::string> args;
    bool diagnostic;
  } cases[] = {
      {{"/d"}, true},  {{"/DEBUG"}, true},  {{"Debug"}, true},   {{"debug"}, true},     {{"D"}, true},
      {{"-d"}, false}, {{"/dbg"}, false},   {{"/x"}, false},     {{"debugger"}, false}, {{"x", "/d"}, false},
      {{}, false},     {{"/d", "x"}, true}, {{"/Dębug"}, false},
  };
  for (const auto& c : cases) {
    test::HeadlessForm f(c.args);
    f.form.FormCreate();
    EXPECT_EQ(f.form.log_level, c.diagnostic ? 2 : 1) << (c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(f.form.infoBox.visible(), c.diagnostic);
  }
}

TEST(FormCreate, DiagnosticModeWritesItsLinesInOrder) {
  test::HeadlessForm f({"/d"}, {1920, 1080});
  f.form.FormCreate();
  const Lines& memo = f.memo();
  ASSERT_GE(memo.size(), 4u);
  EXPECT_EQ(memo.front(), "Ustawiono parametr DEBUG");
  // The destination field's check runs in between (its lines start with "Sprawdzamy folder").
  const Lines tail(memo.end() - 3, memo.end());
  EXPECT_EQ(tail, (Lines{"Inicjalizacja.", "Screen [1920 x 1080 ]", "Centrujemy  [ 440 - 247 ]"}));
  EXPECT_EQ(f.form.window().left(), 440);
  EXPECT_EQ(f.form.window().top(), 247);
}

TEST(FormCreate, SetsTheInitialStateAndWorkingFolder) {
  test::HeadlessForm f;
  f.form.FormCreate();
  const char s = f.env.separator();
  EXPECT_EQ(f.form.tmpDir, f.dir.root() + s + "tmp" + s);
  EXPECT_TRUE(f.env.dirExists(f.form.tmpDir));
  EXPECT_EQ(f.form.sourceZip, f.form.tmpDir + "packages.zip");
  EXPECT_EQ(f.form.strFolder, "C:\\");
  EXPECT_EQ(f.form.Edit1.text(), "C:\\");
  EXPECT_EQ(f.form.InfoLabel.text(), "");
  EXPECT_FALSE(f.form.gauge.visible());
  EXPECT_TRUE(f.form.ActivityIndicator.visible());
  EXPECT_TRUE(f.form.window().timerEnabled());
  EXPECT_TRUE(f.form.window().colourKey());
  EXPECT_EQ(f.form.picCover + f.form.picInstall + f.form.picFinish, "cover.jpginstall.jpgfinish.jpg");
  EXPECT_FALSE(f.form.pack || f.form.destination || f.form.ready);
  EXPECT_TRUE(f.memo().empty());  // level 1 shows none of the trace lines
}

TEST(Info, LevelsDecideWhereALineGoes) {
  test::HeadlessForm normal;
  normal.form.FormCreate();
  normal.form.info(2, "trace");
  EXPECT_TRUE(normal.memo().empty());
  EXPECT_EQ(normal.form.InfoLabel.text(), "");
  normal.form.info(1, "first");
  normal.form.info(1, "second");
  EXPECT_EQ(normal.form.InfoLabel.text(), "second");
  EXPECT_EQ(normal.memo(), (Lines{"first", "second"}));
  EXPECT_FALSE(normal.form.infoBox.visible());

  test::HeadlessForm debug({"/d"});
  debug.form.FormCreate();
  const size_t before = debug.memo().size();
  debug.form.info(2, "trace");
  debug.form.info(1, "line one\r\nline two");
  debug.form.info(1, "");
  EXPECT_EQ(Lines(debug.memo().begin() + long(before), debug.memo().end()),
            (Lines{"trace", "line one", "line two", ""}));
  EXPECT_EQ(debug.form.InfoLabel.text(), "");
}

TEST(Info, AHiddenLabelStillTakesTheText) {
  test::HeadlessForm f;
  f.form.FormCreate();
  f.form.SetFinish();
  f.form.info(1, "after finish");
  EXPECT_FALSE(f.form.InfoLabel.visible());
  EXPECT_EQ(f.form.InfoLabel.text(), "after finish");
}

TEST(Timer, FirstTickDisablesTheTimerAndRunsTheStartUpOnce) {
  test::HeadlessForm f;
  f.form.FormCreate();
  ASSERT_TRUE(f.form.window().timerEnabled());
  EXPECT_EQ(f.form.window().timerInterval(), 1000);
  f.form.window().onTimer();
  EXPECT_FALSE(f.form.window().timerEnabled());
}

}  // namespace
