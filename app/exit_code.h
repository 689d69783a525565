#pragma once
// The process exit code: what a run achieved, for deployment tools and for
// scripts that start the installer.
class TForm1;

enum ExitCode : int {
  kInstalled = 0,
  kInstallFailed = 1,   // the installed database was kept or restored
  kNoDestination = 2,   // no installation found, or the destination refused
  kCadBusy = 3,         // the CAD program runs or holds the database open
  kPackageDamaged = 4,  // the package is missing or damaged, or start-up failed
  kWrongCommandLine = 5,
};

// The code of what the window shows when the run ends. errorShown: an
// unexpected error ended a handler.
ExitCode exitCodeOf(TForm1& form, bool errorShown);
