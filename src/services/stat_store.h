// botfile/stat.ini held in memory, shared by the flood statistics and the
// private note box (one section per host). Lookups of sections and keys
// ignore the case of Latin and Cyrillic letters, as the profile functions
// do; the first section or key of a name wins. Every command line is
// counted here, so a change only marks the store dirty and arms a one-shot
// timer on the event loop: the whole file is rewritten (temporary file and
// rename) at most about once a second, and at Flush() (bot stop, program
// close). A writer that confirms to the user can rely on the memory, which
// every later read sees, as long as the file takes the rewrites: while
// WriteFailing(), it calls Flush() itself before it confirms.
// The file is loaded on first use and again by Reload(); while loaded, the
// memory is the truth and outside edits of the file are overwritten.
// Main thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/event_loop.h"

namespace pelmo {

// The delay between the first change and the rewrite of the file.
inline constexpr std::chrono::milliseconds kStatFlushDelay{1000};

// The most host sections kept: a new host beyond takes the place of the
// one counted least recently (its counts and notes go with it), so that
// commands under ever new host names cannot grow the file without end.
// After a load, file order stands for the order of counting.
inline constexpr std::size_t kMaxStatHosts = 10000;
// Counting adds no new key (a nick's, a new day's) while the file holds
// this many keys; those there go on counting. With the hosts' bound it
// keeps the file well below the size it is read whole up to.
inline constexpr std::size_t kMaxStatKeys = 200000;

class StatStore {
 public:
  // path: the file; loop: where the delayed rewrite runs. Neither is
  // touched before first use. The loop must outlive the store.
  StatStore(std::string path, EventLoop& loop);
  ~StatStore();
  StatStore(const StatStore&) = delete;
  StatStore& operator=(const StatStore&) = delete;

  const std::string& Path() const { return m_path; }

  // True when the name can be a section or key of the file and reads back
  // as itself: not empty, no CR, LF or zero byte, no blank at either end;
  // a section holds no "]", a key no "=" and does not begin with "[" or ";".
  static bool SafeSection(std::string_view name);
  static bool SafeKey(std::string_view name);

  // Reads. Each loads the file first when it is not loaded and throws
  // FileError when it exists but cannot be read (the file is then never
  // rewritten from an empty memory).
  bool SectionExists(std::string_view section);
  bool ValueExists(std::string_view section, std::string_view key);
  // The value as the profile reader gives it (trimmed, one pair of quotes
  // around the whole value dropped); the default when missing.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue);
  // A decimal 64-bit value (blanks and a sign allowed); the default when
  // missing or not such a number.
  std::int64_t ReadInteger(std::string_view section, std::string_view key,
                           std::int64_t defaultValue);
  // Section names in file order, each once.
  std::vector<std::string> Sections();
  // key=value pairs of a section in file order (values as ReadString).
  std::vector<std::pair<std::string, std::string>> SectionValues(std::string_view section);
  // The same pairs handed to visit without copies; the views live until
  // the next change. visit must not change the store.
  void VisitValues(std::string_view section,
                   const std::function<void(std::string_view key, std::string_view value)>& visit);

  // What changed since the last call, for an index kept beside the store
  // (the talker table): the names of the sections whose keys changed,
  // dropped ones included, as each was named in memory; all: the file was
  // loaded anew or too much changed to list, and everything may differ.
  // Loads the file first, as the reads do.
  struct Changes {
    bool all = false;
    std::vector<std::string> sections;
  };
  Changes TakeChanges();
  // The section's name as the store holds it (its first appearance, case
  // as written); empty when there is none.
  std::string StoredName(std::string_view section);

  // Writes. Each returns false and changes nothing for a name that is not
  // safe or a value holding CR, LF or a zero byte; otherwise the change is
  // in memory and the rewrite is armed.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, std::int64_t value);
  // Adds to a key's integer (missing or unreadable: 0), saturating at the
  // 64-bit limits. The section counts as the most recently counted. False,
  // and nothing added, for a new key while the file holds kMaxStatKeys.
  bool AddInteger(std::string_view section, std::string_view key, std::int64_t amount);
  // False when the key was not there.
  bool DeleteKey(std::string_view section, std::string_view key);

  // Rewrites the file now when something changed. Throws FileError when it
  // cannot be written (the changes stay pending).
  void Flush();
  // Flush() that logs nothing and throws nothing (timer, stop, close).
  void FlushQuietly() noexcept;
  // Flushes, then reads the file again (the operator may have edited it
  // while the bot was stopped); keeps the memory when the flush failed.
  void Reload();
  bool Dirty() const { return m_dirty; }
  // True since a rewrite of the file failed, until one succeeds.
  bool WriteFailing() const { return m_writeFailing; }
  // Why the file could not be loaded at the last try; empty when it was.
  const std::string& LoadError() const { return m_loadError; }

 private:
  struct Line {
    std::string key{};    // empty: a line kept as it was (comment, blank)
    std::string value{};  // trimmed, as found in the file
    std::string raw{};
    bool shadowed = false;  // a repeated key, which lookups never see
  };
  struct Section {
    std::string name{};
    bool hasHeader = true;
    std::vector<Line> lines{};
    std::unordered_map<std::string, std::size_t> keys{};  // folded key -> line
    std::uint64_t counted = 0;  // when last counted (a running number)
    bool removed = false;       // dropped for a newer host; gone at the next rewrite
  };

  void EnsureLoaded();
  Section* FindSection(std::string_view section);
  Section& SectionForWrite(std::string_view section);
  Line* FindLine(std::string_view section, std::string_view key);
  bool SetValue(std::string_view section, std::string_view key, std::string value);
  void Reindex(Section& section);
  void Changed();
  void Touched(const Section& section);
  void MarkCounted(std::size_t index);
  // Drops the section counted least recently (never the lines before any
  // header).
  void DropLeastCounted();
  // Leaves the dropped sections out of memory and indexes the rest anew.
  void Compact();
  std::string Serialize() const;

  std::string m_path;
  EventLoop& m_loop;
  bool m_loaded = false;
  bool m_dirty = false;
  bool m_writeFailing = false;
  EventLoop::TimerId m_timer = 0;
  std::vector<Section> m_sections;
  std::unordered_map<std::string, std::size_t> m_index;  // folded name -> first section
  // (counted, section index) of the indexed sections, least recent first.
  std::set<std::pair<std::uint64_t, std::size_t>> m_byCounted;
  std::uint64_t m_counter = 0;
  std::size_t m_removed = 0;
  std::string m_loadError;
  // For TakeChanges(): bounded, past the bound only "all".
  bool m_changedAll = true;
  std::unordered_set<std::string> m_changed;
};

// What a user is told when stat.ini cannot be loaded (LoadError()), in
// place of silence.
std::string StatUnavailable();

// The command texts of the services on stat.ini: split at the first space
// into the word (trimmed, lower-cased by the ANSI rules) and the rest
// (trimmed); trimming removes characters of code 32 and below.
struct CommandWords {
  std::string word;
  std::string rest;
};
CommandWords SplitCommandWord(std::string_view text);

}  // namespace pelmo
