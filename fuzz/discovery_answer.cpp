// The discovery answer: one datagram of at most 1024 bytes from anyone on the
// network.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "printer_access/printer_protocol.h"

namespace {

bool terminated(const char16_t (&text)[pelmora::kAnswerTextLength + 1]) {
  for (char16_t c : text)
    if (c == 0) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > pelmora::kDiscoveryAnswerCapacity) return -1;
  // A copy of exactly the datagram's size, so a read past it is caught.
  auto* bytes = static_cast<std::uint8_t*>(std::malloc(size ? size : 1));
  if (size) std::memcpy(bytes, data, size);
  pelmora::DiscoveryAnswer answer;
  std::memset(&answer, 0xA5, sizeof answer);
  const bool ok = pelmora::ParseDiscoveryAnswer(bytes, size, &answer);
  std::free(bytes);
  if (!terminated(answer.replyToken) || !terminated(answer.printerId) ||
      !terminated(answer.ipAddress))
    std::abort();
  if (!ok) {
    static const pelmora::DiscoveryAnswer zero{};
    if (std::memcmp(&answer, &zero, sizeof answer) != 0) std::abort();
  }
  return 0;
}
