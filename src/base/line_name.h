// A nick or a host as it goes into a line of a data file. Names come off
// the network and may hold any byte; a line end inside one would end the
// file's line there and let the rest pose as a line of its own (a news item,
// a seen record, a log line). Every service that writes a name into a line
// (text files, INI keys and values, the log) passes it through here, and
// looks names up through here too, so that a name reads back as it was
// stored.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// The name with every control character (codes 0-31 and 127) replaced by a
// blank; any other name is returned as it is.
std::string LineName(std::string_view name);

// A text from the chat as it goes into one record of a line-based file or a
// framed reply (a log line, a message in a box): carriage returns, line
// feeds and zero bytes become blanks, so that what the sender typed after
// a line break cannot read as a record of its own. Tabs and other
// characters stay.
std::string OneLine(std::string_view text);

}  // namespace pelmo
