// What Quorvel.exe says about itself in its resources: version block,
// elevation manifest and icon, read back from the file.
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/process.h"
#include "tests/e2e/resources.h"
#include "tests/support/scratch.h"

namespace {

TEST(ExecutableIdentity, VersionStringsAreInOneSpanishBlock) {
  auto info = e2e::ReadVersionInfo(e2e::QuorvelExe());
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
  auto info = e2e::ReadVersionInfo(e2e::QuorvelExe());
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
  EXPECT_EQ(e2e::ResourceLanguages(exe, RT_MANIFEST, MAKEINTRESOURCEW(1)),
            std::vector<WORD>{0x0400});
  auto manifest = e2e::ReadResource(exe, RT_MANIFEST, MAKEINTRESOURCEW(1));
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
  auto group = e2e::ReadResource(exe, RT_GROUP_ICON, MAKEINTRESOURCEW(1));
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
    auto image = e2e::ReadResource(exe, RT_ICON, MAKEINTRESOURCEW(id));
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

}  // namespace
