// What both programs do between their command line and their front-end:
// the checks before the bot (the birthday-check start, the working
// folder, one bot per folder), and the bot with its services, games and
// timed features, built in one fixed order. A front-end adds its loop,
// its views and its stop requests. Main thread only.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/bot.h"
#include "games/install_games.h"
#include "program/command_line.h"
#include "program/instance_lock.h"
#include "services/install_services.h"
#include "services/timed_features.h"

namespace pelmo {

// The program's version, as --version and the window's title show it.
inline constexpr const char* kProgramVersion = "Pelmo_bot v 1.3";

// The checks before the bot is built, for a command line without --help
// or --version: a birthday-check start without a birthday today or
// tomorrow ends at once (0); a missing working folder (1) or another bot
// on it (1) end with a one-line reason in message. -1: go on, the lock is
// held.
int CheckBeforeStart(const CommandLine& line, InstanceLock& lock, std::string& message);

// Everything both programs do with their command line before the bot:
// a line that cannot be taken (2, with a hint on standard error), --help
// and --version (0, printed), then CheckBeforeStart (its reason on
// standard error). -1: go on, the lock is held.
int TakeCommandLine(const CommandLine& line, const std::string& program,
                    const std::string& usage, InstanceLock& lock);

// Answers --help and --version (0, printed on standard output) before a
// front-end starts anything else, such as a window system that may not be
// there; -1 when the line asks for neither. Options of a front-end's
// toolkit may stand in argv (program name first): the rest of the line is
// read later.
int AnswerHelpOrVersion(const std::vector<std::string>& argv, const std::string& program,
                        const std::string& usage);

// The addresses the network page offers: every IPv4 address of the
// machine (GetInterfaces()), whatever Net.ini's ip says, so that the
// operator can move the bot onto a LAN; a loopback ip that no interface
// holds (any 127/8 address reaches the loopback interface) is added last,
// so that it stays chosen.
std::vector<std::uint32_t> InterfaceChoices(const std::string& dir);

// Where a start joins the multicast group. With the bot on a loopback
// address, on that address only: joining on the other interfaces would
// announce the membership on their networks, and such a folder promises
// that nothing leaves the machine. Otherwise on every interface.
std::vector<std::uint32_t> JoinInterfaces(std::uint32_t localAddress);

class Program {
 public:
  // dir: the working folder; programPath: for the autostart entry and to
  // find the shipped working folder that a folder without Net.ini gets.
  Program(EventLoop& loop, const Clock& clock, const std::string& dir,
          const std::string& programPath);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The bot as front-ends drive it.
  BotFaces Faces() { return m_bot.Faces(); }
  InstalledServices& Services() { return *m_services; }
  Games& GamesOf() { return *m_games; }
  TimedFeatures& Timed() { return m_timed; }

  // The one start sequence of every front-end: the bot's Open with its
  // automatic start, then the window's showing (shown: its pages take
  // the settings and run their own start steps). Without a window: one
  // line naming the key that starts a bot switched off in Net.ini, the
  // birthday check of the start and the timed features as at a window's
  // first showing. Errors are logged.
  void Start(const std::function<void()>& shown = {});
  // Logs an error that escaped an event, as a window would report it.
  void LogError(const std::exception& error);
  // One line in the bot's log (the window's or standard output).
  void LogLine(const std::string& text);
  // The bot log, for the program's own lines.
  LineLog& Log();

 private:
  // What was done to a new folder (new_folder.h) before the bot read it;
  // logged with the start.
  std::string m_folderNote;
  Bot m_bot;
  std::unique_ptr<InstalledServices> m_services;
  std::unique_ptr<Games> m_games;
  TimedFeatures m_timed;
};

}  // namespace pelmo
