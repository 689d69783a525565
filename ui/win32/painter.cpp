#include "ui/win32/painter.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/win32/wide.h"
#include "ui/win32/gdi.h"
#include "ui/win32/png_loader.h"

namespace ui::win32 {
namespace {

COLORREF colourRef(const std::optional<Colour>& c, int systemColour) {
  return c ? RGB(c->red, c->green, c->blue) : GetSysColor(systemColour);
}

bool intersects(const Bounds& b, const RECT& r) {
  return b.left < r.right && b.left + b.width > r.left && b.top < r.bottom && b.top + b.height > r.top;
}

// A 32-bit top-down DIB section holding a copy of the picture.
Bitmap makeDib(HDC dc, const Image& image) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = image.width;
  bi.bmiHeader.biHeight = -image.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bmp(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bmp && bits) std::copy(image.pixels.begin(), image.pixels.end(), static_cast<uint32_t*>(bits));
  return bmp;
}

}  // namespace

Painter::Painter()
    // Loaded from the system folder only: an installer runs from download
    // folders where a planted DLL of the same name may lie.
    : msimg32_(LoadLibraryExW(L"msimg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  if (msimg32_)
    alphaBlend_ = reinterpret_cast<AlphaBlendFn>(reinterpret_cast<void*>(GetProcAddress(msimg32_, "AlphaBlend")));
}

Painter::~Painter() {
  if (msimg32_) FreeLibrary(msimg32_);
}

HFONT Painter::fontFor(const Font& font) const {
  auto it = fonts_.find(font);
  if (it == fonts_.end()) {
    FontObject made(CreateFontW(-font.pixels, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, platform::win32::widen(font.face).c_str()));
    it = fonts_.emplace(font, std::move(made)).first;
  }
  return it->second.get();
}

SIZE Painter::measureText(const Window& window, const Control& control) const {
  ScreenDc dc;
  Selection font(dc.get(), fontFor(window.fontOf(control)));
  const std::wstring text = platform::win32::widen(control.text());
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  size.cy = std::max<LONG>(size.cy, tm.tmHeight);
  return size;
}

Bounds Painter::boundsOf(const Window& window, const Control& control) const {
  Bounds b = control.bounds();
  if (control.autoSize()) {
    const SIZE size = measureText(window, control);
    b.width = size.cx;
    b.height = size.cy;
  }
  return b;
}

void Painter::drawImage(HDC dc, const Image& image, RECT dest) const {
  if (image.width <= 0 || image.height <= 0) return;
  MemoryDc mem(dc);
  const Bitmap bmp = makeDib(dc, image);
  Selection selected(mem.get(), bmp.get());
  const int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (alphaBlend_) {
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    alphaBlend_(dc, dest.left, dest.top, w, h, mem.get(), 0, 0, image.width, image.height, bf);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, dest.left, dest.top, w, h, mem.get(), 0, 0, image.width, image.height, SRCCOPY);
  }
}

void Painter::drawPicture(HDC dc, const Control& c, POINT o) const {
  const Bounds& b = c.bounds();
  std::shared_ptr<const Image> image = c.picture();
  // A decoded picture (the cover) is opaque and copied; a built-in one has
  // an alpha channel and is blended over what lies beneath.
  const bool opaque = image != nullptr;
  if (!image && !c.resource().empty()) image = loadPngResource(c.resource());
  if (!image || image->width <= 0 || image->height <= 0) return;
  int w = image->width, h = image->height;
  int x = b.left, y = b.top;
  if (c.pictureFit() == PictureFit::CentreShrink) {
    const double scale = std::min({1.0, double(b.width) / w, double(b.height) / h});
    w = std::max(1, int(w * scale + 0.5));
    h = std::max(1, int(h * scale + 0.5));
    x = b.left + (b.width - w) / 2;
    y = b.top + (b.height - h) / 2;
  }
  if (!opaque) {
    drawImage(dc, *image, RECT{x - o.x, y - o.y, x - o.x + w, y - o.y + h});
    return;
  }
  // Clipped to the control.
  const int shownW = std::min(w, b.width), shownH = std::min(h, b.height);
  if (shownW <= 0 || shownH <= 0) return;
  MemoryDc mem(dc);
  const Bitmap bmp = makeDib(dc, *image);
  Selection selected(mem.get(), bmp.get());
  if (w == image->width && h == image->height) {
    BitBlt(dc, x - o.x, y - o.y, shownW, shownH, mem.get(), 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, x - o.x, y - o.y, w, h, mem.get(), 0, 0, image->width, image->height, SRCCOPY);
  }
}

void Painter::drawLabel(HDC dc, const Window& window, const Control& c, POINT o) const {
  const std::wstring text = platform::win32::widen(c.text());
  Selection font(dc, fontFor(window.fontOf(c)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colourRef(c.textColour(), COLOR_WINDOWTEXT));
  TextOutW(dc, c.bounds().left - o.x, c.bounds().top - o.y, text.c_str(), static_cast<int>(text.size()));
}

void Painter::drawProgress(HDC dc, const Window& window, const Control& c, POINT o) const {
  const Bounds& b = c.bounds();
  RECT all{b.left - o.x, b.top - o.y, b.left - o.x + b.width, b.top - o.y + b.height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  RECT filled = all;
  filled.right = all.left + b.width * c.value() / 100;
  const Brush fill(CreateSolidBrush(colourRef(c.fillColour(), COLOR_HIGHLIGHT)));
  FillRect(dc, &filled, fill.get());
  // The percentage inverts what lies beneath, so it reads over both parts:
  // white text on black XOR-ed onto the bar flips exactly the text's pixels.
  const std::wstring text = std::to_wstring(c.value()) + L"%";
  MemoryDc mem(dc);
  const Bitmap bmp(CreateCompatibleBitmap(dc, b.width, b.height));
  Selection selected(mem.get(), bmp.get());
  RECT local{0, 0, b.width, b.height};
  FillRect(mem.get(), &local, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  Selection font(mem.get(), fontFor(window.fontOf(c)));
  SetBkMode(mem.get(), TRANSPARENT);
  SetTextColor(mem.get(), RGB(255, 255, 255));
  DrawTextW(mem.get(), text.c_str(), static_cast<int>(text.size()), &local, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  BitBlt(dc, all.left, all.top, b.width, b.height, mem.get(), 0, 0, SRCINVERT);
}

void Painter::paint(HDC dc, const Window& window, RECT area, size_t upTo) const {
  RECT local{0, 0, area.right - area.left, area.bottom - area.top};
  FillRect(dc, &local, GetSysColorBrush(COLOR_WINDOW));
  const POINT origin{area.left, area.top};
  const auto& controls = window.controls();
  for (size_t i = 0; i < controls.size() && i <= upTo; ++i) {
    const Control& c = *controls[i];
    if (!c.visible()) continue;
    if (!intersects(boundsOf(window, c), area)) continue;
    switch (c.kind()) {
      case ControlKind::Picture: drawPicture(dc, c, origin); break;
      case ControlKind::Label: drawLabel(dc, window, c, origin); break;
      case ControlKind::ProgressBar: drawProgress(dc, window, c, origin); break;
      default: break;  // real child windows draw themselves
    }
  }
}

}  // namespace ui::win32
