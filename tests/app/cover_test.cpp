#include <gtest/gtest.h>

#include "tests/support/headless_form.h"
#include "tests/support/jpeg_writer.h"

namespace {

using Lines = std::vector<std::string>;

struct CoverCase {
  const char* name;
  ui::Size screen;
  ui::Size picture;
  ui::Size window;
  int left, top;
  Lines lines;  // what setCover writes, centring included
};

TEST(SetCover, FitsOrScalesTheWindowAsDesigned) {
  const CoverCase cases[] = {
      {"design size fits",
       {1920, 1080},
       {1040, 585},
       {1040, 585},
       440,
       247,
       {"JPG: [1040x585]", "FormBorder: [0x0]", "Pic  [1040 x 585]", "BG.Picture  [1040 x 585]"}},
      {"too wide for 1024x768",
       {1024, 768},
       {1040, 585},
       {666, 375},
       179,
       196,
       {"JPG: [1040x585]", "FormBorder: [0x0]", "Reskalujemy okładkę do małego ekranu : [1024x768]",
        "scaleWidth x scaleHeight : [666x375]", "Form: [666x375]", "FormClient: [0x0]", "Pic  [666 x 375]",
        "BG.Picture  [666 x 375]", "Centrujemy  [ 179 - 196 ]"}},
      {"bigger picture fits",
       {1920, 1080},
       {1200, 600},
       {1200, 600},
       360,
       240,
       {"JPG: [1200x600]", "FormBorder: [0x0]", "Nowy Form: [1200x600]", "Pic  [1200 x 600]",
        "BG.Picture  [1200 x 600]", "Centrujemy  [ 360 - 240 ]"}},
      {"taller than the screen is enlarged to 65 %",
       {1920, 1080},
       {1000, 1200},
       {1248, 1498},
       336,
       -209,
       {"JPG: [1000x1200]", "FormBorder: [0x0]", "Reskalujemy okładkę do małego ekranu : [1920x1080]",
        "scaleWidth x scaleHeight : [1248x1498]", "Form: [1248x1498]", "FormClient: [0x0]", "Pic  [1248 x 1498]",
        "BG.Picture  [1248 x 1498]", "Centrujemy  [ 336 - -209 ]"}},
      {"exactly the screen fits",
       {1040, 585},
       {1040, 585},
       {1040, 585},
       0,
       0,
       {"JPG: [1040x585]", "FormBorder: [0x0]", "Pic  [1040 x 585]", "BG.Picture  [1040 x 585]"}},
      {"one pixel wider is scaled",
       {1039, 800},
       {1040, 585},
       {675, 380},
       182,
       210,
       {"JPG: [1040x585]", "FormBorder: [0x0]", "Reskalujemy okładkę do małego ekranu : [1039x800]",
        "scaleWidth x scaleHeight : [675x380]", "Form: [675x380]", "FormClient: [0x0]", "Pic  [675 x 380]",
        "BG.Picture  [675 x 380]", "Centrujemy  [ 182 - 210 ]"}},
      {"a 1290 wide screen gives 839",
       {1290, 500},
       {1300, 400},
       {839, 258},
       225,
       121,
       {"JPG: [1300x400]", "FormBorder: [0x0]", "Reskalujemy okładkę do małego ekranu : [1290x500]",
        "scaleWidth x scaleHeight : [839x258]", "Form: [839x258]", "FormClient: [0x0]", "Pic  [839 x 258]",
        "BG.Picture  [839 x 258]", "Centrujemy  [ 225 - 121 ]"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::HeadlessForm f({"/d"}, c.screen);
    f.form.FormCreate();
    // Start from the design window's centred place on this screen.
    const int left0 = f.form.window().left(), top0 = f.form.window().top();
    test::writeJpeg(f.tmp("install.jpg"), c.picture.width, c.picture.height);
    const size_t before = f.memo().size();
    f.form.setCover(f.tmp("install.jpg"));
    EXPECT_EQ(Lines(f.memo().begin() + long(before), f.memo().end()), c.lines);
    EXPECT_EQ(f.form.window().width(), c.window.width);
    EXPECT_EQ(f.form.window().height(), c.window.height);
    const bool moved = c.lines.back().rfind("Centrujemy", 0) == 0;
    EXPECT_EQ(f.form.window().left(), moved ? c.left : left0);
    EXPECT_EQ(f.form.window().top(), moved ? c.top : top0);
    EXPECT_TRUE(f.form.BG.visible());
    EXPECT_EQ(f.form.BG.bounds(), (ui::Bounds{0, 0, c.window.width, c.window.height}));
    ASSERT_TRUE(f.form.BG.picture());
    EXPECT_EQ(f.form.BG.picture()->width, c.window.width);
  }
}

TEST(SetCover, AShrunkWindowMovesTheAnchoredControls) {
  test::HeadlessForm f({}, {1024, 768});
  f.form.FormCreate();
  test::writeJpeg(f.tmp("install.jpg"), 1040, 585);
  f.form.setCover(f.tmp("install.jpg"));
  struct Where {
    ui::Control& control;
    ui::Bounds bounds;
  } expected[] = {
      {f.form.bnInstallNormal, {324, 317, 151, 50}},
      {f.form.bnCloseNormal, {500, 317, 151, 50}},
      {f.form.Edit1, {105, 198, 9, 19}},    // keeps 552 pixels to the right edge
      {f.form.gauge, {-5, 354, 1040, 34}},  // never moves
      {f.form.infoBox, {397, 63, 261, 87}},
      {f.form.MasterError, {5, 32, 67, 247}},
      {f.form.ActivityIndicator, {311, 135, 64, 64}},  // centre keeps its proportional place
  };
  for (const auto& e : expected) EXPECT_EQ(e.control.bounds(), e.bounds) << e.control.name();
}

TEST(SetCover, TheSamePictureAgainNeitherResizesNorRecentres) {
  test::HeadlessForm f({"/d"}, {1920, 1080});
  f.form.FormCreate();
  test::writeJpeg(f.tmp("install.jpg"), 1200, 600);
  f.form.setCover(f.tmp("install.jpg"));
  const size_t before = f.memo().size();
  f.form.setCover(f.tmp("install.jpg"));
  EXPECT_EQ(Lines(f.memo().begin() + long(before), f.memo().end()),
            (Lines{"JPG: [1200x600]", "FormBorder: [0x0]", "Pic  [1200 x 600]", "BG.Picture  [1200 x 600]"}));
}

TEST(SetCover, MissingFileChangesNothingAndABrokenOneRaises) {
  test::HeadlessForm f({"/d"});
  f.form.FormCreate();
  const size_t before = f.memo().size();
  f.form.setCover(f.tmp("install.jpg"));
  EXPECT_EQ(f.memo().size(), before);
  EXPECT_FALSE(f.form.BG.visible());

  f.dir.write("tmp/install.jpg", "this is not a picture");
  EXPECT_THROW(f.form.setCover(f.tmp("install.jpg")), std::exception);
  EXPECT_FALSE(f.form.BG.visible());
  EXPECT_EQ(f.form.window().width(), 1040);

  // Through the window's dispatch the error reaches the standard error box.
  f.form.window().dispatch([&] { f.form.setCover(f.tmp("install.jpg")); });
  ASSERT_EQ(f.host.errors.size(), 1u);
  EXPECT_EQ(f.host.errors[0].rfind("Instalator pakietów CAD: ", 0), 0u);
}

}  // namespace
