#pragma once
// The installer window. Its methods hold the window's own logic (start-up,
// log, cover, buttons, package discovery, finish and close); it does not
// draw: it sets properties of its controls in the window model, which the
// headless or the Win32 realisation shows.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "accessorydb/engine.h"
#include "platform/env.h"
#include "target/installer.h"
#include "ui/window.h"

namespace ui {
class FolderPicker;
}

// The installation search, the readiness check, the destination entry and
// the install command live below, in target/ and install/, and see the window
// only as an InstallerWindow; the methods of those names forward to them.
class TForm1 : public InstallerWindow, public InstallerState {
 public:
  // args: the command-line arguments after the program name. engine: the
  // database engine the accessory database is merged with.
  TForm1(platform::Env& env, accessorydb::Engine& engine, ui::Host& host, std::vector<std::string> args);
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
  void setCover(const std::string& cover) override;
  void CenterForm();

  // Image buttons.
  void bnInstallSetDisable() override;
  void bnInstallSetEnable() override;
  void bnInstallSetHover();
  void bnInstallSetActive() override;
  void bnInstallEnter();
  void bnInstallLeave();
  void bnCloseSetEnable() override;
  void bnCloseSetDisable() override;
  void bnCloseEnter();
  void bnCloseLeave();

  // Finish and close.
  void SetFinish() override;
  void CloseClick();

  // Package discovery.
  bool searchPackages();

  // Target discovery.
  bool searchInstallationPath();
  void CheckInstallationEnabled();
  bool CheckDestination();
  void CheckEdit();
  void Edit1Click();
  // The destination root given on the command line, in place of the search.
  void useGivenDestination(const std::string& root);

  // The accessory database.
  bool MDBCreate(const std::string& Name);
  bool CopyMdb(const std::string& nw, const std::string& od, const std::string& dn);

  // The install command.
  void ButtonInstallClick();
  // Whether Install was clicked, and whether its command came to its end.
  bool installStarted() const { return installStarted_; }
  bool installEnded() const { return installEnded_; }

  // The window's face towards the logic below it.
  std::string destinationText() const override { return Edit1.text(); }
  void setDestinationText(const std::string& text) override { Edit1.setText(text); }
  void showDestinationEntry(bool shown) override;
  void setStatusText(const std::string& text) override { InfoLabel.setText(text); }
  void showStatus(bool shown) override { InfoLabel.setVisible(shown); }
  void showProgress(bool shown) override { gauge.setVisible(shown); }
  bool installOffered() const override { return bnInstallNormal.visible() || bnInstallHover.visible(); }
  void hideInstall() override;

  // Window state beside the installer's (InstallerState).
  int log_level = 1;
  std::string sourceZip;
  // From the command line: the destination root that replaces the search.
  std::optional<std::string> givenDestination;
  // Receives every line written at the log level in force (the log file).
  std::function<void(const std::string&)> logSink;

 private:
  void buildDesign();
  char sep() const { return env_.separator(); }
  Installer installer() { return Installer{env_, *this, *this}; }

  platform::Env& env_;
  accessorydb::Engine& engine_;
  ui::Window window_;
  std::vector<std::string> args_;
  ui::FolderPicker* folderPicker_ = nullptr;
  bool installRan_ = false;
  bool installStarted_ = false;
  bool installEnded_ = false;

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
