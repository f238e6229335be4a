// The records of found printers and the encoders and decoders of the
// printer-side messages, without any network.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sockets.h"
#include "platform/util/text.h"
#include "printer_access/printer_protocol.h"
#include "printer_access/search_records.h"
#include "support/guarded.h"
#include "support/utf16_bytes.h"

namespace pelmora {
namespace {

using test_support::utf16_bytes;

TEST(SearchRecords, ListLineIsNamesBracketsAndNothingElse) {
  PrinterList list{};
  ASSERT_TRUE(
      AppendListEntry(&list, u"Orvane ZELKO-70 Card Printer", u"K7M2P4T9", u"192.168.0.7", 0x3850));
  ASSERT_TRUE(AppendListEntry(&list, u"", u"", u"", 0));
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(platform::view_of(list.entries[0].listLine),
            u"Orvane ZELKO-70 Card Printer  [K7M2P4T9 : 192.168.0.7]");
  EXPECT_EQ(list.entries[0].productId, 0x3850);
  EXPECT_EQ(platform::view_of(list.entries[1].listLine), u"  [ : ]");
}

TEST(SearchRecords, FullListOrBadCountIsNeverWrittenPast) {
  test_support::Guarded<PrinterList, 64> guarded;
  for (int i = 0; i < kPrinterListCapacity; ++i)
    ASSERT_TRUE(AppendListEntry(&guarded.value, u"n", u"id", u"a", i));
  EXPECT_FALSE(AppendListEntry(&guarded.value, u"n", u"id", u"a", 99));
  EXPECT_EQ(guarded.value.count, kPrinterListCapacity);
  guarded.value.count = -1;
  EXPECT_FALSE(AppendListEntry(&guarded.value, u"n", u"id", u"a", 99));
  ASSERT_TRUE(guarded.canary_intact());
  EXPECT_FALSE(AppendListEntry(nullptr, u"n", u"id", u"a", 1));
}

TEST(SearchRecords, LongFieldsAreCutToTheirSize) {
  PrinterList list{};
  const std::u16string long_name(300, u'N');
  ASSERT_TRUE(
      AppendListEntry(&list, long_name, std::u16string(100, u'I'), std::u16string(80, u'A'), 1));
  const PrinterListEntry& entry = list.entries[0];
  EXPECT_EQ(platform::view_of(entry.displayName).size(), kDisplayNameLength - 1);
  EXPECT_EQ(platform::view_of(entry.printerId).size(), kPrinterIdLength - 1);
  EXPECT_EQ(platform::view_of(entry.address).size(), kAddressLength - 1);
  EXPECT_EQ(platform::view_of(entry.listLine).size(), kListLineLength - 1);
}

TEST(AdminProtocol, RequestForK7M2P4T9Is38Bytes) {
  const std::vector<std::uint8_t> request = BuildEncoderInfoRequest(u"K7M2P4T9");
  ASSERT_EQ(request.size(), 38u);
  const std::vector<std::uint8_t> header = {'T', 'V', 'R', 'Q', 1, 0, 0,  0, 0xF6, 0x09,
                                            1,   0,   1,   0,   0, 0, 18, 0, 0,    0};
  EXPECT_EQ(std::vector<std::uint8_t>(request.begin(), request.begin() + 20), header);
  EXPECT_EQ(ReadLe32(request.data() + 16), 18u);
  EXPECT_EQ(std::vector<std::uint8_t>(request.begin() + 20, request.end()),
            utf16_bytes(u"K7M2P4T9", true));
  // A length over 255 fills its second byte: 2 * 301 = 0x025A.
  const std::vector<std::uint8_t> longer = BuildEncoderInfoRequest(std::u16string(300, u'P'));
  EXPECT_EQ(std::vector<std::uint8_t>(longer.begin() + 16, longer.begin() + 20),
            (std::vector<std::uint8_t>{0x5A, 0x02, 0, 0}));
}

std::vector<std::uint8_t> Reply(std::size_t size, std::uint16_t direction, std::uint32_t length) {
  std::vector<std::uint8_t> reply(size, 0);
  for (std::size_t i = 28; i < size; ++i) reply[i] = static_cast<std::uint8_t>(i);
  if (size >= 12) {
    reply[10] = static_cast<std::uint8_t>(direction);
    reply[11] = static_cast<std::uint8_t>(direction >> 8);
  }
  if (size >= 24)
    for (int i = 0; i < 4; ++i) reply[20 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  return reply;
}

TEST(AdminProtocol, ReplyChecks) {
  // Every field is little-endian, each byte in its place.
  const std::uint8_t field[] = {0x01, 0x02, 0x03, 0x84};
  EXPECT_EQ(ReadLe32(field), 0x84030201u);
  EXPECT_EQ(ReadLe16(field + 2), 0x8403);
  EncoderInfoBlock block;
  std::memset(&block, 0, sizeof block);
  const EncoderInfoBlock zero = block;

  // 27 bytes are too short even when marked as a reply.
  std::vector<std::uint8_t> reply = Reply(27, 2, 0);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &block), -1);
  // 28 bytes are accepted; there is nothing to copy.
  reply = Reply(28, 2, 516);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &block), 0);
  EXPECT_EQ(std::memcmp(&block, &zero, sizeof block), 0);
  // An echo of the request is not a reply.
  reply = Reply(544, 1, 516);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &block), -1);
  EXPECT_EQ(std::memcmp(&block, &zero, sizeof block), 0);
  // A well-formed reply fills the block from offset 28, but neither a
  // missing reply nor a missing block.
  reply = Reply(544, 2, 516);
  EXPECT_EQ(DecodeEncoderInfoReply(nullptr, reply.size(), &block), -1);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), nullptr), -1);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &block), 0);
  EXPECT_EQ(std::memcmp(&block, reply.data() + 28, 516), 0);
  // Shorter length: only that many bytes.
  std::memset(&block, 0, sizeof block);
  reply = Reply(544, 2, 10);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &block), 0);
  EXPECT_EQ(std::memcmp(&block, reply.data() + 28, 10), 0);
  EXPECT_EQ(std::memcmp(reinterpret_cast<unsigned char*>(&block) + 10,
                        reinterpret_cast<const unsigned char*>(&zero) + 10, 516 - 10),
            0);
}

TEST(AdminProtocol, HostileLengthNeverCopiesPastBlockOrReceivedBytes) {
  test_support::Guarded<EncoderInfoBlock, 600> guarded;

  // Length far beyond the block, with 1024 bytes received.
  std::vector<std::uint8_t> reply = Reply(1024, 2, 0xFFFFFFFFu);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &guarded.value), 0);
  EXPECT_EQ(std::memcmp(&guarded.value, reply.data() + 28, 516), 0);
  ASSERT_TRUE(guarded.canary_intact());

  // Length of a whole block with only 100 bytes received: 72 bytes copied.
  std::memset(&guarded.value, 0, sizeof guarded.value);
  reply = Reply(100, 2, 516);
  EXPECT_EQ(DecodeEncoderInfoReply(reply.data(), reply.size(), &guarded.value), 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&guarded.value);
  EXPECT_EQ(std::memcmp(bytes, reply.data() + 28, 72), 0);
  for (std::size_t i = 72; i < 516; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(DiscoveryProtocol, RequestText) {
  const std::vector<std::uint8_t> request = BuildDiscoveryRequest(2, u"192.168.0.10", 51234);
  const std::u16string text = u"TVRQ2.0 2 192.168.0.10 51234";
  EXPECT_EQ(request.size(), 2 * text.size() + 2);
  EXPECT_EQ(request, utf16_bytes(text, true));
}

TEST(DiscoveryProtocol, AnswerWithSixWords) {
  DiscoveryAnswer answer;
  std::vector<std::uint8_t> bytes =
      utf16_bytes(u"TVRA2.0 14416 K7M2P4T9 192.168.0.7 9100 -3", true);
  ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer));
  EXPECT_EQ(platform::view_of(answer.replyToken), u"TVRA2.0");
  EXPECT_EQ(answer.productId, 14416);
  EXPECT_EQ(platform::view_of(answer.printerId), u"K7M2P4T9");
  EXPECT_EQ(platform::view_of(answer.ipAddress), u"192.168.0.7");
  EXPECT_EQ(answer.rawPort, 9100);
  EXPECT_EQ(answer.replyExtra, -3);

  // Tabs and line ends separate words too; words after the sixth are
  // ignored; the text ends at its first zero, and an odd last byte is
  // dropped.
  bytes = utf16_bytes(u"\tT\r\n1  ID A 2 3 extra words", true);
  bytes.insert(bytes.end(), {'9', 0, ' ', 0, '9'});
  ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer));
  EXPECT_EQ(platform::view_of(answer.printerId), u"ID");
  EXPECT_EQ(answer.replyExtra, 3);
  bytes = utf16_bytes(u"T 1 ID A 2 3", false);
  bytes.push_back('7');
  ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer));
  EXPECT_EQ(answer.replyExtra, 3);
}

TEST(DiscoveryProtocol, LongWordsAreCutWithoutShiftingTheNextOnes) {
  DiscoveryAnswer answer;
  const std::u16string id(40, u'I');
  const std::u16string address(50, u'A');
  const std::vector<std::uint8_t> bytes = utf16_bytes(
      u"TOKEN-THAT-IS-LONGER-THAN-THIRTY-ONE 1 " + id + u" " + address + u" 9100 5", true);
  ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer));
  EXPECT_EQ(platform::view_of(answer.replyToken), u"TOKEN-THAT-IS-LONGER-THAN-THIRT");
  EXPECT_EQ(platform::view_of(answer.printerId), std::u16string(31, u'I'));
  EXPECT_EQ(platform::view_of(answer.ipAddress), std::u16string(31, u'A'));
  EXPECT_EQ(answer.rawPort, 9100);
  EXPECT_EQ(answer.replyExtra, 5);
}

TEST(DiscoveryProtocol, AnswersThatDoNotParseAreRefused) {
  const char16_t* bad[] = {
      u"",
      u"TVRQ2.0 14416 K7M2P4T9 192.168.0.7 9100",          // five words
      u"TVRQ2.0 0x3850 K7M2P4T9 192.168.0.7 9100 0",       // not decimal
      u"TVRQ2.0 14416x K7M2P4T9 192.168.0.7 9100 0",       // trailing letters
      u"TVRQ2.0 14416 K7M2P4T9 192.168.0.7 9100 -",        // sign alone
      u"TVRQ2.0 14416 K7M2P4T9 192.168.0.7 2147483648 0",  // over 32 bits
      u"TVRQ2.0 -2147483649 K7M2P4T9 192.168.0.7 9100 0",  // under 32 bits
  };
  for (const char16_t* text : bad) {
    DiscoveryAnswer answer;
    std::memset(&answer, 0x77, sizeof answer);
    const std::vector<std::uint8_t> bytes = utf16_bytes(text, true);
    EXPECT_FALSE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer))
        << platform::to_utf8(text);
    EXPECT_EQ(answer.productId, 0);
    EXPECT_EQ(answer.printerId[0], 0);
  }
  // The text ends at its first zero character: the words after it are lost.
  const char16_t with_zero[] = u"TVRQ2.0 14416 K7M2P4T9 192.168.0.7\0 9100 0";
  std::vector<std::uint8_t> cut =
      utf16_bytes(std::u16string_view(with_zero, sizeof with_zero / 2 - 1), false);
  DiscoveryAnswer answer;
  EXPECT_FALSE(ParseDiscoveryAnswer(cut.data(), cut.size(), &answer));

  const std::vector<std::uint8_t> bytes = utf16_bytes(u"T -2147483648 I A 1 2", true);
  ASSERT_TRUE(ParseDiscoveryAnswer(bytes.data(), bytes.size(), &answer));
  EXPECT_EQ(answer.productId, INT32_MIN);
  EXPECT_FALSE(ParseDiscoveryAnswer(nullptr, 10, &answer));
  EXPECT_FALSE(ParseDiscoveryAnswer(bytes.data(), 1, &answer));
}

TEST(SocketWrapper, Ipv4TextIsStrict) {
  EXPECT_EQ(platform::parse_ipv4("192.168.0.10"), 0xC0A8000Au);
  EXPECT_EQ(platform::parse_ipv4("255.255.255.255"), 0xFFFFFFFFu);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", " 1.2.3.4", "1.2.3.4 ",
                          "1.2.3.-4", "0001.2.3.4", "printer.example"})
    EXPECT_FALSE(platform::parse_ipv4(bad).has_value()) << bad;
  EXPECT_EQ(platform::format_ipv4(0xC0A8000Au), "192.168.0.10");
  EXPECT_EQ(platform::format_ipv4(0xFFFFFFFFu), "255.255.255.255");
}

}  // namespace
}  // namespace pelmora
