// The texts the bot sends when users come and go, and the weather and
// information commands: personal entry lines (botfile/vhod.txt), default
// entry and leave lines (botfile/defvhod.ini, section "Messages"), the
// start message with the information text (botfile/welcom.txt, held in
// memory while the bot runs) and the weather text (botfile/weather.txt).
// Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmo {

struct ServiceContext;

class LineLog;
class Random;
class Replies;
class WorkFolder;
struct BotSettings;

// A defvhod.ini pattern that does not take exactly one string argument.
// The handling of the current event ends.
class PatternError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Formats a defvhod.ini pattern with the nick as its one string argument,
// as the runtime's Format does, without ever using the pattern as a printf
// format: "%%" is a percent sign; "%s" (or "%S") takes the nick, with the
// optional argument index "0:", "-" (left-justify), a width and ".prec"
// (at most prec characters of the nick) between "%" and "s". A pattern
// without any "%s" is returned as it is (an unused argument is no error).
// Throws PatternError for any other conversion (%d, %x, "*", ...), a
// second argument (a second sequential "%s", an index other than 0), a "%"
// at the end, or a width or precision above 65535.
std::string FormatWithNick(const std::string& pattern, const std::string& nick);

class Welcome {
 public:
  // log: where a defvhod.ini pattern that does not fit is named.
  Welcome(const WorkFolder& folder, const BotSettings& settings, Random& random,
          Replies& replies, LineLog& log);

  // "Message not found !" when the key of section "Messages" is missing or
  // empty (also when the file is missing), else the value formatted with
  // the nick. Throws PatternError for a pattern that does not fit.
  std::string DefaultMessage(const std::string& key, const std::string& nick) const;

  // The first vhod.txt line whose part before the first ":" equals the
  // nick sends its part after the first ": " (from its second character
  // when the line has no ": "); else, with DefaultMsgCB, a random
  // "EnterMessage0".."EnterMessage14". To everybody. Throws FileError when
  // vhod.txt is missing. A default pattern that does not fit the nick
  // costs only this line: nothing is sent, and the pattern is named in the
  // log the first time it fails (the join's other greetings go on).
  void SendEntryMessage(const std::string& nick);
  // With DefaultMsgCB, a random "QuitMessage0".."QuitMessage14", to
  // everybody; a pattern that does not fit is handled as above.
  void SendQuitMessage(const std::string& nick);
  // With ShowNameChanCB: "Канал для анекдотов: " + AnecChannelE, unicast.
  void SendAnecdoteChannelName(std::uint32_t address);
  // "Канал Викторины: " + NameChanVicE, unicast.
  void SendQuizChannelName(std::uint32_t address);
  // With StartMessageCB: the information banner and text; to the address
  // with StartMsgPrivateCB, else to everybody.
  void SendStartMessage(std::uint32_t address);
  // The weather banner and botfile/weather.txt read afresh, unicast.
  // Throws FileError when the file is missing.
  void SendWeatherText(std::uint32_t address);
  // Appends the text to botfile/welcom.txt as a new last line (line ends
  // inside it written as CR LF), reloads the information text while it is
  // loaded (so the start message shows the new line at once) and announces
  // the addition to everybody. Throws FileError when the file cannot be
  // read or written; an unreadable file is left as it was.
  void AddInfoLine(const std::string& text);

  // The information text: loaded when the bot starts (a missing file gives
  // an empty text), dropped when it stops.
  void LoadInfoText();
  void DropInfoText();
  const std::vector<std::string>& InfoText() const { return m_info; }

 private:
  void SayToAll(const std::string& text);
  // DefaultMessage, or nothing (logged once per pattern) when the pattern
  // does not fit.
  std::optional<std::string> DefaultLine(const std::string& key, const std::string& nick);

  const WorkFolder& m_folder;
  const BotSettings& m_settings;
  Random& m_random;
  Replies& m_replies;
  LineLog& m_log;
  std::set<std::string> m_badPatterns;  // named in the log already
  std::vector<std::string> m_info;
  bool m_infoLoaded = false;
};

// Fills the service's hook slots and adds its rows to the command table.
void InstallWelcome(ServiceContext& context, Welcome& welcome);

}  // namespace pelmo
