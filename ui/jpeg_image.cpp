#include <csetjmp>
#include <cstdio>

#include "platform/env.h"
#include "ui/image.h"

extern "C" {
#include <jpeglib.h>
}

namespace ui {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return; we
// jump back out and turn the message into an exception outside the C code.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void onWarning(j_common_ptr, int) {}

}  // namespace

std::shared_ptr<Image> decodeJpeg(const uint8_t* data, size_t size) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onWarning;
  auto image = std::make_shared<Image>();
  std::vector<uint8_t> row;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw ImageError(std::string("JPEG error: ") + err.message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image->width = static_cast<int>(cinfo.output_width);
  image->height = static_cast<int>(cinfo.output_height);
  image->pixels.resize(static_cast<size_t>(image->width) * static_cast<size_t>(image->height));
  row.resize(static_cast<size_t>(cinfo.output_width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row.data()};
    const size_t y = cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, rows, 1);
    uint32_t* out = image->pixels.data() + y * static_cast<size_t>(image->width);
    for (int x = 0; x < image->width; ++x) {
      const uint8_t* p = &row[static_cast<size_t>(x) * 3];
      out[x] = 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return image;
}

std::shared_ptr<Image> loadJpeg(platform::Env& env, const std::string& path) {
  const auto file = platform::readWholeFile(env, path, uint64_t(1) << 30);
  if (!file) throw ImageError("JPEG error: file too large: " + path);
  const auto* bytes = reinterpret_cast<const uint8_t*>(file->data());
  if (file->size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
    throw ImageError("JPEG error: not a JPEG file: " + path);
  return decodeJpeg(bytes, file->size());
}

}  // namespace ui
