// Checks that run no program. What Quorvel.exe says about itself in its
// resources: version block, elevation manifest and icon, read back from the
// file. And the harness's own pieces that later tests lean on: the
// screenshot writer, path and text conversion and the registry seeder.
#include <cstring>
#include <cwchar>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/pictures.h"
#include "tests/e2e/process.h"
#include "tests/e2e/registry.h"
#include "tests/support/support.h"

namespace {

struct VersionInfo {
  VS_FIXEDFILEINFO fixed{};
  std::vector<std::pair<WORD, WORD>> translations;  // language, code page
  // String entries of the first translation's block.
  std::map<std::wstring, std::wstring> strings;
  std::wstring block;  // e.g. "0C0A04B0"
};

std::optional<VersionInfo> ReadVersionInfo(const std::wstring& exe) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  std::vector<BYTE> data(size);
  if (size == 0 || !GetFileVersionInfoW(exe.c_str(), 0, size, data.data())) {
    return std::nullopt;
  }
  VersionInfo info;
  void* p = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", &p, &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    std::memcpy(&info.fixed, p, sizeof(VS_FIXEDFILEINFO));
  }
  if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &p, &length)) {
    const auto* words = static_cast<const WORD*>(p);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
      info.translations.emplace_back(words[i], words[i + 1]);
    }
  }
  if (info.translations.empty()) return info;
  wchar_t block[16];
  swprintf(block, 16, L"%04X%04X", info.translations[0].first,
           info.translations[0].second);
  info.block = block;
  for (const wchar_t* name :
       {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
        L"LegalCopyright", L"OriginalFilename", L"ProductName",
        L"ProductVersion", L"Comments"}) {
    std::wstring query = L"\\StringFileInfo\\" + info.block + L"\\" + name;
    if (VerQueryValueW(data.data(), query.c_str(), &p, &length)) {
      const auto* text = static_cast<const wchar_t*>(p);
      info.strings[name] = std::wstring(text, wcsnlen(text, length));
    }
  }
  return info;
}

// The file loaded as data only: its resources, none of its code.
e2e::LoadedModule LoadAsData(const std::wstring& path) {
  return e2e::LoadedModule(LoadLibraryExW(
      path.c_str(), nullptr,
      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

std::optional<std::string> ReadResource(const std::wstring& exe, LPCWSTR type,
                                        LPCWSTR name) {
  const e2e::LoadedModule module = LoadAsData(exe);
  HRSRC found = module ? FindResourceW(module.get(), name, type) : nullptr;
  HGLOBAL loaded = found ? LoadResource(module.get(), found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return std::string(static_cast<const char*>(bytes),
                     SizeofResource(module.get(), found));
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language,
                              LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

TEST(ExecutableIdentity, VersionStringsAreInOneSpanishBlock) {
  auto info = ReadVersionInfo(e2e::QuorvelExe());
  ASSERT_TRUE(info.has_value()) << "no version resource";
  ASSERT_EQ(info->translations.size(), 1u);
  EXPECT_EQ(info->translations[0].first, 0x0C0A);
  EXPECT_EQ(info->translations[0].second, 1200);
  EXPECT_EQ(info->block, L"0C0A04B0");
  EXPECT_EQ(info->strings[L"FileVersion"], L"1.00.0006");
  EXPECT_EQ(info->strings[L"ProductVersion"], L"1.00.0006");
  EXPECT_EQ(info->strings[L"InternalName"], L"Quorvel");
  EXPECT_EQ(info->strings[L"OriginalFilename"], L"Quorvel.exe");
  EXPECT_EQ(info->strings[L"ProductName"], L"Velmora");
  EXPECT_TRUE(info->strings.count(L"CompanyName"));
}

TEST(ExecutableIdentity, FixedVersionIs1006ForA32BitApplication) {
  auto info = ReadVersionInfo(e2e::QuorvelExe());
  ASSERT_TRUE(info.has_value());
  const VS_FIXEDFILEINFO& fixed = info->fixed;
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed.dwFileVersionMS), 1);
  EXPECT_EQ(LOWORD(fixed.dwFileVersionMS), 0);
  EXPECT_EQ(HIWORD(fixed.dwFileVersionLS), 0);
  EXPECT_EQ(LOWORD(fixed.dwFileVersionLS), 6);
  EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
  EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);
  EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed.dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);
}

TEST(ExecutableIdentity, ManifestAsksForAdministratorRights) {
  const std::wstring exe = e2e::QuorvelExe();
  const e2e::LoadedModule module = LoadAsData(exe);
  ASSERT_TRUE(module);
  std::vector<WORD> languages;
  EnumResourceLanguagesW(module.get(), RT_MANIFEST, MAKEINTRESOURCEW(1),
                         CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{0x0400});
  auto manifest = ReadResource(exe, RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_TRUE(manifest.has_value()) << "no manifest with id 1";
  EXPECT_EQ(*manifest, e2e::ReadAll(e2e::ToWindowsPath(QUORVEL_MANIFEST)))
      << "the manifest is resources/quorvel.manifest as it is";
  ASSERT_GE(manifest->size(), 3u);
  EXPECT_EQ(manifest->substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 byte-order mark";
  // What the file asks for, as it says it.
  for (const char* part : {
           R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" )"
           R"(manifestVersion="1.0">)",
           R"(<assemblyIdentity version="1.0.0.0" processorArchitecture="X86" )"
           R"(name="Quorvel.Velmora" type="win32"/>)",
           ">elevate execution level<",
           R"(<requestedExecutionLevel level="requireAdministrator" )"
           R"(uiAccess="false"/>)",
           // Crisp at any scaling, and drawn in the system's own look.
           ">true</dpiAware>",
           R"(<assemblyIdentity type="win32" )"
           R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0" )"
           R"(processorArchitecture="X86" publicKeyToken="6595b64144ccf1df" )",
       }) {
    EXPECT_NE(manifest->find(part), std::string::npos) << part;
  }
}

// Reads a little-endian field out of a resource.
template <class T>
T Field(const std::string& bytes, size_t at) {
  T value{};
  if (at + sizeof(T) <= bytes.size()) {
    std::memcpy(&value, bytes.data() + at, sizeof(T));
  }
  return value;
}

TEST(ExecutableIdentity, IconGroupHoldsThreeImages) {
  const std::wstring exe = e2e::QuorvelExe();
  auto group = ReadResource(exe, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  ASSERT_TRUE(group.has_value()) << "no icon group with id 1";
  ASSERT_EQ(Field<WORD>(*group, 2), 1) << "type: icon";
  const WORD count = Field<WORD>(*group, 4);
  ASSERT_EQ(count, 3);
  ASSERT_GE(group->size(), 6u + 14u * count);
  // (width, height, colours) of each image, from the group and from the
  // image's own header, which must agree.
  std::multiset<std::tuple<int, int, int>> images;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = 6 + 14 * i;
    const int width = Field<BYTE>(*group, entry);
    const int height = Field<BYTE>(*group, entry + 1);
    const int bits = Field<WORD>(*group, entry + 6);
    const WORD id = Field<WORD>(*group, entry + 12);
    auto image = ReadResource(exe, RT_ICON, MAKEINTRESOURCEW(id));
    ASSERT_TRUE(image.has_value()) << "icon image " << id;
    EXPECT_EQ(Field<LONG>(*image, 4), width);
    EXPECT_EQ(Field<LONG>(*image, 8), 2 * height) << "image and mask";
    const int image_bits = Field<WORD>(*image, 14);
    if (bits != 0) {
      EXPECT_EQ(image_bits, bits);
    }
    images.emplace(width, height, 1 << image_bits);
  }
  const std::multiset<std::tuple<int, int, int>> expected = {
      {32, 32, 2}, {32, 32, 16}, {16, 16, 16}};
  EXPECT_EQ(images, expected);
}

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
  ASSERT_TRUE(outer.SetRaw(View::k32, kTestKey, L"D", REG_DWORD, {7, 0, 0, 0}));
  {
    RegistrySeeder inner;
    ASSERT_TRUE(
        inner.SetRaw(View::k32, kTestKey, L"D", REG_DWORD, {9, 0, 0, 0}));
    ASSERT_TRUE(inner.SetString(View::k32, kTestKey, L"New", L"x"));
    ASSERT_TRUE(inner.SetString(View::k32, kServerKey, L"", L"C:\\x.dll"));
    auto server = RegistrySeeder::Read(View::k32, kServerKey, L"");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(
        std::wstring(reinterpret_cast<const wchar_t*>(server->second.data())),
        L"C:\\x.dll");
  }
  EXPECT_EQ(RegistrySeeder::Read(View::k32, kTestKey, L"D"),
            RegistrySeeder::Value(REG_DWORD, {7, 0, 0, 0}));
  EXPECT_FALSE(RegistrySeeder::Read(View::k32, kTestKey, L"New"));
  EXPECT_FALSE(RegistrySeeder::KeyExists(View::k32, kClassKey));
}

}  // namespace
