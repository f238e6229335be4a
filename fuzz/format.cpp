// The formatter against the C library's snprintf. The input is read as a
// pattern of literal characters and at most four conversions, each with its
// flags, width, conversion letter and argument; both formatters must write
// the same text (the 16-bit one, too, for these 8-bit patterns).
#include "platform/util/format.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
  bool more() const { return at < size; }
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
  std::uint32_t word() {
    std::uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w |= static_cast<std::uint32_t>(byte()) << (8 * i);
    return w;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  std::string pattern;
  std::string expected;
  std::string texts[4];
  platform::FormatArg args[4] = {0, 0, 0, 0};
  int conversions = 0;
  while (in.more() && pattern.size() < 512) {
    const std::uint8_t b = in.byte();
    if (b != '%' || conversions == 4) {
      // Literal text: printable ASCII, a '%' only as "%%".
      const char c = static_cast<char>(b % 95 + 32);
      if (c == '%') {
        pattern += "%%";
      } else {
        pattern += c;
      }
      expected += c;
      continue;
    }
    const std::uint8_t flags = in.byte();
    const std::uint8_t width = in.byte();
    const char conv = "scdiuxX"[in.byte() % 7];
    std::string conversion = "%";
    if (flags & 1) conversion += '-';
    if (flags & 2) conversion += '0';
    if (flags & 4) conversion += std::to_string(width);
    conversion += conv;
    char piece[512];
    switch (conv) {
      case 's': {
        const std::size_t length = in.byte() % 40;
        for (std::size_t i = 0; i < length; ++i)
          texts[conversions] += static_cast<char>(in.byte() % 95 + 32);
        std::snprintf(piece, sizeof piece, conversion.c_str(), texts[conversions].c_str());
        args[conversions] = platform::FormatArg(u"");  // set below, once the text stays put
        break;
      }
      case 'c': {
        const int c = 32 + in.byte() % 95;
        std::snprintf(piece, sizeof piece, conversion.c_str(), c);
        args[conversions] = platform::FormatArg(c);
        break;
      }
      case 'd':
      case 'i': {
        const auto v = static_cast<std::int32_t>(in.word());
        std::snprintf(piece, sizeof piece, conversion.c_str(), v);
        args[conversions] = platform::FormatArg(v);
        break;
      }
      default: {
        const std::uint32_t v = in.word();
        std::snprintf(piece, sizeof piece, conversion.c_str(), v);
        args[conversions] = platform::FormatArg(v);
        break;
      }
    }
    pattern += conversion;
    expected += piece;
    ++conversions;
  }
  // FormatArg of a text refers to it: the texts above outlive the calls.
  std::u16string utf16_args[4];
  for (int i = 0; i < 4; ++i) utf16_args[i] = std::u16string(texts[i].begin(), texts[i].end());
  for (int i = 0; i < 4; ++i)
    if (args[i].kind() == platform::FormatArg::Kind::Text)
      args[i] = platform::FormatArg(utf16_args[i]);

  const std::string narrow = platform::format_narrow(pattern, {args[0], args[1], args[2], args[3]});
  if (narrow != expected) {
    std::fprintf(stderr, "pattern [%s]\nformat  [%s]\nsnprintf[%s]\n", pattern.c_str(),
                 narrow.c_str(), expected.c_str());
    std::abort();
  }
  const std::u16string wide = platform::format(std::u16string(pattern.begin(), pattern.end()),
                                               {args[0], args[1], args[2], args[3]});
  if (wide != std::u16string(expected.begin(), expected.end())) std::abort();
  return 0;
}
