#include "core/bot.h"

#include <chrono>
#include <exception>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/data_files.h"
#include "core/error_text.h"
#include "core/net_settings_file.h"
#include "core/repeated_sections.h"
#include "core/utf8_files.h"

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kRosterRefreshInterval{60000};

}  // namespace

Bot::Bot(EventLoop& eventLoop, const Clock& botClock, BotOptions botOptions)
    : m_parts(eventLoop, botClock, std::move(botOptions)) {}

Bot::~Bot() {
  if (m_rosterTimer != 0) m_parts.loop.StopTimer(m_rosterTimer);
}

void Bot::Open() {
  BotParts& p = m_parts;
  p.log.ClearRing();
  p.log.ClearWindowLog();

  p.store.ApplyNickAndHost();
  p.interfaces = p.options.interfaces.empty() ? GetInterfaces() : p.options.interfaces;

  CreateMissingFiles();
  RunSteps(p.on.life.loadLists);

  try {
    p.store.LoadSettings(p.interfaces);
  } catch (const std::exception& e) {
    // An unreadable admin.txt: the rest is loaded; the bot still comes up.
    p.log.LogLine(ErrorLogLine(e));
  }
  ConfigureGuards();

  p.random.Randomize(p.clock);
  p.topic.TopicLocked = false;

  if (p.settings.EnableBotCB) Start();

  p.store.LoadStartCounter(p.clock);
  SetStatusPanel(3, "Last start: " + p.settings.LastDate + " in " + p.settings.LastTime);

  // The window's UsrListRefresh: runs from start, stopped or not (while
  // stopped the probe goes nowhere).
  if (m_rosterTimer == 0) {
    m_rosterTimer = p.loop.StartTimer(kRosterRefreshInterval, true,
                                      [this] { m_parts.dispatcher.RefreshRoster(); });
  }
}

void Bot::Start() {
  BotParts& p = m_parts;
  p.log.LogLine("Starting...");
  if (p.options.joinInterfaces) {
    p.net.SetInterfaces(p.options.joinInterfaces(p.netSettings.LocalAddress));
  }
  if (p.net.NetStart()) {
    m_startedWith = CurrentNetworkValues();
    p.log.LogLine("Started.");
    LoadHelpText();
    RunSteps(p.on.life.started);
  } else {
    p.log.LogLine("Not Started.");
  }
  // The truth: a start that failed leaves the bot off the chat.
  SetStatusPanel(2, Running() ? "Running" : "Stoped");
}

void Bot::StopBot() {
  BotParts& p = m_parts;
  p.net.SetStopping(true);
  p.log.LogLine("Stoping...");
  if (p.net.NetStop()) {
    p.helpText.clear();
    RunSteps(p.on.life.stopped);
    p.log.LogLine("Stoped.");
  }
  p.net.SetStopping(false);
}

void Bot::StopKeepingRoster() {
  StopBot();
  SetStatusPanel(2, "Stoped");
}

void Bot::Stop() {
  StopBot();
  m_parts.roster.Clear();
  m_parts.NotifyRoster();
  SetStatusPanel(1, "IP:");
  SetStatusPanel(2, "Stoped");
}

void Bot::Close() {
  Stop();
  if (m_rosterTimer != 0) {
    m_parts.loop.StopTimer(m_rosterTimer);
    m_rosterTimer = 0;
  }
  RunSteps(m_parts.on.life.closing);
  m_parts.store.SaveStartCounter(m_parts.clock);
}

SaveOutcome Bot::SaveSettings() {
  BotParts& p = m_parts;
  // An unsound field must not cost the chat its bot.
  if (!p.store.FirstUnsoundField().empty()) return {SaveOutcome::Result::kUnsound, "", ""};
  // The files first: a folder that cannot take them must not cost the
  // chat its bot either.
  const NetSettings before = p.netSettings;
  if (!p.store.SaveSettings()) {
    p.netSettings = before;
    SaveOutcome outcome{SaveOutcome::Result::kNotWritten, p.folder.NetIni(), ""};
    for (const std::string& path :
         {p.folder.NetIni(), p.folder.OthersIni(), p.folder.BotFile("admin.txt")}) {
      if (std::string problem = WriteProblem(path); !problem.empty()) {
        outcome.file = path;
        outcome.reason = problem;
        break;
      }
    }
    if (outcome.reason.empty()) outcome.reason = "причина неизвестна";
    return outcome;
  }
  // The leave goes out as the bot joined: to the old address.
  const NetSettings saved = p.netSettings;
  p.netSettings = before;
  Stop();
  p.netSettings = saved;
  return {};
}

void Bot::LoadSettings() {
  m_parts.store.LoadSettings(m_parts.interfaces);
  ConfigureGuards();
  for (const auto& step : m_parts.on.life.settingsReloaded) step();
}

bool Bot::NetworkValues::operator==(const NetworkValues& other) const {
  return net.LocalAddress == other.net.LocalAddress && net.SendAddress == other.net.SendAddress &&
         net.Port == other.net.Port && net.TTL == other.net.TTL &&
         net.SnifferMode == other.net.SnifferMode && net.ReuseAddr == other.net.ReuseAddr &&
         net.MulticastMode == other.net.MulticastMode && net.BotNick == other.net.BotNick &&
         net.BotHost == other.net.BotHost && key == other.key && iv == other.iv;
}

Bot::NetworkValues Bot::CurrentNetworkValues() const {
  return NetworkValues{m_parts.netSettings, m_parts.netIni.ReadString("crypt", "Key", ""),
                       m_parts.netIni.ReadString("crypt", "IV", "")};
}

void Bot::ConfigureGuards() {
  BotParts& p = m_parts;
  p.interpreter.Guard().Configure(LoadFloodGuardSettings(p.othersIni));
  try {
    p.interpreter.Admins().LoadPins(p.folder.BotFile("admin_addresses.txt"));
  } catch (const std::exception& e) {
    p.log.LogLine(ErrorLogLine(e));
  }
}

void Bot::ReloadFiles() {
  BotParts& p = m_parts;
  if (p.options.interfaces.empty()) p.interfaces = GetInterfaces();
  try {
    p.store.LoadSettings(p.interfaces);
  } catch (const std::exception& e) {
    p.log.LogLine(ErrorLogLine(e));
  }
  ConfigureGuards();
  RunSteps(p.on.life.loadLists);
  RunSteps(p.on.life.settingsReloaded);
  if (!Running()) {
    p.log.LogLine(W("Настройки и файлы данных прочитаны заново."));
    return;
  }
  if (CurrentNetworkValues() == m_startedWith) {
    LoadHelpText();
    RunSteps(p.on.life.reloaded);
    p.log.LogLine(W("Настройки и файлы данных прочитаны заново; бот остаётся в чате."));
    return;
  }
  p.log.LogLine(W("Настройки и файлы данных прочитаны заново; сетевые настройки изменились: "
                  "бот входит в чат заново."));
  // The leave goes out as the bot joined: its old nick, to the old address.
  const NetSettings fresh = p.netSettings;
  p.netSettings = m_startedWith.net;
  StopBot();
  p.netSettings = fresh;
  Start();
}

void Bot::ApplyNickAndHost() { m_parts.store.ApplyNickAndHost(); }
void Bot::SaveColor(std::uint32_t color) { m_parts.store.SaveColor(color); }
void Bot::SelectInterface(std::uint32_t address) { m_parts.netSettings.LocalAddress = address; }

std::string Bot::StoredSendAddress(bool multicast) const {
  return pelmo::StoredSendAddress(m_parts.netIni, multicast);
}

void Bot::SayConsoleLine(const std::string& text) { m_parts.replies.SayToAll(text, kKindLine); }
void Bot::ClearWindowLog() { m_parts.log.ClearWindowLog(); }

void Bot::ChangeTopic(const std::string& text) {
  m_parts.replies.SendTopic(m_parts.replies.ToAll(),
                            text + " (" + m_parts.netSettings.BotNick + ")");
}

void Bot::RefreshRoster() { m_parts.dispatcher.RefreshRoster(); }
void Bot::SelectRosterEntry(int index) { m_parts.dispatcher.UsrLBClick(index); }
const std::vector<RosterEntry>& Bot::RosterEntries() const { return m_parts.roster.Entries(); }
void Bot::SetStatusPanel(int i, const std::string& text) { m_parts.SetStatusPanel(i, text); }

void Bot::CreateMissingFiles() {
  BotParts& p = m_parts;
  // A kill between a rewrite's temporary file and its rename leaves the old
  // data file whole and the temporary file behind: clear those away.
  int removed = 0;
  for (const std::string& dir : {p.folder.Dir(), p.folder.BotFileDir(), p.folder.UserDir()}) {
    removed += RemoveStaleTempFiles(dir);
  }
  if (removed > 0) {
    p.log.LogLine(W("Удалено временных файлов записей, прерванных прошлой остановкой: ") +
                  std::to_string(removed) + ".");
  }
  for (const std::string& path : CreateMissingDataFiles(p.folder)) {
    p.log.LogLine(W("Error: не удалось создать ") + ToLogText(path));
  }
  for (const std::string& line : PrepareUtf8TextFiles(p.folder)) p.log.LogLine(line);
  for (const std::string& line : RepeatedSectionLines(p.folder)) p.log.LogLine(line);
}

void Bot::LoadHelpText() {
  try {
    m_parts.helpText = ReadDataLines(m_parts.folder.BotFile("help.txt"));
  } catch (const std::exception& e) {
    m_parts.helpText.clear();
    m_parts.log.LogLine(ErrorLogLine(e));
  }
}

void Bot::RunSteps(const std::vector<std::function<void()>>& steps) {
  for (const auto& step : steps) {
    if (!step) continue;
    try {
      step();
    } catch (const std::exception& e) {
      m_parts.log.LogLine(ErrorLogLine(e));
    }
  }
}

}  // namespace pelmo
