#pragma once
// The installer window. Its methods hold the installer's logic; it does not
// draw: it sets properties of its controls in the window model, which the
// headless or the Win32 realisation shows.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "ui/reporter.h"
#include "ui/window.h"

namespace ui {
class FolderPicker;
}

class TForm1 : public ui::Reporter {
 public:
  // args: the command-line arguments after the program name.
  TForm1(platform::Env& env, ui::Host& host, std::vector<std::string> args);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  ui::Window& window() { return window_; }
  platform::Env& env() { return env_; }
  // The folder picker behind Edit1's click (none: a click picks nothing).
  void setFolderPicker(ui::FolderPicker* picker) { folderPicker_ = picker; }

  // Window creation and start-up.
  void FormCreate();
  void Timer1Timer();
  void AfterShow();

  // Diagnostic log.
  void info(int lvl, const std::string& txt) override;
  void setProgress(int percent) override;
  void stillWorking() override;
  int logLevel() const override { return log_level; }

  // Layout and cover.
  void setCover(const std::string& cover);
  void CenterForm();

  // Image buttons.
  void bnInstallSetDisable();
  void bnInstallSetEnable();
  void bnInstallSetHover();
  void bnInstallSetActive();
  void bnInstallEnter();
  void bnInstallLeave();
  void bnCloseSetEnable();
  void bnCloseSetDisable();
  void bnCloseEnter();
  void bnCloseLeave();

  // Finish and close.
  void SetFinish();
  void CloseClick();

  // Package discovery.
  bool searchPackages();

  // Target discovery.
  bool searchInstallationPath();
  void CheckInstallationEnabled();
  bool CheckDestination();
  void CheckEdit();
  void Edit1Click();

  // The accessory database.
  bool MDBCreate(const std::string& Name);
  bool CopyMdb(const std::string& nw, const std::string& od, const std::string& dn);

  // The install command.
  void ButtonInstallClick();

  // Installer state. Folder values end with the separator.
  std::string strFolder;
  std::string tmpDir;
  std::string picCover, picInstall, picFinish;
  int log_level = 1;
  bool pack = false;
  bool destination = false;
  bool ready = false;
  std::string sourceZip;
  std::string filePackageZip, fileModelsZip, fileMaterialsZip;
  std::string packageName;

 private:
  void buildDesign();
  char sep() const { return env_.separator(); }
  // The destination root as the install command and readiness check use it.
  std::string trimmedDestination() const;

  platform::Env& env_;
  ui::Window window_;
  std::vector<std::string> args_;
  ui::FolderPicker* folderPicker_ = nullptr;
  bool installRan_ = false;

 public:
  // Controls, by their design names.
  ui::Control& BG;
  ui::Control& bnCloseDisable;
  ui::Control& bnCloseActive;
  ui::Control& bnCloseHover;
  ui::Control& bnCloseNormal;
  ui::Control& bnInstallActive;
  ui::Control& bnInstallDisable;
  ui::Control& bnInstallHover;
  ui::Control& bnInstallNormal;
  ui::Control& MasterError;
  ui::Control& gauge;
  ui::Control& InfoLabel;
  ui::Control& infoBox;
  ui::Control& Edit1;
  ui::Control& StaticText1;
  ui::Control& ActivityIndicator;
};

// The command-line rule: the first argument, ASCII letters lowered, is one of
// "/d", "/debug", "d", "debug".
bool isDiagnosticSwitch(const std::vector<std::string>& args);

// Removes leading and trailing characters of code 32 or less.
std::string trimControl(const std::string& s);
