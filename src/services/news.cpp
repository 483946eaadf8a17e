#include "services/news.h"

#include <algorithm>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/line_name.h"
#include "base/text_file.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "core/reply_bound.h"
#include "core/error_text.h"
#include "base/line_log.h"
#include "core/bot_log.h"

namespace pelmo {

namespace {

constexpr std::size_t kTailChunk = 64 * 1024;

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::vector<std::string> ReadLastLines(const std::string& path, std::size_t count,
                                       std::size_t maxBytes) {
  if (count == 0 || !FileExists(path)) return {};
  const long long size = FileSize(path);
  if (size < 0) throw FileError("не удалось прочитать " + path);
  std::string tail;
  long long at = size;
  std::size_t breaks = 0;
  // Each line break is at most two bytes: more than 2 * (count + 1) of them
  // holds count whole lines after the first, perhaps partial, one.
  while (at > 0 && breaks <= 2 * (count + 1) && tail.size() < maxBytes) {
    const std::size_t room = std::min(kTailChunk, maxBytes - tail.size());
    const auto step = static_cast<std::size_t>(std::min<long long>(at, static_cast<long long>(room)));
    at -= static_cast<long long>(step);
    std::string chunk;
    if (!ReadFilePart(path, at, step, chunk) || chunk.size() != step) {
      throw FileError("не удалось прочитать " + path);
    }
    breaks += static_cast<std::size_t>(std::count_if(
        chunk.begin(), chunk.end(), [](char c) { return c == '\r' || c == '\n'; }));
    tail.insert(0, chunk);
  }
  std::vector<std::string> lines = SplitLines(tail);
  // Not at the start of the file: the first line may be cut.
  if (at > 0 && lines.size() > 1) lines.erase(lines.begin());
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - static_cast<long>(count));
  return lines;
}

News::News(std::string newsPath, std::string seenNewsPath, const Clock& clock,
           Replies& replies)
    : m_newsPath(std::move(newsPath)),
      m_seenNewsPath(std::move(seenNewsPath)),
      m_clock(clock),
      m_replies(replies) {}

std::vector<std::string> News::Readers() const {
  return FileExists(m_seenNewsPath) ? ReadLines(m_seenNewsPath) : std::vector<std::string>{};
}

void News::AddNews(const std::string& nick, const std::string& text, std::uint32_t address) {
  if (text.size() > kMaxNewsText) {
    m_replies.SayTo(address,
                    nick + W("%cf%, Новость длиннее ") + std::to_string(kMaxNewsText) +
                        W(" знаков не добавлена."),
                    kKindLine);
    return;
  }
  if (FileSize(m_newsPath) >= kMaxNewsFile) {
    m_replies.SayTo(address, nick + W("%cf%, Места для новостей больше нет, новость не добавлена."),
                    kKindLine);
    if (m_log != nullptr) {
      m_log->LogLine(ToLogText(m_newsPath) + W(": файл новостей полон (") +
                         std::to_string(FileSize(m_newsPath)) + W(" байт), новость от ") + nick +
                         W(" не добавлена."),
                     255);
    }
    return;
  }
  const TDateTime now = m_clock.Now();
  AppendLine(m_newsPath, text + " (" + LineName(nick) + ") " +
                             FormatDateTime(W("d mmmm yyyy г."), now) + FormatDateTime("h:n:s", now));
  m_replies.SayTo(address, nick + W("%cf%, Ваша новость добавлена."), kKindLine);
  RewriteLines(m_seenNewsPath, {LineName(nick)});
}

void News::ShowNews(const std::string& nick, std::uint32_t address) {
  const std::vector<std::string> items = ReadLastLines(m_newsPath, kNewsShown, kMaxReplyBytes);
  std::string text = "\r\n\r\n" + std::string(26, ' ') + W("> > > Н О В О С Т И ! ! !< < <\r\n");
  const std::string rule = "\r\n" + std::string(25, '=') + "\r\n";
  bool cut = false;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    // An item too long for what is left is cut short: the newest is shown
    // even when it alone would fill the answer.
    const std::size_t room = kMaxReplyBytes - MoreNotShown().size();
    if (text.size() + rule.size() + it->size() > room) {
      if (text.size() + rule.size() < room) text += rule + it->substr(0, room - text.size() - rule.size());
      cut = true;
      break;
    }
    text += rule + *it;
  }
  if (cut) text += MoreNotShown();
  m_replies.SayTo(address, text, kKindListing);

  const std::string reader = LineName(nick);
  const std::vector<std::string> readers = Readers();
  if (readers.size() < kMaxNewsReaders &&
      std::find(readers.begin(), readers.end(), reader) == readers.end()) {
    AppendLine(m_seenNewsPath, reader);
  }
}

void News::NotifyUnreadNews(const std::string& nick, std::uint32_t address) {
  // With no news at all there is nothing to read.
  if (ReadLastLines(m_newsPath, 1).empty()) return;
  const std::vector<std::string> readers = Readers();
  if (std::find(readers.begin(), readers.end(), LineName(nick)) != readers.end()) return;
  m_replies.SayTo(address,
                  nick + W("%cf%, Есть непрочитанные новости для Вас. Для просмотра наберите !news"),
                  kKindLine);
}

void InstallNews(ServiceContext& context, News& news) {
  news.SetLog(&context.log);
  context.on.greeting.Add(GreetingStep::UnreadNews, [&news](const ChatEvent& event) {
    news.NotifyUnreadNews(event.nick, event.address);
  });

  CommandTable& table = context.commands;
  table.Add(CommandRow{
      .place = CommandPlace::News,
      .aliases = {W("нов"), "yjd", "news", W("туцы"), W("новости"), "yjdjcnb"},
      .note = W(") команда новости."),
      .handler = [&news](CommandContext& command) {
        news.ShowNews(command.event.nick, command.event.address);
      },
  });
  Replies& replies = context.replies;
  table.Add(CommandRow{
      .place = CommandPlace::AddNews,
      .aliases = {"add_news ", W("фвв_туцы "), W("доб_нов "), "lj,_yjd "},
      .k = CommandRow::kAliasLength,
      .noteByHandler = true,
      .handler = Quietly([&news, &replies](CommandContext& command) {
        const ChatEvent& event = command.event;
        if (HasLineBreak(command.argument)) {
          // The refusal stands out in red.
          replies.SayText(ReplyTarget(event.address, "Main", 255),
                          event.nick + W("%cf%, Нельзя добавлять многострочные новости. "
                                         "Удовлетворитесь 1 строкой."),
                          kKindLine);
          return;
        }
        command.WriteNote(W(") команда добавить новости."));
        news.AddNews(event.nick, command.argument, event.address);
      }),
  });
}

}  // namespace pelmo
