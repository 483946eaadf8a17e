// Offline messages: a user registers a nick with a password ("рег"/"reg")
// and gets a box file user/<nick in upper-case hex>; in a password channel
// whose password is his own he reads ("r"), empties ("d") and re-keys
// ("c" + new password) his box, chooses a respondent ("nick " + nick) or
// clears him ("stop"), and every plain line he writes there is appended to
// the respondent's box. user/seen.txt lists the nicks that have read their
// box since the last delivery to it; a joiner not in it is told of unread
// mail. Main thread only.
//
// A box file is binary: the box text, each byte XOR-ed with the mask, then
// the sum of the password's bytes as 32-bit little-endian. The mask is the
// stream of draws below 255 of the program's linear congruential generator
// started from kBoxMaskSeed, the same for every file and pass (so masking
// twice restores the text). It has its own generator: reseeding the bot's
// shared one would repeat the quiz's and the anecdotes' choices. A box that
// another installation wrote with its own seed is read and written with
// that seed (box_seeds.h); one whose seed cannot be found reads as a wrong
// password and is never written to.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "services/box_seeds.h"
#include "core/paced_lines.h"

namespace pelmo {

struct ServiceContext;
class Clock;
class EventLoop;
class LineLog;
class Replies;
class WorkFolder;

// The seed of the box mask: fixed so that boxes stay readable across runs
// and installations of this bot. Changing it makes every box unreadable.
inline constexpr std::uint32_t kBoxMaskSeed = 0x5045'4C4Du;  // "PELM"

// The most respondents kept at once; the next nick is refused.
inline constexpr std::size_t kMaxRespondents = 100;

// The longest nick that can have a box: its file name is two hex digits a
// byte, and the rewrite's temporary name beside it ("." + name + ".tmp" +
// process id + "-" + counter) must stay within the 255 bytes a file name
// may have.
inline constexpr std::size_t kMaxBoxNick = 100;

// The largest box file a delivery may leave: a line that would take the
// box past it is refused, with a reply to its sender and a log line. "r",
// "d" and "c" work on a box of any size.
inline constexpr std::size_t kMaxBoxBytes = 1024 * 1024;

// "r" shows at most the newest this many bytes of a box, in password lines
// of 255 characters: the first few at once, the rest one per interval.
inline constexpr std::size_t kShownBoxBytes = 16 * 1024;
inline constexpr std::size_t kBoxPiecesAtOnce = 4;
inline constexpr std::chrono::milliseconds kBoxPieceInterval{50};

// "user/" name of the nick's box: its bytes as upper-case hex.
std::string BoxFileName(const std::string& nick);
// Sum of the password's byte values, modulo 2^32.
std::uint32_t PasswordSum(const std::string& password);
// XORs the first count bytes with the mask stream (count <= text.size()).
void MaskBox(std::string& text, std::size_t count);

class OfflineMessages {
 public:
  // loop: where the later pieces of a long box go out. All references
  // must outlive this.
  OfflineMessages(const WorkFolder& folder, Replies& replies, const Clock& clock,
                  EventLoop& loop);

  // kUnreadable: the password fits but no seed unmasks the box.
  enum class BoxState { kMissing, kWrongPassword, kOk, kUnreadable };
  struct Box {
    BoxState state = BoxState::kMissing;
    std::string text;  // the unmasked text when kOk
    std::uint32_t seed = kBoxMaskSeed;  // the seed to write it with when kOk
  };

  // Creates or overwrites the box, masked with this installation's seed.
  // Throws FileError when it cannot be written (the old file then stays).
  void WriteBox(const std::string& nick, const std::string& password, const std::string& text);
  // A file shorter than the 4 bytes of the sum reads as a wrong password.
  // Throws FileError when the file exists but cannot be read. The whole
  // text is read: the service itself reads a box's beginning, its end and
  // its newest part only.
  Box ReadBox(const std::string& nick, const std::string& password);

  // The seeds of moved boxes; attached to others.ini and the log when the
  // service is installed.
  BoxSeeds& Seeds() { return m_seeds; }

  // Registration from the chat; the reply goes to the address. Nothing
  // with an empty nick or password; a nick longer than kMaxBoxNick bytes
  // and an existing box are refused with a reply (the box is kept).
  void RegisterSubscriber(const std::string& nick, const std::string& password,
                          std::uint32_t address);
  // The password-channel commands of the box's owner nick, who writes in
  // the channel with the password; replies go into the channel. "r" shows
  // the box (a box longer than kShownBoxBytes: a line saying that older
  // messages are kept and "!d" empties the box, then its newest part, from
  // the start of a message), paced; "d" empties it, "c" + one character +
  // new password re-keys it, "nick " + nick chooses the respondent and
  // "stop" clears him.
  void ShowBox(const std::string& nick, const std::string& channel, const std::string& password);
  void EmptyBox(const std::string& nick, const std::string& password);
  void ChangePassword(const std::string& nick, const std::string& channel,
                      const std::string& password, const std::string& command);
  void SetRespondent(const std::string& nick, const std::string& channel,
                     const std::string& password, const std::string& command);
  void ClearRespondent(const std::string& nick, const std::string& channel,
                       const std::string& password);
  // A plain password-channel line for the sender's respondent: the record
  // is masked where it falls in the box and written over the box's sum,
  // the sum after it, so a delivery costs the record's length, whatever
  // the box's.
  void DeliverLine(const std::string& sender, const std::string& line,
                   const std::string& channel, const std::string& password);
  // The unread notice for a joiner, to his address.
  void NotifyUnread(const std::string& nick, std::uint32_t address);
  // Drops the pieces of boxes not sent yet (the bot stops).
  void StopReading() { m_paced.Clear(); }
  std::size_t PiecesWaiting() const { return m_paced.Waiting(); }

  // Whether the nick has chosen a respondent, so that his plain
  // password-channel lines are delivered.
  bool HasRespondent(const std::string& nick) const;
  // The respondent table in slot order (nick, respondent).
  const std::vector<std::pair<std::string, std::string>>& Respondents() const {
    return m_respondents;
  }

  // Where a full box is reported (the bot log); none: not reported.
  void SetLog(LineLog* log) { m_log = log; }

 private:
  // A box's state from its beginning and its sum alone (password null:
  // not checked), with its text's size and its sum's bytes.
  struct Head {
    BoxState state = BoxState::kMissing;
    std::uint64_t textSize = 0;
    std::string sum;
    BoxSeeds::Seed seed;
  };
  Head ReadHead(const std::string& path, const std::string* password);
  void SayInPasswordChannel(const std::string& channel, const std::string& password,
                            const std::string& text);
  std::vector<std::string> ReadList();
  void WriteReadList(const std::vector<std::string>& readers);
  std::string BoxPath(const std::string& nick) const;
  void WriteBoxWith(const std::string& nick, const std::string& password, const std::string& text,
                    std::uint32_t seed);

  const WorkFolder& m_folder;
  Replies& m_replies;
  const Clock& m_clock;
  PacedLines m_paced;
  std::vector<std::pair<std::string, std::string>> m_respondents;
  BoxSeeds m_seeds{kBoxMaskSeed};
  LineLog* m_log = nullptr;
};

// Adds the registration and the password-channel commands, the delivery of
// plain password-channel lines and the unread notice of a join.
void InstallOfflineMessages(ServiceContext& context, OfflineMessages& messages);

}  // namespace pelmo
