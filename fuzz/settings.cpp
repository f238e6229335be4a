// Pelmora.ini and the command line. The input is the file's bytes, a zero
// byte, then the argument text as UTF-16LE; a first byte of 0xFF stands for
// a file that could not be opened.
#include "settings.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool no_file = size > 0 && data[0] == 0xFF;
  const auto* begin = reinterpret_cast<const char*>(data);
  const auto* end = begin + size;
  const auto* split = static_cast<const char*>(std::memchr(begin, 0, size));
  if (split == nullptr) split = end;
  const std::string ini(begin, split);
  std::u16string arguments;
  for (const char* at = split == end ? end : split + 1; at + 1 < end; at += 2)
    arguments.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(at[0]) |
                                              static_cast<std::uint8_t>(at[1]) << 8));
  const pelmora::Settings settings = pelmora::ParseSettings(no_file ? nullptr : &ini, arguments);
  if (settings.languageIndex < 0 || settings.languageIndex > 9) std::abort();
  if (settings.modelIndex != pelmora::MODEL_NONE &&
      (settings.modelIndex < 0 || settings.modelIndex > 15))
    std::abort();
  if (no_file && (settings.languageIndex != 0 || settings.modelIndex != pelmora::MODEL_NONE))
    std::abort();
  return 0;
}
