// Voting: "vote question <answer, answer, ...>" puts a question to the
// chat; users answer with "!!" and the answer's number; 60 seconds later
// the bot publishes the counts and the majority answer. One vote at a
// time, one answer per nick. Everything is said to everybody. Main thread
// only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/event_loop.h"

namespace pelmo {

struct ServiceContext;
class Replies;

struct TVoteInfo {
  std::string AnswerText;           // at most kAnswerWidth characters
  std::vector<std::string> Voters;  // nicks, exact
};

// A vote command read: the question and its answers (at least two).
struct VoteQuestion {
  std::string question;
  std::vector<std::string> answers;
};

inline constexpr std::size_t kAnswerWidth = 256;
// More answers would make the announcement dozens of packets to everybody.
inline constexpr std::size_t kMaxAnswers = 100;

// Reads a command text (prefix removed); none unless it is a vote command
// with a question ("<" with no ">" after it, or an empty question, is
// none). Without two answers the answers are "да" and "нет"; answers are
// cut to kAnswerWidth and only the first kMaxAnswers are kept.
std::optional<VoteQuestion> ParseVoteCommand(const std::string& command);
// The announcement of a vote asked by nick.
std::string VoteAnnouncement(const std::string& nick, const VoteQuestion& vote);
// The result text of the answers with their voters.
std::string VoteResult(const std::vector<TVoteInfo>& votes);

class Vote {
 public:
  static constexpr std::chrono::milliseconds kDuration{60000};

  Vote(EventLoop& loop, Replies& replies);
  // Cancels a running vote's timer.
  ~Vote();
  Vote(const Vote&) = delete;
  Vote& operator=(const Vote&) = delete;

  // A command text from nick: starts a vote when it is a vote command and
  // none runs.
  void VoteCommand(const std::string& command, const std::string& nick);
  // A chat message from nick: counts it when it is "!!" with the number of
  // an answer of the running vote.
  void VoteAnswer(const std::string& text, const std::string& nick);
  // Publishes the result and ends the vote (the timer's task).
  void FinishVote();
  // Ends a running vote without a result (the program ends).
  void Cancel();

  bool Running() const { return m_timer != 0; }
  const std::vector<TVoteInfo>& Votes() const { return m_votes; }

 private:
  void Say(const std::string& text);

  EventLoop& m_loop;
  Replies& m_replies;
  EventLoop::TimerId m_timer = 0;
  std::vector<TVoteInfo> m_votes;
};

// Fills the vote's slots; the vote ends with the program.
// True when the command text's first word is "vote" (case ignored).
bool IsVoteCommand(const std::string& command);

void InstallVote(ServiceContext& context, Vote& vote);

}  // namespace pelmo
