// Anecdotes (botfile/anecdot.txt, each ended by a separator line) and
// aphorisms (botfile/Aforizm.txt, one a line), held whole in memory so a
// hand-out needs no file access, handed out at random with a minimum
// interval (IntervalE seconds, each collection its own) and extended from
// the chat. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmo {

struct ServiceContext;
class BotLog;
class Clock;
class Random;
class Replies;
class WorkFolder;
struct BotSettings;

// "=+" 34 times: ends every anecdote in anecdot.txt.
const std::string& AnecdoteSeparator();
// Neither collection grows past this many entries.
inline constexpr std::size_t kMaxJokes = 500000;
// What the chat may add: a text of at most kMaxJokeText bytes, to a file
// below kMaxJokesAdded bytes; beyond either the text is refused with a
// reply (a full file also with a log line) and the file stays as it is.
// A file is read whole up to kMaxJokesFileSize, far above what additions
// reach; of a longer one (the operator's) the lines within that size.
inline constexpr std::size_t kMaxJokeText = 4096;
inline constexpr std::size_t kMaxJokesAdded = 16u * 1024u * 1024u;
inline constexpr std::size_t kMaxJokesFileSize = 512u * 1024u * 1024u;

// The anecdotes of a file's text: each begins with "\r\n" and has every
// line followed by "\r\n"; a text whose last line is not empty gives one
// more (so a text ending with the separator gives a last "\r\n\r\n").
// Stops at kMaxJokes entries.
std::vector<std::string> ParseAnecdotes(std::string_view text);
// Every line one aphorism, empty ones included; at most kMaxJokes.
std::vector<std::string> ParseAphorisms(std::string_view text);
// True when the text goes to the anecdotes rather than the aphorisms: it
// holds a line break (CR or LF), is 254 characters or longer, or holds the
// separator line.
bool IsAnecdoteText(const std::string& text);

class Jokes {
 public:
  Jokes(const WorkFolder& folder, const BotSettings& settings, Random& random,
        const Clock& clock, Replies& replies, BotLog& log);

  // Read the files (a missing one is an empty collection) and log the
  // counts. Throw FileError when a file exists but cannot be read.
  void LoadAnecdotes();
  void LoadAphorisms();

  // A random anecdote into the anecdote channel (AnecChannelE), or, when
  // the interval since the last one has not passed, "Подождите " + w +
  // seconds word, unicast to the address. byTimer: no waiting notice (the
  // timer's hand-out is simply skipped). An entry that is only line breaks
  // is never drawn; a collection without any other entry in the draw's
  // range (an empty one among them) sends nothing. The interval is
  // measured on the tick counter, so midnight and clock changes do not
  // disturb it.
  void GiveAnecdote(std::uint32_t address, bool byTimer = false);
  // The same for an aphorism, said to everybody in the main channel.
  void GiveAphorism(std::uint32_t address);

  // Append text + " (" + nick + ")" to the file (line breaks written as
  // CR LF; an anecdote followed by the separator) and to memory, then
  // confirm unicast to the address. A full collection (kMaxJokes) takes
  // nothing and confirms nothing. Throw FileError when the file cannot be
  // written (nothing added, nothing said).
  void AddAnecdote(const std::string& nick, const std::string& text, std::uint32_t address);
  void AddAphorism(const std::string& nick, const std::string& text, std::uint32_t address);

  const std::vector<std::string>& Anecdotes() const { return m_anecdotes; }
  const std::vector<std::string>& Aphorisms() const { return m_aphorisms; }

 private:
  // The seconds still to wait since the last hand-out (tick counter), or
  // nullopt when a hand-out may go now.
  std::optional<long long> WaitFor(const std::optional<std::uint64_t>& last) const;
  // True when the text may be added to the file at path; otherwise the
  // refusal is said (and a full file logged).
  bool Takes(const std::string& path, const std::string& nick, const std::string& text,
             std::uint32_t address);
  // The slot to hand out (0-based), or nullopt when there is nothing.
  std::optional<std::size_t> Draw(const std::vector<std::string>& entries);

  const WorkFolder& m_folder;
  const BotSettings& m_settings;
  Random& m_random;
  const Clock& m_clock;
  Replies& m_replies;
  BotLog& m_log;
  std::vector<std::string> m_anecdotes;
  std::vector<std::string> m_aphorisms;
  std::optional<std::uint64_t> m_lastAnecdoteTick;
  std::optional<std::uint64_t> m_lastAphorismTick;
};

// Fills the service's hook slots and adds its rows to the command table.
void InstallJokes(ServiceContext& context, Jokes& jokes);

}  // namespace pelmo
