#pragma once
// Built-in pictures: PNG resources decoded by the Windows Imaging Component.
#include <memory>
#include <string>

#include "ui/image.h"

namespace ui::win32 {

// The RCDATA resource of that name decoded to premultiplied BGRA; null when
// the resource is missing or cannot be decoded.
std::shared_ptr<const Image> loadPngResource(const std::string& name);

}  // namespace ui::win32
