// The bot: owns every part of the core and holds the program's order of
// start and stop. One object for the program; main thread only, except
// that the receive thread posts into the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/event_loop.h"
#include "base/ini_file.h"
#include "base/random.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/dispatcher.h"
#include "core/interpreter.h"
#include "core/replies.h"
#include "core/roster.h"
#include "core/service_hooks.h"
#include "core/settings_store.h"
#include "core/topic_state.h"
#include "core/work_folder.h"
#include "transport/blowfish.h"
#include "transport/net.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {

class BotView;

struct BotOptions {
  std::string workDir = ".";
  std::string configDir;    // empty: DefaultConfigDir()
  std::string programPath;  // for the autostart entry
  // The interface list; empty: GetInterfaces(). Tests give loopback.
  std::vector<std::uint32_t> interfaces;
};

class Bot {
 public:
  Bot(EventLoop& loop, const Clock& clock, BotOptions options);
  ~Bot();
  Bot(const Bot&) = delete;
  Bot& operator=(const Bot&) = delete;

  // Program start, up to the automatic start of the bot: empties the ring
  // and the log, creates botfile/ and the missing data files, runs the
  // hooks' LoadLists and LoadChatterbox, loads the settings, seeds the
  // generator, unlocks the topic, starts the bot when EnableBotCB is on
  // (else logs one line naming the key that switches it on),
  // reads the start counter (panel 3) and starts the 60 s roster refresh.
  // Services are installed before this. Errors are logged, not thrown.
  void FormCreate();
  // Start and stop as the toolbar buttons do. A start that succeeds loads
  // the help text and runs hooks.OnBotStarted; a stop that succeeds
  // releases it and runs hooks.OnBotStopped. Every stop clears the roster
  // and sets panels 1 and 2; every start sets panel 2 to "Running".
  void StartTBClick();
  void StopTBClick();
  // Closing the program: stop, end the roster refresh, run
  // hooks.OnFormClose, save the counter.
  void FormClose();
  // Settings page buttons: save (stops the bot first; false as
  // SettingsStore::SaveSettings) and cancel (reloads the settings and the
  // chatterbox; a file error of either load is thrown to the caller's
  // error report).
  bool SaveSettingsClick();
  void LoadSettingsClick();
  // The console line: SayText(text, 0) to OutChannel at OutAddress.
  void ConsoleInput(const std::string& text);

  // True between a successful start and the next stop.
  bool Running() const { return net.NetStarted(); }
  const std::string& StatusPanel(int i) const { return m_statusPanels.at(i); }
  void SetStatusPanel(int i, const std::string& text);
  void SetTopic(const std::string& topic);

  // Registers a front-end (also with the log). The view must outlive the
  // bot or be removed first; the bot does not own it.
  void AddView(BotView* view);
  void RemoveView(BotView* view);
  // Tells the views that the roster changed (after Add, Remove, Clear).
  void NotifyRoster();
  // The interface list of this run (the options' or GetInterfaces()).
  const std::vector<std::uint32_t>& Interfaces() const { return m_interfaces; }

  // The help text as loaded at the last start ("" while stopped).
  std::vector<std::string> helpText;

  // Parts, in construction order. Public: services and front-ends use them.
  EventLoop& loop;
  const Clock& clock;
  BotOptions options;
  WorkFolder folder;
  IniFile netIni;
  IniFile othersIni;
  Random random;
  BotSettings settings;
  NetSettings netSettings;
  OutgoingState out;
  BotLog log;
  BlowfishContext cipher{};
  PacketCodec codec;
  Net net;
  Replies replies;
  SettingsStore store;
  Roster roster;
  TopicState topic;
  ServiceHooks hooks;
  Dispatcher dispatcher;
  Interpreter interpreter;

 private:
  void CreateMissingFiles();
  void LoadHelpText();
  // Runs one lifecycle hook; an error of one service is logged and does
  // not keep the others from running.
  void RunHook(const std::function<void()>& hook);
  std::vector<std::string> m_statusPanels{4};
  std::vector<BotView*> m_views;
  std::vector<std::uint32_t> m_interfaces;
  EventLoop::TimerId m_rosterTimer = 0;
};

}  // namespace pelmo
