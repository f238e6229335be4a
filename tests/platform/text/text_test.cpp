#include "platform/util/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "platform/registry.h"
#include "platform/util/format.h"
#include "platform/util/usb_print_ids.h"
#include "platform/util/win_names.h"
namespace platform {
namespace {

TEST(Format, TheConversionsTheProgramsUse) {
  EXPECT_EQ(
      format(u"%s() failed with error %08X: %s", {u"DeletePrinter", 5u, u"Access is denied."}),
      u"DeletePrinter() failed with error 00000005: Access is denied.");
  EXPECT_EQ(format(u"%08X", {0x80100001u}), u"80100001");
  // A negative 32-bit code shows its bit pattern, as printf does.
  EXPECT_EQ(format(u"%08X", {-2}), u"FFFFFFFE");
  EXPECT_EQ(format(u"%02d:%02d", {7, 45}), u"07:45");
  EXPECT_EQ(format(u"%04x", {0x3a}), u"003a");
  EXPECT_EQ(format(u"%d %u %d", {-12, 4000000000u, 0}), u"-12 4000000000 0");
  EXPECT_EQ(format(u"%5d|%-5d|", {42, 42}), u"   42|42   |");
  EXPECT_EQ(format(u"[%5d|%-5d]", {-12, -12}), u"[  -12|-12  ]");  // the sign counts
  EXPECT_EQ(format(u"[%5s]", {u"ab"}), u"[   ab]");
  EXPECT_EQ(format(u"[%3c|%-3c]", {65, 66}), u"[  A|B  ]");
  EXPECT_EQ(format(u"[%2s]", {u"longer"}), u"[longer]");
  EXPECT_EQ(format_narrow("[%05s]", {u"ab"}), "[   ab]");
  EXPECT_EQ(format(u"IP_%s", {std::u16string(u"192.0.2.7")}), u"IP_192.0.2.7");
  EXPECT_EQ(format(u"100%% %c", {65}), u"100% A");
}

TEST(Format, BadPatternsAndArgumentsStayBounded) {
  EXPECT_EQ(format(u"%s and %s", {u"one"}), u"one and ?");  // missing argument
  EXPECT_EQ(format(u"%d", {u"text"}), u"?");                // mismatched argument
  EXPECT_EQ(format(u"%s", {5}), u"?");
  EXPECT_EQ(format(u"50%", {}), u"50%");            // lone percent at the end
  EXPECT_EQ(format(u"%q %d", {3}), u"%q 3");        // unknown conversion kept
  EXPECT_EQ(format(u"%99999d", {1}).size(), 256u);  // width is capped
  const char16_t* null_text = nullptr;
  EXPECT_EQ(format(u"[%s]", {null_text}), u"[]");

  char16_t small[8];
  EXPECT_EQ(format_to(small, 8, u"%s-%s", {u"abcd", u"efgh"}), 7u);
  EXPECT_EQ(std::u16string(small), u"abcd-ef");
  EXPECT_EQ(format_narrow("TVRQ%s:%d", {u"K7M2", 11111}), "TVRQK7M2:11111");
}

TEST(Text, Utf8RoundTripsAndMalformedInput) {
  const std::u16string korean = u"장치 및 프린터";
  EXPECT_EQ(to_utf16(to_utf8(korean)), korean);
  const std::u16string emoji = u"card \U0001F4B3";
  EXPECT_EQ(to_utf16(to_utf8(emoji)), emoji);
  // Continuation bytes with their low bits clear, in each length.
  EXPECT_EQ(to_utf8(u"\u00C0\u4E00\U0001F600"), "\xC3\x80\xE4\xB8\x80\xF0\x9F\x98\x80");
  EXPECT_EQ(to_utf16("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(to_utf16("\xEF\xBF\xBF"), u"\uFFFF");  // the last one without a surrogate pair
  // Broken sequences become U+FFFD and nothing is read past the input.
  EXPECT_EQ(to_utf16("a\xFF\x62"), u"a\uFFFDb");
  EXPECT_EQ(to_utf16("a\xE2\x82"), u"a\uFFFD");
  EXPECT_EQ(to_utf16("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
  // A lone surrogate in UTF-16 is written as U+FFFD.
  EXPECT_EQ(to_utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, FixedBuffersAreCutAndTerminated) {
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(copy_truncated(buffer, u"abcdef"), 3u);
  EXPECT_EQ(view_of(buffer), u"abc");
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(copy_truncated(buffer, 0, u"abc"), 0u);
  const char16_t unterminated[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(bounded_length(unterminated, 3), 3u);
  EXPECT_EQ(bounded_view(unterminated, 3), u"abc");
  EXPECT_EQ(bounded_view(unterminated, 2), u"ab");
  EXPECT_TRUE(bounded_view(nullptr, 5).empty());
  EXPECT_TRUE(starts_with_ignore_ascii_case(u"oem12.inf", u"OEM"));
  EXPECT_TRUE(starts_with_ignore_ascii_case(u"oem", u"OEM"));
  EXPECT_FALSE(starts_with_ignore_ascii_case(u"oe", u"OEM"));
  EXPECT_FALSE(starts_with_ignore_ascii_case(u"xoem", u"OEM"));
  EXPECT_TRUE(equals_ignore_ascii_case(u"KoR", u"kor"));
  EXPECT_FALSE(equals_ignore_ascii_case(u"kor", u"kors"));
  EXPECT_FALSE(equals_ignore_ascii_case(u"é", u"É"));  // ASCII only
}

TEST(Text, RegistryStringsStopAtTheFirstZeroAndIgnoreAnOddByte) {
  RegistryValue v{kRegSz, {'H', 0, 'i', 0, 0, 0, 'X', 0}};
  EXPECT_EQ(registry_string(v), u"Hi");
  v.data = {'O', 0, 'K', 0, 'Z'};
  EXPECT_EQ(registry_string(v), u"OK");
  v.data.clear();
  EXPECT_EQ(registry_string(v), u"");
}

TEST(WindowsNames, LastComponentRulesAndDeviceNames) {
  EXPECT_EQ(strip_trailing_spaces_and_dots(u"Driver. . "), u"Driver");
  EXPECT_EQ(strip_trailing_spaces_and_dots(u" "), u"");
  EXPECT_EQ(strip_trailing_spaces_and_dots(u". ."), u"");
  EXPECT_EQ(strip_trailing_spaces_and_dots(u".inf"), u".inf");
  for (const char16_t* device : {u"CON", u"prn", u"Aux", u"NUL", u"COM1", u"com9", u"LPT1", u"LPT9",
                                 u"CONIN$", u"conout$", u"COM\u00B9", u"lpt\u00B2", u"LPT\u00B3"})
    EXPECT_EQ(dos_device_name(device), ascii_upper(device)) << to_utf8(device);
  // With any extension, and with spaces before it.
  EXPECT_EQ(dos_device_name(u"PRN.inf"), u"PRN");
  EXPECT_EQ(dos_device_name(u"prn .gpd"), u"PRN");
  EXPECT_EQ(dos_device_name(u"nul.a.b"), u"NUL");
  EXPECT_EQ(dos_device_name(u"COM1:"), u"COM1");
  EXPECT_EQ(dos_device_name(u"conin$.txt"), u"CONIN$");
  for (const char16_t* file : {u"COM0", u"LPT10", u"PRNX", u"CardPRN.inf", u"PRNuni.dll", u"CO",
                               u"", u"COM\u2074", u"CONIN", u"COM1::", u":NUL"})
    EXPECT_EQ(dos_device_name(file), u"") << to_utf8(file);

  EXPECT_TRUE(is_windows_file_name(u"Program Files (x86)"));
  EXPECT_TRUE(is_windows_file_name(u"K2100-K2200"));
  for (const char16_t* bad :
       {u"", u" ", u"Driver.", u"PRN", u"lpt3.ini", u"a:b", u"a/b", u"a*", u"a\\b", u"a<b", u"a>b",
        u"a\"b", u"a|b", u"a?b", u"a\x01-b", u"a\x1F-b", u"CONOUT$", u"COM\u00B2.ini"})
    EXPECT_FALSE(is_windows_file_name(bad)) << to_utf8(bad);
}

TEST(UsbPrintIds, EachPrinterHasBothFormsOfItsIdInTheDocumentedShape) {
  std::set<std::string> seen;
  for (const auto& row : kUsbPrintModels) {
    const std::string id = row.device_id;
    EXPECT_EQ(std::string("USBPRINT\\") + id, row.hardware_id);
    // Manufacturer and model joined, spaces made underscores, cut to 20
    // characters; then Windows' checksum, whose four characters are taken
    // as read, not computed.
    std::string name = std::string(row.manufacturer) + row.model;
    for (char& c : name)
      if (c == ' ') c = '_';
    name.resize(std::min<std::size_t>(name.size(), 20));
    ASSERT_EQ(id.size(), name.size() + 4) << id;
    EXPECT_EQ(id.substr(0, name.size()), name);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF", name.size()), std::string::npos) << id;
    EXPECT_TRUE(seen.insert(id).second) << id;
    EXPECT_EQ(find_usb_print_model(row.manufacturer, row.model), &row);
  }
  // Found by the device id's own manufacturer and model only.
  EXPECT_EQ(find_usb_print_model("Orvane", "Orvane ZELKO-70 Card Printer II"), nullptr);
  EXPECT_EQ(find_usb_print_model("orvane", "Orvane ZELKO-70 Card Printer"), nullptr);
  EXPECT_EQ(find_usb_print_model(" ", "Card Printer"), nullptr);
}

}  // namespace
}  // namespace platform
