// The chatterbox: fixed answers to trigger phrases. botfile/boltun.txt
// holds one pair a line, trigger "^" answer; a chat message that, trimmed
// and lower-cased (A-Z and А-Я only), equals a trigger byte for byte gets
// the trigger's answer. Main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pelmo {

struct ServiceContext;
class Clock;

struct Phrase {
  std::string trigger;
  std::string answer;
};

// A file line as a pair: the text before the first "^" and everything
// after it; a line without "^" is an empty trigger with the line as answer.
Phrase SplitPhraseLine(const std::string& line);

class Chatterbox {
 public:
  static constexpr std::size_t kMaxPhrases = 10000;

  // path: botfile/boltun.txt; the clock's tick counter picks among
  // several pairs of one trigger.
  Chatterbox(std::string path, const Clock& clock);

  // Replaces the pairs with the file's first 10000 lines (empty lines are
  // pairs too). Throws FileError when the file is missing or unreadable;
  // the pairs are then empty.
  void LoadPhrases();
  // Rewrites the file with the pairs held (temporary file and rename).
  // Throws FileError.
  void SavePhrases() const;
  void ClearPhrases();
  // Adds a pair; nothing when 10000 are held.
  void AddPhrase(const std::string& trigger, const std::string& answer);

  // The index of a pair whose trigger equals text, chosen among all such
  // pairs by the tick counter; -1 when there is none.
  int FindPhrase(const std::string& text) const;
  // The strings of pair index; empty outside 0..PhraseCount()-1.
  std::string TriggerAt(int index) const;
  std::string AnswerAt(int index) const;
  std::size_t PhraseCount() const { return m_phrases.size(); }
  const std::vector<Phrase>& Phrases() const { return m_phrases; }

  // The first of the first 10000 rows that would not read back as written
  // (a trigger holding "^", a cell holding CR or LF); -1 when none.
  static int FirstRefusedRow(const std::vector<Phrase>& rows);
  // The page's save: a row FirstRefusedRow names refuses the whole save
  // and its index is returned, nothing changed. Otherwise the file gets
  // the first 10000 rows, each trigger trimmed and lower-cased as the
  // messages it is compared with are (temporary file and rename; a
  // FileError leaves file and pairs as they were), then they replace the
  // pairs, and -1 is returned.
  int SaveRows(const std::vector<Phrase>& rows);

 private:
  std::string m_path;
  const Clock& m_clock;
  std::vector<Phrase> m_phrases;
};

// Loads the pairs at start (the core logs their number) and answers the
// interpreter's lookups.
void InstallChatterbox(ServiceContext& context, Chatterbox& chatterbox);

}  // namespace pelmo
