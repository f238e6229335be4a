// "<prefix><number>": names for many queues, printers or drivers in a test.
#pragma once

#include <string>
#include <string_view>

#include "platform/util/text.h"

namespace test_support {

// Built by appending: GCC 12 warns wrongly about prefix + std::string
// temporaries.
inline std::u16string numbered(std::u16string_view prefix, int number) {
  std::u16string name(prefix);
  name += platform::to_utf16(std::to_string(number));
  return name;
}

}  // namespace test_support
