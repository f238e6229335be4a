// What the installer relies on the printer's firmware to do, in one place:
// the USB vendor requests, the UDP discovery protocol and the TLS
// administration channel, with the encoders and decoders of their messages.
//
// - USB, read encoder information: get request F0 01 01; an answer of at
//   least 516 bytes whose first 516 bytes are an EncoderInfoBlock.
// - USB, read printer id: get request 50 06 00; the first 8 answer bytes are
//   the id, one character per byte.
// - USB, read printer status: get request 00 00 00; bit 7 of answer byte 2 is
//   the printer's status flag.
// - USB, close channel: set request F0 00 00 with the data 20 00 00 00;
//   nothing is read back.
// - UDP discovery: "TVRQ2.0 2 <reply address> <reply port>" to UDP port
//   11119, broadcast or unicast; one UTF-16LE datagram of at most 1024 bytes
//   with the six words "%s %d %s %s %d %d", sent to the reply address and
//   port within the listening window of about half a second.
// - TLS administration channel: TCP port 11111, TLS 1.0 with
//   "ADH-AES128-SHA", one "TVRQ" record with command 2550 and the printer id;
//   one reply record readable by a single read of at most 1024 bytes, with
//   direction 2, the block length at offset 20 and the block from offset 28.
// - Raw print service: nothing from the installer; the Standard TCP/IP port
//   made for the printer prints on the TCP port that the fifth word of the
//   discovery answer names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "printer_access/search_records.h"

namespace pelmora {

// ---- UDP discovery ----
inline constexpr std::uint16_t DISCOVERY_PORT = 11119;
inline constexpr char16_t kDiscoveryToken[] = u"TVRQ2.0";
inline constexpr int kDiscoveryRequestCode = 2;
inline constexpr std::size_t kDiscoveryAnswerCapacity = 1024;
// The listening window: an elapsed counter from 0 to 500 in steps of 5, that
// is 100 polls, with a wait of 5 ms after each poll that received nothing.
inline constexpr int kListeningWindowPolls = 100;
inline constexpr std::uint32_t kListeningPollWaitMs = 5;
// Each text word of an answer is at most this many characters; longer words
// are cut.
inline constexpr std::size_t kAnswerTextLength = 31;

// The request datagram: "%s %d %s %d" of token, request code, reply address
// and reply port, then one zero character, as UTF-16LE.
std::vector<std::uint8_t> BuildDiscoveryRequest(int request_code, std::u16string_view reply_address,
                                                std::uint16_t reply_port);

struct DiscoveryAnswer {
  char16_t replyToken[kAnswerTextLength + 1];
  std::int32_t productId;
  char16_t printerId[kAnswerTextLength + 1];
  char16_t ipAddress[kAnswerTextLength + 1];
  std::int32_t rawPort;
  std::int32_t replyExtra;
};

// Reads the six white-space separated words "%s %d %s %s %d %d" of an answer
// datagram. The text ends at its first zero character or at the end of the
// datagram (an odd last byte is dropped). A number is a signed decimal that
// fills its whole word and fits 32 bits; a text word longer than 31
// characters is cut, and the next word still starts after the white space.
// Words after the sixth are ignored. Returns false, leaving `answer` zeroed,
// when the datagram does not hold six such words.
bool ParseDiscoveryAnswer(const std::uint8_t* bytes, std::size_t size, DiscoveryAnswer* answer);

// ---- TLS administration channel ----
inline constexpr std::uint16_t ADMIN_PORT = 11111;
inline constexpr char kAdminCipherList[] = "ADH-AES128-SHA";
inline constexpr char kAdminRequestTag[4] = {'T', 'V', 'R', 'Q'};
inline constexpr std::uint32_t kAdminHeaderWord = 1;
inline constexpr std::uint16_t kCommandReadEncoderInfo = 2550;
inline constexpr std::uint16_t kDirectionRequest = 1;
inline constexpr std::uint16_t kDirectionReply = 2;
inline constexpr std::size_t kAdminReadCapacity = 1024;
// Offsets in an AdminRequest record.
inline constexpr std::size_t kAdminTagOffset = 0;
inline constexpr std::size_t kAdminHeaderOffset = 4;
inline constexpr std::size_t kAdminCommandOffset = 8;
inline constexpr std::size_t kAdminDirectionOffset = 10;
inline constexpr std::size_t kAdminCountOffset = 12;
inline constexpr std::size_t kAdminLengthsOffset = 16;
// In the reply: two parameters, a 4-byte one and the block.
inline constexpr std::size_t kReplyBlockLengthOffset = 20;
inline constexpr std::size_t kReplyBlockOffset = 28;
inline constexpr std::size_t kReplyMinimumSize = 28;

// The "read encoder information" request for one printer id: 20 bytes of
// header and parameter length, then the id as UTF-16LE with its terminator.
std::vector<std::uint8_t> BuildEncoderInfoRequest(std::u16string_view printerId);

// Checks a reply of `size` received bytes and copies its block. A reply
// shorter than 28 bytes or not marked as a reply (direction 2) gives -1 and
// leaves `block` untouched. Otherwise the block length at offset 20 is
// honoured only as far as both the 516-byte block and the bytes actually
// received reach, and 0 is returned.
int DecodeEncoderInfoReply(const std::uint8_t* reply, std::size_t size, EncoderInfoBlock* block);

// Little-endian field access for the records above.
inline std::uint16_t ReadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace pelmora
