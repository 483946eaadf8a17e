#include "services/offline_messages.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "base/cp1251.h"
#include "base/date_time.h"
#include "base/line_log.h"
#include "base/line_name.h"
#include "base/text_file.h"
#include "core/admission.h"
#include "core/bot_log.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"
#include "core/work_folder.h"
#include "transport/net_settings.h"
#include "services/box_mask.h"

namespace pelmo {

namespace {

constexpr std::size_t kSumSize = 4;
constexpr std::size_t kPasswordLine = 255;

std::string Greeting() { return BoxGreeting(); }
std::string NotRegistered() { return W("Такой пользователь не зарегестрирован в системе."); }

std::string SumBytes(std::uint32_t sum) {
  std::string bytes(kSumSize, '\0');
  for (std::size_t i = 0; i < kSumSize; ++i) {
    bytes[i] = static_cast<char>((sum >> (8 * i)) & 0xFF);
  }
  return bytes;
}

}  // namespace

std::string BoxFileName(const std::string& nick) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string name;
  name.reserve(nick.size() * 2);
  for (unsigned char c : nick) {
    name += kDigits[c >> 4];
    name += kDigits[c & 0x0F];
  }
  return name;
}

std::uint32_t PasswordSum(const std::string& password) {
  std::uint32_t sum = 0;
  for (unsigned char c : password) sum += c;
  return sum;
}

void MaskBox(std::string& text, std::size_t count) { MaskBoxWith(text, count, kBoxMaskSeed); }

OfflineMessages::OfflineMessages(const WorkFolder& folder, Replies& replies, const Clock& clock,
                                 EventLoop& loop)
    : m_folder(folder),
      m_replies(replies),
      m_clock(clock),
      m_paced(loop, kBoxPiecesAtOnce, kBoxPieceInterval) {}

std::string OfflineMessages::BoxPath(const std::string& nick) const {
  return m_folder.UserFile(BoxFileName(nick));
}

void OfflineMessages::WriteBox(const std::string& nick, const std::string& password,
                               const std::string& text) {
  WriteBoxWith(nick, password, text, kBoxMaskSeed);
}

void OfflineMessages::WriteBoxWith(const std::string& nick, const std::string& password,
                                   const std::string& text, std::uint32_t seed) {
  std::string buffer = text;
  MaskBoxWith(buffer, buffer.size(), seed);
  buffer += SumBytes(PasswordSum(password));
  const std::string path = BoxPath(nick);
  // user/ may hold a great many boxes: its listing is kept, not read again.
  m_folder.Write(path, [&] { RewriteFile(path, buffer); });
}

OfflineMessages::Head OfflineMessages::ReadHead(const std::string& path,
                                                const std::string* password) {
  Head head;
  const long long size = FileSize(path);
  if (size < 0) {
    if (!PathMissing(path)) throw FileError("не удалось прочитать " + path);
    return head;
  }
  // Without a whole sum no password can open it, and nothing may be
  // written into it.
  head.state = BoxState::kWrongPassword;
  if (size < static_cast<long long>(kSumSize)) return head;
  head.textSize = static_cast<std::uint64_t>(size) - kSumSize;
  std::string begin;
  if (!ReadFilePart(path, static_cast<long long>(head.textSize), kSumSize, head.sum) ||
      head.sum.size() != kSumSize ||
      !ReadFilePart(path, 0, static_cast<std::size_t>(std::min<std::uint64_t>(head.textSize, kBoxHeadBytes)),
                    begin)) {
    throw FileError("не удалось прочитать " + path);
  }
  if (password != nullptr && head.sum != SumBytes(PasswordSum(*password))) return head;
  const std::optional<BoxSeeds::Seed> seed = m_seeds.SeedFor(path, begin);
  if (!seed) {
    head.state = BoxState::kUnreadable;
    return head;
  }
  head.seed = *seed;
  head.state = BoxState::kOk;
  return head;
}

OfflineMessages::Box OfflineMessages::ReadBox(const std::string& nick,
                                              const std::string& password) {
  Box box;
  const std::string path = BoxPath(nick);
  const Head head = ReadHead(path, &password);
  box.state = head.state;
  if (head.state != BoxState::kOk) return box;
  if (!ReadFilePart(path, 0, static_cast<std::size_t>(head.textSize), box.text) ||
      box.text.size() != head.textSize) {
    throw FileError("не удалось прочитать " + path);
  }
  MaskBoxWith(box.text, box.text.size(), head.seed.read);
  box.seed = head.seed.write;
  return box;
}

void OfflineMessages::RegisterSubscriber(const std::string& nick, const std::string& password,
                                         std::uint32_t address) {
  if (nick.empty() || password.empty()) return;
  if (nick.size() > kMaxBoxNick) {
    m_replies.SayTo(address,
                    W("Ник длиннее ") + std::to_string(kMaxBoxNick) +
                        W(" знаков не зарегистрировать в системе отложенных сообщений."),
                    kKindLine);
    return;
  }
  // Registering over a box would throw away its mail and hand it to
  // whoever asked.
  if (FileExists(BoxPath(nick))) {
    m_replies.SayTo(address, nick + W(" уже зарегистрирован в системе отложенных сообщений."),
                    kKindLine);
    return;
  }
  WriteBox(nick, password, Greeting());
  m_replies.SayTo(address, nick + W(" Зарегистрирован в системе отложенных сообщений."),
                  kKindLine);
}

void OfflineMessages::SayInPasswordChannel(const std::string& channel,
                                           const std::string& password, const std::string& text) {
  m_replies.SendPasswordLine(m_replies.InChannel(channel), text, password);
}

void OfflineMessages::ShowBox(const std::string& nick, const std::string& channel,
                              const std::string& password) {
  const std::string path = BoxPath(nick);
  const Head head = ReadHead(path, &password);
  if (head.state == BoxState::kMissing) {
    SayInPasswordChannel(channel, password, NotRegistered());
    return;
  }
  if (head.state != BoxState::kOk) {
    SayInPasswordChannel(channel, password, W("Неверный пароль или имя пользователя."));
    return;
  }
  // A password line holds 255 characters; a longer box goes in pieces so
  // that its later messages can be read at all. A large box would be
  // hundreds of datagrams to the whole chat: only its newest part goes,
  // and only that part is read.
  const std::uint64_t from =
      head.textSize > kShownBoxBytes ? head.textSize - kShownBoxBytes : 0;
  std::string text;
  if (!ReadFilePart(path, static_cast<long long>(from),
                    static_cast<std::size_t>(head.textSize - from), text) ||
      text.size() != head.textSize - from) {
    throw FileError("не удалось прочитать " + path);
  }
  MaskBoxFrom(text, from, head.seed.read);
  std::vector<PacedLines::Send> pieces;
  auto piece = [&](std::string line) {
    pieces.push_back([this, channel, password, line = std::move(line)] {
      SayInPasswordChannel(channel, password, line);
    });
  };
  std::string_view shown = text;
  if (from > 0) {
    // From the start of a message ("\n\r") when one lies in that part.
    const std::size_t record = shown.find("\n\r");
    if (record != std::string_view::npos) shown.remove_prefix(record);
    piece(W("Показаны последние сообщения; более старые хранятся в ящике. "
            "Очистить ящик: !d"));
  }
  std::size_t at = 0;
  do {
    piece(std::string(shown.substr(at, kPasswordLine)));
    at += kPasswordLine;
  } while (at < shown.size());
  m_paced.Add(nick, std::move(pieces));

  std::vector<std::string> readers = ReadList();
  const std::string reader = LineName(nick);
  if (std::find(readers.begin(), readers.end(), reader) == readers.end()) {
    readers.push_back(reader);
    WriteReadList(readers);
  }
}

void OfflineMessages::EmptyBox(const std::string& nick, const std::string& password) {
  const Head head = ReadHead(BoxPath(nick), &password);
  if (head.state == BoxState::kOk) WriteBoxWith(nick, password, " ", head.seed.write);
}

void OfflineMessages::ChangePassword(const std::string& nick, const std::string& channel,
                                     const std::string& password, const std::string& command) {
  const std::string path = BoxPath(nick);
  const Head head = ReadHead(path, &password);
  if (head.state != BoxState::kOk) return;
  // The mask does not depend on the password: only the sum changes, in
  // place, so the box keeps its own mask and its size does not matter.
  const std::string newPassword = command.size() > 2 ? command.substr(2) : std::string();
  WriteFileAt(path, static_cast<long long>(head.textSize), SumBytes(PasswordSum(newPassword)));
  SayInPasswordChannel(channel, password, W("Ваш пароль успешно сменен"));
}

void OfflineMessages::SetRespondent(const std::string& nick, const std::string& channel,
                                    const std::string& password, const std::string& command) {
  const std::string respondent = command.size() > 5 ? command.substr(5) : std::string();
  auto entry = std::find_if(m_respondents.begin(), m_respondents.end(),
                            [&](const auto& pair) { return pair.first == nick; });
  if (entry != m_respondents.end()) {
    entry->second = respondent;
  } else if (m_respondents.size() >= kMaxRespondents) {
    SayInPasswordChannel(channel, password, W("Список респондентов полон, попробуйте позже."));
    return;
  } else {
    m_respondents.emplace_back(nick, respondent);
  }
  SayInPasswordChannel(channel, password, W("Ник респондента задан."));
}

void OfflineMessages::ClearRespondent(const std::string& nick, const std::string& channel,
                                      const std::string& password) {
  auto entry = std::find_if(m_respondents.begin(), m_respondents.end(),
                            [&](const auto& pair) { return pair.first == nick; });
  if (entry != m_respondents.end()) {
    // The last entry takes the freed slot.
    *entry = m_respondents.back();
    m_respondents.pop_back();
  }
  SayInPasswordChannel(channel, password, W("Респондент обнулен"));
}

bool OfflineMessages::HasRespondent(const std::string& nick) const {
  return std::any_of(m_respondents.begin(), m_respondents.end(),
                     [&](const auto& pair) { return pair.first == nick; });
}

void OfflineMessages::DeliverLine(const std::string& sender, const std::string& line,
                                  const std::string& channel, const std::string& password) {
  auto entry = std::find_if(m_respondents.begin(), m_respondents.end(),
                            [&](const auto& pair) { return pair.first == sender; });
  if (entry == m_respondents.end()) return;
  const std::string respondent = entry->second;
  const TDateTime now = m_clock.Now();
  // A record begins with "\n\r": the line's own breaks must not begin one
  // that names somebody else.
  const std::string record = "\n\r" + FormatDateTime(W("d mmmm yyyy г."), now) +
                             FormatDateTime("h:n:s", now) + " From " + sender + ": " + OneLine(line);
  if (ReadHead(BoxPath(sender), &password).state != BoxState::kOk) return;

  const std::string path = BoxPath(respondent);
  // A box whose mask cannot be found is never written to, nor is a file
  // without a whole password sum.
  const Head head = ReadHead(path, nullptr);
  if (head.state != BoxState::kOk) {
    SayInPasswordChannel(channel, password, NotRegistered());
    return;
  }
  if (head.textSize + kSumSize + record.size() > kMaxBoxBytes) {
    SayInPasswordChannel(channel, password,
                         W("Ящик пользователя ") + respondent +
                             W(" переполнен, сообщение не доставлено."));
    if (m_log != nullptr) {
      m_log->LogLine(W("Ящик ") + respondent + W(" переполнен (") +
                         std::to_string(head.textSize + kSumSize) + W(" байт): сообщение от ") +
                         sender + W(" не доставлено."),
                     255);
    }
    return;
  }
  if (head.seed.read != head.seed.write) {
    // A box of " " alone, of whatever mask: written whole again in this
    // installation's.
    std::string text = " " + record;
    MaskBoxWith(text, text.size(), head.seed.write);
    m_folder.Write(path, [&] { RewriteFile(path, text + head.sum); });
  } else {
    std::string masked = record;
    MaskBoxFrom(masked, head.textSize, head.seed.read);
    const auto at = static_cast<long long>(head.textSize);
    try {
      WriteFileAt(path, at, masked + head.sum);
    } catch (const FileError&) {
      // A write that stopped part way (a full disk) must not leave the
      // box without its sum.
      try {
        WriteFileAt(path, at, head.sum);
        TruncateFile(path, at + static_cast<long long>(kSumSize));
      } catch (const FileError&) {
      }
      throw;
    }
  }
  SayInPasswordChannel(channel, password, W("Ваше сообщение успешно доставлено."));

  std::vector<std::string> readers = ReadList();
  const auto kept = std::remove(readers.begin(), readers.end(), LineName(respondent));
  if (kept != readers.end()) {
    readers.erase(kept, readers.end());
    WriteReadList(readers);
  }
}

void OfflineMessages::NotifyUnread(const std::string& nick, std::uint32_t address) {
  const std::vector<std::string> readers = ReadList();
  if (std::find(readers.begin(), readers.end(), LineName(nick)) != readers.end()) return;
  if (!FileExists(BoxPath(nick))) return;
  m_replies.SayTo(address,
                  nick + W("%cf%, Есть непрочитанные личные сообщения для Вас.") + "\r" +
                      W("Для просмотра войдите под своим паролем!"),
                  kKindLine);
}

void OfflineMessages::WriteReadList(const std::vector<std::string>& readers) {
  const std::string path = m_folder.UserFile("seen.txt");
  m_folder.Write(path, [&] { RewriteLines(path, readers); });
}

std::vector<std::string> OfflineMessages::ReadList() {
  // A missing list is an empty one: nobody has read anything yet.
  const std::string path = m_folder.UserFile("seen.txt");
  if (!FileExists(path)) return {};
  return ReadLines(path);
}

void InstallOfflineMessages(ServiceContext& context, OfflineMessages& messages) {
  messages.Seeds().Attach(context.othersIni, context.log);
  messages.SetLog(&context.log);
  // A file error ends this service's part of the event only.
  context.on.greeting.Add(GreetingStep::UnreadMessages, [&messages](const ChatEvent& event) {
    try {
      messages.NotifyUnread(event.nick, event.address);
    } catch (const std::exception&) {
    }
  });
  context.on.life.stopped.push_back([&messages] { messages.StopReading(); });
  // A delivered line costs a rewrite of the respondent's box and is
  // confirmed into the channel, so it counts with the flood guard as a
  // command does; the channel's other plain lines do not.
  Admission& admission = context.admission;
  context.on.passwordLine.Add(PasswordLineStep::DeliverLine, [&messages, &admission](
                                                                 const ChatEvent& event) {
    if (IsCommandLine(event.text) || !messages.HasRespondent(event.nick)) return;
    if (!admission.Admit(event)) return;
    try {
      messages.DeliverLine(event.nick, event.text, event.channel, event.password);
    } catch (const std::exception&) {
    }
  });

  CommandTable& table = context.commands;
  table.Add(CommandRow{
      .place = CommandPlace::Register,
      .aliases = {W("рег "), "reg "},
      .k = 4,
      .note = W(") команда зарегистрировать пользователя в системе отложенных сообщений."),
      .handler = Quietly([&messages](CommandContext& command) {
        messages.RegisterSubscriber(command.event.nick, command.argument, command.event.address);
      }),
  });
  table.Add(CommandRow{
      .place = CommandPlace::EmptyBox,
      .aliases = {"d"},
      .note = W(") команда опустошить файл личных сообщений"),
      .lineKind = kKindPassword,
      .handler = Quietly([&messages](CommandContext& command) {
        messages.EmptyBox(command.event.nick, command.event.password);
      }),
  });
  table.Add(CommandRow{
      .place = CommandPlace::ReadBox,
      .aliases = {"r"},
      .note = W(") команда прочесть личные сообщения"),
      .lineKind = kKindPassword,
      .handler = Quietly([&messages](CommandContext& command) {
        const ChatEvent& event = command.event;
        messages.ShowBox(event.nick, event.channel, event.password);
      }),
  });
  table.Add(CommandRow{
      .place = CommandPlace::ChangePassword,
      .aliases = {"c"},
      .k = 1,
      .note = W(") команда сменить пароль абонента"),
      .lineKind = kKindPassword,
      .handler = Quietly([&messages](CommandContext& command) {
        const ChatEvent& event = command.event;
        messages.ChangePassword(event.nick, event.channel, event.password, command.command);
      }),
  });
  table.Add(CommandRow{
      .place = CommandPlace::ClearRespondent,
      .aliases = {"stop"},
      .k = 4,
      .note = W(") команда обнулисть ник респондента"),
      .lineKind = kKindPassword,
      .handler = Quietly([&messages](CommandContext& command) {
        const ChatEvent& event = command.event;
        messages.ClearRespondent(event.nick, event.channel, event.password);
      }),
  });
  table.Add(CommandRow{
      .place = CommandPlace::SetRespondent,
      .aliases = {"nick"},
      .k = 4,
      .note = W(") команда задать ник респондента"),
      .lineKind = kKindPassword,
      .handler = Quietly([&messages](CommandContext& command) {
        const ChatEvent& event = command.event;
        messages.SetRespondent(event.nick, event.channel, event.password, command.command);
      }),
  });
}

}  // namespace pelmo
