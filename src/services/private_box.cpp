#include "services/private_box.h"

#include <exception>
#include <vector>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/line_name.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "services/stat_store.h"

namespace pelmo {

namespace {

const char kLastRead[] = "LastLetterRead";
// Between the note's header and its text; a listing shows it as a new line.
const std::string kSeparator = " !\"";

std::string NoteKey(long long n) { return "Message-" + std::to_string(n); }

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The Russian words are converted once: every command line of the chat
// is put to them.
bool IsMessWord(const std::string& word) {
  static const std::string kRussian = W("ьуыы");
  return word == "mess" || word == kRussian;
}

bool IsKillWord(const std::string& word) {
  static const std::string kCmess = W("сьуыы"), kKill = W("лшдд");
  return word == "cmess" || word == kCmess || word == "kill" || word == kKill;
}

}  // namespace

bool IsPrivateBoxCommand(const std::string& text) {
  const std::string word = SplitCommandWord(text).word;
  return IsMessWord(word) || IsKillWord(word);
}

std::string NotesWord(long long n) {
  const long long lastTwo = n % 100;
  const long long last = n % 10;
  if (lastTwo >= 11 && lastTwo <= 14) return W(" сообщений!");
  if (last == 1) return W(" сообщение!");
  if (last >= 2 && last <= 4) return W(" сообщения!");
  return W(" сообщений!");
}

PrivateBox::PrivateBox(StatStore& store, Replies& replies, const Clock& clock)
    : m_store(store), m_replies(replies), m_clock(clock) {}

bool PrivateBox::Command(const std::string& text, const std::string& nick,
                         const std::string& host, std::uint32_t address) {
  const CommandWords words = SplitCommandWord(text);
  const bool mess = IsMessWord(words.word);
  const bool kill = IsKillWord(words.word);
  if (!mess && !kill) return false;
  if (kill) {
    DeleteRead(host, address);
  } else if (!words.rest.empty()) {
    LeaveNote(words.rest, nick, host, address);
  } else {
    std::string listing = Summary(host, true);
    m_replies.SayTo(address, "\r\n---------------------\r\n" + listing, kKindListing);
  }
  return true;
}

void PrivateBox::LeaveNote(const std::string& rest, const std::string& nick,
                           const std::string& host, std::uint32_t address) {
  const std::size_t space = rest.find(' ');
  if (space == std::string::npos) {
    m_replies.SayTo(address, W("Ошибка ввода"), kKindLine);
    return;
  }
  const std::string recipient = AnsiUpperCase(TrimControls(rest.substr(0, space)));
  const std::string note = TrimControls(rest.substr(space + 1));
  if (!StatStore::SafeSection(recipient) || !m_store.SectionExists(recipient)) {
    m_replies.SayTo(address, W("Пользователь не найден"), kKindLine);
    return;
  }
  int free = 0;
  for (int n = 1; n <= kBoxNotes && free == 0; ++n) {
    if (!m_store.ValueExists(recipient, NoteKey(n))) free = n;
  }
  if (free == 0) {
    m_replies.SayTo(address, W("Ящик пользователя переполнен"), kKindLine);
    return;
  }
  const TDateTime now = m_clock.Now();
  // An INI value is one line; a break would cut the note and begin a
  // forged key.
  const std::string value =
      OneLine(W("* Сообщение от ") + LineName(nick) + " (" + LineName(host) + W("). Дата: ") +
              DateToStr(now) + " " + TimeToStr(now) + kSeparator + note);
  if (!m_store.WriteString(recipient, NoteKey(free), value)) return;
  // Stored: every later read sees it, and the batched rewrite puts it on
  // the disk within about a second. While that rewrite fails, the note
  // goes to the file now or is not confirmed at all.
  if (m_store.WriteFailing()) {
    try {
      m_store.Flush();
    } catch (...) {
      m_store.DeleteKey(recipient, NoteKey(free));
      throw;
    }
  }
  m_replies.SayTo(address, W("Сообщение добавлено"), kKindLine);
}

std::string PrivateBox::Summary(const std::string& host, bool listing) {
  if (host.empty() || !m_store.SectionExists(host)) return {};
  const long long lastRead = m_store.ReadInteger(host, kLastRead, 0);
  long long count = 0;
  std::string notes;
  for (int n = 1; n <= kBoxNotes; ++n) {
    std::string value = m_store.ReadString(host, NoteKey(n), "");
    if (TrimControls(value).empty()) continue;
    ++count;
    if (listing) notes += ReplaceAll(value, kSeparator, "\r\n\t") + "\r\n";
  }
  std::string summary = W("У Вас ") + std::to_string(count) + NotesWord(count);
  if (count - lastRead > 0) summary += W(" Новых: ") + std::to_string(count - lastRead);
  if (!listing) return summary;
  m_store.WriteInteger(host, kLastRead, count);
  return summary + "\r\n" + notes;
}

void PrivateBox::DeleteRead(const std::string& host, std::uint32_t address) {
  if (host.empty() || !m_store.SectionExists(host)) return;
  const long long lastRead = m_store.ReadInteger(host, kLastRead, 0);
  long long count = 0;
  long long remaining = 0;
  for (int n = 1; n <= kBoxNotes; ++n) {
    std::string value = m_store.ReadString(host, NoteKey(n), "");
    if (TrimControls(value).empty()) continue;
    ++count;
    m_store.DeleteKey(host, NoteKey(n));
    // Notes that came after the last listing move down and stay new.
    if (n > lastRead) {
      m_store.WriteString(host, NoteKey(n - lastRead), value);
      ++remaining;
    }
  }
  m_store.DeleteKey(host, kLastRead);
  if (count > 0) {
    m_replies.SayTo(address,
                    W("Удалено : ") + std::to_string(count - remaining) + W(", осталось: ") +
                        std::to_string(remaining),
                    kKindLine);
  } else {
    m_replies.SayTo(address, W("Все сообщения удалены"), kKindLine);
  }
}

void PrivateBox::JoinNotice(const std::string& host, std::uint32_t address) {
  if (host.empty() || !m_store.SectionExists(host)) return;
  const std::string summary = Summary(host, false);
  if (summary == W("У Вас 0 сообщений!")) return;
  m_replies.SayTo(address, summary + W(" Для прочтения наберите !mess"), kKindLine);
}

void InstallPrivateBox(ServiceContext& context, PrivateBox& box) {
  // A file error ends the box's part of the event only: the command walk
  // and the join go on.
  context.commands.Add(CommandRow{
      .place = CommandPlace::PrivateBox,
      .accepts = IsPrivateBoxCommand,
      .handler = [&box, &replies = context.replies](CommandContext& command) {
        try {
          const ChatEvent& event = command.event;
          box.Command(command.command, event.nick, event.host, event.address);
        } catch (const std::exception&) {
          if (!box.Store().LoadError().empty()) {
            replies.SayTo(command.event.address, StatUnavailable(), kKindLine);
          }
        }
      },
  });
  context.on.join.Add(JoinStep::PrivateBoxNotice, [&box](const ChatEvent& event) {
    try {
      box.JoinNotice(event.host, event.address);
    } catch (const std::exception&) {
    }
  });
}

}  // namespace pelmo
