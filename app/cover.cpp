// The window's face: the cover picture fitted to the screen, and centring.
#include <cmath>

#include "app/form1.h"

void TForm1::CenterForm() {
  const ui::Size screen = window_.host().screenSize();
  const int left = (screen.width - window_.width()) / 2;
  const int top = (screen.height - window_.height()) / 2;
  window_.setLeft(left);
  window_.setTop(top);
  info(2, "Centrujemy  [ " + std::to_string(left) + " - " + std::to_string(top) + " ]");
}

void TForm1::setCover(const std::string& cover) {
  if (!env_.fileExists(cover)) return;
  bool center = false;
  std::shared_ptr<const ui::Image> jpg = ui::loadJpeg(env_, cover);
  info(2, "JPG: [" + std::to_string(jpg->width) + "x" + std::to_string(jpg->height) + "]");
  const int borderWidth = window_.width() - window_.clientWidth();
  const int borderHeight = window_.height() - window_.clientHeight();
  info(2, "FormBorder: [" + std::to_string(borderWidth) + "x" + std::to_string(borderHeight) + "]");
  const ui::Size screen = window_.host().screenSize();
  const bool fits = jpg->width + borderWidth <= screen.width && jpg->height + borderHeight <= screen.height;
  if (fits) {
    const int wantW = jpg->width + borderWidth, wantH = jpg->height + borderHeight;
    if (window_.width() != wantW || window_.height() != wantH) {
      center = true;
      window_.setWidth(wantW);
      window_.setHeight(wantH);
      info(2, "Nowy Form: [" + std::to_string(window_.width()) + "x" + std::to_string(window_.height()) + "]");
    }
  } else {
    info(2, "Reskalujemy okładkę do małego ekranu : [" + std::to_string(screen.width) + "x" +
                std::to_string(screen.height) + "]");
    // The scale is the double nearest 0.65 (a little above it); the products
    // are formed in extended precision and rounded half to even, so a screen
    // 1290 pixels wide gives 839.
    const double scale = 0.65;
    const long double product = static_cast<long double>(screen.width) * static_cast<long double>(scale);
    const int scaleWidth = static_cast<int>(std::nearbyintl(product));
    const long double ratio = static_cast<long double>(scaleWidth) / jpg->width * jpg->height;
    const int scaleHeight = static_cast<int>(std::nearbyintl(ratio));
    info(2, "scaleWidth x scaleHeight : [" + std::to_string(scaleWidth) + "x" + std::to_string(scaleHeight) + "]");
    if (scaleWidth + borderWidth != window_.width() || scaleHeight + borderHeight != window_.height()) center = true;
    window_.setWidth(scaleWidth + borderWidth);
    window_.setHeight(scaleHeight + borderHeight);
    info(2, "Form: [" + std::to_string(window_.width()) + "x" + std::to_string(window_.height()) + "]");
    info(2, "FormClient: [" + std::to_string(borderWidth) + "x" + std::to_string(borderHeight) + "]");
    jpg = ui::scaleImage(*jpg, window_.clientWidth(), window_.clientHeight());
  }
  info(2, "Pic  [" + std::to_string(jpg->width) + " x " + std::to_string(jpg->height) + "]");
  BG.setBounds({0, 0, window_.clientWidth(), window_.clientHeight()});
  BG.setPicture(jpg);
  BG.setVisible(true);
  info(2, "BG.Picture  [" + std::to_string(BG.picture()->width) + " x " + std::to_string(BG.picture()->height) + "]");
  if (center) CenterForm();
}
