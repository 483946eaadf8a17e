// The bot: owns the core's parts and holds the program's order of start
// and stop. One object for the program; main thread only, except that the
// receive thread posts into the event loop. Front-ends drive it through
// its faces (BotLife, BotSettingsAccess, BotConsole); services are
// installed with Services() before Open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/bot_faces.h"
#include "core/bot_parts.h"

namespace pelmo {

class Bot final : public BotLife, public BotSettingsAccess, public BotConsole {
 public:
  Bot(EventLoop& loop, const Clock& clock, BotOptions options);
  ~Bot() override;
  Bot(const Bot&) = delete;
  Bot& operator=(const Bot&) = delete;

  // What services and games are installed with.
  ServiceContext& Services() { return m_parts.services; }
  // The core's parts, for the core's own tests and benchmarks.
  BotParts& Parts() { return m_parts; }
  BotFaces Faces() { return {*this, *this, *this}; }

  // BotLife.
  // Program start, up to the automatic start of the bot: empties the ring
  // and the log, creates botfile/ and the missing data files, runs the
  // services' loadLists, loads the settings, seeds the generator, unlocks
  // the topic, starts the bot when EnableBotCB is on (a front-end says
  // why a switched-off bot stays silent, in its own words), reads the
  // start counter (panel 3) and starts the 60 s roster refresh. Errors are
  // logged, not thrown.
  void Open() override;
  // Each start joins the multicast group where the options'
  // joinInterfaces say for the address the bot then sends from. A start
  // that succeeds loads the help text and runs the services' started
  // steps; a stop that succeeds releases it and runs their stopped
  // steps. Every stop clears the roster and sets panels 1 and 2; a
  // start sets panel 2 to "Running", or to "Stoped" when it failed.
  void Start() override;
  void Stop() override;
  // The same stop, but the roster and panel 1 are kept; panel 2 :=
  // "Stoped".
  void StopKeepingRoster() override;
  // Closing the program: stop, end the roster refresh, run the services'
  // closing steps, save the counter.
  void Close() override;
  bool Running() const override { return m_parts.net.NetStarted(); }
  bool SwitchedOn() const override { return m_parts.settings.EnableBotCB; }
  StartFault LastStartFault() const override { return m_parts.net.LastStartFault(); }
  // The settings, the lists of the services' loadLists and settingsReloaded
  // steps, the flood guard and, while running, the help text and the
  // services' reloaded steps; or, when the network values changed, a stop
  // and a start.
  void ReloadFiles() override;

  // BotSettingsAccess.
  BotSettings& Settings() override { return m_parts.settings; }
  SaveOutcome SaveSettings() override;
  // Also throws away unsaved edits of the pages' lists (the services'
  // settingsReloaded steps).
  void LoadSettings() override;
  void ApplyNickAndHost() override;
  void SaveColor(std::uint32_t color) override;
  void SelectInterface(std::uint32_t address) override;
  std::string StoredSendAddress(bool multicast) const override;
  const std::vector<std::uint32_t>& Interfaces() const override { return m_parts.interfaces; }
  const WorkFolder& Folder() const override { return m_parts.folder; }

  // BotConsole.
  void SayConsoleLine(const std::string& text) override;
  void ClearWindowLog() override;
  // A topic packet text + " (" + BotNick + ")" to the chat.
  void ChangeTopic(const std::string& text) override;
  void RefreshRoster() override;
  void SelectRosterEntry(int index) override;
  const std::vector<RosterEntry>& RosterEntries() const override;
  const std::string& StatusPanel(int i) const override { return m_parts.views.StatusPanel(i); }
  void SetStatusPanel(int i, const std::string& text) override;

  void AddView(BotView* view) override { m_parts.views.Add(view); }
  LineLog& Log() override { return m_parts.log; }
  void RemoveView(BotView* view) override { m_parts.views.Remove(view); }

  const Clock& GetClock() const override { return m_parts.clock; }

 private:
  void CreateMissingFiles();
  void LoadHelpText();
  // The flood guard's settings (others.ini) and the administrators' pinned
  // addresses (botfile/admin_addresses.txt), read again; an unreadable
  // file is logged.
  void ConfigureGuards();
  // Steps shared by both stops: the transport, the texts, the services.
  void StopBot();
  // Runs the services' steps of one moment; an error of one is logged and
  // does not keep the others from running.
  void RunSteps(const std::vector<std::function<void()>>& steps);

  // What the network runs with; a change needs a new start.
  struct NetworkValues {
    NetSettings net;
    std::string key, iv;
    bool operator==(const NetworkValues& other) const;
  };
  NetworkValues CurrentNetworkValues() const;

  BotParts m_parts;
  EventLoop::TimerId m_rosterTimer = 0;
  NetworkValues m_startedWith;
};

}  // namespace pelmo
