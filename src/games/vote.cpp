#include "games/vote.h"

#include <algorithm>
#include <exception>

#include "base/cp1251.h"
#include "base/str_to_int.h"
#include "core/admission.h"
#include "core/command_table.h"
#include "core/reactions.h"
#include "core/service_context.h"
#include "core/replies.h"

namespace pelmo {


namespace {

struct VoteWords {
  std::string word;  // lower case
  std::string rest;
};

VoteWords SplitVoteCommand(const std::string& command) {
  const std::string text = TrimControls(command);
  VoteWords words;
  const std::size_t blank = text.find(' ');
  if (blank != std::string::npos) {
    words.word = TrimControls(AnsiLowerCase(text.substr(0, blank)));
    words.rest = TrimControls(text.substr(blank));
  } else {
    words.word = AnsiLowerCase(text);
  }
  return words;
}

}  // namespace

bool IsVoteCommand(const std::string& command) { return SplitVoteCommand(command).word == "vote"; }

std::optional<VoteQuestion> ParseVoteCommand(const std::string& command) {
  const VoteWords words = SplitVoteCommand(command);
  if (words.word != "vote") return std::nullopt;
  const std::string& rest = words.rest;

  VoteQuestion vote;
  vote.question = rest;
  std::string list;
  const std::size_t open = rest.find('<');
  if (open != std::string::npos) {
    const std::size_t close = rest.find('>', open);
    if (close == std::string::npos) return std::nullopt;
    list = rest.substr(open + 1, close - open - 1);
    vote.question = TrimControls(rest.substr(0, open));
  }
  if (vote.question.empty()) return std::nullopt;

  std::size_t start = 0;
  while (start <= list.size() && vote.answers.size() < kMaxAnswers) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    if (comma > start) vote.answers.push_back(list.substr(start, std::min(comma - start, kAnswerWidth)));
    start = comma + 1;
  }
  if (vote.answers.size() < 2) vote.answers = {W("да"), W("нет")};
  return vote;
}

std::string VoteAnnouncement(const std::string& nick, const VoteQuestion& vote) {
  std::string list;
  for (std::size_t i = 0; i < vote.answers.size(); ++i) {
    list += "\r\n\t!!" + std::to_string(i + 1) + " = " + vote.answers[i];
  }
  list += " .";
  return W("\r\nПользователь ") + nick + W(" спрашивает: \r\n") + vote.question +
         W("\r\nи предлагает следующие варианты ответов: ") + list + "\r\n\r" +
         W("Голосование длится 60 секунд.");
}

std::string VoteResult(const std::vector<TVoteInfo>& votes) {
  std::string text = W("\r\n------------------------\r\nГолосование завершено.");
  std::string lines;
  std::size_t total = 0;
  std::size_t most = 0;
  const TVoteInfo* majority = nullptr;
  for (const TVoteInfo& info : votes) {
    const std::size_t count = info.Voters.size();
    if (count == 0) continue;
    total += count;
    lines += W("\r\nОтвет '") + info.AnswerText + (count == 1 ? W("' дал ") : W("' дали ")) +
             std::to_string(count) + " " + PeopleWord(static_cast<long long>(count));
    if (count > most) {
      most = count;
      majority = &info;
    } else if (count == most) {
      majority = nullptr;
    }
  }
  if (total == 0) return text + W(" Полный провал! Активней граждане, активнее!");
  text += W(" Результаты:\r\nпроголосовало: ") + std::to_string(total) + " " +
          PeopleWord(static_cast<long long>(total)) + ".\r\n" + lines + "\r\n";
  if (majority != nullptr) {
    text += W("------------------------\r\nИ так, на заданный вопрос большинство ответило '") +
            majority->AnswerText + "'.";
  } else {
    text += W("------------------------\r\nИ так, мнения разделились, обсуждайте тему дальше и "
              "повторите голосование. На этом пока всё...");
  }
  return text;
}

Vote::Vote(EventLoop& loop, Replies& replies) : m_loop(loop), m_replies(replies) {}

Vote::~Vote() { Cancel(); }

void Vote::VoteCommand(const std::string& command, const std::string& nick) {
  if (m_timer != 0) return;
  std::optional<VoteQuestion> vote = ParseVoteCommand(command);
  if (!vote) return;
  m_votes.clear();
  for (const std::string& answer : vote->answers) m_votes.push_back(TVoteInfo{answer, {}});
  // The timer first: should the announcement fail, the vote still ends.
  m_timer = m_loop.StartTimer(kDuration, false, [this] { FinishVote(); });
  Say(VoteAnnouncement(nick, *vote));
}

void Vote::VoteAnswer(const std::string& text, const std::string& nick) {
  if (m_timer == 0) return;
  const std::string message = TrimControls(text);
  if (message.compare(0, 2, "!!") != 0) return;
  std::size_t end = 2;
  while (end < message.size() && message[end] >= '0' && message[end] <= '9') ++end;
  if (end == 2) return;
  long long number = 0;
  try {
    number = StrToInt(message.substr(2, end - 2));
  } catch (const std::exception&) {
    return;
  }
  if (number < 1 || number > static_cast<long long>(m_votes.size())) return;
  for (const TVoteInfo& info : m_votes) {
    if (std::find(info.Voters.begin(), info.Voters.end(), nick) != info.Voters.end()) {
      Say(W("Не мухлюйте. Ваш голос уже учтён."));
      return;
    }
  }
  m_votes[static_cast<std::size_t>(number - 1)].Voters.push_back(nick);
  Say(nick + W(", спасибо за Ваш ответ!"));
}

void Vote::FinishVote() {
  std::vector<TVoteInfo> votes = std::move(m_votes);
  Cancel();
  if (votes.empty()) return;
  // A result that cannot be built or sent is dropped; the vote is over
  // all the same.
  try {
    Say(VoteResult(votes));
  } catch (const std::exception&) {
  }
}

void Vote::Cancel() {
  if (m_timer != 0) m_loop.StopTimer(m_timer);
  m_timer = 0;
  m_votes.clear();
}

void Vote::Say(const std::string& text) { m_replies.SayToAll(text, kKindLine); }

void InstallVote(ServiceContext& context, Vote& vote) {
  context.commands.Add(CommandRow{
      .place = CommandPlace::VoteStart,
      .accepts = IsVoteCommand,
      .handler = [&vote](CommandContext& command) {
        vote.VoteCommand(command.command, command.event.nick);
      },
  });
  // Each answer is thanked before everybody: a sender the flood guard
  // ignores (one computer answering under ever new names, say) is not
  // heard. The answer itself counts with the guard as the command line it
  // is, after this step.
  Admission& admission = context.admission;
  context.on.line.Add(LineStep::VoteAnswer, [&vote, &admission](const ChatEvent& event) {
    if (!admission.Ignored(event)) vote.VoteAnswer(event.text, event.nick);
  });
  context.on.life.closing.push_back([&vote] { vote.Cancel(); });
}

}  // namespace pelmo
