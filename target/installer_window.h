#pragma once
// The installer window as the installation search, the readiness check, the
// destination entry and the install command see it: log lines and progress,
// the destination text, the status line, and the operations of the Install
// and Close buttons. The window (TForm1) realises it; the logic never sees
// the window's controls.
#include <string>

#include "report/reporter.h"

class InstallerWindow : public report::Reporter {
 public:
  // The destination field's text (Edit1). Setting a different text runs the
  // field's change handling, as typing does.
  virtual std::string destinationText() const = 0;
  virtual void setDestinationText(const std::string& text) = 0;
  // The destination field and its caption.
  virtual void showDestinationEntry(bool shown) = 0;

  // The status line (InfoLabel): its text, and whether it shows.
  virtual void setStatusText(const std::string& text) = 0;
  virtual void showStatus(bool shown) = 0;
  virtual void showProgress(bool shown) = 0;

  // Whether Install is offered: its normal or hover picture shows.
  virtual bool installOffered() const = 0;
  virtual void bnInstallSetEnable() = 0;
  virtual void bnInstallSetDisable() = 0;
  virtual void bnInstallSetActive() = 0;
  // No picture of Install shows at all.
  virtual void hideInstall() = 0;
  virtual void bnCloseSetEnable() = 0;
  virtual void bnCloseSetDisable() = 0;

  virtual void SetFinish() = 0;
  virtual void setCover(const std::string& cover) = 0;
};
