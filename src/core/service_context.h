// What a service or a game may use of the bot: the replies, the clock,
// the loop and the generator, the working folder, the live settings and
// the log, the command table and the subscriptions. Services are
// installed with this, never with the bot itself. The references live as
// long as the bot. Main thread only.
#pragma once

#include <functional>

namespace pelmo {

class Admission;
class BotLog;
class Clock;
class CommandTable;
class EventLoop;
class IniFile;
class Random;
class Replies;
class WorkFolder;
struct BotSettings;
struct NetSettings;
struct Subscriptions;

struct ServiceContext {
  EventLoop& loop;
  const Clock& clock;
  Random& random;
  const WorkFolder& folder;
  // The window's fields: read them at the moment of use.
  BotSettings& settings;
  const NetSettings& net;
  Replies& replies;
  BotLog& log;
  IniFile& othersIni;
  CommandTable& commands;
  Subscriptions& on;
  Admission& admission;
  // True between a successful start of the bot and the next stop.
  std::function<bool()> running;
};

}  // namespace pelmo
