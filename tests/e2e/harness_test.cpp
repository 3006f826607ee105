// Checks of the harness's own pieces that later tests lean on: the PNG
// writer, the manifest reader, path conversion and the registry seeder.
#include "tests/e2e/harness.h"

#include <cstring>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

uint32_t Big32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 |
         static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

// Reads a PNG made of stored deflate blocks back into its scanlines.
struct Decoded {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> raw;
  bool crcs_ok = true;
  bool adler_ok = false;
  int blocks = 0;
};

Decoded Decode(const std::vector<uint8_t>& png) {
  Decoded d;
  size_t at = 8;
  std::vector<uint8_t> z;
  while (at + 12 <= png.size()) {
    uint32_t length = Big32(png, at);
    std::string type(png.begin() + static_cast<ptrdiff_t>(at + 4),
                     png.begin() + static_cast<ptrdiff_t>(at + 8));
    const uint8_t* body = png.data() + at + 8;
    uint32_t crc = Big32(png, at + 8 + length);
    d.crcs_ok = d.crcs_ok && e2e::Crc32(png.data() + at + 4, length + 4) == crc;
    if (type == "IHDR") {
      d.width = Big32(png, at + 8);
      d.height = Big32(png, at + 12);
    } else if (type == "IDAT") {
      z.insert(z.end(), body, body + length);
    }
    at += 12 + length;
  }
  size_t p = 2;
  for (;;) {
    bool last = z.at(p) & 1;
    size_t n = z.at(p + 1) | static_cast<size_t>(z.at(p + 2)) << 8;
    size_t check = z.at(p + 3) | static_cast<size_t>(z.at(p + 4)) << 8;
    if ((n ^ check) != 0xFFFF) break;
    d.raw.insert(d.raw.end(), z.begin() + static_cast<ptrdiff_t>(p + 5),
                 z.begin() + static_cast<ptrdiff_t>(p + 5 + n));
    ++d.blocks;
    p += 5 + n;
    if (last) break;
  }
  d.adler_ok = Big32(z, p) == e2e::Adler32(d.raw.data(), d.raw.size());
  return d;
}

TEST(HarnessPng, ChecksumsMatchPublishedValues) {
  const char* digits = "123456789";
  EXPECT_EQ(e2e::Crc32(reinterpret_cast<const uint8_t*>(digits), 9),
            0xCBF43926u);
  const char* word = "Wikipedia";
  EXPECT_EQ(e2e::Adler32(reinterpret_cast<const uint8_t*>(word), 9),
            0x11E60398u);
  EXPECT_EQ(e2e::Crc32(nullptr, 0), 0u);
  EXPECT_EQ(e2e::Adler32(nullptr, 0), 1u);
}

TEST(HarnessPng, PicturesReadBackPixelForPixel) {
  // 200 x 150 RGB is larger than one stored block holds.
  const int w = 200, h = 150;
  std::vector<uint8_t> rgb(static_cast<size_t>(w * h * 3));
  for (size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<uint8_t>(i * 7 + i / 600);
  std::vector<uint8_t> png = e2e::EncodePng(w, h, rgb);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  Decoded d = Decode(png);
  EXPECT_EQ(d.width, 200u);
  EXPECT_EQ(d.height, 150u);
  EXPECT_TRUE(d.crcs_ok);
  EXPECT_TRUE(d.adler_ok);
  EXPECT_EQ(d.blocks, 2);
  ASSERT_EQ(d.raw.size(), static_cast<size_t>(h * (w * 3 + 1)));
  for (int y = 0; y < h; ++y) {
    const uint8_t* line = d.raw.data() + y * (w * 3 + 1);
    ASSERT_EQ(line[0], 0) << "filter byte of row " << y;
    ASSERT_EQ(std::memcmp(line + 1, rgb.data() + y * w * 3, w * 3), 0)
        << "row " << y;
  }
}

TEST(HarnessPng, RefusesSizesThatDoNotMatchThePixels) {
  EXPECT_TRUE(e2e::EncodePng(0, 5, {}).empty());
  EXPECT_TRUE(e2e::EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
  Decoded one = Decode(e2e::EncodePng(1, 1, {1, 2, 3}));
  EXPECT_EQ(one.raw, (std::vector<uint8_t>{0, 1, 2, 3}));
  EXPECT_EQ(one.blocks, 1);
}

TEST(HarnessText, ManifestAttributesAndPaths) {
  const std::string xml =
      "<?xml version=\"1.0\"?><assembly manifestVersion=\"1.0\">"
      "<asmv3:requestedPrivileges><requestedExecutionLevel "
      "level='asInvoker' uiAccess=\"true\"/></asmv3:requestedPrivileges>"
      "<requestedExecutionLevelX level=\"wrong\"/></assembly>";
  EXPECT_EQ(e2e::XmlAttribute(xml, "requestedExecutionLevel", "level"),
            "asInvoker");
  EXPECT_EQ(e2e::XmlAttribute(xml, "requestedExecutionLevel", "uiAccess"),
            "true");
  EXPECT_EQ(e2e::XmlAttribute(xml, "assembly", "manifestVersion"), "1.0");
  EXPECT_EQ(e2e::XmlAttribute(xml, "assembly", "Version"), std::nullopt);
  EXPECT_EQ(e2e::XmlAttribute(xml, "trustInfo", "level"), std::nullopt);
  EXPECT_EQ(e2e::ToWindowsPath(L"/work/a b/q.exe"), L"Z:\\work\\a b\\q.exe");
  EXPECT_EQ(e2e::ToWindowsPath(L"C:\\x\\y.exe"), L"C:\\x\\y.exe");
  EXPECT_EQ(e2e::Narrow(e2e::Widen("l\xc3\xadnea")), "l\xc3\xadnea");
  EXPECT_EQ(e2e::Widen("l\xc3\xadnea"), L"l\u00ednea");
}

constexpr wchar_t kTestKey[] = L"SOFTWARE\\QuorvelHarnessCheck\\Inner";
constexpr wchar_t kTestRoot[] = L"SOFTWARE\\QuorvelHarnessCheck";

TEST(HarnessRegistry, ViewsAreSeparateAndEverythingIsUndone) {
  {
    e2e::RegistrySeeder seeder;
    ASSERT_TRUE(seeder.SetString(e2e::View::k64, kTestKey, L"V", L"64"));
    EXPECT_TRUE(e2e::RegistrySeeder::KeyExists(e2e::View::k64, kTestKey));
    EXPECT_FALSE(e2e::RegistrySeeder::KeyExists(e2e::View::k32, kTestKey))
        << "a 64-bit prefix keeps two registry views";
    ASSERT_TRUE(
        seeder.SetMultiString(e2e::View::k32, kTestKey, L"M", {L"A", L"bb"}));
    auto multi = e2e::RegistrySeeder::Read(e2e::View::k32, kTestKey, L"M");
    ASSERT_TRUE(multi.has_value());
    EXPECT_EQ(multi->first, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(multi->second.size(), 6u * sizeof(wchar_t));  // A\0bb\0\0
  }
  EXPECT_FALSE(e2e::RegistrySeeder::KeyExists(e2e::View::k64, kTestRoot));
  EXPECT_FALSE(e2e::RegistrySeeder::KeyExists(e2e::View::k32, kTestRoot));
}

TEST(HarnessRegistry, StringsWithoutTheirNulStaySo) {
  e2e::RegistrySeeder seeder;
  std::wstring text = L"abc";
  std::vector<BYTE> bytes(reinterpret_cast<const BYTE*>(text.c_str()),
                          reinterpret_cast<const BYTE*>(text.c_str()) + 6);
  ASSERT_TRUE(seeder.SetRaw(e2e::View::k32, kTestKey, L"S", REG_SZ, bytes));
  auto read = e2e::RegistrySeeder::Read(e2e::View::k32, kTestKey, L"S");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->second, bytes);
}

TEST(HarnessRegistry, ValuesInKeysThatExistedAreRestored) {
  e2e::RegistrySeeder outer;
  ASSERT_TRUE(outer.SetDword(e2e::View::k32, kTestKey, L"D", 7));
  {
    e2e::RegistrySeeder inner;
    ASSERT_TRUE(inner.SetDword(e2e::View::k32, kTestKey, L"D", 9));
    ASSERT_TRUE(inner.SetString(e2e::View::k32, kTestKey, L"New", L"x"));
    ASSERT_TRUE(inner.RegisterInprocServer(
        L"{00000000-1111-2222-3333-444444444444}", L"C:\\x.dll"));
    auto server = e2e::RegistrySeeder::Read(
        e2e::View::k32,
        L"SOFTWARE\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}"
        L"\\InprocServer32",
        L"");
    ASSERT_TRUE(server.has_value());
    EXPECT_EQ(
        std::wstring(reinterpret_cast<const wchar_t*>(server->second.data())),
        L"C:\\x.dll");
  }
  auto d = e2e::RegistrySeeder::Read(e2e::View::k32, kTestKey, L"D");
  ASSERT_TRUE(d.has_value());
  DWORD value = 0;
  std::memcpy(&value, d->second.data(), sizeof(value));
  EXPECT_EQ(value, 7u);
  EXPECT_FALSE(e2e::RegistrySeeder::Read(e2e::View::k32, kTestKey, L"New"));
  EXPECT_FALSE(e2e::RegistrySeeder::KeyExists(
      e2e::View::k32,
      L"SOFTWARE\\Classes\\CLSID\\{00000000-1111-2222-3333-444444444444}"));
}

}  // namespace
