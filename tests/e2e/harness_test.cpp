// Checks of the harness's own pieces that later tests lean on: the
// screenshot writer, path and text conversion and the registry seeder.
#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/utf8.h"

namespace {

using e2e::RegistrySeeder;
using e2e::View;
using quorvel::com::ComPtr;

constexpr COLORREF kFill = RGB(0x20, 0x80, 0xC0);
constexpr COLORREF kMark = RGB(0xFF, 0x00, 0x00);

// Fills the window with one colour but for a 10-pixel mark at its top left,
// which shows whether rows or colour channels come out swapped.
LRESULT CALLBACK PaintMarked(HWND hwnd, UINT message, WPARAM wparam,
                             LPARAM lparam) {
  if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wparam, lparam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  for (const auto& [area, colour] :
       {std::pair{RECT{0, 0, 240, 160}, kFill}, {RECT{0, 0, 10, 10}, kMark}}) {
    SetDCBrushColor(dc, colour);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  EndPaint(hwnd, &paint);
  return 0;
}

// Visible: only what is on screen can be copied from it.
struct MarkedWindow {
  MarkedWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = PaintMarked;
    window_class.lpszClassName = L"QuorvelHarnessMarked";
    RegisterClassW(&window_class);
    hwnd = CreateWindowExW(0, window_class.lpszClassName, L"",
                           WS_POPUP | WS_VISIBLE, 0, 0, 240, 160, nullptr,
                           nullptr, nullptr, nullptr);
    UpdateWindow(hwnd);
  }
  ~MarkedWindow() { DestroyWindow(hwnd); }
  HWND hwnd;
};

// Reads the file back through WIC's own decoders; `png` says whether it is
// a PNG file.
e2e::Picture ReadPicture(const std::wstring& path, bool& png) {
  e2e::Picture picture;
  UINT width = 0;
  UINT height = 0;
  const quorvel::com::Apartment com;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  GUID container{};
  HRESULT hr =
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                       IID_IWICImagingFactory, &factory);
  if (SUCCEEDED(hr)) {
    hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                            WICDecodeMetadataCacheOnDemand,
                                            &decoder);
  }
  if (SUCCEEDED(hr)) hr = decoder->GetContainerFormat(&container);
  png = SUCCEEDED(hr) && IsEqualGUID(container, GUID_ContainerFormatPng);
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
  if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
  if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(&converter);
  if (SUCCEEDED(hr)) {
    hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR,
                               WICBitmapDitherTypeNone, nullptr, 0,
                               WICBitmapPaletteTypeCustom);
  }
  std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 3);
  if (SUCCEEDED(hr)) {
    hr = converter->CopyPixels(nullptr, width * 3,
                               static_cast<UINT>(bgr.size()), bgr.data());
  }
  if (SUCCEEDED(hr)) {
    picture = {static_cast<int>(width), static_cast<int>(height),
               std::move(bgr)};
  }
  return picture;
}

TEST(HarnessPng, ClientAreaReadsBackAsThePixelsOnScreen) {
  MarkedWindow window;
  const std::wstring path = e2e::PicturePath(L"harness-check");
  ASSERT_TRUE(e2e::SaveClientPng(window.hwnd, path));
  const e2e::Picture shown = e2e::CaptureClient(window.hwnd);
  bool png = false;
  const e2e::Picture read = ReadPicture(path, png);
  DeleteFileW(path.c_str());

  EXPECT_TRUE(png);
  ASSERT_EQ(read.width, shown.width);
  ASSERT_EQ(read.height, shown.height);
  EXPECT_TRUE(read.bgr == shown.bgr) << "the picture differs from the window";
  EXPECT_EQ(read.Colour(0, 0), kMark);
  EXPECT_EQ(read.Colour(9, 9), kMark);
  EXPECT_EQ(read.Colour(10, 0), kFill);
  EXPECT_EQ(read.Colour(read.width - 1, read.height - 1), kFill);
}

TEST(HarnessPng, FailuresLeaveNoFile) {
  MarkedWindow window;
  const std::wstring nowhere =
      e2e::PicturePath(L"no-such-folder\\harness-check");
  EXPECT_FALSE(e2e::SaveClientPng(window.hwnd, nowhere));
  EXPECT_EQ(GetFileAttributesW(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);

  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20,
                              nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  const std::wstring path = e2e::PicturePath(L"harness-gone");
  EXPECT_FALSE(e2e::SaveClientPng(gone, path));
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HarnessText, PathsAndUtf8) {
  EXPECT_EQ(e2e::ToWindowsPath("/work/a b/q.exe"), L"Z:\\work\\a b\\q.exe");
  EXPECT_EQ(e2e::ToWindowsPath("C:\\x\\y.exe"), L"C:\\x\\y.exe");
  EXPECT_EQ(e2e::ToWindowsPath("/tmp/a\xc3\xb1o"), L"Z:\\tmp\\a\u00F1o");
  EXPECT_EQ(e2e::ToUtf8(e2e::FromUtf8("l\xc3\xadnea")), "l\xc3\xadnea");
  EXPECT_EQ(e2e::FromUtf8("l\xc3\xadnea"), u"l\u00ednea");
  EXPECT_EQ(e2e::ToUtf8(std::wstring(L"\u00D1")), "\xc3\x91");
  EXPECT_EQ(e2e::FromUtf8(""), u"");
}

constexpr wchar_t kTestKey[] = L"SOFTWARE\\QuorvelHarnessCheck\\Inner";
constexpr wchar_t kTestRoot[] = L"SOFTWARE\\QuorvelHarnessCheck";
constexpr wchar_t kClassKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}";
constexpr wchar_t kServerKey[] =
    L"SOFTWARE\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}"
    L"\\InprocServer32";

TEST(HarnessRegistry, ViewsAreSeparateAndEverythingIsUndone) {
  {
    RegistrySeeder seeder;
    ASSERT_TRUE(seeder.SetString(View::k64, kTestKey, L"V", L"64"));
    EXPECT_TRUE(RegistrySeeder::KeyExists(View::k64, kTestKey));
    EXPECT_FALSE(RegistrySeeder::KeyExists(View::k32, kTestKey))
        << "a 64-bit prefix keeps two registry views";
    ASSERT_TRUE(
        seeder.SetMultiString(View::k32, kTestKey, L"M", {L"A", L"bb"}));
    auto multi = RegistrySeeder::Read(View::k32, kTestKey, L"M");
    ASSERT_TRUE(multi.has_value());
    EXPECT_EQ(multi->first, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(multi->second.size(), 6u * sizeof(wchar_t));  // A\0bb\0\0
  }
  EXPECT_FALSE(RegistrySeeder::KeyExists(View::k64, kTestRoot));
  EXPECT_FALSE(RegistrySeeder::KeyExists(View::k32, kTestRoot));
}

TEST(HarnessRegistry, StringsWithoutTheirNulStaySo) {
  RegistrySeeder seeder;
  const std::vector<BYTE> bytes = {'a', 0, 'b', 0, 'c', 0};  // L"abc"
  ASSERT_TRUE(seeder.SetRaw(View::k32, kTestKey, L"S", REG_SZ, bytes));
  auto read = RegistrySeeder::Read(View::k32, kTestKey, L"S");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->second, bytes);
}

TEST(HarnessRegistry, ValuesInKeysThatExistedAreRestored) {
  RegistrySeeder outer;
  ASSERT_TRUE(outer.SetDword(View::k32, kTestKey, L"D", 7));
  {
    RegistrySeeder inner;
    ASSERT_TRUE(inner.SetDword(View::k32, kTestKey, L"D", 9));
    ASSERT_TRUE(inner.SetString(View::k32, kTestKey, L"New", L"x"));
    ASSERT_TRUE(inner.SetString(View::k32, kServerKey, L"", L"C:\\x.dll"));
    auto server = RegistrySeeder::Read(View::k32, kServerKey, L"");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(
        std::wstring(reinterpret_cast<const wchar_t*>(server->second.data())),
        L"C:\\x.dll");
  }
  auto d = RegistrySeeder::Read(View::k32, kTestKey, L"D");
  ASSERT_TRUE(d.has_value());
  DWORD value = 0;
  std::memcpy(&value, d->second.data(), sizeof(value));
  EXPECT_EQ(value, 7u);
  EXPECT_FALSE(RegistrySeeder::Read(View::k32, kTestKey, L"New"));
  EXPECT_FALSE(RegistrySeeder::KeyExists(View::k32, kClassKey));
}

}  // namespace
