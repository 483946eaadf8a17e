// The bot's life as a front-end drives it: open at the program's start,
// start and stop, read the files again, close at the program's end. The
// headless program, the start retry, the window model and the settings
// form's save each take this face. Main thread only.
#pragma once

#include "transport/net.h"

namespace pelmo {

class BotLife {
 public:
  virtual ~BotLife() = default;

  // The program's start, up to the automatic start of the bot (services
  // are installed before), and the program's close (stop, services' close
  // steps, the start counter).
  virtual void Open() = 0;
  virtual void Close() = 0;

  // Start and stop the bot on the chat. StopKeepingRoster is the same stop
  // but keeps the roster and status panel 1 (the notification menu's).
  // Running: true between a successful start and the next stop.
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual void StopKeepingRoster() = 0;
  virtual bool Running() const = 0;
  // EnableBot as loaded or edited: whether the program's start starts
  // the bot.
  virtual bool SwitchedOn() const = 0;
  // Why the last start failed.
  virtual StartFault LastStartFault() const = 0;
  // Reads the settings and the data files kept in memory again, as a new
  // start of the program would, without leaving the chat: the network is
  // started again only when what it was started with changed (Net.ini's
  // network values, the cipher key, the bot's nick or host). One log line
  // says which. The headless program's answer to SIGHUP.
  virtual void ReloadFiles() = 0;
};

}  // namespace pelmo
