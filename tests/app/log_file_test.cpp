// The /LOG= file: the lines of the memo at the log level in force, each with
// its time, appended as UTF-8 with CR LF.
#include <gtest/gtest.h>

#include "app/log_file.h"
#include "tests/support/headless_form.h"

namespace {

const LogFile::Clock kFixedTime = [] { return std::string("2026-03-01 08:15:00"); };

TEST(LogFile, AppendsEachLineWithItsTimeAndCrLf) {
  test::TempDir dir;
  dir.write("kat.log", "earlier run\r\n");
  {
    LogFile log(platform::systemEnv(), dir.path("kat.log"), kFixedTime);
    log.write("Wyłącz program CAD VIREL i spróbuj ponownie.");
    log.write("first\nsecond\r\nthird\r");  // an error text with line breaks
    log.write("");
  }
  EXPECT_EQ(dir.read("kat.log"),
            "earlier run\r\n"
            "2026-03-01 08:15:00 Wyłącz program CAD VIREL i spróbuj ponownie.\r\n"
            "2026-03-01 08:15:00 first\r\n2026-03-01 08:15:00 second\r\n2026-03-01 08:15:00 third\r\n"
            "2026-03-01 08:15:00 \r\n");
}

TEST(LogFile, IsCreatedWhenMissingAndRefusedInAMissingFolder) {
  test::TempDir dir;
  LogFile(platform::systemEnv(), dir.path("nowy.log"), kFixedTime).write("Inicjalizacja.");
  EXPECT_EQ(dir.read("nowy.log"), "2026-03-01 08:15:00 Inicjalizacja.\r\n");
  EXPECT_THROW(LogFile(platform::systemEnv(), dir.path("brak") + test::TempDir::sep() + "x.log"), platform::IoError);
}

TEST(LogFile, TheTimeIsTheLocalDateAndTime) {
  const std::string t = LogFile::localTimeNow();
  ASSERT_EQ(t.size(), 23u) << t;
  for (size_t i : {4u, 7u}) EXPECT_EQ(t[i], '-');
  EXPECT_EQ(t[10], ' ');
  for (size_t i : {13u, 16u}) EXPECT_EQ(t[i], ':');
  EXPECT_EQ(t[19], '.');
  for (size_t i : {20u, 21u, 22u}) EXPECT_TRUE(t[i] >= '0' && t[i] <= '9') << t;
}

// The file holds what the memo holds, at either log level.
TEST(LogFile, HoldsTheMemoLinesAtTheLogLevelInForce) {
  for (const bool diagnostic : {false, true}) {
    SCOPED_TRACE(diagnostic ? "diagnostic" : "plain");
    test::HeadlessForm f(diagnostic ? std::vector<std::string>{"/d"} : std::vector<std::string>{});
    LogFile log(f.env, f.dir.path("run.log"), kFixedTime);
    f.form.logSink = [&log](const std::string& text) { log.write(text); };
    f.form.FormCreate();
    f.form.info(1, "Nie znaleziono oprogramowania CAD. Wskaż poprawny katalog.");
    f.form.info(2, "Kontrola możliwości instalacji.");
    f.form.info(1, "Brak pliku: a\r\nb");
    std::string expected;
    for (const auto& line : f.memo()) expected += "2026-03-01 08:15:00 " + line + "\r\n";
    EXPECT_EQ(f.dir.read("run.log"), expected);
    EXPECT_EQ(f.memo().size(), diagnostic ? 10u : 3u);
  }
}

}  // namespace
