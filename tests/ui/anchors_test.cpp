#include <gtest/gtest.h>

#include "ui/headless/headless_host.h"
#include "ui/window.h"

namespace {

using ui::Bounds;

TEST(Anchors, PlaceControlsFromTheirDesignValues) {
  const ui::Size design{1040, 585}, client{666, 375};
  struct Case {
    const char* name;
    unsigned anchors;
    Bounds design, expected;
  } cases[] = {
      {"left top stays", ui::kAnchorLeft | ui::kAnchorTop, {-5, 354, 1040, 34}, {-5, 354, 1040, 34}},
      {"right bottom moves", ui::kAnchorRight | ui::kAnchorBottom, {874, 527, 151, 50}, {500, 317, 151, 50}},
      {"left right stretches",
       ui::kAnchorLeft | ui::kAnchorRight | ui::kAnchorBottom,
       {105, 408, 383, 19},
       {105, 198, 9, 19}},
      {"all four grow",
       ui::kAnchorLeft | ui::kAnchorTop | ui::kAnchorRight | ui::kAnchorBottom,
       {5, 32, 441, 457},
       {5, 32, 67, 247}},
      {"none keeps its centre's proportion", 0, {503, 228, 64, 64}, {311, 135, 64, 64}},
  };
  for (const auto& c : cases) EXPECT_EQ(ui::placeByAnchors(c.design, c.anchors, design, client), c.expected) << c.name;
}

TEST(Window, ResizingReplacesEveryControlAndBorderKeepsTheClientSize) {
  ui::HeadlessHost host;
  ui::Window w(host, "t", {1040, 585});
  auto& button = w.add("b", ui::ControlKind::Picture, {698, 527, 151, 50}, ui::kAnchorRight | ui::kAnchorBottom, true);
  w.setWidth(1200);
  w.setHeight(600);
  EXPECT_EQ(button.bounds(), (Bounds{858, 542, 151, 50}));
  w.setBordered(true);
  EXPECT_EQ(w.clientWidth(), 1200);
  EXPECT_EQ(w.width(), 1200 + host.frameSize(true).width);
}

TEST(Control, ProgressIsClampedAndTextChangesRaiseOnlyRealChanges) {
  ui::Control c("c", ui::ControlKind::Edit, {}, 0, true);
  int changes = 0;
  c.onChange = [&] { ++changes; };
  c.setText("a");
  c.setText("a");
  c.userEditedText("ab");
  c.userEditedText("ab");
  EXPECT_EQ(changes, 2);
  c.setValue(150);
  EXPECT_EQ(c.value(), 100);
  c.setValue(-3);
  EXPECT_EQ(c.value(), 0);
}

}  // namespace
