#pragma once
// Draws the window model's painted controls (pictures, labels, the progress
// bar) into a device context. Each child window paints the stack of controls
// beneath it and itself, so alpha-blended pictures and labels without a
// background of their own show what lies under them.
#include <windows.h>

#include <cstddef>
#include <map>

#include "ui/win32/gdi.h"
#include "ui/window.h"

namespace ui::win32 {

class Painter {
 public:
  Painter();
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // Paints the client-area rectangle `area` of the window into dc, whose
  // origin is the rectangle's top-left corner: the background, then every
  // visible painted control from the bottom of the stack up to and including
  // index `upTo`.
  void paint(HDC dc, const Window& window, RECT area, size_t upTo) const;

  // Width and height of a control's text, one line in its font.
  SIZE measureText(const Window& window, const Control& control) const;
  // The control's bounds as drawn: an auto-sized control takes its text's size.
  Bounds boundsOf(const Window& window, const Control& control) const;
  // The GDI font of a model font, made on first use and kept.
  HFONT fontFor(const Font& font) const;

 private:
  void drawImage(HDC dc, const Image& image, RECT dest) const;
  void drawPicture(HDC dc, const Control& c, POINT origin) const;
  void drawLabel(HDC dc, const Window& window, const Control& c, POINT origin) const;
  void drawProgress(HDC dc, const Window& window, const Control& c, POINT origin) const;

  mutable std::map<Font, FontObject> fonts_;
  HMODULE msimg32_;
  using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
  AlphaBlendFn alphaBlend_ = nullptr;
};

}  // namespace ui::win32
