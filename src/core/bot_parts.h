// The core's parts, built and wired to each other in one place. The bot
// owns them; the core's own units (dispatch, the core's command rows) and
// the core's tests use them directly. Services see only the service
// context, front-ends only the bot's faces. Main thread only, except that the
// receive thread posts into the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/event_loop.h"
#include "base/ini_file.h"
#include "base/random.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/bot_views.h"
#include "core/dispatcher.h"
#include "core/interpreter.h"
#include "core/reactions.h"
#include "core/replies.h"
#include "core/roster.h"
#include "core/service_context.h"
#include "core/settings_store.h"
#include "core/topic_state.h"
#include "core/work_folder.h"
#include "transport/blowfish.h"
#include "transport/net.h"
#include "transport/net_settings.h"
#include "transport/outgoing_state.h"
#include "transport/packet_codec.h"

namespace pelmo {

struct BotOptions {
  std::string workDir = ".";
  std::string configDir;    // empty: DefaultConfigDir()
  std::string programPath;  // for the autostart entry
  // The interface list (the network page's choices); empty:
  // GetInterfaces(). Tests give loopback.
  std::vector<std::uint32_t> interfaces;
  // Where each start joins the multicast group, given the address the bot
  // sends from at that start; unset: on the interfaces above.
  std::function<std::vector<std::uint32_t>(std::uint32_t localAddress)> joinInterfaces;
};

struct BotParts {
  BotParts(EventLoop& loop, const Clock& clock, BotOptions options);
  BotParts(const BotParts&) = delete;
  BotParts& operator=(const BotParts&) = delete;

  // The topic as received, shown by the views.
  void SetTopic(const std::string& text);
  void SetStatusPanel(int i, const std::string& text) { views.SetStatusPanel(i, text); }
  void NotifyRoster() { views.RosterChanged(); }

  // In construction order.
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
  BotViews views;
  Subscriptions on;
  Interpreter interpreter;
  Dispatcher dispatcher;
  // The help text as loaded at the last start ("" while stopped).
  std::vector<std::string> helpText;
  // The interface list of this run (the options' or GetInterfaces()).
  std::vector<std::uint32_t> interfaces;
  ServiceContext services;
};

}  // namespace pelmo
