// The places where the core calls the services. The core (dispatch,
// interpreter, lifecycle) fixes the order of the steps; each service unit
// fills its own slots when it is installed (services never include each
// other, and the core includes no service). An empty slot is a service that
// is not installed: the step is skipped (a boolean query then answers
// false, an optional answer none). Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pelmo {

struct ServiceHooks {
  using Address = std::uint32_t;

  // --- Join, leave and other events ---
  // The seen tracker records a nick's activity.
  std::function<void(const std::string& nick)> RecordSeen;
  // True when the host is banned; with reply, a banned sender is told so
  // at the address.
  std::function<bool(const std::string& host, const std::string& nick,
                     Address address, bool reply)>
      CheckBan;
  // Removes the host's ban when it has expired.
  std::function<void(const std::string& host)> RefreshBan;
  // Unread offline messages for the nick, told at the address.
  std::function<void(const std::string& nick, Address address)> NotifyUnread;
  // Unread news for the nick, told at the address.
  std::function<void(const std::string& nick, Address address)> NotifyNews;
  // The entry line for the nick, to the whole chat.
  std::function<void(const std::string& nick)> SendEntryMessage;
  // The birthday check of a join (runs only when BirthDayCB is on).
  std::function<void()> Birthdays;
  std::function<void(Address address)> SendAnecdoteChannelName;
  std::function<void(Address address)> SendQuizChannelName;
  std::function<void(Address address)> SendStartMessage;
  std::function<void(Address address)> SendBanned;
  // The private box tells a joiner about notes waiting for his host.
  std::function<void(const std::string& host, Address address)> PrivateBoxJoinNotice;
  // The leave line for the nick, to the whole chat.
  std::function<void(const std::string& nick)> SendQuitMessage;

  // --- Chat lines, before the command table ---
  std::function<void(const std::string& text, Address address)> QuizText;
  std::function<void(const std::string& text)> VoteAnswer;
  // An answer of the chatterbox for the trimmed, lower-cased text.
  std::function<std::optional<std::string>(const std::string& text)> Chatterbox;
  // Command texts (prefix removed), each service acting on its own.
  std::function<void(const std::string& command, Address address)> PrivateBoxCommand;
  std::function<void(const std::string& command, Address address)> StatisticsCommand;
  std::function<void(const std::string& command)> VoteCommand;
  std::function<void(const std::string& command)> FloodCounter;
  std::function<void(const std::string& command)> QuizStartCommand;
  std::function<void(const std::string& command)> QuizStopCommand;
  // No row of the command table matched.
  std::function<void(const std::string& command, Address address)> ExternalCommand;

  // --- Password-channel lines ---
  // A password-channel command (prefix removed); true when recognised.
  // The interpreter has already written the command's note.
  std::function<bool(const std::string& command, const std::string& channel,
                     const std::string& password, Address address)>
      PasswordChannelCommand;
  // An ordinary password-channel line for the sender's respondent.
  std::function<void(const std::string& text, const std::string& channel,
                     const std::string& password, Address address)>
      DeliverLine;

  // --- Lifecycle ---
  // At program start (FormCreate), before the settings load: each service
  // loads the lists it keeps in memory (anecdotes, ban list, aphorisms...).
  std::vector<std::function<void()>> LoadLists;
  // Loads the chatterbox phrases and returns their number; the core logs
  // it. Runs after LoadLists.
  std::function<std::size_t()> LoadChatterbox;
  // After a successful start (texts loaded, timers armed) and after a
  // successful stop (texts released, quiz stopped, timers disarmed).
  std::vector<std::function<void()>> OnBotStarted;
  std::vector<std::function<void()>> OnBotStopped;
  // When the program closes, after the stop and before the start counter
  // is written (the weather settings are saved here).
  std::vector<std::function<void()>> OnFormClose;
};

}  // namespace pelmo
