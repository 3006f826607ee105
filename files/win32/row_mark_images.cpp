#include "files/win32/row_mark_images.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "common/win32/handles.h"

namespace quorvel::files::win32 {
namespace {

struct Point {
  double x;
  double y;
};

struct Segment {
  Point from;
  Point to;
};

struct Colour {
  double red;
  double green;
  double blue;
};

// A mark in unit coordinates: a badge of one colour and a white glyph.
struct MarkShape {
  Colour badge;
  Segment strokes[2];
};

constexpr MarkShape kAttached{
    {0x2E, 0x7D, 0x32},
    {{{0.27, 0.52}, {0.43, 0.68}}, {{0.43, 0.68}, {0.74, 0.35}}}};
constexpr MarkShape kFailed{
    {0xC6, 0x28, 0x28},
    {{{0.33, 0.33}, {0.67, 0.67}}, {{0.67, 0.33}, {0.33, 0.67}}}};

constexpr double kBadgeRadius = 0.47;
constexpr double kStrokeHalfWidth = 0.075;
// Samples per pixel along each axis: smooth edges at any size.
constexpr int kSamples = 4;

double DistanceToSegment(Point p, const Segment& s) {
  const double dx = s.to.x - s.from.x;
  const double dy = s.to.y - s.from.y;
  const double along = std::clamp(
      ((p.x - s.from.x) * dx + (p.y - s.from.y) * dy) / (dx * dx + dy * dy),
      0.0, 1.0);
  return std::hypot(p.x - (s.from.x + along * dx),
                    p.y - (s.from.y + along * dy));
}

// One pixel as premultiplied BGRA.
uint32_t Pixel(const MarkShape& shape, int x, int y, int size) {
  double red = 0, green = 0, blue = 0, alpha = 0;
  for (int sy = 0; sy < kSamples; ++sy) {
    for (int sx = 0; sx < kSamples; ++sx) {
      const Point p{(x + (sx + 0.5) / kSamples) / size,
                    (y + (sy + 0.5) / kSamples) / size};
      if (std::hypot(p.x - 0.5, p.y - 0.5) > kBadgeRadius) continue;
      const bool glyph =
          DistanceToSegment(p, shape.strokes[0]) <= kStrokeHalfWidth ||
          DistanceToSegment(p, shape.strokes[1]) <= kStrokeHalfWidth;
      const Colour c = glyph ? Colour{255, 255, 255} : shape.badge;
      red += c.red;
      green += c.green;
      blue += c.blue;
      alpha += 255;
    }
  }
  constexpr double kCount = kSamples * kSamples;
  const auto channel = [](double sum) {
    return static_cast<uint32_t>(std::lround(sum / kCount));
  };
  return channel(alpha) << 24 | channel(red) << 16 | channel(green) << 8 |
         channel(blue);
}

HBITMAP DrawMark(const MarkShape& shape, int size) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return bitmap;
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      pixels[y * size + x] = Pixel(shape, x, y, size);
    }
  }
  return bitmap;
}

}  // namespace

HIMAGELIST CreateRowMarkList(int size) {
  return ImageList_Create(size, size, ILC_COLOR32, 2, 0);
}

bool AddRowMarkImages(HIMAGELIST list, int size) {
  for (const MarkShape* shape : {&kAttached, &kFailed}) {
    const GdiObject<HBITMAP> bitmap(DrawMark(*shape, size));
    if (!bitmap || ImageList_Add(list, bitmap.get(), nullptr) < 0) {
      return false;
    }
  }
  return true;
}

}  // namespace quorvel::files::win32
