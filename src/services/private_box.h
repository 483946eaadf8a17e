// The private note box: notes left for a computer (by its host name) under
// "Message-1".."Message-50" of its section in botfile/stat.ini, listed with
// "mess", cleared with "cmess"/"kill", announced when its user joins.
// Only hosts that already have a section (made by the flood statistics)
// can receive notes. Every change is made in the statistics store, which
// every later read sees and which rewrites the file within about a second,
// as it does for the counts; a note is confirmed once it is there, or,
// while the store's rewrites fail, only once it is on the disk.
// Main thread only.
#pragma once

#include <cstdint>
#include <string>

namespace pelmo {

struct ServiceContext;
class Clock;
class Replies;
class StatStore;

// The number of notes a box holds; a full box refuses the next one.
inline constexpr int kBoxNotes = 50;

class PrivateBox {
 public:
  PrivateBox(StatStore& store, Replies& replies, const Clock& clock);
  // The statistics file the notes live in.
  StatStore& Store() { return m_store; }

  // A command text (prefix removed) from nick on host at address: "mess"
  // alone lists, "mess HOST text" leaves a note, "cmess"/"kill" deletes the
  // listed notes (and the other-layout words; the word's case ignored).
  // True when the word was one of these. Throws FileError when stat.ini
  // cannot be read, or cannot be written while its rewrites fail; a note is
  // then not confirmed.
  bool Command(const std::string& text, const std::string& nick, const std::string& host,
               std::uint32_t address);

  // The join notice for the host, to the address, when notes wait.
  void JoinNotice(const std::string& host, std::uint32_t address);

  // "У Вас " + N + word [+ " Новых: " + new]; with listing, the notes
  // follow and "LastLetterRead" becomes N. Empty for an unknown host.
  std::string Summary(const std::string& host, bool listing);

 private:
  void LeaveNote(const std::string& rest, const std::string& nick, const std::string& host,
                 std::uint32_t address);
  void DeleteRead(const std::string& host, std::uint32_t address);

  StatStore& m_store;
  Replies& m_replies;
  const Clock& m_clock;
};

// True when the command text's first word (case ignored) is one of the
// box's: "mess", "cmess", "kill" or the same typed on the other layout.
bool IsPrivateBoxCommand(const std::string& text);

// " сообщение!", " сообщения!" or " сообщений!" for n (Windows-1251).
std::string NotesWord(long long n);

void InstallPrivateBox(ServiceContext& context, PrivateBox& box);

}  // namespace pelmo
