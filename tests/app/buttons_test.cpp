#include <gtest/gtest.h>

#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

using Lines = std::vector<std::string>;

// Which Install picture shows, and which pictures take input.
std::string installState(TForm1& f) {
  std::string s;
  for (ui::Control* c : {&f.bnInstallNormal, &f.bnInstallHover, &f.bnInstallActive, &f.bnInstallDisable}) {
    if (c->visible())
      s += c->name() + (c->takesInput() ? "+input " : " ");
    else if (c->inputEnabled())
      s += "(hidden " + c->name() + " with input) ";
  }
  return s.empty() ? "none" : s.substr(0, s.size() - 1);
}

std::string closeState(TForm1& f) {
  std::string s;
  for (ui::Control* c : {&f.bnCloseNormal, &f.bnCloseHover, &f.bnCloseActive, &f.bnCloseDisable})
    if (c->visible()) s += c->name() + " ";
  return s.empty() ? "none" : s.substr(0, s.size() - 1);
}

TEST(InstallButton, TransitionsAsDesigned) {
  test::HeadlessForm f;
  f.form.FormCreate();
  auto& F = f.form;
  EXPECT_EQ(installState(F),
            "(hidden bnInstallNormal with input) (hidden bnInstallHover with input) "
            "(hidden bnInstallActive with input) (hidden bnInstallDisable with input)");
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* state;
  } steps[] = {
      {"disable", [&] { F.bnInstallSetDisable(); }, "bnInstallDisable"},
      {"enter while disabled changes nothing", [&] { F.bnInstallEnter(); }, "bnInstallDisable"},
      {"enable", [&] { F.bnInstallSetEnable(); }, "bnInstallNormal+input"},
      {"pointer enters the normal picture", [&] { F.bnInstallNormal.onEnter(); }, "bnInstallHover+input"},
      {"enable again from hover", [&] { F.bnInstallSetEnable(); }, "bnInstallNormal+input"},
      {"hover", [&] { F.bnInstallNormal.onEnter(); }, "bnInstallHover+input"},
      {"pointer leaves the hover picture", [&] { F.bnInstallHover.onLeave(); }, "bnInstallNormal+input"},
      {"leave while hover is hidden changes nothing", [&] { F.bnInstallLeave(); }, "bnInstallNormal+input"},
      {"active", [&] { F.bnInstallSetActive(); }, "bnInstallActive+input"},
      {"finish leaves no picture", [&] { F.SetFinish(); }, "none"},
      {"finish twice is the same", [&] { F.SetFinish(); }, "none"},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(installState(F), s.state) << s.what;
  }
  EXPECT_FALSE(F.InfoLabel.visible());
  EXPECT_FALSE(F.gauge.visible());
}

TEST(InstallButton, OnlyTheHoverPictureStartsTheInstallAndPointersMatchTheState) {
  test::HeadlessForm f;
  f.form.FormCreate();
  auto& F = f.form;
  EXPECT_FALSE(F.bnInstallNormal.onClick);  // a click on the normal picture does nothing
  EXPECT_TRUE(F.bnInstallHover.onClick);
  EXPECT_FALSE(F.bnInstallActive.onClick || F.bnInstallDisable.onClick);
  EXPECT_EQ(F.bnInstallNormal.pointer(), ui::Pointer::Hand);
  EXPECT_EQ(F.bnInstallHover.pointer(), ui::Pointer::Hand);
  EXPECT_EQ(F.bnInstallActive.pointer(), ui::Pointer::Arrow);
  EXPECT_EQ(F.bnInstallDisable.pointer(), ui::Pointer::NotAllowed);
  EXPECT_EQ(F.bnCloseDisable.pointer(), ui::Pointer::NotAllowed);
  // The disabled Install picture takes no input, so its not-allowed sign never shows;
  // the disabled Close picture keeps its input on, so it does.
  F.bnInstallSetDisable();
  F.bnCloseSetDisable();
  EXPECT_FALSE(F.bnInstallDisable.takesInput());
  EXPECT_TRUE(F.bnCloseDisable.takesInput());
}

TEST(InstallButton, EnterThenLeaveWritesItsLinesThenTheCoverLines) {
  test::HeadlessForm f({"/d"});
  f.form.FormCreate();
  test::writeJpeg(f.tmp("install.jpg"), 1040, 585);
  f.form.bnInstallSetEnable();
  const size_t before = f.memo().size();
  f.form.bnInstallNormal.onEnter();
  f.form.bnInstallHover.onLeave();
  EXPECT_EQ(Lines(f.memo().begin() + long(before), f.memo().end()),
            (Lines{"SET bnInstallEnter na klawiszu INSTALL", "SET HOVER na klawiszu INSTALL",
                   "SET bnInstallLeave na klawiszu INSTALL", "Odblokowywujemy klawisz INSTALL", "JPG: [1040x585]",
                   "FormBorder: [0x0]", "Pic  [1040 x 585]", "BG.Picture  [1040 x 585]"}));
}

TEST(InstallButton, EventsForHiddenPicturesWriteTheirLineAndChangeNothing) {
  test::HeadlessForm f({"/d"});
  f.form.FormCreate();
  f.form.bnInstallSetDisable();
  const size_t before = f.memo().size();
  f.form.bnInstallEnter();
  f.form.bnInstallLeave();
  EXPECT_EQ(Lines(f.memo().begin() + long(before), f.memo().end()),
            (Lines{"SET bnInstallEnter na klawiszu INSTALL", "SET bnInstallLeave na klawiszu INSTALL"}));
  EXPECT_EQ(installState(f.form), "bnInstallDisable");
}

TEST(CloseButton, TransitionsAsDesigned) {
  test::HeadlessForm f({"/d"});
  f.form.FormCreate();
  auto& F = f.form;
  const size_t before = f.memo().size();
  struct Step {
    std::function<void()> act;
    const char* state;
  } steps[] = {
      {[&] {}, "none"},
      {[&] { F.bnCloseSetEnable(); }, "bnCloseNormal"},
      {[&] { F.bnCloseNormal.onEnter(); }, "bnCloseHover"},
      {[&] { F.bnCloseHover.onLeave(); }, "bnCloseNormal"},
      {[&] { F.bnCloseSetDisable(); }, "bnCloseDisable"},
      {[&] { F.bnCloseLeave(); }, "bnCloseNormal bnCloseDisable"},  // leave has no test of its own
      {[&] { F.bnCloseSetEnable(); }, "bnCloseNormal"},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(closeState(F), s.state);
  }
  EXPECT_EQ(f.memo().size(), before);  // the Close operations write nothing
  for (ui::Control* c : {&F.bnCloseNormal, &F.bnCloseHover, &F.bnCloseActive, &F.bnCloseDisable})
    EXPECT_TRUE(c->inputEnabled());
}

}  // namespace
