#include "games/quiz.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <utility>

#include "base/cp1251.h"
#include "base/ini_file.h"
#include "base/line_log.h"
#include "base/line_name.h"
#include "base/random.h"
#include "base/str_to_int.h"
#include "base/text_file.h"
#include "core/admission.h"
#include "core/command_table.h"
#include "core/error_text.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/bot_settings.h"
#include "core/replies.h"

namespace pelmo {

namespace {

constexpr const char* kScoreSection = "users";
constexpr int kTickMs = 1000;
constexpr int kQuestionDelayMs = 7000;

long long ScoreValue(const std::string& text) {
  try {
    return StrToInt(text);
  } catch (const std::exception&) {
    return 0;
  }
}

// The quiz's words, converted once: every line of the chat is put to them.
struct QuizWords {
  std::string start = W("СТАРТ");
  std::string stop = W("СТОП");
  std::string best = W("ЛУЧШИЕ");
  std::string information = W("ИНФОРМАЦИЯ");
  std::string commands = W("КОМАНДЫ");
};
const QuizWords& Words() {
  static const QuizWords words;
  return words;
}

// Whether text begins with word (is word, when whole), whatever the case.
bool StartsWithWord(const std::string& text, const std::string& word, bool whole = true) {
  if (text.size() < word.size() || (whole && text.size() != word.size())) return false;
  return AnsiUpperCase(std::string_view(text).substr(0, word.size())) == word;
}

}  // namespace

bool IsQuizStartCommand(const std::string& text) { return StartsWithWord(text, Words().start); }
bool IsQuizStopCommand(const std::string& text) { return StartsWithWord(text, Words().stop); }
bool IsQuizTopList(const std::string& text) { return StartsWithWord(text, Words().best, false); }
bool IsQuizInformation(const std::string& text) {
  return StartsWithWord(text, Words().information);
}
bool IsQuizCommandList(const std::string& text) { return StartsWithWord(text, Words().commands); }
bool IsQuizRequest(const std::string& text) {
  return IsQuizTopList(text) || IsQuizInformation(text) || IsQuizCommandList(text);
}

Quiz::Quiz(QuizFiles files, EventLoop& loop, const Clock& clock, Random& random,
           Replies& replies, const BotSettings& settings, LineLog& log)
    : m_files(std::move(files)),
      m_loop(loop),
      m_clock(clock),
      m_random(random),
      m_replies(replies),
      m_settings(settings),
      m_log(log) {}

Quiz::~Quiz() { EndTimer(); }

void Quiz::QuizText(const std::string& text, std::uint32_t address, const std::string& nick) {
  if (!QuizRequest(text, address)) CheckAnswer(text, nick);
}

bool Quiz::QuizRequest(const std::string& text, std::uint32_t address) {
  if (IsQuizTopList(text)) {
    SayTo(address, W("\rЛУЧШИЕ ИГРОКИ:\r") + TopList(ScoreValue(text.substr(6))));
  } else if (IsQuizInformation(text)) {
    SayTo(address, InformationText());
  } else if (IsQuizCommandList(text)) {
    SayTo(address, W("\rКоманды:\r!старт - запустить викторину\r!стоп - остановить викторину\r"
                     "!информация - краткая информация по викторине\r"
                     "!лучшие - список лучших игроков\r!команды - no comment"));
  } else {
    return false;
  }
  return true;
}

void Quiz::CheckAnswer(const std::string& text, const std::string& nick) {
  if (!QuizRunning() || !m_questionActive || m_currentIndex >= m_questions.size()) return;
  const std::string& answer = m_questions[m_currentIndex].Answer;
  if (AnsiUpperCase(TrimControls(text)) != AnsiUpperCase(TrimControls(answer))) return;
  Say(W("\rУГАДАЛ: ") + nick + W(", маладец!"));
  m_elapsed = 0;
  m_questionActive = false;
  m_currentHint.clear();
  AddScore(nick, 1);
}

void Quiz::QuizStartCommand(const std::string& text) {
  if (!IsQuizStartCommand(text)) return;
  if (QuizRunning()) {
    Say(W("Викторина уже запущена..."));
    return;
  }
  StartQuiz();
}

void Quiz::QuizStopCommand(const std::string& text) {
  if (!IsQuizStopCommand(text)) return;
  if (!QuizRunning()) {
    Say(W("Викторина не запущена..."));
    return;
  }
  StopQuiz();
}

void Quiz::StartQuiz() {
  if (QuizRunning()) return;
  m_random.Randomize(m_clock);
  if (m_questions.empty() || m_questionCount == 0) {
    Say(W("Внимание, загрузка вопросов, ждите..."));
    const std::size_t before = m_questionCount;
    std::size_t loaded = 0;
    bool reported = false;
    try {
      loaded = LoadQuestions();
    } catch (const FileError& e) {
      reported = true;
      // The players are told, as for a file without questions; the
      // operator reads why.
      m_log.LogLine(W("Викторина: вопросы не загружены: ") + ToLogText(e.what()), 255);
    }
    if (loaded == 0) {
      if (!reported) {
        const std::string path = ToLogText(m_files.questions);
        m_log.LogLine(W("Викторина: вопросы не загружены: ") +
                          (FileExists(m_files.questions) ? W("в файле ") + path + W(" нет вопросов")
                                                         : W("нет файла ") + path),
                      255);
      }
      Say(W("Ошибка! Вопросы викторины не загружены, обратитесь к администратору викторины..."));
      return;
    }
    // The cycle in progress goes on at the same index, unless the file
    // lost questions: that index may then hold another question, or none.
    if (loaded < before || m_currentIndex >= loaded) ResetCycle();
    Say(W("Загрузка успешна закончена. Всего вопросов викторины: ") +
        std::to_string(m_questionCount));
  }
  m_timer = m_loop.StartTimer(std::chrono::milliseconds(kTickMs), true, [this] { QuizTick(); });
  Say(W("Викторина запущена..."));
}

void Quiz::StopQuiz() {
  EndTimer();
  m_questions.clear();
  m_questions.shrink_to_fit();
  Say(W("Викторина остановлена."));
}

void Quiz::ResetCycle() {
  m_questionActive = false;
  m_currentHint.clear();
  m_elapsed = 0;
}

void Quiz::QuizTick() {
  m_elapsed += kTickMs;
  if (!m_questionActive) {
    if (m_elapsed > kQuestionDelayMs) AskQuestion();
    return;
  }
  if (m_currentIndex >= m_questions.size()) {
    m_questionActive = false;
    return;
  }
  const TQuestion& question = m_questions[m_currentIndex];
  for (int k = kHintStages; k >= 1; --k) {
    if (std::abs(m_elapsed - kHintTimes[static_cast<std::size_t>(k)]) >= kTickMs) continue;
    if (k == kHintStages) {
      m_currentHint.clear();
      m_elapsed = 0;
      m_questionActive = false;
      Say(W("\r\rНикто не угадал, \rОТВЕТ: ") + question.Answer);
    } else {
      m_currentHint = MakeHint(question.Answer, m_currentHint, k, kHintStages, m_random);
      Say(W("\rПОДСКАЗКА №") + std::to_string(k) + ": \r" + m_currentHint);
    }
    return;
  }
}

void Quiz::AskQuestion() {
  if (m_questionCount == 0 || m_questions.empty()) return;
  m_elapsed = 0;
  m_questionActive = true;
  m_currentHint.clear();
  m_currentIndex = m_random.Next(static_cast<std::uint32_t>(m_questionCount));
  Say(W("\r\rВОПРОС: ") + m_questions[m_currentIndex].Question);
}

std::size_t Quiz::LoadQuestions() {
  m_questions.clear();
  m_questionCount = 0;
  for (const std::string& line : ReadDataLines(m_files.questions)) {
    if (std::optional<TQuestion> question = ParseQuestionLine(line)) {
      m_questions.push_back(std::move(*question));
    }
  }
  m_questionCount = m_questions.size();
  return m_questionCount;
}

void Quiz::AddScore(const std::string& player, long long points) {
  const std::string nick = LineName(player);
  IniFile scores(m_files.scores);
  const long long score = scores.ReadInteger(kScoreSection, nick, 0);
  if (!scores.WriteInteger(kScoreSection, nick, score + points)) {
    m_log.LogLine(W("Викторина: очко игрока ") + nick +
                      W(" не записано (ник не годится в ключ topvictor.txt или файл не записать)"),
                  255);
  }
}

std::string Quiz::TopList(long long count) const {
  std::vector<TUser> players;
  for (const auto& [name, value] : IniFile(m_files.scores).ReadSectionValues(kScoreSection)) {
    players.push_back(TUser{name, ScoreValue(value)});
  }
  SortPlayers(players);
  return TopListLines(players, count);
}

std::string Quiz::InformationText() const {
  std::string text = W(
      "\rВикторина\r"
      "Вопросы задаёт бот, отвечать нужно в этом канале: кто первым напишет ответ, "
      "тот получает очко.\r"
      "Спасибо всем, кто присылал вопросы для викторины!\r"
      "Об ошибках в вопросах и ответах пишите администратору бота.\r");
  if (m_questionCount != 0) {
    text += W("Всего загруженных вопросов -") + std::to_string(m_questionCount) + "\r";
  }
  return text + W("На этом всё, спасибо за внимание!\r") + ":)";
}

void Quiz::Say(const std::string& text) {
  m_replies.SayInChannel(m_settings.NameChanVicE, text, kKindLine);
}

void Quiz::SayTo(std::uint32_t address, const std::string& text) {
  m_replies.SayText(ReplyTarget(address, m_settings.NameChanVicE), text, kKindLine);
}

void Quiz::EndTimer() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
}

void InstallQuiz(ServiceContext& context, Quiz& quiz) {
  const std::string& channel = context.settings.NameChanVicE;
  Admission& admission = context.admission;
  // Every line of the quiz channel: a request to the quiz counts with the
  // flood guard as a command does; an answer never does.
  context.on.line.Add(LineStep::QuizAnswer, [&quiz, &channel, &admission](const ChatEvent& event) {
    if (event.channel != channel) return;
    if (!IsQuizRequest(event.text)) {
      quiz.CheckAnswer(event.text, event.nick);
    } else if (!admission.Ignored(event) && admission.Admit(event)) {
      quiz.QuizRequest(event.text, event.address);
    }
  });
  CommandTable& table = context.commands;
  table.Add(CommandRow{
      .place = CommandPlace::QuizStart,
      .accepts = IsQuizStartCommand,
      .channel = &channel,
      .handler = [&quiz](CommandContext& command) { quiz.QuizStartCommand(command.command); },
  });
  table.Add(CommandRow{
      .place = CommandPlace::QuizStop,
      .accepts = IsQuizStopCommand,
      .channel = &channel,
      .handler = [&quiz](CommandContext& command) { quiz.QuizStopCommand(command.command); },
  });
  const auto request = [&quiz](CommandContext& command) {
    quiz.QuizRequest(command.command, command.event.address);
  };
  table.Add(CommandRow{
      .place = CommandPlace::QuizTopList,
      .accepts = IsQuizTopList,
      .channel = &channel,
      .handler = request,
  });
  table.Add(CommandRow{
      .place = CommandPlace::QuizInformation,
      .accepts = IsQuizInformation,
      .channel = &channel,
      .handler = request,
  });
  table.Add(CommandRow{
      .place = CommandPlace::QuizCommandList,
      .accepts = IsQuizCommandList,
      .channel = &channel,
      .handler = request,
  });
  // Any other command text in the quiz channel is also an answer.
  table.Add(CommandRow{
      .place = CommandPlace::QuizAnswer,
      .accepts = [](const std::string& text) { return !IsQuizRequest(text); },
      .channel = &channel,
      .handler = [&quiz](CommandContext& command) {
        quiz.CheckAnswer(command.command, command.event.nick);
      },
  });
  context.on.life.stopped.push_back([&quiz] { quiz.StopQuiz(); });
}

}  // namespace pelmo
