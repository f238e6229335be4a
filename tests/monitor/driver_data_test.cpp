#include "monitor/driver_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/util/text.h"
#include "support/utf16_bytes.h"

namespace tessaly {
namespace {

using platform::kRegBinary;
using platform::kRegDword;
using platform::kRegSz;
using Bytes = std::vector<std::uint8_t>;
using test_support::utf16_bytes;

TEST(DriverData, TextStopsAtZeroAtTheEndOrAtTheBuffer) {
  char16_t out[8];
  ASSERT_TRUE(decode_text_value(kRegSz, utf16_bytes(u"AB\0CD", true), out, 8));
  EXPECT_EQ(platform::view_of(out), u"AB");
  // No terminator, and an odd trailing byte.
  Bytes odd = utf16_bytes(u"XYZ", false);
  odd.push_back(0x41);
  ASSERT_TRUE(decode_text_value(kRegBinary, odd, out, 8));
  EXPECT_EQ(platform::view_of(out), u"XYZ");
  // Longer than the buffer: cut to capacity - 1 and terminated.
  ASSERT_TRUE(decode_text_value(kRegSz, utf16_bytes(u"0123456789", false), out, 8));
  EXPECT_EQ(platform::view_of(out), u"0123456");
  ASSERT_TRUE(decode_text_value(kRegSz, Bytes{}, out, 8));
  EXPECT_EQ(platform::view_of(out), u"");
  // A number is no text.
  out[0] = u'Q';
  EXPECT_FALSE(decode_text_value(kRegDword, Bytes{0x41, 0, 0x42, 0}, out, 8));
  EXPECT_EQ(out[0], 0);
}

TEST(DriverData, FirmwareDropsTheClosingCharacter) {
  char16_t out[64];
  auto firmware = [&](std::string_view text) {
    decode_firmware_value(Bytes(text.begin(), text.end()), out, 64);
    return std::u16string(platform::view_of(out));
  };
  EXPECT_EQ(firmware(std::string_view("1.00.61x\0junk", 13)), u"1.00.61");
  EXPECT_EQ(firmware(""), u"");
  EXPECT_EQ(firmware("x"), u"");
  EXPECT_EQ(firmware(std::string_view("\0001.00", 5)), u"");  // a zero first
  // 64 bytes without a zero: 63 characters, still terminated.
  EXPECT_EQ(firmware(std::string(64, '7')), std::u16string(63, u'7'));
  // Bytes above 0x7F widen one to one.
  EXPECT_EQ(firmware("\xE9Z"), u"\u00E9");
  // A buffer smaller than the text cuts it.
  char16_t small[4];
  decode_firmware_value(Bytes{'1', '.', '0', '0', 'x'}, small, 4);
  EXPECT_EQ(platform::view_of(small), u"1.0");
}

TEST(DriverData, StatusLayoutsReadMissingBytesAsZero) {
  PrinterStatusWords w;
  const Bytes full = {0x00, 0x10, 0x40, 0x20, 0x04, 0x00, 0x00,
                      0x10, 0xAA, 0xBB, 0x34, 0x12, 0xFF, 0xFF};
  ASSERT_TRUE(decode_printer_status(kRegBinary, full, &w));
  EXPECT_EQ(w.status_main, 0x20401000u);
  EXPECT_EQ(w.status_error, 0x10000004u);
  EXPECT_EQ(w.ribbon_left, 0x1234);
  // Five bytes: status_main and one byte of status_error, the rest zero.
  ASSERT_TRUE(decode_printer_status(kRegBinary, Bytes{1, 2, 3, 4, 5}, &w));
  EXPECT_EQ(w.status_main, 0x04030201u);
  EXPECT_EQ(w.status_error, 5u);
  EXPECT_EQ(w.ribbon_left, 0);
  // The ribbon count is unsigned.
  Bytes ribbon(12, 0);
  ribbon[10] = 0xFF;
  ribbon[11] = 0xFF;
  ASSERT_TRUE(decode_printer_status(kRegBinary, ribbon, &w));
  EXPECT_EQ(w.ribbon_left, 65535);
  EXPECT_FALSE(decode_printer_status(kRegSz, full, &w));

  std::uint32_t word = 7;
  ASSERT_TRUE(decode_word_value(kRegDword, Bytes{0x08, 0x40, 0, 0}, &word));
  EXPECT_EQ(word, 0x4008u);
  ASSERT_TRUE(decode_word_value(kRegBinary, Bytes{0x08}, &word));
  EXPECT_EQ(word, 8u);
  ASSERT_TRUE(decode_word_value(kRegBinary, Bytes{}, &word));
  EXPECT_EQ(word, 0u);
  EXPECT_FALSE(decode_word_value(platform::kRegMultiSz, Bytes{1, 0, 0, 0}, &word));
}

TEST(DriverData, LaminatorReportsNothingWhenBytes6And7AreEqual) {
  LaminatorWords w;
  const Bytes ff = {0x00, 0x80, 0, 0, 0x01, 0x00, 0xFF, 0xFF};
  ASSERT_TRUE(decode_laminator_status(kRegBinary, ff, &w));
  EXPECT_EQ(w.lam_status, 0u);
  EXPECT_EQ(w.lam_error, 0u);
  // Byte 7 non-zero but different from byte 6: read as it is.
  ASSERT_TRUE(
      decode_laminator_status(kRegBinary, Bytes{0x00, 0x80, 0, 0, 0x01, 0, 0x01, 0x80}, &w));
  EXPECT_EQ(w.lam_status, 0x8000u);
  EXPECT_EQ(w.lam_error, 0x80010001u);
  // Both zero: the words as they are.
  ASSERT_TRUE(decode_laminator_status(kRegBinary, Bytes{0, 0x80, 0, 0, 0x10, 0, 0, 0}, &w));
  EXPECT_EQ(w.lam_status, 0x8000u);
  EXPECT_EQ(w.lam_error, 0x10u);
  // Short value: the missing bytes are zero, so the rule does not apply.
  ASSERT_TRUE(decode_laminator_status(kRegBinary, Bytes{0, 0x80}, &w));
  EXPECT_EQ(w.lam_status, 0x8000u);
  EXPECT_EQ(w.lam_error, 0u);
  EXPECT_FALSE(decode_laminator_status(kRegSz, ff, &w));
}

TEST(DriverData, FirmwareNumber) {
  EXPECT_EQ(firmware_number(u"1.00.61"), 10061);
  EXPECT_EQ(firmware_number(u"1.00.60"), 10060);
  EXPECT_EQ(firmware_number(u""), 0);
  EXPECT_EQ(firmware_number(u"V1.00"), 0);
  EXPECT_EQ(firmware_number(u"...."), 0);
  EXPECT_EQ(firmware_number(u"  -1.2"), -12);
  EXPECT_EQ(firmware_number(u"\t+1.2"), 12);
  EXPECT_EQ(firmware_number(u"1.00.6a"), 1006);
  // Cut to nine characters after the dots are gone: never overflows.
  EXPECT_EQ(firmware_number(u"1.2.3.4.5.6.7.8.9.10.11"), 123456789);
  EXPECT_EQ(firmware_number(u"99999999999999999999"), 999999999);
  EXPECT_EQ(firmware_number(u"-99999999999"), -99999999);
  // Blanks count towards the nine characters.
  EXPECT_EQ(firmware_number(u"        12"), 1);
  EXPECT_EQ(firmware_number(u"\u0661\u0662"), 0);  // only ASCII digits are digits
}

}  // namespace
}  // namespace tessaly
