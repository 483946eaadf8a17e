#include "core/bot.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "base/cp1251.h"
#include "base/text_file.h"
#include "core/autostart.h"
#include "core/bot_view.h"
#include "core/data_files.h"
#include "core/error_text.h"

namespace pelmo {

namespace {

constexpr std::chrono::milliseconds kRosterRefreshInterval{60000};

}  // namespace

Bot::Bot(EventLoop& eventLoop, const Clock& botClock, BotOptions botOptions)
    : loop(eventLoop),
      clock(botClock),
      options(std::move(botOptions)),
      folder(options.workDir),
      netIni(folder.NetIni()),
      othersIni(folder.OthersIni()),
      log(clock, settings, folder.BotFile("log.txt")),
      codec(cipher, netSettings, out, log, clock, random),
      net(netSettings, out, codec, cipher, loop, log, netIni),
      replies(codec, netSettings, out, log),
      store(folder, settings, netSettings, out,
            options.configDir.empty() ? DefaultConfigDir() : options.configDir,
            options.programPath, &log),
      dispatcher(*this),
      interpreter(*this) {
  // Net registered itself as the codec's sender.
  codec.SetDispatcher([this] { dispatcher.DispatchPacket(); });
  if (!options.interfaces.empty()) net.SetInterfaces(options.interfaces);
}

Bot::~Bot() {
  if (m_rosterTimer != 0) loop.StopTimer(m_rosterTimer);
  for (BotView* view : m_views) log.RemoveView(view);
}

void Bot::FormCreate() {
  log.ClearRing();
  log.ClearWindowLog();

  store.ApplyNickAndHost();
  m_interfaces = options.interfaces.empty() ? GetInterfaces() : options.interfaces;

  CreateMissingFiles();

  for (const auto& load : hooks.LoadLists) RunHook(load);
  if (hooks.LoadChatterbox) {
    try {
      std::size_t count = hooks.LoadChatterbox();
      log.LogLine(W("Загружено ") + std::to_string(count) +
                  W(" фраз в базу болтуна."));
    } catch (const std::exception& e) {
      log.LogLine(ErrorLogLine(e));
    }
  }

  try {
    store.LoadSettings(m_interfaces);
  } catch (const std::exception& e) {
    // An unreadable admin.txt: the rest is loaded; the bot still comes up.
    log.LogLine(ErrorLogLine(e));
  }

  random.Randomize(clock);
  topic.TopicLocked = false;

  if (settings.EnableBotCB) {
    StartTBClick();
  } else {
    // Without a window nothing else shows why the bot never speaks.
    log.LogLine("The bot is switched off: EnableBot=0 in section [chat] of Net.ini; "
                "EnableBot=1 starts it.");
  }

  store.LoadStartCounter(clock);
  SetStatusPanel(3, "Last start: " + settings.LastDate + " in " + settings.LastTime);

  // The window's UsrListRefresh: runs from start, stopped or not (while
  // stopped the probe goes nowhere).
  if (m_rosterTimer == 0) {
    m_rosterTimer = loop.StartTimer(kRosterRefreshInterval, true,
                                    [this] { dispatcher.RefreshRoster(); });
  }
}

void Bot::StartTBClick() {
  out.OutAddress = netSettings.SendAddress;
  log.LogLine("Starting...");
  if (net.NetStart()) {
    log.LogLine("Started.");
    LoadHelpText();
    for (const auto& hook : hooks.OnBotStarted) RunHook(hook);
  } else {
    log.LogLine("Not Started.");
  }
  SetStatusPanel(2, "Running");
}

void Bot::StopTBClick() {
  net.SetStopping(true);
  log.LogLine("Stoping...");
  if (net.NetStop()) {
    helpText.clear();
    for (const auto& hook : hooks.OnBotStopped) RunHook(hook);
    log.LogLine("Stoped.");
  }
  net.SetStopping(false);
  roster.Clear();
  NotifyRoster();
  SetStatusPanel(1, "IP:");
  SetStatusPanel(2, "Stoped");
}

void Bot::FormClose() {
  StopTBClick();
  if (m_rosterTimer != 0) {
    loop.StopTimer(m_rosterTimer);
    m_rosterTimer = 0;
  }
  for (const auto& hook : hooks.OnFormClose) RunHook(hook);
  store.SaveStartCounter(clock);
}

bool Bot::SaveSettingsClick() {
  StopTBClick();
  return store.SaveSettings();
}

void Bot::LoadSettingsClick() {
  // The page's "Cancel" also throws away unsaved edits of the chatterbox
  // phrases (the administrators come back with the settings).
  store.LoadSettings(m_interfaces);
  if (hooks.LoadChatterbox) hooks.LoadChatterbox();
}

void Bot::ConsoleInput(const std::string& text) {
  replies.SayText(text, kKindLine);
}

void Bot::SetStatusPanel(int i, const std::string& text) {
  m_statusPanels.at(i) = text;
  for (BotView* view : m_views) view->OnStatusPanel(i, text);
}

void Bot::SetTopic(const std::string& text) {
  topic.Topic = text;
  for (BotView* view : m_views) view->OnTopicChanged(text);
}

void Bot::AddView(BotView* view) {
  if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  log.AddView(view);
}

void Bot::RemoveView(BotView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
  log.RemoveView(view);
}

void Bot::NotifyRoster() {
  for (BotView* view : m_views) view->OnRosterChanged();
}

void Bot::CreateMissingFiles() {
  for (const std::string& path : CreateMissingDataFiles(folder)) {
    log.LogLine("Error: Cannot create " + ToLogText(path));
  }
}

void Bot::LoadHelpText() {
  try {
    helpText = ReadLines(folder.BotFile("help.txt"));
  } catch (const std::exception& e) {
    helpText.clear();
    log.LogLine(ErrorLogLine(e));
  }
}

void Bot::RunHook(const std::function<void()>& hook) {
  if (!hook) return;
  try {
    hook();
  } catch (const std::exception& e) {
    log.LogLine(ErrorLogLine(e));
  }
}

}  // namespace pelmo
