// The deployment switches read from the raw command line.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/form1.h"

namespace {

TEST(CommandLine, SwitchesAnywhereInAnyCaseAndTheDestinationTakesTheRest) {
  struct Case {
    const char* arguments;
    bool silent;
    const char* destination;  // nullptr: none
    const char* logFile;      // nullptr: none
    const char* wrong;
  } cases[] = {
      {"", false, nullptr, nullptr, ""},
      {"/S", true, nullptr, nullptr, ""},
      {"/s", true, nullptr, nullptr, ""},
      {"/d /S", true, nullptr, nullptr, ""},
      {"/SS /Silent -S", false, nullptr, nullptr, ""},
      {"/x /S /LOG=C:\\logi\\kat.log", true, nullptr, "C:\\logi\\kat.log", ""},
      {"/log=\"C:\\moje logi\\kat.log\" /S", true, nullptr, "C:\\moje logi\\kat.log", ""},
      {"\"/LOG=C:\\moje logi\\kat.log\"", false, nullptr, "C:\\moje logi\\kat.log", ""},
      {"/S /D=C:\\Program Files\\CadVirel v. 2.0\\", true, "C:\\Program Files\\CadVirel v. 2.0\\", nullptr, ""},
      // A quoted path may end with a backslash: it is not an escaped quote.
      {"/S /D=\"D:\\Orvanta\\CAD Virel\\\"", true, "D:\\Orvanta\\CAD Virel\\", nullptr, ""},
      {"/d=E:\\CAD\\ ", false, "E:\\CAD\\", nullptr, ""},
      // Everything after /D= is the path, switches included.
      {"/D=E:\\CAD /S\\", false, "E:\\CAD /S\\", nullptr, ""},
      {"\"/D=D:\\Orvanta\\CAD Virel\\\" /S", true, "D:\\Orvanta\\CAD Virel\\", nullptr, ""},
      {"/S /D=", true, nullptr, nullptr, "/D="},
      {"/S /D=\"E:\\CAD\\", true, nullptr, nullptr, "/D=\"E:\\CAD\\"},
      {"/S /LOG=", true, nullptr, nullptr, "/LOG="},
      {"/S /LOG=\"C:\\a b.log", true, nullptr, nullptr, "/LOG=C:\\a b.log"},
      {"  /S\t/LOG=x.log  ", true, nullptr, "x.log", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const Switches sw = parseSwitches(c.arguments);
    EXPECT_EQ(sw.silent, c.silent);
    EXPECT_EQ(sw.destination.value_or("<none>"), c.destination ? c.destination : "<none>");
    EXPECT_EQ(sw.logFile.value_or("<none>"), c.logFile ? c.logFile : "<none>");
    EXPECT_EQ(sw.wrong, c.wrong);
  }
}

TEST(CommandLine, TheProgramNameIsSkippedAsWindowsReadsIt) {
  struct Case {
    const char* line;
    const char* arguments;
  } cases[] = {
      {"installer.exe", ""},
      {"installer.exe /S", "/S"},
      {"\"C:\\Pobrane pliki\\instalator.exe\" /S /D=C:\\CAD\\", "/S /D=C:\\CAD\\"},
      {"\"C:\\Pobrane pliki\\instalator.exe\"/S", "/S"},
      {"C:\\x\\instalator.exe   \t /d", "/d"},
  };
  for (const auto& c : cases) EXPECT_EQ(argumentsOf(c.line), c.arguments) << c.line;
}

TEST(CommandLine, TheDeploymentSwitchesLeaveTheDiagnosticSwitchAlone) {
  EXPECT_TRUE(isDiagnosticSwitch({"/d", "/S"}));
  EXPECT_FALSE(isDiagnosticSwitch({"/S", "/d"}));
  EXPECT_FALSE(isDiagnosticSwitch({"/D=C:\\CAD\\"}));
}

}  // namespace
