#pragma once
// A decoded picture: 32-bit pixels, premultiplied BGRA, rows top to bottom.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {
class Env;
}

namespace ui {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // width * height, 0xAARRGGBB premultiplied
};

// A file that is not a readable JPEG picture.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a JPEG file read through env. Throws ImageError (or platform::IoError).
std::shared_ptr<Image> loadJpeg(platform::Env& env, const std::string& path);
// Decodes JPEG bytes. Throws ImageError.
std::shared_ptr<Image> decodeJpeg(const uint8_t* data, size_t size);
// The picture resampled to width x height (area average when shrinking,
// bilinear when enlarging).
std::shared_ptr<Image> scaleImage(const Image& source, int width, int height);

}  // namespace ui
