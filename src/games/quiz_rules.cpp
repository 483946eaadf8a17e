#include "base/cp1251.h"
#include "games/quiz_rules.h"

#include <algorithm>
#include <set>
#include <utility>

#include "base/random.h"

namespace pelmo {

std::optional<TQuestion> ParseQuestionLine(const std::string& line) {
  if (TrimControls(line).empty()) return std::nullopt;
  const std::size_t bar = line.find('|');
  if (bar == std::string::npos || bar == 0) return std::nullopt;
  TQuestion question{line.substr(0, bar), line.substr(bar + 1)};
  if (TrimControls(question.Answer).empty()) return std::nullopt;
  return question;
}

std::string MakeHint(const std::string& answer, const std::string& previous, int k,
                     int stages, Random& random) {
  const std::size_t length = answer.size();
  std::string mask = previous;
  if (mask.empty() || mask.size() != length) {
    mask.assign(length, '.');
    for (std::size_t i = 0; i < length; ++i) {
      if (answer[i] == ' ') mask[i] = ' ';
    }
  }
  if (length == 0) return mask;
  long long n = 1;
  if (k != 1) n = ((static_cast<long long>(length) + 1) * k * 100 / stages) / 100;
  const std::size_t draws =
      static_cast<std::size_t>(std::clamp<long long>(n - 1, 0, static_cast<long long>(length)));
  std::set<std::size_t> positions;  // 1-based
  while (positions.size() < draws) {
    positions.insert(random.Next(static_cast<std::uint32_t>(length)) + 1);
  }
  mask[0] = answer[0];
  for (std::size_t position : positions) mask[position - 1] = answer[position - 1];
  return mask;
}

void SortPlayers(std::vector<TUser>& players) {
  for (std::size_t i = 0; i < players.size(); ++i) {
    for (std::size_t j = i + 1; j < players.size(); ++j) {
      if (players[i].Score < players[j].Score) std::swap(players[i], players[j]);
    }
  }
}

std::string TopListLines(const std::vector<TUser>& sortedPlayers, long long count) {
  const auto players = static_cast<long long>(sortedPlayers.size());
  if (count < 1 || count > players) count = players;
  std::string lines;
  for (long long i = 0; i < count; ++i) {
    const TUser& user = sortedPlayers[static_cast<std::size_t>(i)];
    lines += std::to_string(i + 1) + ": " + user.Name + " - " + std::to_string(user.Score) + "\r";
  }
  return lines;
}

}  // namespace pelmo
