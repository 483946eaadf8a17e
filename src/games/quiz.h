// The quiz ("Викторина") of the quiz channel: while it runs, a one-second
// timer on the main loop asks a random question of botfile/questions.txt,
// gives three hints and reveals the answer when nobody guesses it; the
// first message equal to the answer wins, and the winner's score goes to
// botfile/topvictor.txt (section "users"). Every message goes into the quiz
// channel; the top list, information and command list to the requester
// only, the rest to everybody. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/event_loop.h"
#include "games/quiz_rules.h"

namespace pelmo {

struct ServiceContext;
class Clock;
class LineLog;
class Random;
class Replies;
struct BotSettings;

struct QuizFiles {
  std::string questions;  // botfile/questions.txt
  std::string scores;     // botfile/topvictor.txt
};

class Quiz {
 public:
  Quiz(QuizFiles files, EventLoop& loop, const Clock& clock, Random& random, Replies& replies,
       const BotSettings& settings, LineLog& log);
  // Ends the timer, quietly.
  ~Quiz();
  Quiz(const Quiz&) = delete;
  Quiz& operator=(const Quiz&) = delete;

  // A message of the quiz channel from nick at address (and again a
  // command of it, prefix removed): the top list, the information, the
  // command list, or the answer check.
  void QuizText(const std::string& text, std::uint32_t address, const std::string& nick);
  // The top list ("лучшие" and a count), the information or the command
  // list to address; false (nothing sent) for any other text.
  bool QuizRequest(const std::string& text, std::uint32_t address);
  // A right answer to the question asked wins it for nick.
  void CheckAnswer(const std::string& text, const std::string& nick);
  // "СТАРТ" and "СТОП" in any letter case.
  void QuizStartCommand(const std::string& text);
  void QuizStopCommand(const std::string& text);

  // Loads the questions unless held, then starts the timer. A file that is
  // missing, cannot be read or holds no question leaves the quiz stopped
  // with the error text in the channel (and the reason in the log). A
  // cycle in progress at the last stop goes on where it was, at the same
  // index of the reloaded list, unless the list is now shorter: then the
  // next question comes 8 s later.
  void StartQuiz();
  // Ends the timer, drops the questions (the cycle's state stays) and says
  // so, also when not running.
  void StopQuiz();
  // One second of the quiz.
  void QuizTick();

  // Reads the questions file; the number of questions.
  std::size_t LoadQuestions();
  // Adds points to the nick's score. A nick the file cannot take as a key
  // is logged and not scored.
  void AddScore(const std::string& nick, long long points);
  // "\r"-ended lines of the best count players (see TopListLines).
  std::string TopList(long long count) const;
  std::string InformationText() const;

  bool QuizRunning() const { return m_timer != 0; }
  bool QuestionActive() const { return m_questionActive; }
  int Elapsed() const { return m_elapsed; }
  std::size_t CurrentIndex() const { return m_currentIndex; }
  const std::string& CurrentHint() const { return m_currentHint; }
  std::size_t QuestionCount() const { return m_questionCount; }
  const std::vector<TQuestion>& Questions() const { return m_questions; }

 private:
  // To everybody, or to the address, in the quiz channel.
  void Say(const std::string& text);
  void SayTo(std::uint32_t address, const std::string& text);
  void EndTimer();
  void AskQuestion();
  // No question asked; the next one comes 8 s after the next tick.
  void ResetCycle();

  QuizFiles m_files;
  EventLoop& m_loop;
  const Clock& m_clock;
  Random& m_random;
  Replies& m_replies;
  const BotSettings& m_settings;
  LineLog& m_log;

  EventLoop::TimerId m_timer = 0;
  std::vector<TQuestion> m_questions;
  std::size_t m_questionCount = 0;
  bool m_questionActive = false;
  int m_elapsed = 0;
  std::size_t m_currentIndex = 0;
  std::string m_currentHint;
};

// The quiz channel's start and stop commands, case ignored.
bool IsQuizStartCommand(const std::string& text);
bool IsQuizStopCommand(const std::string& text);
// Its requests, case ignored: "лучшие" (the first six characters, a count
// may follow), "информация", "команды"; and any of the three.
bool IsQuizTopList(const std::string& text);
bool IsQuizInformation(const std::string& text);
bool IsQuizCommandList(const std::string& text);
bool IsQuizRequest(const std::string& text);

// Subscribes the quiz to its channel's lines and adds its rows; the bot's
// stop stops the quiz.
void InstallQuiz(ServiceContext& context, Quiz& quiz);

}  // namespace pelmo
