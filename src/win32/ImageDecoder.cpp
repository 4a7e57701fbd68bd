#include "win32/ImageDecoder.h"

#include <initguid.h>  // the GUIDs of WIC (wincodec.h, below) defined here, once
#include <wincodec.h>

#include <cstring>
#include <string>
#include <vector>

#include "pictures/Dib.h"

namespace win32 {

namespace {

// A COM pointer released when it goes.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_ != nullptr) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

// COM for the time of one call, on the calling thread; where the thread has it already, this
// only counts.
class ComForACall {
 public:
  ComForACall() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComForACall() {
    if (ok_) CoUninitialize();
  }
  ComForACall(const ComForACall&) = delete;
  ComForACall& operator=(const ComForACall&) = delete;

 private:
  bool ok_;
};

// The first frame of the image these bytes hold, through a factory of WIC's first version (the
// one Windows 7 has without its platform update). The stream reads the bytes where they lie.
struct Frame {
  Com<IWICImagingFactory> factory;
  Com<IWICStream> stream;
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  bool open(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return false;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))))
      return false;
    if (FAILED(factory->CreateStream(stream.out()))) return false;
    auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    if (FAILED(stream->InitializeFromMemory(data, static_cast<DWORD>(bytes.size())))) return false;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())))
      return false;
    return SUCCEEDED(decoder->GetFrame(0, frame.out()));
  }
};

}  // namespace

std::optional<pictures::Size> ImageDecoder::size(std::string_view bytes) {
  const ComForACall com;
  Frame f;
  if (!f.open(bytes)) return std::nullopt;
  UINT width = 0, height = 0;
  if (FAILED(f.frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    return std::nullopt;
  return pictures::Size{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<pictures::Image> ImageDecoder::decode(std::string_view bytes) {
  const ComForACall com;
  Frame f;
  if (!f.open(bytes)) return std::nullopt;
  UINT width = 0, height = 0;
  if (FAILED(f.frame->GetSize(&width, &height)) || width == 0 || height == 0) return std::nullopt;
  if (pictures::Size{static_cast<int>(width), static_cast<int>(height)}.pixels() >
      pictures::kMaxPixels)
    return std::nullopt;
  // Blue, green, red and alpha, not premultiplied: what every Windows since Vista converts to.
  Com<IWICFormatConverter> converter;
  if (FAILED(f.factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(f.frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return std::nullopt;
  pictures::Image image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  const UINT stride = width * 4;
  image.rgba.resize(static_cast<std::size_t>(stride) * height);
  if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(image.rgba.size()),
                                   image.rgba.data())))
    return std::nullopt;
  for (std::size_t i = 0; i < image.rgba.size(); i += 4)
    std::swap(image.rgba[i], image.rgba[i + 2]);
  return image;
}

namespace {

// The bytes the clipboard holds in a format, or none.
std::string clipboardBytes(UINT format) {
  HANDLE data = IsClipboardFormatAvailable(format) ? GetClipboardData(format) : nullptr;
  if (data == nullptr) return {};
  std::string bytes;
  if (const void* locked = GlobalLock(data)) {
    bytes.assign(static_cast<const char*>(locked), GlobalSize(data));
    GlobalUnlock(data);
  }
  return bytes;
}

}  // namespace

std::optional<pictures::Image> clipboardImage(HWND owner, pictures::Decoder& decoder) {
  if (!OpenClipboard(owner)) return std::nullopt;
  // A PNG file, as browsers and many programs put an image beside its bitmap (and Wine puts an
  // X program's image); else, or when it cannot be read, the bitmap, the newer form first, which
  // keeps an image's transparency (the system makes either bitmap from the other).
  std::string png;
  if (const UINT format = RegisterClipboardFormatW(L"PNG"); format != 0)
    png = clipboardBytes(format);
  std::string dib;
  for (const UINT format : {static_cast<UINT>(CF_DIBV5), static_cast<UINT>(CF_DIB)}) {
    if (dib.empty()) dib = clipboardBytes(format);
  }
  CloseClipboard();
  if (!png.empty()) {
    if (std::optional<pictures::Image> image = decoder.decode(png)) return image;
  }
  const std::optional<std::string> file = pictures::bmpFileOf(dib);
  if (!file) return std::nullopt;
  return decoder.decode(*file);
}

}  // namespace win32
