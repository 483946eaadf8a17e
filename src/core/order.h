// The order of everything the bot does with one chat event, in one place.
// A service subscribes its reactions under one of these steps and adds its
// commands under one of these places; the core runs them in the order
// written here, whatever the order of installation. A new reaction or
// command gets its name here, where its neighbours show what runs before
// and after it.
#pragma once

namespace pelmo {

// A user showed a sign of life: join, leave, a line, a colour, channel or
// topic change (never the bot itself). Runs before the event's own steps.
enum class SeenStep {
  RecordSeen,
};

// A user joined while the bot is switched on. A step that halts (a banned
// joiner) ends the greetings; the join steps below run all the same.
enum class GreetingStep {
  CheckBan,
  UnreadMessages,
  UnreadNews,
  EntryMessage,
  Birthdays,
  Topic,
  AnecdoteChannelName,
  QuizChannelName,
  StartMessage,
  BannedList,
};

// Every join, greeted or not, after the greetings.
enum class JoinStep {
  PrivateBoxNotice,
  RefreshBan,
};

enum class LeaveStep {
  QuitMessage,
};

// A channel line of a user while the bot is on, after the commands that
// come before the ban check and before the command table. A step that
// halts ends the line there (a banned sender's command).
enum class LineStep {
  QuizAnswer,
  VoteAnswer,
  Chatterbox,
  CheckBan,
};

// A password-channel line of a user while the bot is on, before its
// command (if it is one). A step that halts ends the line there.
enum class PasswordLineStep {
  CheckBan,
  DeliverLine,
};

// The command table, in the order of its walk. Rows marked "goes on" act on
// their own commands and let the walk continue; of the others the first
// that matches ends it.
enum class CommandPlace {
  // Before the ban check, so that a banned user can run it.
  RefreshBan,

  // Every command text of an admitted sender, the empty one too (goes on).
  PrivateBox,
  Statistics,
  VoteStart,
  FloodCounter,
  // In the quiz channel (goes on): the quiz's own commands, then the
  // answer check of every other command text.
  QuizStart,
  QuizStop,
  QuizTopList,
  QuizInformation,
  QuizCommandList,
  QuizAnswer,

  // The table proper: the first row that matches does the work.
  Ban,
  BanList,
  Weather,
  Info,
  Register,
  Me,
  MyTop,
  Help,
  Seen,
  RecentLines,
  Anecdote,
  Aphorism,
  News,
  AddNews,
  AddJoke,
  TopicUnlock,
  TopicLock,
  TopicChange,
  // No row above matched.
  ExternalCommand,

  // Password-channel commands.
  EmptyBox,
  ReadBox,
  ChangePassword,
  ClearRespondent,
  SetRespondent,
};

// Rows that run before the ban check and the flood guard.
constexpr bool RunsBeforeBanCheck(CommandPlace place) { return place < CommandPlace::PrivateBox; }
// Rows that act on their own commands and let the walk go on.
constexpr bool GoesOn(CommandPlace place) {
  return place >= CommandPlace::PrivateBox && place <= CommandPlace::QuizAnswer;
}
// Rows that still run for a sender the flood guard holds back: an answer
// is no request to the bot.
constexpr bool NeverLimited(CommandPlace place) { return place == CommandPlace::QuizAnswer; }
// Rows that see an empty command text ("!" alone); the walk ends after them.
constexpr bool SeesEmptyText(CommandPlace place) { return place <= CommandPlace::FloodCounter; }

}  // namespace pelmo
