// libFuzzer target for the lines of botfile/questions.txt and what the
// quiz builds from them. The input is a file; every line taken must be
// question "|" answer as written, and the hints of its answer must keep
// its length and blanks, grow from stage to stage and show only its
// letters. The score list of topvictor.txt is ordered and listed too.
#include <cstdint>
#include <string>
#include <vector>

#include "base/random.h"
#include "base/text_file.h"
#include "games/quiz_rules.h"

namespace {

using namespace pelmo;

void CheckHints(const std::string& answer, Random& random) {
  std::string previous;
  for (int k = 1; k <= 3; ++k) {
    const std::string hint = MakeHint(answer, previous, k, kHintStages, random);
    if (hint.size() != answer.size()) __builtin_trap();
    for (std::size_t i = 0; i < hint.size(); ++i) {
      if (hint[i] != '.' && hint[i] != answer[i]) __builtin_trap();
      if (answer[i] == ' ' && hint[i] != ' ') __builtin_trap();
      if (!previous.empty() && previous[i] != '.' && hint[i] != previous[i]) __builtin_trap();
    }
    if (!hint.empty() && hint[0] != answer[0]) __builtin_trap();
    previous = hint;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  Random random(size);
  std::vector<TUser> players;
  for (const std::string& line : SplitLines(text)) {
    const std::optional<TQuestion> question = ParseQuestionLine(line);
    if (!question) continue;
    if (question->Question.empty() || question->Question.find('|') != std::string::npos ||
        question->Question + "|" + question->Answer != line) {
      __builtin_trap();
    }
    CheckHints(question->Answer, random);
    players.push_back(TUser{question->Question, static_cast<long long>(question->Answer.size())});
  }
  SortPlayers(players);
  for (std::size_t i = 1; i < players.size(); ++i) {
    if (players[i - 1].Score < players[i].Score) __builtin_trap();
  }
  const std::string list = TopListLines(players, static_cast<long long>(size % 7) - 1);
  if (!players.empty() && list.empty()) __builtin_trap();
  return 0;
}
