// Pictures of windows: their pixels, and PNG files of them for people.
// Pixels are 24-bit BGR, rows top to bottom: the order the screen's DIBs
// and the PNG encoder both use, so no colour is ever swapped.
#pragma once

#include "common/win32/windows_api.h"
// The headers below need windows.h before them.
#include <objbase.h>
#include <wincodec.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/com_ptr.h"
#include "common/win32/com_apartment.h"
#include "tests/e2e/controls.h"

namespace e2e {

// A picture of 24-bit BGR pixels, rows top to bottom.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr;

  // The pixel's colour; CLR_INVALID outside the picture.
  COLORREF Colour(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const uint8_t* pixel = &bgr[static_cast<size_t>((y * width + x) * 3)];
    return RGB(pixel[2], pixel[1], pixel[0]);
  }
};

// What `paint` draws on a memory DC of that size; no pixels when no picture
// could be made.
inline Picture PaintedPixels(int width, int height,
                             const std::function<void(HDC)>& paint) {
  Picture picture;
  if (width <= 0 || height <= 0) return picture;
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi{};
  // Rows top-down, four bytes a pixel.
  bmi.bmiHeader = {
      sizeof(bmi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib =
      CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    paint(memory);
    GdiFlush();
    picture = {width, height, {}};
    // The DIB's blue, green, red and unused byte, less the unused one.
    const auto* px = static_cast<const uint8_t*>(bits);
    const auto count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
      picture.bgr.insert(picture.bgr.end(), px + i * 4, px + i * 4 + 3);
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  return picture;
}

// The client area's pixels, or none.
inline Picture CaptureClient(HWND hwnd) {
  const SIZE size = ClientSize(hwnd);
  HDC source = GetDC(hwnd);
  Picture picture = PaintedPixels(size.cx, size.cy, [&](HDC memory) {
    BitBlt(memory, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
  });
  ReleaseDC(hwnd, source);
  return picture;
}

// Where the picture of that name goes: the output folder, with the DPI in
// the name when it is not 96.
inline std::wstring PicturePath(std::wstring name, int dpi = 96) {
  if (dpi != 96) name += L"-" + std::to_wstring(dpi) + L"dpi";
  return OutputDir() + L"\\" + name + L".png";
}

// The client area as a PNG file through the system's own encoder (WIC);
// false, and no file, when it could not be written.
inline bool SaveClientPng(HWND hwnd, const std::wstring& path) {
  Picture picture = CaptureClient(hwnd);
  if (picture.bgr.empty()) return false;
  const quorvel::com::Apartment com;
  // 24-bit BGR rows, top-down: what WIC's PNG encoder takes as it is. The
  // objects are let go before a failed file is removed.
  const HRESULT written = [&] {
    using quorvel::com::ComPtr;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
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
    if (SUCCEEDED(hr))
      hr = frame->SetSize(static_cast<UINT>(picture.width),
                          static_cast<UINT>(picture.height));
    // The encoder may answer with a format of its own choosing instead.
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
      hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    if (SUCCEEDED(hr)) {
      hr = frame->WritePixels(static_cast<UINT>(picture.height),
                              static_cast<UINT>(picture.width) * 3,
                              static_cast<UINT>(picture.bgr.size()),
                              picture.bgr.data());
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    return hr;
  }();
  if (FAILED(written)) DeleteFileW(path.c_str());
  return SUCCEEDED(written);
}

}  // namespace e2e
