// Feeds the registry reader and the server list whatever value types, sizes
// and bytes the input describes. Any crash, overrun, leaked key or double
// close is a finding.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/simulated_registry.h"
#include "registry/win_reg.h"
#include "servers/server_list.h"

namespace {

using quorvel::Text;
using quorvel::registry::RootKey;
using quorvel::testing::SimulatedRegistry;
using quorvel::testing::SimulatedValue;
using quorvel::testing::View;

const Text kServerKey = u"SOFTWARE\\Microsoft\\Microsoft SQL Server";

void Check(bool holds) {
  if (!holds) std::abort();
}

Text TextFrom(const std::string& bytes) {
  Text text;
  for (const char c : bytes) text.push_back(static_cast<unsigned char>(c));
  return text;
}

// Mostly the keys and names the program reads, sometimes anything.
Text PickKey(FuzzedDataProvider& input) {
  const int pick = input.ConsumeIntegralInRange(0, 3);
  if (pick == 0) return kServerKey;
  if (pick == 1) {
    return u"SOFTWARE\\Microsoft\\MSSQLSERVER\\MSSQLServer\\CurrentVersion";
  }
  if (pick == 2) {
    return kServerKey + u"\\" + TextFrom(input.ConsumeRandomLengthString(12)) +
           u"\\MSSQLServer\\CurrentVersion";
  }
  return TextFrom(input.ConsumeRandomLengthString(40));
}

Text PickName(FuzzedDataProvider& input) {
  const int pick = input.ConsumeIntegralInRange(0, 2);
  if (pick == 0) return u"InstalledInstances";
  if (pick == 1) return u"CurrentVersion";
  return TextFrom(input.ConsumeRandomLengthString(16));
}

uint32_t PickType(FuzzedDataProvider& input) {
  static constexpr uint32_t kTypes[] = {1, 7, 4, 2, 3, 11, 0};
  const auto pick = input.ConsumeIntegralInRange<std::size_t>(0, 7);
  return pick < 7 ? kTypes[pick] : input.ConsumeIntegral<uint32_t>();
}

SimulatedValue PickValue(FuzzedDataProvider& input) {
  SimulatedValue value;
  value.type = PickType(input);
  const std::string data = input.ConsumeRandomLengthString(512);
  value.data.assign(data.begin(), data.end());
  if (input.ConsumeBool()) {
    // Sizes above the reader's limit are refused before any allocation.
    value.reported_size = input.ConsumeBool()
                              ? input.ConsumeIntegral<uint32_t>()
                              : input.ConsumeIntegralInRange<uint32_t>(0, 1024);
  }
  if (input.ConsumeBool()) {
    const std::string grown = input.ConsumeRandomLengthString(512);
    value.grows_to.emplace(grown.begin(), grown.end());
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  SimulatedRegistry registry(/*single_view=*/input.ConsumeBool());
  const int values = input.ConsumeIntegralInRange(0, 8);
  for (int i = 0; i < values; ++i) {
    const View view = input.ConsumeBool() ? View::k64Bit : View::k32Bit;
    const Text key = PickKey(input);
    const Text name = PickName(input);
    registry.SetValue(view, RootKey::kLocalMachine, key, name,
                      PickValue(input));
  }

  // The reader on its own, with any root selector and access mask.
  const auto selector = input.ConsumeIntegralInRange<int32_t>(-1, 3);
  const auto access = input.ConsumeIntegral<uint32_t>();
  const Text key = PickKey(input);
  const Text text = quorvel::registry::WinReg::ReadRegistryString(
      registry, key, PickName(input), selector, access);
  Check(text.size() <= 1024);

  // The server list, then the version of every entry.
  const std::vector<Text> entries = quorvel::servers::ServerEntries(registry);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Check(entries[i].rfind(u"(LOCAL)", 0) == 0);
    for (std::size_t j = 0; j < i; ++j) Check(entries[i] != entries[j]);
    Check(quorvel::servers::ServerVersion(registry, entries[i]).size() <= 1024);
  }
  Check(registry.open_handles() == 0);
  Check(registry.bad_closes() == 0);
  return 0;
}
