#include "tests/e2e/pictures.h"

#include <objbase.h>
#include <wincodec.h>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "tests/e2e/controls.h"

namespace e2e {

using quorvel::com::ComPtr;

std::vector<uint8_t> PaintedPixels(int width, int height,
                                   const std::function<void(HDC)>& paint) {
  if (width <= 0 || height <= 0) return {};
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib =
      CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<uint8_t> bgr;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    paint(memory);
    GdiFlush();
    // The DIB's blue, green, red and unused byte, less the unused one.
    const auto* px = static_cast<const uint8_t*>(bits);
    const size_t count =
        static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
      bgr.insert(bgr.end(), px + i * 4, px + i * 4 + 3);
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  return bgr;
}

std::vector<uint8_t> CaptureClient(HWND hwnd, int& width, int& height) {
  const SIZE size = ClientSize(hwnd);
  width = size.cx;
  height = size.cy;
  HDC source = GetDC(hwnd);
  std::vector<uint8_t> bgr = PaintedPixels(width, height, [&](HDC memory) {
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
  });
  ReleaseDC(hwnd, source);
  return bgr;
}

namespace {

// 24-bit BGR rows, top-down: what WIC's PNG encoder takes as it is.
HRESULT WritePng(const std::wstring& path, UINT width, UINT height,
                 std::vector<uint8_t>& bgr) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  const UINT stride = width * 3;
  HRESULT hr =
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                       IID_IWICImagingFactory, &factory);
  if (SUCCEEDED(hr)) hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(hr))
    hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr))
    hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(hr)) hr = frame->Initialize(nullptr);
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  // The encoder may answer with a format of its own choosing instead.
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  }
  if (SUCCEEDED(hr)) {
    hr = frame->WritePixels(height, stride, static_cast<UINT>(bgr.size()),
                            bgr.data());
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return hr;
}

}  // namespace

bool SaveClientPng(HWND hwnd, const std::wstring& path) {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels = CaptureClient(hwnd, width, height);
  if (pixels.empty()) return false;
  const quorvel::com::Apartment com;
  const HRESULT hr = WritePng(path, static_cast<UINT>(width),
                              static_cast<UINT>(height), pixels);
  if (FAILED(hr)) DeleteFileW(path.c_str());
  return SUCCEEDED(hr);
}

}  // namespace e2e
