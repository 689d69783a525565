#include <algorithm>
#include <cmath>

#include "ui/image.h"

namespace ui {
namespace {

uint32_t channel(uint32_t px, int shift) { return (px >> shift) & 0xFF; }

// Area average: every source pixel contributes by the part of it that the
// target pixel covers, so a shrunk cover keeps fine lines instead of aliasing.
std::shared_ptr<Image> shrink(const Image& src, int w, int h) {
  auto out = std::make_shared<Image>();
  out->width = w;
  out->height = h;
  out->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  const double sx = double(src.width) / w, sy = double(src.height) / h;
  for (int y = 0; y < h; ++y) {
    const double y0 = y * sy, y1 = std::min<double>(src.height, (y + 1) * sy);
    for (int x = 0; x < w; ++x) {
      const double x0 = x * sx, x1 = std::min<double>(src.width, (x + 1) * sx);
      double acc[4] = {0, 0, 0, 0}, total = 0;
      for (int yy = int(y0); yy < y1; ++yy) {
        const double wy = std::min<double>(yy + 1, y1) - std::max<double>(yy, y0);
        for (int xx = int(x0); xx < x1; ++xx) {
          const double wx = std::min<double>(xx + 1, x1) - std::max<double>(xx, x0);
          const double wgt = wx * wy;
          const uint32_t px = src.pixels[size_t(yy) * size_t(src.width) + size_t(xx)];
          for (int c = 0; c < 4; ++c) acc[c] += wgt * channel(px, c * 8);
          total += wgt;
        }
      }
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) v |= uint32_t(std::lround(total > 0 ? acc[c] / total : 0)) << (c * 8);
      out->pixels[size_t(y) * size_t(w) + size_t(x)] = v;
    }
  }
  return out;
}

std::shared_ptr<Image> enlarge(const Image& src, int w, int h) {
  auto out = std::make_shared<Image>();
  out->width = w;
  out->height = h;
  out->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    const double fy = std::clamp((y + 0.5) * src.height / h - 0.5, 0.0, double(src.height - 1));
    const int y0 = int(fy), y1 = std::min(y0 + 1, src.height - 1);
    const double ty = fy - y0;
    for (int x = 0; x < w; ++x) {
      const double fx = std::clamp((x + 0.5) * src.width / w - 0.5, 0.0, double(src.width - 1));
      const int x0 = int(fx), x1 = std::min(x0 + 1, src.width - 1);
      const double tx = fx - x0;
      auto at = [&](int xx, int yy) { return src.pixels[size_t(yy) * size_t(src.width) + size_t(xx)]; };
      uint32_t v = 0;
      for (int c = 0; c < 4; ++c) {
        const int s = c * 8;
        const double top = channel(at(x0, y0), s) * (1 - tx) + channel(at(x1, y0), s) * tx;
        const double bottom = channel(at(x0, y1), s) * (1 - tx) + channel(at(x1, y1), s) * tx;
        v |= uint32_t(std::lround(top * (1 - ty) + bottom * ty)) << s;
      }
      out->pixels[size_t(y) * size_t(w) + size_t(x)] = v;
    }
  }
  return out;
}

}  // namespace

std::shared_ptr<Image> scaleImage(const Image& source, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (source.width <= 0 || source.height <= 0) {
    auto blank = std::make_shared<Image>();
    blank->width = width;
    blank->height = height;
    blank->pixels.assign(size_t(width) * size_t(height), 0xFFFFFFFFu);
    return blank;
  }
  if (width <= source.width && height <= source.height) return shrink(source, width, height);
  return enlarge(source, width, height);
}

}  // namespace ui
