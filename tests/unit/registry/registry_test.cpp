// The registry value reader over the simulated registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/simulated_registry.h"
#include "registry/win_reg.h"

namespace quorvel::testing {
namespace {

using WinReg::QueryRegistryValue;
using WinReg::ReadRegistryString;
using WinReg::RegistryValue;

constexpr char16_t kKey[] = u"SOFTWARE\\Quorvel\\Probe";
constexpr uint32_t k64 = kKeyQueryValue | kKeyWow64_64Key;

class WinRegTest : public ::testing::Test {
 protected:
  Text Read(const Text& name, int32_t root = 1, uint32_t access = 1) {
    return ReadRegistryString(registry, kKey, name, root, access);
  }
  // Reads through an open key, checks the key is closed again afterwards.
  int32_t Query(const Text& name, RegistryValue& value) {
    RegistryKey key = 0;
    registry.OpenKey(RootKey::kLocalMachine, kKey, kKeyQueryValue, &key);
    const int32_t status = QueryRegistryValue(registry, key, name, value);
    registry.CloseKey(key);
    return status;
  }
  void ExpectEveryOpenClosed() {
    EXPECT_EQ(registry.open_handles(), 0u);
    EXPECT_EQ(registry.bad_closes(), 0u);
  }

  SimulatedRegistry registry;
};

TEST_F(WinRegTest, TextOfEachValueType) {
  struct Case {
    const char* what;
    SimulatedValue stored;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"REG_SZ", Sz("15.0.2000.5"), u"15.0.2000.5"},
      {"empty REG_SZ", Sz(""), u""},
      {"REG_SZ without its NUL", Raw(kRegSz, "8.00.194"), u"8.00.194"},
      {"REG_SZ with two NULs", Raw(kRegSz, std::string("ab\0\0", 4)),
       Text(u"ab\0", 3)},
      {"REG_MULTI_SZ", MultiSz({"MSSQLSERVER", "SQLEXPRESS"}),
       Text(u"MSSQLSERVER\0SQLEXPRESS\0", 23)},
      {"REG_MULTI_SZ without closing NUL",
       Raw(kRegMultiSz, std::string("A\0B\0", 4)), Text(u"A\0B", 3)},
      {"REG_MULTI_SZ without any NUL", Raw(kRegMultiSz, "AB"), u"AB"},
      {"Latin-1 text", Sz("Versi\xF3n"), u"Versi\u00F3n"},
      {"REG_DWORD", Dword(2000), u"2000"},
      {"negative REG_DWORD", Dword(0xFFFFFFFEu), u"-2"},
      {"REG_EXPAND_SZ", Raw(kRegExpandSz, std::string("%PATH%\0", 7)), u""},
      {"REG_BINARY", Raw(kRegBinary, "\x01\x02"), u""},
      {"REG_QWORD", Raw(11, std::string(8, '\x07')), u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    registry.SetValue(View::k32Bit, kKey, u"Value", c.stored);
    EXPECT_EQ(Read(u"Value"), c.expected);
  }
  EXPECT_EQ(registry.closes().size(), cases.size());
  ExpectEveryOpenClosed();
}

TEST_F(WinRegTest, FailuresGiveEmptyTextAndStillClose) {
  registry.SetValue(View::k32Bit, kKey, u"Present", Sz("x"));
  registry.SetValue(View::k32Bit, RootKey::kLocalMachine, u"SOFTWARE\\Locked",
                    u"Present", Sz("x"));
  registry.DenyAccess(View::k32Bit, RootKey::kLocalMachine,
                      u"SOFTWARE\\Locked");
  // Selectors outside 0..2 open nothing, yet the zero handle is closed.
  for (const int32_t selector : {3, -1, 1000}) {
    EXPECT_EQ(Read(u"Present", selector), u"");
  }
  EXPECT_TRUE(registry.opens().empty());
  EXPECT_EQ(registry.closes(), std::vector<RegistryKey>(3, 0));

  EXPECT_EQ(
      ReadRegistryString(registry, u"SOFTWARE\\Missing", u"Present", 1, 1),
      u"");
  EXPECT_EQ(Read(u"Missing"), u"");
  EXPECT_EQ(ReadRegistryString(registry, u"SOFTWARE\\Locked", u"Present", 1, 1),
            u"");
  // Opened without the right to query values.
  EXPECT_EQ(Read(u"Present", 1, 0x20000), u"");
  ASSERT_EQ(registry.closes().size(), 7u);
  EXPECT_EQ(registry.closes()[3], 0u);  // missing key: nothing to close
  EXPECT_NE(registry.closes()[4], 0u);  // missing value: the key is closed
  ExpectEveryOpenClosed();
}

TEST_F(WinRegTest, RootSelectorAndAccessMaskReachTheOpenUnchanged) {
  registry.SetValue(View::k32Bit, RootKey::kCurrentUser, kKey, u"V", Sz("cu"));
  registry.SetValue(View::k32Bit, RootKey::kLocalMachine, kKey, u"V", Sz("lm"));
  registry.SetValue(View::k32Bit, RootKey::kClassesRoot, kKey, u"V", Sz("cr"));
  EXPECT_EQ(Read(u"V", 0), u"cu");
  EXPECT_EQ(Read(u"V", 1), u"lm");
  EXPECT_EQ(Read(u"V", 2), u"cr");
  Read(u"V", 1, 0x20019);
  ASSERT_EQ(registry.opens().size(), 4u);
  EXPECT_EQ(registry.opens()[3].access, 0x20019u);
  EXPECT_EQ(registry.opens()[3].path, kKey);
  ExpectEveryOpenClosed();
}

TEST_F(WinRegTest, AccessMaskPicksTheView) {
  registry.SetValue(View::k32Bit, kKey, u"V", Sz("32"));
  registry.SetValue(View::k64Bit, kKey, u"V", Sz("64"));
  registry.SetValue(View::k64Bit, kKey, u"Only64", Sz("solo"));
  EXPECT_EQ(Read(u"V", 1, 1), u"32");
  EXPECT_EQ(Read(u"V", 1, k64), u"64");
  EXPECT_EQ(Read(u"Only64", 1, 1), u"");
  EXPECT_EQ(Read(u"Only64", 1, k64), u"solo");

  SimulatedRegistry single(/*single_view=*/true);
  single.SetValue(View::k64Bit, kKey, u"V", Sz("uno"));
  EXPECT_EQ(ReadRegistryString(single, kKey, u"V", 1, 1), u"uno");
  EXPECT_EQ(ReadRegistryString(single, kKey, u"V", 1, k64), u"uno");
}

TEST_F(WinRegTest, QueryStatusesAndValues) {
  registry.SetValue(View::k32Bit, kKey, u"Sz", Sz("abc"));
  registry.SetValue(View::k32Bit, kKey, u"Dword", Dword(0x01020304));
  registry.SetValue(View::k32Bit, kKey, u"Binary", Raw(kRegBinary, "abc"));
  registry.SetValue(View::k32Bit, kKey, u"ShortDword", Raw(kRegDword, "\x05"));

  RegistryValue value;
  EXPECT_EQ(Query(u"Sz", value), 0);
  EXPECT_EQ(value, RegistryValue(Text(u"abc\0", 4)));

  value = {};
  EXPECT_EQ(Query(u"Dword", value), 0);
  EXPECT_EQ(value, RegistryValue(int32_t{0x01020304}));
  // Shorter DWORD data fills the low bytes of a zeroed buffer.
  value = {};
  EXPECT_EQ(Query(u"ShortDword", value), 0);
  EXPECT_EQ(value, RegistryValue(int32_t{5}));
  // Other types leave the value as the caller passed it.
  value = int32_t{77};
  EXPECT_EQ(Query(u"Binary", value), WinReg::kUnreadableType);
  EXPECT_EQ(value, RegistryValue(int32_t{77}));
  // No key, or no such value: the type stays 0.
  value = {};
  EXPECT_EQ(QueryRegistryValue(registry, 0, u"Sz", value),
            WinReg::kUnreadableType);
  EXPECT_EQ(Query(u"Nothing", value), WinReg::kUnreadableType);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  ExpectEveryOpenClosed();
}

TEST_F(WinRegTest, HostileSizesNeverOverrunOrCrash) {
  SimulatedValue grows = Sz("15.0");
  grows.grows_to = Sz("15.0.4123.1").data;
  SimulatedValue huge = Sz("x");
  huge.reported_size = 0xFFFFFFFFu;
  SimulatedValue just_over = Sz("x");
  just_over.reported_size = 64u * 1024u * 1024u + 1u;
  // The ANSI functions may report more than the read then writes.
  SimulatedValue over_reported = Sz("abc");
  over_reported.reported_size = 40;
  SimulatedValue long_dword = Raw(kRegDword, "12345678");
  SimulatedValue empty_multi = Raw(kRegMultiSz, "");
  registry.SetValue(View::k32Bit, kKey, u"Grows", grows);
  registry.SetValue(View::k32Bit, kKey, u"Huge", huge);
  registry.SetValue(View::k32Bit, kKey, u"JustOver", just_over);
  registry.SetValue(View::k32Bit, kKey, u"OverReported", over_reported);
  registry.SetValue(View::k32Bit, kKey, u"LongDword", long_dword);
  registry.SetValue(View::k32Bit, kKey, u"EmptyMulti", empty_multi);

  RegistryValue value;
  EXPECT_EQ(Query(u"Grows", value), kErrorMoreData);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  // Too large to allocate: the routine ends with the size query's status.
  EXPECT_EQ(Query(u"Huge", value), 0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  EXPECT_EQ(Query(u"JustOver", value), 0);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  EXPECT_EQ(Query(u"LongDword", value), kErrorMoreData);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(value));
  EXPECT_EQ(Query(u"OverReported", value), 0);
  EXPECT_EQ(value, RegistryValue(Text(u"abc\0", 4)));
  // Through the string reader each of them is just empty, or the written
  // text; the grown value reads whole on the next call.
  registry.SetValue(View::k32Bit, kKey, u"Grows", grows);
  EXPECT_EQ(Read(u"Grows"), u"");
  EXPECT_EQ(Read(u"Grows"), u"15.0.4123.1");
  EXPECT_EQ(Read(u"Huge"), u"");
  EXPECT_EQ(Read(u"LongDword"), u"");
  EXPECT_EQ(Read(u"OverReported"), u"abc");
  EXPECT_EQ(Read(u"EmptyMulti"), u"");
  ExpectEveryOpenClosed();
}

}  // namespace
}  // namespace quorvel::testing
