#include "services/jokes.h"

#include <cmath>
#include <cstring>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/line_name.h"
#include "base/random.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/command_table.h"
#include "core/error_text.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/work_folder.h"
#include "transport/net_settings.h"
#include "core/replies.h"

namespace pelmo {

namespace {

// Draws before a hand-out falls back to a walk for an entry with text.
constexpr int kDrawTries = 16;

// Calls take(line) for each line of the text (CR LF, LF or a lone CR ends
// one; a final line end starts no further line) until take returns false.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
  const char* const data = text.data();
  std::size_t start = 0;
  while (start < text.size()) {
    // Two memchr passes find the end sooner than a byte loop on large files.
    const std::size_t left = text.size() - start;
    const void* lf = std::memchr(data + start, '\n', left);
    const std::size_t lfAt = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data)
                                : text.size();
    const void* cr = std::memchr(data + start, '\r', lfAt - start);
    const std::size_t end =
        cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : lfAt;
    if (end == text.size()) {
      take(text.substr(start));
      return;
    }
    if (!take(text.substr(start, end - start))) return;
    start = end + (data[end] == '\r' && end + 1 < text.size() && data[end + 1] == '\n' ? 2 : 1);
  }
}

bool OnlyLineBreaks(const std::string& text) {
  return text.find_first_not_of("\r\n") == std::string::npos;
}

// Every line break (CR LF, lone CR, lone LF) as CR LF, so the file keeps
// one line per line whatever the client sent.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// A line of the sender's text that is the separator line would end the
// anecdote there and begin another without its author: it is kept with a
// blank after it, which no longer reads as the separator.
std::string WithoutSeparatorLines(const std::string& text) {
  const std::string& separator = AnecdoteSeparator();
  std::string out;
  out.reserve(text.size() + 2);
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    out.append(text, at, end - at);
    if (std::string_view(text).substr(at, end - at) == separator) out += ' ';
    if (end == text.size()) break;
    out += "\r\n";
    at = end + 2;
  }
  return out;
}

std::string ReadCollection(const std::string& path, LineLog& log) {
  if (!FileExists(path)) return {};
  if (FileSize(path) > static_cast<long long>(kMaxJokesFileSize)) {
    // Far more than the bot ever writes (kMaxJokesAdded): the operator's
    // own file. Its beginning is told, rather than nothing at all.
    std::string part;
    if (!ReadFilePart(path, 0, kMaxJokesFileSize, part)) throw FileError("не удалось прочитать " + path);
    part.resize(part.find_last_of("\r\n") == std::string::npos ? 0 : part.find_last_of("\r\n") + 1);
    log.LogLine(ToLogText(path) + ": longer than " + std::to_string(kMaxJokesFileSize >> 20) +
                    " MB; only the lines within its first " +
                    std::to_string(kMaxJokesFileSize >> 20) + " MB are read.",
                255);
    return ToCp1251Text(std::move(part));
  }
  std::optional<std::string> text = ReadTextFile(path, kMaxJokesFileSize);
  if (!text) throw FileError("не удалось прочитать " + path);
  return std::move(*text);
}

}  // namespace

const std::string& AnecdoteSeparator() {
  static const std::string separator = [] {
    std::string s;
    for (int i = 0; i < 34; ++i) s += "=+";
    return s;
  }();
  return separator;
}

std::vector<std::string> ParseAnecdotes(std::string_view text) {
  const std::string& separator = AnecdoteSeparator();
  std::vector<std::string> anecdotes;
  // One allocation per anecdote: the text gathers in a reused buffer and
  // is copied out at its exact size.
  std::string accumulator = "\r\n";
  bool lastLineEmpty = true;
  ForEachLine(text, [&](std::string_view line) {
    lastLineEmpty = line.empty();
    if (line == separator) {
      anecdotes.emplace_back(accumulator);
      accumulator.assign("\r\n");
      return anecdotes.size() < kMaxJokes;
    }
    accumulator.append(line);
    accumulator += "\r\n";
    return true;
  });
  if (!lastLineEmpty && anecdotes.size() < kMaxJokes) anecdotes.push_back(accumulator + "\r\n");
  return anecdotes;
}

std::vector<std::string> ParseAphorisms(std::string_view text) {
  std::vector<std::string> aphorisms;
  ForEachLine(text, [&](std::string_view line) {
    aphorisms.emplace_back(line);
    return aphorisms.size() < kMaxJokes;
  });
  return aphorisms;
}

bool IsAnecdoteText(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos || text.size() >= 254 ||
         text.find(AnecdoteSeparator()) != std::string::npos;
}

Jokes::Jokes(const WorkFolder& folder, const BotSettings& settings, Random& random,
             const Clock& clock, Replies& replies, BotLog& log)
    : m_folder(folder),
      m_settings(settings),
      m_random(random),
      m_clock(clock),
      m_replies(replies),
      m_log(log) {}

void Jokes::LoadAnecdotes() {
  m_anecdotes = ParseAnecdotes(ReadCollection(m_folder.BotFile("anecdot.txt"), m_log));
  m_log.LogLine(W("Загружено ") + std::to_string(m_anecdotes.size()) + W(" анекдотов"), 0);
}

void Jokes::LoadAphorisms() {
  m_aphorisms = ParseAphorisms(ReadCollection(m_folder.BotFile("Aforizm.txt"), m_log));
  m_log.LogLine(W("Загружено ") + std::to_string(m_aphorisms.size()) + W(" афоризмов"), 0);
}

std::optional<long long> Jokes::WaitFor(const std::optional<std::uint64_t>& last) const {
  const std::uint64_t now = m_clock.TickMs();
  if (!last) return std::nullopt;
  const long long limit = static_cast<long long>(*last) + m_settings.IntervalE * 1000;
  const long long left = limit - static_cast<long long>(now);
  if (left <= 0) return std::nullopt;
  // Rounded half to even, as the runtime's Round does.
  return static_cast<long long>(std::nearbyint(static_cast<double>(left) / 1000.0));
}

std::optional<std::size_t> Jokes::Draw(const std::vector<std::string>& entries) {
  m_random.Randomize(m_clock);
  // The last slot is never drawn unless it is the only one.
  const auto range = static_cast<std::uint32_t>(entries.size() - 1);
  // An entry of line breaks only (the one after the file's last separator,
  // which an addition at run time brings into the range) has nothing to
  // tell: it is drawn again, so every entry with text stays equally likely.
  for (int i = 0; i < kDrawTries; ++i) {
    const std::size_t slot = m_random.Next(range);
    if (!OnlyLineBreaks(entries[slot])) return slot;
  }
  // A collection mostly of such entries: the next one with text from a
  // random place, if there is any.
  const std::size_t count = range == 0 ? 1 : range;
  const std::size_t start = m_random.Next(range);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t slot = (start + k) % count;
    if (!OnlyLineBreaks(entries[slot])) return slot;
  }
  return std::nullopt;
}

void Jokes::GiveAnecdote(std::uint32_t address, bool byTimer) {
  if (m_anecdotes.empty()) return;
  if (std::optional<long long> wait = WaitFor(m_lastAnecdoteTick)) {
    if (!byTimer) {
      m_replies.SayTo(address, W("Подождите ") + std::to_string(*wait) + " " + SecondsWord(*wait),
                      kKindLine);
    }
    return;
  }
  const std::optional<std::size_t> slot = Draw(m_anecdotes);
  if (!slot) return;
  m_lastAnecdoteTick = m_clock.TickMs();
  m_replies.SayInChannel(m_settings.AnecChannelE, m_anecdotes[*slot], kKindLine);
  m_log.LogLine(W("Выдан анекдот номер: ") + std::to_string(*slot + 1), 0);
}

void Jokes::GiveAphorism(std::uint32_t address) {
  if (m_aphorisms.empty()) return;
  if (std::optional<long long> wait = WaitFor(m_lastAphorismTick)) {
    m_replies.SayTo(address, W("Подождите ") + std::to_string(*wait) + " " + SecondsWord(*wait),
                    kKindLine);
    return;
  }
  const std::optional<std::size_t> slot = Draw(m_aphorisms);
  if (!slot) return;
  m_lastAphorismTick = m_clock.TickMs();
  m_replies.SayTo(m_replies.Settings().SendAddress, m_aphorisms[*slot], kKindLine);
  m_log.LogLine(W("Выдан афоризм номер: ") + std::to_string(*slot + 1), 0);
}

bool Jokes::Takes(const std::string& path, const std::string& nick, const std::string& text,
                  std::uint32_t address) {
  if (text.size() > kMaxJokeText) {
    m_replies.SayTo(address,
                    nick + W("%cf%, Текст длиннее ") + std::to_string(kMaxJokeText) +
                        W(" знаков не добавлен."),
                    kKindLine);
    return false;
  }
  const long long size = FileSize(path);
  if (size >= static_cast<long long>(kMaxJokesAdded)) {
    m_replies.SayTo(address, nick + W("%cf%, Места больше нет, текст не добавлен."), kKindLine);
    m_log.LogLine(ToLogText(path) + ": " + std::to_string(size) +
                      " bytes, full for additions from the chat; a text from " + nick +
                      " was not added.",
                  255);
    return false;
  }
  return true;
}

void Jokes::AddAnecdote(const std::string& nick, const std::string& text,
                        std::uint32_t address) {
  if (m_anecdotes.size() >= kMaxJokes) return;
  if (!Takes(m_folder.BotFile("anecdot.txt"), nick, text, address)) return;
  const std::string entry = WithoutSeparatorLines(WithCrLf(text)) + " (" + LineName(nick) + ")";
  AppendLine(m_folder.BotFile("anecdot.txt"), entry + "\r\n" + AnecdoteSeparator());
  m_anecdotes.push_back(entry);
  m_replies.SayTo(address, nick + W("%cf%, Ваш анекдот добавлен."), kKindLine);
}

void Jokes::AddAphorism(const std::string& nick, const std::string& text,
                        std::uint32_t address) {
  if (m_aphorisms.size() >= kMaxJokes) return;
  if (!Takes(m_folder.BotFile("Aforizm.txt"), nick, text, address)) return;
  const std::string entry = WithCrLf(text) + " (" + LineName(nick) + ")";
  AppendLine(m_folder.BotFile("Aforizm.txt"), entry);
  m_aphorisms.push_back(entry);
  m_replies.SayTo(address, nick + W("%cf%, Ваш афоризм добавлен."), kKindLine);
}

void InstallJokes(ServiceContext& context, Jokes& jokes) {
  context.on.life.loadLists.push_back([&jokes] { jokes.LoadAnecdotes(); });
  context.on.life.loadLists.push_back([&jokes] { jokes.LoadAphorisms(); });

  CommandTable& table = context.commands;
  table.Add(CommandRow{
      .place = CommandPlace::Anecdote,
      .aliases = {"w", W("ц")},
      .note = W(") команда выдать анекдот."),
      .channel = &context.settings.AnecChannelE,
      .handler = [&jokes](CommandContext& command) { jokes.GiveAnecdote(command.event.address); },
  });
  table.Add(CommandRow{
      .place = CommandPlace::Aphorism,
      .aliases = {"a", W("ф"), W("а"), "f"},
      .note = W(") команда выдать афоризм."),
      .handler = [&jokes](CommandContext& command) { jokes.GiveAphorism(command.event.address); },
  });
  table.Add(CommandRow{
      .place = CommandPlace::AddJoke,
      .aliases = {W("доб "), "lj, ", "add ", W("фвв ")},
      .k = 4,
      .noteByHandler = true,
      .handler = Quietly([&jokes](CommandContext& command) {
        const ChatEvent& event = command.event;
        if (IsAnecdoteText(command.argument)) {
          command.WriteNote(W(") команда добавить анекдот."));
          jokes.AddAnecdote(event.nick, command.argument, event.address);
        } else {
          command.WriteNote(W(") команда добавить прикол."));
          jokes.AddAphorism(event.nick, command.argument, event.address);
        }
      }),
  });
}

}  // namespace pelmo
