// Windows-1251 on disk, UTF-8 in memory: the conversions at the file boundary.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

std::string Cp1251ToUtf8(std::string_view bytes);

// Characters that Windows-1251 cannot hold (and malformed UTF-8) become '?'.
std::string Utf8ToCp1251(std::string_view text);

}  // namespace ostrel
