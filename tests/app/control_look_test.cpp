// The look of every control as the window's design gives it: font, text and
// fill colour, how a picture fits, and whether the size follows the text. The
// Win32 layer draws these and decides none of them.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "tests/support/headless_form.h"

namespace ui {
void PrintTo(const Font& f, std::ostream* os) { *os << f.face << ' ' << f.pixels << " px" << (f.bold ? " bold" : ""); }
void PrintTo(const Colour& c, std::ostream* os) {
  *os << "RGB(" << +c.red << ", " << +c.green << ", " << +c.blue << ")";
}
}  // namespace ui

namespace {

using ui::Colour;
using ui::Font;
using ui::PictureFit;

const Font kTahoma11{"Tahoma", 11, false};
const Font kTahoma12Bold{"Tahoma", 12, true};
const std::optional<Colour> kSystem;  // the system's colour for the purpose

TEST(ControlLook, EveryControlAsDesigned) {
  test::HeadlessForm f;
  f.form.FormCreate();
  EXPECT_EQ(f.form.window().font(), kTahoma11);

  struct Case {
    const char* control;
    Font font;
    std::optional<Colour> text, fill;
    PictureFit fit;
    bool autoSize;
  } cases[] = {
      {"BG", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnCloseDisable", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnCloseActive", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnCloseHover", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnCloseNormal", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnInstallActive", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnInstallDisable", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnInstallHover", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"bnInstallNormal", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"MasterError", kTahoma11, kSystem, kSystem, PictureFit::CentreShrink, false},
      {"gauge", kTahoma11, kSystem, Colour{247, 148, 29}, PictureFit::TopLeft, false},
      {"InfoLabel", kTahoma12Bold, Colour{255, 0, 0}, kSystem, PictureFit::TopLeft, true},
      {"infoBox", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"Edit1", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
      {"StaticText1", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, true},
      {"ActivityIndicator", kTahoma11, kSystem, kSystem, PictureFit::TopLeft, false},
  };
  ASSERT_EQ(f.form.window().controls().size(), std::size(cases));
  for (const Case& c : cases) {
    const ui::Control& control = f.form.window()[c.control];
    EXPECT_EQ(f.form.window().fontOf(control), c.font) << c.control;
    EXPECT_EQ(control.textColour(), c.text) << c.control;
    EXPECT_EQ(control.fillColour(), c.fill) << c.control;
    EXPECT_EQ(control.pictureFit(), c.fit) << c.control;
    EXPECT_EQ(control.autoSize(), c.autoSize) << c.control;
  }
}

// A realisation mirrors what changes: each look property tells the observer
// once, and setting the value it already has tells nothing.
TEST(ControlLook, ChangesReachTheObserverOnce) {
  struct Counting : ui::ControlObserver {
    void controlChanged(ui::Control&) override { ++calls; }
    int calls = 0;
  };
  struct Case {
    const char* what;
    void (*set)(ui::Control&);
  } cases[] = {
      {"font",
       [](ui::Control& c) {
         c.setFont({"Tahoma", 12, true});
       }},
      {"text colour",
       [](ui::Control& c) {
         c.setTextColour({255, 0, 0});
       }},
      {"fill colour",
       [](ui::Control& c) {
         c.setFillColour({247, 148, 29});
       }},
      {"picture fit", [](ui::Control& c) { c.setPictureFit(PictureFit::CentreShrink); }},
      {"auto-size", [](ui::Control& c) { c.setAutoSize(true); }},
  };
  for (const Case& c : cases) {
    ui::Control control("c", ui::ControlKind::Label, {}, 0, true);
    Counting observer;
    control.setObserver(&observer);
    c.set(control);
    c.set(control);
    EXPECT_EQ(observer.calls, 1) << c.what;
  }
}

}  // namespace
