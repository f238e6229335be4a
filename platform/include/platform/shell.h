// The shell and the file system, as far as the programs use them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win_error.h"

namespace platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // The shell's test whether the current user belongs to the Administrators
  // group (IsUserAnAdmin).
  virtual bool is_user_an_admin() = 0;
  // Reads a whole file of at most `max_bytes` bytes; a relative path is taken
  // from the process's current directory. kErrorFileNotFound when it is missing.
  virtual Win32Error read_file(std::u16string_view path, std::size_t max_bytes,
                               std::string* contents) = 0;
};

}  // namespace platform
