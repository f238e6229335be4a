// The administration reply: what one read of at most 1024 bytes from the
// printer's TLS channel holds.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "printer_access/printer_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > pelmora::kAdminReadCapacity) return -1;
  auto* reply = static_cast<std::uint8_t*>(std::malloc(size ? size : 1));
  if (size) std::memcpy(reply, data, size);
  pelmora::EncoderInfoBlock block;
  std::memset(&block, 0x5A, sizeof block);
  const int result = pelmora::DecodeEncoderInfoReply(reply, size, &block);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&block);
  if (result == -1) {
    // Refused: the block is untouched.
    for (std::size_t i = 0; i < sizeof block; ++i)
      if (bytes[i] != 0x5A) std::abort();
  } else if (result == 0) {
    // Nothing beyond what was received, nor beyond the stated length, is copied.
    const std::size_t stated = pelmora::ReadLe32(reply + pelmora::kReplyBlockLengthOffset);
    std::size_t copied = size - pelmora::kReplyBlockOffset;
    if (stated < copied) copied = stated;
    for (std::size_t i = 0; i < copied && i < sizeof block; ++i)
      if (bytes[i] != reply[pelmora::kReplyBlockOffset + i]) std::abort();
  } else {
    std::abort();
  }
  std::free(reply);
  return 0;
}
