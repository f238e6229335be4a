#include "sim_replies.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/util/text.h"

namespace printer_sim {
namespace {

constexpr std::size_t kBlockSize = 516;
constexpr std::size_t kReplyHeaderSize = 28;
constexpr std::size_t kOversizedAnswerBytes = 1500;
constexpr std::size_t kShortAnswerBytes = 9;

std::vector<std::uint8_t> utf16le(const std::string& utf8, bool terminate) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : platform::to_utf16(utf8)) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (terminate) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

void put_le16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void put_le32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
}

// One 64-character reader slot of the encoder report, cut to 63 characters.
void put_reader(std::vector<std::uint8_t>& block, std::size_t at, const std::string& name) {
  std::u16string text = platform::to_utf16(name);
  if (text.size() > 63) text.resize(63);
  for (std::size_t i = 0; i < text.size(); ++i) {
    block[at + 2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    block[at + 2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
}

std::vector<std::uint8_t> encoder_block(const EncoderReport& report) {
  std::vector<std::uint8_t> block(kBlockSize, 0);
  put_le32(block, 0, report.status);
  put_reader(block, 4, report.contact_low);
  put_reader(block, 132, report.contact_high);
  put_reader(block, 260, report.contactless_low);
  put_reader(block, 388, report.contactless_high);
  return block;
}

}  // namespace

std::vector<std::uint8_t> admin_reply(const PrinterConfig& printer) {
  std::vector<std::uint8_t> reply(kReplyHeaderSize, 0);
  std::memcpy(reply.data(), "TVRQ", 4);
  put_le32(reply, 4, 1);
  put_le16(reply, 8, 2550);
  put_le16(reply, 10, static_cast<std::uint32_t>(printer.reply_direction));
  put_le32(reply, 12, 2);
  put_le32(reply, 16, 4);
  put_le32(reply, 20,
           printer.length_field < 0 ? static_cast<std::uint32_t>(kBlockSize)
                                    : static_cast<std::uint32_t>(printer.length_field));
  put_le32(reply, 24, 0);
  const std::vector<std::uint8_t> block = encoder_block(printer.report);
  reply.insert(reply.end(), block.begin(), block.end());
  if (printer.reply_size >= 0) {
    // Extra bytes carry a pattern that no report contains, so a reader that
    // copies past the block is caught.
    const std::size_t size =
        std::min<std::size_t>(static_cast<std::size_t>(printer.reply_size), 16384);
    reply.resize(size, 0xAB);
  }
  return reply;
}

std::vector<std::uint8_t> discovery_answer(const PrinterConfig& printer) {
  switch (printer.discovery) {
    case DiscoveryMode::Malformed:
      if (!printer.answer_text.empty()) return utf16le(printer.answer_text, true);
      // Four words where six are due.
      return utf16le(printer.token + " " + std::to_string(printer.product) + " " + printer.id +
                         " " + printer.address,
                     true);
    case DiscoveryMode::Short: {
      std::vector<std::uint8_t> bytes = utf16le(answer_text(printer), true);
      bytes.resize(std::min(bytes.size(), kShortAnswerBytes));
      return bytes;
    }
    case DiscoveryMode::Oversized: {
      // A valid answer padded with white space past the 1024 bytes a printer
      // may send.
      std::vector<std::uint8_t> bytes = utf16le(answer_text(printer), false);
      while (bytes.size() < kOversizedAnswerBytes) bytes.insert(bytes.end(), {' ', 0});
      return bytes;
    }
    default:
      return utf16le(answer_text(printer), true);
  }
}

}  // namespace printer_sim
