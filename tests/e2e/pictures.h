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

// What `paint` draws on a memory DC of that size; empty when no picture
// could be made.
inline std::vector<uint8_t> PaintedPixels(
    int width, int height, const std::function<void(HDC)>& paint) {
  if (width <= 0 || height <= 0) return {};
  HDC memory = CreateCompatibleDC(nullptr);
  BITMAPINFO bmi{};
  // Rows top-down, four bytes a pixel.
  bmi.bmiHeader = {
      sizeof(bmi.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
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
    const auto count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
      bgr.insert(bgr.end(), px + i * 4, px + i * 4 + 3);
    }
    SelectObject(memory, old);
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  return bgr;
}

// The client area's pixels, or empty.
inline std::vector<uint8_t> CaptureClient(HWND hwnd, int& width, int& height) {
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

// The client area as a PNG file through the system's own encoder (WIC);
// false, and no file, when it could not be written.
inline bool SaveClientPng(HWND hwnd, const std::wstring& path) {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bgr = CaptureClient(hwnd, width, height);
  if (bgr.empty()) return false;
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
      hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    // The encoder may answer with a format of its own choosing instead.
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
      hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    if (SUCCEEDED(hr)) {
      hr = frame->WritePixels(static_cast<UINT>(height),
                              static_cast<UINT>(width) * 3,
                              static_cast<UINT>(bgr.size()), bgr.data());
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    return hr;
  }();
  if (FAILED(written)) DeleteFileW(path.c_str());
  return SUCCEEDED(written);
}

// A colour as its three bytes in a picture.
inline std::vector<uint8_t> Bgr(COLORREF colour) {
  return {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
}

}  // namespace e2e
