// The seeds of the boxes in user/: this installation's own, and those of
// the installations whose boxes were moved here, recovered from the boxes
// themselves (box_mask.h) and remembered in others.ini, section
// "BoxMask", keys "Seed1", "Seed2", ... (decimal). Each box is read and
// written with the seed that unmasks it to a box text, so that moved boxes
// and this installation's own both stay readable, and a folder moved back
// still reads its boxes. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_file.h"

namespace pelmo {

class IniFile;
class LineLog;

inline constexpr const char* kBoxSeedSection = "BoxMask";

// How much of a box's beginning tells its seed: the greeting, or " " and
// the head of the first record.
inline constexpr std::size_t kBoxHeadBytes = 256;

class BoxSeeds {
 public:
  explicit BoxSeeds(std::uint32_t ownSeed) : m_ownSeed(ownSeed) {}

  // Where recovered seeds are remembered and where boxes are reported.
  // Without them (a service on its own) recovered seeds last this run only
  // and nothing is logged.
  void Attach(IniFile& othersIni, LineLog& log);

  // A seed known from elsewhere (the folder check reads others.ini without
  // attaching it), taken for this run only.
  void Know(std::uint32_t seed) { m_recovered.push_back(seed); }

  std::uint32_t OwnSeed() const { return m_ownSeed; }
  // The remembered seeds of other installations, in the file's order.
  std::vector<std::uint32_t> Remembered();

  // The seed that unmasks a box, and the one to mask it with when it is
  // written again (the same, but for a box whose whole text is known
  // whatever its seed, which takes this installation's).
  struct Seed {
    std::uint32_t read = 0;
    std::uint32_t write = 0;
  };
  // The seed that unmasks masked, the masked text of the box at path (for
  // the log), to a box text: the own seed or a remembered one when it
  // does, else one recovered from the box (remembered and logged). A box
  // of one byte can only hold " ": any seed giving that reads it. nullopt
  // when no seed can be found; that is logged once for the path, and
  // remembered until the file changes or another seed is learnt, so that
  // the search (hundreds of candidates) is not made again at every access.
  // Only the first bytes of masked are looked at: a box's first 256 bytes
  // may be passed for the whole (kBoxHeadBytes).
  std::optional<Seed> SeedFor(const std::string& path, std::string_view masked);

 private:
  void Remember(std::uint32_t seed);

  std::uint32_t m_ownSeed;
  IniFile* m_ini = nullptr;
  LineLog* m_log = nullptr;
  // Seeds recovered in this run (remembered in the file as well when
  // attached), and the boxes reported as unreadable.
  std::vector<std::uint32_t> m_recovered;
  std::set<std::string> m_reported;
  // Boxes no seed opens, by path, with the state of the file then.
  std::map<std::string, FileVersion> m_unreadable;
};

}  // namespace pelmo
