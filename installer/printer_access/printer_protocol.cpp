#include "printer_access/printer_protocol.h"

#include <cstring>
#include <limits>

#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {
namespace {

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
  }
}

// Text plus one zero character, as UTF-16LE.
void AppendTextLe(std::vector<std::uint8_t>& out, std::u16string_view text) {
  for (char16_t c : text) AppendLe16(out, c);
  AppendLe16(out, 0);
}

// The white space of the wide scan functions, as far as the printers use it.
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool ParseInt32(std::u16string_view word, std::int32_t* value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == u'+' || word[i] == u'-')) {
    negative = word[i] == u'-';
    ++i;
  }
  if (i == word.size()) return false;
  std::int64_t magnitude = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < u'0' || word[i] > u'9') return false;
    magnitude = magnitude * 10 + (word[i] - u'0');
    if (magnitude > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) {
      return false;
    }
  }
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > std::numeric_limits<std::int32_t>::max()) return false;
  *value = static_cast<std::int32_t>(signed_value);
  return true;
}

}  // namespace

std::vector<std::uint8_t> BuildDiscoveryRequest(int request_code, std::u16string_view reply_address,
                                                std::uint16_t reply_port) {
  const std::u16string text =
      platform::format(u"%s %d %s %d", {std::u16string_view(kDiscoveryToken), request_code,
                                        reply_address, static_cast<int>(reply_port)});
  std::vector<std::uint8_t> datagram;
  datagram.reserve(2 * text.size() + 2);
  AppendTextLe(datagram, text);
  return datagram;
}

bool ParseDiscoveryAnswer(const std::uint8_t* bytes, std::size_t size, DiscoveryAnswer* answer) {
  if (answer == nullptr) return false;
  std::memset(answer, 0, sizeof *answer);
  if (bytes == nullptr) return false;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  std::u16string_view words[6];
  std::size_t found = 0;
  std::size_t i = 0;
  while (found < 6) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i == text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    words[found++] = std::u16string_view(text).substr(start, i - start);
  }
  DiscoveryAnswer parsed{};
  if (found < 6 || !ParseInt32(words[1], &parsed.productId) ||
      !ParseInt32(words[4], &parsed.rawPort) || !ParseInt32(words[5], &parsed.replyExtra)) {
    return false;
  }
  platform::copy_truncated(parsed.replyToken, words[0]);
  platform::copy_truncated(parsed.printerId, words[2]);
  platform::copy_truncated(parsed.ipAddress, words[3]);
  *answer = parsed;
  return true;
}

std::vector<std::uint8_t> BuildEncoderInfoRequest(std::u16string_view printerId) {
  std::vector<std::uint8_t> request;
  request.reserve(20 + 2 * printerId.size() + 2);
  for (char c : kAdminRequestTag) request.push_back(static_cast<std::uint8_t>(c));
  AppendLe32(request, kAdminHeaderWord);
  AppendLe16(request, kCommandReadEncoderInfo);
  AppendLe16(request, kDirectionRequest);
  AppendLe32(request, 1);  // one parameter
  AppendLe32(request, static_cast<std::uint32_t>(2 * (printerId.size() + 1)));
  AppendTextLe(request, printerId);
  return request;
}

int DecodeEncoderInfoReply(const std::uint8_t* reply, std::size_t size, EncoderInfoBlock* block) {
  if (reply == nullptr || block == nullptr || size < kReplyMinimumSize) return -1;
  if (ReadLe16(reply + kAdminDirectionOffset) != kDirectionReply) return -1;
  std::size_t length = ReadLe32(reply + kReplyBlockLengthOffset);
  // Never past the block, never past what arrived, whatever the printer says.
  if (length > sizeof(EncoderInfoBlock)) length = sizeof(EncoderInfoBlock);
  if (length > size - kReplyBlockOffset) length = size - kReplyBlockOffset;
  std::memcpy(block, reply + kReplyBlockOffset, length);
  return 0;
}

}  // namespace pelmora
