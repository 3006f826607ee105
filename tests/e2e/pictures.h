// Pictures of windows: their pixels, and PNG files of them for people.
// Pixels are 24-bit BGR, rows top to bottom: the order the screen's DIBs
// and the PNG encoder both use, so no colour is ever swapped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/win32/windows_api.h"

namespace e2e {

// What `paint` draws on a memory DC of that size; empty when no picture
// could be made.
std::vector<uint8_t> PaintedPixels(int width, int height,
                                   const std::function<void(HDC)>& paint);
// The client area's pixels, or empty.
std::vector<uint8_t> CaptureClient(HWND hwnd, int& width, int& height);
// The client area as a PNG file through the system's own encoder (WIC);
// false, and no file, when it could not be written.
bool SaveClientPng(HWND hwnd, const std::wstring& path);

// A colour as its three bytes in a picture.
inline std::vector<uint8_t> Bgr(COLORREF colour) {
  return {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
}

}  // namespace e2e
