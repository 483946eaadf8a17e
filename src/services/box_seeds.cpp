#include "services/box_seeds.h"

#include <algorithm>

#include "base/ini_file.h"
#include "base/line_log.h"
#include "core/error_text.h"
#include "services/box_mask.h"

namespace pelmo {

namespace {

bool Unmasks(std::string_view masked, std::uint32_t seed) {
  std::string text(masked);
  MaskBoxWith(text, text.size(), seed);
  return IsBoxText(text);
}

}  // namespace

void BoxSeeds::Attach(IniFile& othersIni, LineLog& log) {
  m_ini = &othersIni;
  m_log = &log;
}

std::vector<std::uint32_t> BoxSeeds::Remembered() {
  std::vector<std::uint32_t> seeds;
  if (m_ini != nullptr) {
    for (const std::string& key : m_ini->ReadSection(kBoxSeedSection)) {
      const long long seed = m_ini->ReadInteger(kBoxSeedSection, key, -1);
      if (seed >= 0 && seed <= 0xFFFFFFFFll) seeds.push_back(static_cast<std::uint32_t>(seed));
    }
  }
  for (std::uint32_t seed : m_recovered) {
    if (std::find(seeds.begin(), seeds.end(), seed) == seeds.end()) seeds.push_back(seed);
  }
  return seeds;
}

std::optional<BoxSeeds::Seed> BoxSeeds::SeedFor(const std::string& path,
                                                std::string_view masked) {
  masked = masked.substr(0, kBoxHeadBytes);
  if (masked.empty() || Unmasks(masked, m_ownSeed)) return Seed{m_ownSeed, m_ownSeed};
  const std::vector<std::uint32_t> remembered = Remembered();
  for (std::uint32_t seed : remembered) {
    if (Unmasks(masked, seed)) return Seed{seed, seed};
  }
  if (masked.size() == 1) {
    // " ", whatever the seed: one that gives it reads it, and the box is
    // written whole again in this installation's mask.
    return Seed{ASeedForFirstDraw(static_cast<unsigned char>(masked[0]) ^ ' '), m_ownSeed};
  }
  const std::optional<FileVersion> version = VersionOfFile(path);
  const auto known = m_unreadable.find(path);
  if (known != m_unreadable.end() && version && known->second == *version) return std::nullopt;
  const std::vector<std::uint32_t> recovered = RecoverBoxSeeds(masked);
  if (recovered.size() == 1) {
    Remember(recovered.front());
    if (m_log != nullptr) {
      m_log->LogLine(ToLogText(path) + ": written by another installation (box mask seed " +
                     std::to_string(recovered.front()) +
                     "); its seed is remembered in others.ini and its boxes are read as they are.");
    }
    return Seed{recovered.front(), recovered.front()};
  }
  if (version) m_unreadable[path] = *version;
  if (m_log != nullptr && m_reported.insert(path).second) {
    m_log->LogLine(ToLogText(path) + ": the box's mask cannot be recovered (" +
                       (recovered.empty() ? std::string("no seed gives a box text")
                                          : std::to_string(recovered.size()) + " seeds fit") +
                       "); it is left as it is and not written to.",
                   255);
  }
  return std::nullopt;
}

void BoxSeeds::Remember(std::uint32_t seed) {
  m_recovered.push_back(seed);
  // The new seed may open a box that none opened before.
  m_unreadable.clear();
  if (m_ini == nullptr) return;
  int n = 1;
  while (m_ini->ValueExists(kBoxSeedSection, "Seed" + std::to_string(n))) ++n;
  m_ini->WriteString(kBoxSeedSection, "Seed" + std::to_string(n), std::to_string(seed));
}

}  // namespace pelmo
