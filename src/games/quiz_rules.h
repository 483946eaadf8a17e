// The quiz's rules apart from its timer: reading the questions file,
// building hints, ordering the top list.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace pelmo {

class Random;

struct TQuestion {
  std::string Question;
  std::string Answer;
};

struct TUser {
  std::string Name;
  long long Score = 0;
};

// Times of hints 1 to 3 and of the time-out (index 4), milliseconds after
// the question.
inline constexpr std::array<int, 5> kHintTimes = {0, 15000, 40000, 60000, 85000};
inline constexpr int kHintStages = 4;

// A line of botfile/questions.txt: question "|" answer. None when the line
// is blank, its first "|" is missing or first, or its answer is blank
// (nobody could win the cycle, or a blank line would). Question and answer
// keep the blanks around the "|"; further "|" belong to the answer.
std::optional<TQuestion> ParseQuestionLine(const std::string& line);

// The hint mask of stage k (1 to 3) for the answer. The mask starts from
// previous (the mask of the earlier hint of the cycle, so its letters stay)
// or, when previous is empty or of another length, from one "." per
// character with the answer's blanks. The first character is shown, and
// the characters at n - 1 distinct positions drawn from 1 to the length,
// where n is 1 for k = 1 and ((length + 1) * k * 100 div stages) div 100
// otherwise.
std::string MakeHint(const std::string& answer, const std::string& previous, int k,
                     int stages, Random& random);

// Orders the players by score, highest first, by exchange sort: each
// position is compared with every later one and the two are swapped when
// the later scores higher. Equal scores are never swapped with each other,
// but a swap with a higher score may move one past another.
void SortPlayers(std::vector<TUser>& players);
// Rank ": " nick " - " score "\r" for the first count players of the
// sorted list; a count below 1 or above the number of players lists all.
std::string TopListLines(const std::vector<TUser>& sortedPlayers, long long count);

}  // namespace pelmo
