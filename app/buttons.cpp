// The Install and Close image buttons: four stacked pictures each, of which
// the operations show at most one. What a click or the pointer does depends on
// which picture shows and whether it takes input.
#include "app/form1.h"

void TForm1::bnInstallSetDisable() {
  info(2, "Blokujemy klawisz INSTALL");
  for (ui::Control* c : {&bnInstallHover, &bnInstallActive, &bnInstallNormal, &bnInstallDisable})
    c->setInputEnabled(false);
  bnInstallHover.setVisible(false);
  bnInstallActive.setVisible(false);
  bnInstallNormal.setVisible(false);
  bnInstallDisable.setVisible(true);
}

void TForm1::bnInstallSetEnable() {
  info(2, "Odblokowywujemy klawisz INSTALL");
  for (ui::Control* c : {&bnInstallHover, &bnInstallActive, &bnInstallNormal, &bnInstallDisable})
    c->setInputEnabled(false);
  bnInstallHover.setVisible(false);
  bnInstallActive.setVisible(false);
  bnInstallDisable.setVisible(false);
  bnInstallNormal.setVisible(true);
  bnInstallNormal.setInputEnabled(true);
  setCover(tmpDir + picInstall);
}

void TForm1::bnInstallSetHover() {
  info(2, "SET HOVER na klawiszu INSTALL");
  for (ui::Control* c : {&bnInstallHover, &bnInstallActive, &bnInstallNormal, &bnInstallDisable})
    c->setInputEnabled(false);
  bnInstallActive.setVisible(false);
  bnInstallDisable.setVisible(false);
  bnInstallNormal.setVisible(false);
  bnInstallHover.setVisible(true);
  bnInstallHover.setInputEnabled(true);
}

void TForm1::bnInstallSetActive() {
  info(2, "SET ACTIVE na klawiszu INSTALL");
  for (ui::Control* c : {&bnInstallHover, &bnInstallActive, &bnInstallNormal, &bnInstallDisable})
    c->setInputEnabled(false);
  bnInstallDisable.setVisible(false);
  bnInstallHover.setVisible(false);
  bnInstallNormal.setVisible(false);
  bnInstallActive.setVisible(true);
  bnInstallActive.setInputEnabled(true);
}

void TForm1::bnInstallEnter() {
  info(2, "SET bnInstallEnter na klawiszu INSTALL");
  if (bnInstallNormal.visible()) bnInstallSetHover();
}

void TForm1::bnInstallLeave() {
  info(2, "SET bnInstallLeave na klawiszu INSTALL");
  if (bnInstallHover.visible()) bnInstallSetEnable();
}

void TForm1::bnCloseSetEnable() {
  for (ui::Control* c : {&bnCloseDisable, &bnCloseNormal, &bnCloseHover, &bnCloseActive}) c->setVisible(false);
  bnCloseNormal.setVisible(true);
}

void TForm1::bnCloseSetDisable() {
  for (ui::Control* c : {&bnCloseDisable, &bnCloseNormal, &bnCloseHover, &bnCloseActive}) c->setVisible(false);
  bnCloseDisable.setVisible(true);
}

void TForm1::bnCloseEnter() {
  bnCloseHover.setVisible(true);
  bnCloseNormal.setVisible(false);
}

void TForm1::bnCloseLeave() {
  bnCloseHover.setVisible(false);
  bnCloseNormal.setVisible(true);
}
