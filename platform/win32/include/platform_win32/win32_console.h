// Text for the console a GUI program was started from.
#pragma once

#include <string_view>

namespace platform_win32 {

// Writes `text` to the standard output the program inherited (a file or a
// pipe when redirected) or else to the console of the parent process when
// it has one; does nothing when there is neither.
void write_to_parent_console(std::u16string_view text);

}  // namespace platform_win32
