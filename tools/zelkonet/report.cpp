#include "report.h"

#include <cstdio>
#include <cstring>

#include "platform/util/text.h"

namespace zelkonet {

std::string text_of(const char16_t* field, std::size_t capacity) {
  return platform::to_utf8(platform::bounded_view(field, capacity));
}

void print_report(const pelmora::EncoderInfoBlock& block) {
  std::printf("Encoder report:\n");
  std::printf("  Status word:                    0x%08X\n",
              static_cast<unsigned>(block.statusWord));
  std::printf("  Contact reader (port 2/3):      %s\n", text_of(block.contactReaderLow).c_str());
  std::printf("  Contact reader (port 4):        %s\n", text_of(block.contactReaderHigh).c_str());
  std::printf("  Contactless reader (port 2/3):  %s\n",
              text_of(block.contactlessReaderLow).c_str());
  std::printf("  Contactless reader (port 4):    %s\n",
              text_of(block.contactlessReaderHigh).c_str());
  static const pelmora::EncoderInfoBlock kEmpty{};
  if (std::memcmp(&block, &kEmpty, sizeof block) == 0) {
    std::printf("  (empty: no readers reported, or no answer from the printer)\n");
  }
}

}  // namespace zelkonet
