// Windows-1251 on disk, UTF-8 in memory: the conversions at the file boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

std::string Cp1251ToUtf8(std::string_view bytes);

// Characters that Windows-1251 cannot hold (and malformed UTF-8) become '?'.
std::string Utf8ToCp1251(std::string_view text);

// The text with every malformed UTF-8 sequence (a stray or missing continuation byte, an overlong
// form, a surrogate, a code point beyond U+10FFFF) replaced by '?': for texts that come into
// memory from outside as UTF-8, such as the ids of an mzML file and a library's messages.
std::string ValidUtf8(std::string_view text);

// Text that an editor marked with a byte-order mark, UTF-8 (Windows Notepad) or UTF-16 in either
// byte order, as the same characters in Windows-1251 without the mark ('?' for a character it
// cannot hold and for a malformed sequence); nothing for text without a mark.
std::optional<std::string> MarkedTextToCp1251(std::string_view bytes);

}  // namespace ostrel
