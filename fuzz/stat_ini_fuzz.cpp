// libFuzzer target for botfile/stat.ini as the statistics store holds it:
// the file, a zero byte, then a section, a key and a number for one
// count, each ended by a zero byte. Whatever the store lists must read
// back as listed; after a count and a rewrite of the file, a store that
// reads the file afresh must list exactly what the first one holds.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/text_file.h"
#include "fuzz_support.h"
#include "services/stat_store.h"

namespace {

using namespace pelmo;

using Listing = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

Listing List(StatStore& store) {
  Listing listing;
  for (const std::string& section : store.Sections()) {
    auto values = store.SectionValues(section);
    for (const auto& [key, value] : values) {
      if (store.ReadString(section, key, "\x01") != value) __builtin_trap();
      store.ReadInteger(section, key, 0);
    }
    listing.emplace_back(section, std::move(values));
  }
  return listing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::vector<std::string> parts = fuzz::Parts(data, size, 4);
  const std::string path = fuzz::ScratchDir() + "/stat.ini";
  fuzz::WriteBytes(path, parts[0]);
  fuzz::IdleLoop loop;
  StatStore store(path, loop);
  List(store);

  const std::int64_t amount = static_cast<std::int64_t>(std::hash<std::string>{}(parts[3]));
  const std::int64_t before = store.ReadInteger(parts[1], parts[2], 0);
  if (store.AddInteger(parts[1], parts[2], amount)) {
    if (!StatStore::SafeSection(parts[1]) || !StatStore::SafeKey(parts[2])) __builtin_trap();
    const std::int64_t after = store.ReadInteger(parts[1], parts[2], 0);
    const bool saturated = after == INT64_MAX || after == INT64_MIN;
    if (!saturated && after != static_cast<std::int64_t>(static_cast<std::uint64_t>(before) +
                                                          static_cast<std::uint64_t>(amount))) {
      __builtin_trap();
    }
  }
  store.Flush();
  const Listing held = List(store);
  StatStore fresh(path, loop);
  if (List(fresh) != held) __builtin_trap();
  return 0;
}
