// Text files edited on another system. The bot's text files are
// Windows-1251; an operator who edits one in a UTF-8 editor leaves UTF-8
// behind. A file that is well-formed UTF-8 and holds bytes beyond ASCII (or
// begins with UTF-8's byte-order mark) is taken as UTF-8: Windows-1251
// Cyrillic is practically never well-formed UTF-8, because its letters
// (0xC0-0xFF) are lead bytes that want continuation bytes (0x80-0xBF)
// after them, and letters follow letters.
#pragma once

#include <string>
#include <string_view>

namespace pelmo {

// True when the bytes are UTF-8 text as above; false for pure ASCII (the
// same in both code pages) and for Windows-1251.
bool IsUtf8Text(std::string_view bytes);

// The bytes as Windows-1251: UTF-8 text converted (without its byte-order
// mark; characters the code page lacks become '?'), anything else as it is.
std::string ToCp1251Text(std::string bytes);

}  // namespace pelmo
