#include "services/talker_top.h"

#include <algorithm>
#include <stdexcept>

#include "base/cp1251.h"
#include "base/str_to_int.h"
#include "base/text_file.h"
#include "core/command_table.h"
#include "core/service_context.h"
#include "core/replies.h"

namespace pelmo {

namespace {

const std::string kSeparator = " (\xB6";

struct TopRow {
  long long count;
  std::size_t line;  // index in the file, for the nick and the tie order
};

}  // namespace

TopPlace FindTopPlace(const std::vector<std::string>& lines, const std::string& nick) {
  const std::size_t ranked = std::min(lines.size(), kTopLines);
  TopPlace place;
  std::vector<TopRow> rows;
  rows.reserve(ranked);
  std::vector<bool> mine(ranked, false);
  for (std::size_t i = 0; i < ranked; ++i) {
    const std::size_t at = lines[i].find(kSeparator);
    if (at == std::string::npos) throw std::invalid_argument("top line without separator");
    const std::string countText = lines[i].substr(at + kSeparator.size());
    rows.push_back(TopRow{StrToInt(countText), i});
    if (lines[i].compare(0, at, nick) == 0 && at == nick.size()) {
      mine[i] = true;
      place.found = true;
      place.countText = countText;
    }
  }
  if (!place.found) return place;
  std::stable_sort(rows.begin(), rows.end(),
                   [](const TopRow& a, const TopRow& b) { return a.count > b.count; });
  for (std::size_t position = 0; position < rows.size(); ++position) {
    if (mine[rows[position].line]) place.rank = position + 1;
  }
  return place;
}

TalkerTop::TalkerTop(std::string topPath, Replies& replies)
    : m_path(std::move(topPath)), m_replies(replies) {}

void TalkerTop::ShowMyPlace(std::uint32_t address, const std::string& nick) {
  const TopPlace place = FindTopPlace(ReadDataLines(m_path), nick);
  const std::string reply =
      place.found ? nick + W(": занимает ") + std::to_string(place.rank) +
                        W("  место в топе, при ") + place.countText +
                        W(" количестве набранных символов.")
                  : W("Извините, ничего не найдено.");
  m_replies.SayTo(address, reply, kKindListing);
}

void InstallTalkerTop(ServiceContext& context, TalkerTop& top) {
  context.commands.Add(CommandRow{
      .place = CommandPlace::MyTop,
      .aliases = {"mytop", W("ьнещз"), W("мойтоп"), "vjqnjg"},
      .note = W(") команда mytop."),
      .handler = [&top](CommandContext& command) {
        top.ShowMyPlace(command.event.address, command.event.nick);
      },
  });
}

}  // namespace pelmo
