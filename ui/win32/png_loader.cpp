#include "ui/win32/png_loader.h"

#include <windows.h>
#include <wincodec.h>

#include <map>

#include "platform/win32/wide.h"

namespace ui::win32 {
namespace {

// Releases a COM pointer on every way out.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T** put() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

std::shared_ptr<const Image> decode(const void* data, DWORD size) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.put()))))
    return nullptr;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)))
    return nullptr;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())))
    return nullptr;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return nullptr;
  // The converter comes from the factory, so the program imports nothing
  // from WindowsCodecs.dll (not a known DLL: it could be planted beside us).
  ComPtr<IWICFormatConverter> converted;
  if (FAILED(factory->CreateFormatConverter(converted.put())) ||
      FAILED(converted->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return nullptr;
  UINT w = 0, h = 0;
  converted->GetSize(&w, &h);
  auto image = std::make_shared<Image>();
  image->width = static_cast<int>(w);
  image->height = static_cast<int>(h);
  image->pixels.resize(size_t(w) * size_t(h));
  if (FAILED(converted->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(image->pixels.data()))))
    return nullptr;
  return image;
}

}  // namespace

std::shared_ptr<const Image> loadPngResource(const std::string& name) {
  static std::map<std::string, std::shared_ptr<const Image>> cache;
  if (auto it = cache.find(name); it != cache.end()) return it->second;
  std::shared_ptr<const Image> image;
  const std::wstring wname = platform::win32::widen(name);
  if (HRSRC res = FindResourceW(nullptr, wname.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */)) {
    if (HGLOBAL mem = LoadResource(nullptr, res)) image = decode(LockResource(mem), SizeofResource(nullptr, res));
  }
  cache[name] = image;
  return image;
}

}  // namespace ui::win32
