// The argument text of a Windows command line: what follows the program name,
// as the C runtime hands it to WinMain and the application framework keeps it.
// Portable, so the rule is tested everywhere.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// Skips the program name and the blanks after it. The program name ends at
// the first blank or control character outside double quotes, so both
// "C:\Program Files\Setup\Pelmora.exe" /KOR and C:\"Program Files"\Pelmora.exe
// are one name; an unterminated quote makes the whole line the program name.
// Whatever follows keeps its own spacing, trailing blanks included.
inline std::u16string_view argument_text_of(std::u16string_view command_line) {
  std::size_t p = 0;
  bool in_quotes = false;
  while (p < command_line.size()) {
    const char16_t c = command_line[p];
    if (c == u'"') {
      in_quotes = !in_quotes;
    } else if (c <= u' ' && !in_quotes) {
      break;
    }
    ++p;
  }
  while (p < command_line.size() && command_line[p] <= u' ') ++p;
  return command_line.substr(p);
}

}  // namespace platform
