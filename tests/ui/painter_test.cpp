// The Win32 painter draws the look each control's model gives it: fill and
// text colours, font and picture fit. Runs under Wine; no window needed.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>

#include "ui/headless/headless_host.h"
#include "ui/win32/gdi.h"
#include "ui/win32/painter.h"

namespace {

using ui::ControlKind;
using ui::win32::Bitmap;
using ui::win32::MemoryDc;
using ui::win32::Selection;

constexpr int kW = 120, kH = 60;
constexpr ui::Colour kGreen{10, 200, 30};
constexpr COLORREF kGreenRef = RGB(10, 200, 30);

std::shared_ptr<ui::Image> solid(int w, int h, uint32_t argb) {
  auto image = std::make_shared<ui::Image>();
  image->width = w;
  image->height = h;
  image->pixels.assign(size_t(w) * size_t(h), argb);
  return image;
}

// Paints the whole client area of `window` into a bitmap and reads it back.
class Canvas {
 public:
  explicit Canvas(const ui::Window& window)
      : screen_(GetDC(nullptr)), mem_(screen_), bmp_(CreateCompatibleBitmap(screen_, kW, kH)) {
    Selection selected(mem_.get(), bmp_.get());
    painter_.paint(mem_.get(), window, RECT{0, 0, kW, kH}, window.controls().size());
  }
  ~Canvas() { ReleaseDC(nullptr, screen_); }
  COLORREF at(int x, int y) const {
    Selection selected(mem_.get(), bmp_.get());
    return GetPixel(mem_.get(), x, y);
  }
  int count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) n += at(x, y) == colour;
    return n;
  }

 private:
  HDC screen_;
  MemoryDc mem_;
  Bitmap bmp_;
  ui::win32::Painter painter_;
};

TEST(Painter, DrawsTheLookTheModelGives) {
  ui::HeadlessHost host;
  const COLORREF background = GetSysColor(COLOR_WINDOW);
  struct Case {
    const char* what;
    ControlKind kind;
    ui::Bounds bounds;
    std::function<void(ui::Control&)> set;
    std::function<void(const Canvas&)> check;
  } cases[] = {
      {"a full progress bar in its fill colour",
       ControlKind::ProgressBar,
       {0, 0, kW, 20},
       [](ui::Control& c) {
         c.setFillColour(kGreen);
         c.setValue(100);
       },
       [](const Canvas& canvas) {
         EXPECT_EQ(canvas.at(2, 2), kGreenRef);
         EXPECT_EQ(canvas.at(kW - 3, 17), kGreenRef);
       }},
      {"a half progress bar: the fill ends in the middle",
       ControlKind::ProgressBar,
       {0, 0, kW, 20},
       [](ui::Control& c) {
         c.setFillColour(kGreen);
         c.setValue(50);
       },
       [&](const Canvas& canvas) {
         EXPECT_EQ(canvas.at(2, 2), kGreenRef);
         EXPECT_EQ(canvas.at(kW - 3, 2), background);
       }},
      {"a label in its text colour",
       ControlKind::Label,
       {4, 4, 0, 14},
       [](ui::Control& c) {
         c.setText("INSTALUJ");
         c.setTextColour(kGreen);
         c.setFont({"Tahoma", 12, true});
       },
       [](const Canvas& canvas) { EXPECT_GT(canvas.count(kGreenRef), 20); }},
      {"a picture from the top-left corner, unscaled and clipped",
       ControlKind::Picture,
       {10, 10, 20, 20},
       [](ui::Control& c) { c.setPicture(solid(40, 40, 0xFF0AC81E)); },
       [&](const Canvas& canvas) {
         EXPECT_EQ(canvas.at(10, 10), kGreenRef);
         EXPECT_EQ(canvas.at(29, 29), kGreenRef);
         EXPECT_EQ(canvas.at(31, 31), background);
       }},
      {"a picture centred and shrunk to its box",
       ControlKind::Picture,
       {10, 10, 40, 20},
       [](ui::Control& c) {
         c.setPicture(solid(40, 40, 0xFF0AC81E));
         c.setPictureFit(ui::PictureFit::CentreShrink);
       },
       [&](const Canvas& canvas) {
         // 40 x 40 into 40 x 20: 20 x 20 at 20, 10.
         EXPECT_EQ(canvas.at(30, 20), kGreenRef);
         EXPECT_EQ(canvas.at(12, 20), background);
         EXPECT_EQ(canvas.at(47, 20), background);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui::Window window(host, "Test", {kW, kH});
    window.setFont({"Tahoma", 11, false});
    ui::Control& control = window.add("c", c.kind, c.bounds, ui::kAnchorLeft | ui::kAnchorTop, true);
    if (c.kind == ControlKind::Label) control.setAutoSize(true);
    c.set(control);
    c.check(Canvas(window));
  }
}

}  // namespace
