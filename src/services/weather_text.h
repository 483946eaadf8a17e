// The forecast text inside the informer's answer, and the name of the file
// it goes to. The informer answers with a small script that writes the
// forecast through document.write("..."): the text is what follows the
// first ".write(\"" up to its closing quote, with the markup taken out.
// The informer's usual answer ends in a closing part of six characters,
// the quote first, and one last character ("...\")//-->", say): that part is
// cut and the last character stays. An answer of another end is cut at
// its last quote instead, so that no letter of the forecast is lost.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmo {

// The forecast from the body; nullopt when the body has no ".write(\"".
// Markup: characters inside "<...>" are dropped; a tag that follows copied
// text starts a new line ("\r\n"), so two tags in a row or a tag at the
// start give no empty line. Bytes are kept as they are.
std::optional<std::string> ExtractWeatherText(const std::string& body);

// The informer's answer as Windows-1251. The charset comes from the
// Content-Type ("text/javascript; charset=utf-8"); without one, or with
// one the bot does not know, a body of well-formed UTF-8 beyond ASCII is
// taken for UTF-8. A body that its declared UTF-8 does not fit is kept as
// it came. Letters Windows-1251 lacks become '?'.
std::string InformerTextTo1251(std::string body, std::string_view contentType);

// The text between the tags as the extraction copies it (the markup step
// alone).
std::string StripMarkup(const std::string& text);

// The result file's name below botfile/: the name when it is a bare file
// name (no "/" or "\\", not "." or "..", no control character), otherwise
// "weather.txt".
std::string SafeOutputName(const std::string& name);

}  // namespace pelmo
