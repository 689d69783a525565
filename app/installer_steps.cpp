// The window's installation search, readiness check, destination entry and
// install command: forwards to target/ and install/, and the operations of
// the window's face those use.
#include "app/form1.h"
#include "install/install_command.h"
#include "target/target.h"

bool TForm1::searchInstallationPath() { return target::searchInstallationPath(installer()); }

void TForm1::CheckInstallationEnabled() { target::CheckInstallationEnabled(installer()); }

bool TForm1::CheckDestination() { return target::CheckDestination(installer()); }

void TForm1::CheckEdit() { target::CheckEdit(installer()); }

void TForm1::Edit1Click() {
  if (folderPicker_) target::Edit1Click(installer(), *folderPicker_);
}

void TForm1::useGivenDestination(const std::string& root) { target::useGivenDestination(installer(), root); }

void TForm1::ButtonInstallClick() { install::ButtonInstallClick(installer(), engine_); }

void TForm1::showDestinationEntry(bool shown) {
  Edit1.setVisible(shown);
  StaticText1.setVisible(shown);
}

void TForm1::hideInstall() {
  for (ui::Control* c : {&bnInstallNormal, &bnInstallHover, &bnInstallActive, &bnInstallDisable}) c->setVisible(false);
}
