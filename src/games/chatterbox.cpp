#include "games/chatterbox.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>

#include "base/date_time.h"
#include "base/text_file.h"
#include "base/cp1251.h"
#include "core/admission.h"
#include "core/bot_log.h"
#include "core/bot_settings.h"
#include "core/reactions.h"
#include "core/replies.h"
#include "core/service_context.h"
#include "transport/net_settings.h"

namespace pelmo {

namespace {

std::vector<std::string> FileLines(const std::vector<Phrase>& phrases) {
  std::vector<std::string> lines;
  lines.reserve(phrases.size());
  for (const Phrase& phrase : phrases) lines.push_back(phrase.trigger + "^" + phrase.answer);
  return lines;
}

bool ReadsBack(const Phrase& phrase) {
  const auto breaksLine = [](const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
  };
  return phrase.trigger.find('^') == std::string::npos && !breaksLine(phrase.trigger) &&
         !breaksLine(phrase.answer);
}

}  // namespace

Phrase SplitPhraseLine(const std::string& line) {
  const std::size_t caret = line.find('^');
  if (caret == std::string::npos) return {"", line};
  return {line.substr(0, caret), line.substr(caret + 1)};
}

Chatterbox::Chatterbox(std::string path, const Clock& clock)
    : m_path(std::move(path)), m_clock(clock) {}

void Chatterbox::LoadPhrases() {
  ClearPhrases();
  const std::vector<std::string> lines = ReadDataLines(m_path);
  for (const std::string& line : lines) {
    if (m_phrases.size() >= kMaxPhrases) break;
    m_phrases.push_back(SplitPhraseLine(line));
  }
}

void Chatterbox::SavePhrases() const { RewriteLines(m_path, FileLines(m_phrases)); }

void Chatterbox::ClearPhrases() { m_phrases.clear(); }

void Chatterbox::AddPhrase(const std::string& trigger, const std::string& answer) {
  if (m_phrases.size() >= kMaxPhrases) return;
  m_phrases.push_back({trigger, answer});
}

int Chatterbox::FindPhrase(const std::string& text) const {
  std::vector<int> matches;
  for (std::size_t i = 0; i < m_phrases.size(); ++i) {
    if (m_phrases[i].trigger == text) matches.push_back(static_cast<int>(i));
  }
  if (matches.empty()) return -1;
  return matches[m_clock.TickMs() % matches.size()];
}

std::string Chatterbox::TriggerAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_phrases.size()) return {};
  return m_phrases[static_cast<std::size_t>(index)].trigger;
}

std::string Chatterbox::AnswerAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= m_phrases.size()) return {};
  return m_phrases[static_cast<std::size_t>(index)].answer;
}

int Chatterbox::FirstRefusedRow(const std::vector<Phrase>& rows) {
  const std::size_t kept = std::min(rows.size(), kMaxPhrases);
  for (std::size_t i = 0; i < kept; ++i) {
    if (!ReadsBack(rows[i])) return static_cast<int>(i);
  }
  return -1;
}

int Chatterbox::SaveRows(const std::vector<Phrase>& rows) {
  const int refused = FirstRefusedRow(rows);
  if (refused >= 0) return refused;
  const std::size_t kept = std::min(rows.size(), kMaxPhrases);
  std::vector<Phrase> phrases(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(kept));
  // A message is trimmed and lower-cased before it is compared: a trigger
  // typed with capitals or blanks around it is kept as it can match.
  for (Phrase& phrase : phrases) phrase.trigger = NarrowLowerCase(TrimControls(phrase.trigger));
  // The file first: when it cannot be written, the pairs in memory still
  // match the file.
  RewriteLines(m_path, FileLines(phrases));
  m_phrases = std::move(phrases);
  return -1;
}

void InstallChatterbox(ServiceContext& context, Chatterbox& chatterbox) {
  BotLog& log = context.log;
  context.on.life.loadLists.push_back([&chatterbox, &log] {
    chatterbox.LoadPhrases();
    log.LogLine(W("Загружено ") + std::to_string(chatterbox.PhraseCount()) +
                W(" фраз в базу болтуна."));
  });
  // "Cancel" throws away unsaved edits of the phrases.
  context.on.life.settingsReloaded.push_back([&chatterbox] { chatterbox.LoadPhrases(); });

  const BotSettings& settings = context.settings;
  Admission& admission = context.admission;
  Replies& replies = context.replies;
  context.on.line.Add(LineStep::Chatterbox,
                      [&chatterbox, &settings, &admission, &replies](const ChatEvent& event) {
                        if (!settings.BoltunCB || admission.Ignored(event)) return;
                        const int index =
                            chatterbox.FindPhrase(NarrowLowerCase(TrimControls(event.text)));
                        // A trigger counts for the flood guard only when it is answered.
                        if (index < 0 || !admission.Admit(event)) return;
                        replies.SayTo(replies.Settings().SendAddress, chatterbox.AnswerAt(index),
                                      kKindLine);
                      });
}

}  // namespace pelmo
