// The forecast text inside the informer's answer, and the name of the file
// it goes to. The informer answers with a small script that writes the
// forecast through document.write("..."): the text is what follows the
// first ".write(\"", less a closing part of six characters before the last
// character, with the markup taken out.
#pragma once

#include <optional>
#include <string>

namespace pelmo {

// The forecast from the body; nullopt when the body has no ".write(\"".
// Markup: characters inside "<...>" are dropped; a tag that follows copied
// text starts a new line ("\r\n"), so two tags in a row or a tag at the
// start give no empty line. Bytes are kept as they are.
std::optional<std::string> ExtractWeatherText(const std::string& body);

// The text between the tags as the extraction copies it (the markup step
// alone).
std::string StripMarkup(const std::string& text);

// The result file's name below botfile/: the name when it is a bare file
// name (no "/" or "\\", not "." or "..", no control character), otherwise
// "weather.txt".
std::string SafeOutputName(const std::string& name);

}  // namespace pelmo
