#include "services/external_commands.h"

#include <exception>
#include <optional>
#include <vector>

#include "base/cp1251.h"
#include "base/text_encoding.h"
#include "base/text_file.h"
#include "core/bot_log.h"
#include "core/command_table.h"
#include "core/service_context.h"
#include "core/work_folder.h"
#include "core/replies.h"

namespace pelmo {

namespace {

const std::string kQuote = "\"";

}  // namespace

ExternalCommands::ExternalCommands(const WorkFolder& folder, Replies& replies, BotLog& log)
    : m_folder(folder), m_replies(replies), m_log(log) {}

void ExternalCommands::RunExternalCommand(const std::string& command, std::uint32_t address) {
  try {
    Run(command, address);
  } catch (const std::exception&) {
    m_log.LogLine(W("Ошибка при выдаче доп. ком."), 0);
    try {
      m_replies.SayTo(address, W("Ошибка в команде."), kKindListing);
    } catch (const std::exception&) {
      // Nothing more to tell; the chat line ends here.
    }
  }
}

void ExternalCommands::Run(const std::string& command, std::uint32_t address) {
  const std::size_t begin = command.find_first_not_of(' ');
  if (begin == std::string::npos) return;
  const std::size_t end = command.find(' ', begin);
  const std::string word = AnsiUpperCase(command.substr(begin, end - begin));
  static const std::string kRussian = W("ДОПКОМ");
  const bool listing = word == "EXTCMD" || word == kRussian;

  const std::string iniPath = m_folder.ExtCmdsIni();
  const std::vector<std::string> lines =
      FileExists(iniPath) ? ReadLines(iniPath) : std::vector<std::string>{};
  std::string reply = W("\r\n\r\nСписок дополнительных команд:\r\n");
  int counted = 0;
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    const std::string name = line.substr(0, equals);
    if (name.empty()) continue;
    ++counted;
    if (listing) {
      reply += std::to_string(counted) + ") " + name + "\r\n";
      continue;
    }
    if (AnsiUpperCase(name) != word) continue;

    const std::string path = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    std::string filePath;
    if (!path.empty()) {
      const FolderPaths::Located located = m_folder.Locate(path);
      if (!located.found) {
        m_log.LogLine(W("Файл доп. команды ") + kQuote + name + kQuote + " (" + path +
                          W(") не выдан: ") + located.refusal,
                      0);
        m_replies.SayTo(address, W("Ошибка в команде."), kKindListing);
        return;
      }
      filePath = located.found->path;
    }
    if (path.empty() || !FileExists(filePath)) {
      m_log.LogLine(W("Ошибка: файл доп. команды ") + kQuote + name + kQuote +
                        W(" не найден (") + path + ")",
                    0);
      m_replies.SayTo(address, W("Ошибка в команде."), kKindListing);
      return;
    }
    const std::optional<std::string> raw = ReadWholeFile(filePath, kMaxCommandFileSize);
    if (!raw) throw FileError("не удалось прочитать " + filePath);
    if (IsUtf8Text(*raw) && m_toldUtf8.insert(filePath).second) {
      m_log.LogLine(W("Файл доп. команды ") + kQuote + name + kQuote + " (" + path +
                        W(") в кодировке UTF-8: прочитан как UTF-8 и переведён в Windows-1251 в "
                          "памяти."),
                    0);
    }
    const std::string contents = ToCp1251Text(*raw);
    m_log.LogLine(W("Выдана команда: ") + kQuote + name + kQuote + " (" + path + ")", 0);
    std::string text = W("Дополнительная команда: ") + name + "\r\n";
    for (const std::string& fileLine : SplitLines(contents)) text += fileLine + "\r\n";
    m_replies.SayTo(address, text, kKindListing);
    return;
  }
  if (!listing) return;
  if (counted == 0) reply = W("Дополнительные команды не заданы.");
  m_replies.SayTo(address, reply, kKindListing);
}

void InstallExternalCommands(ServiceContext& context, ExternalCommands& commands) {
  // Whatever no other row took.
  context.commands.Add(CommandRow{
      .place = CommandPlace::ExternalCommand,
      .accepts = AnyCommandText,
      .handler = [&commands](CommandContext& command) {
        commands.RunExternalCommand(command.command, command.event.address);
      },
  });
}

}  // namespace pelmo
