#include "platform/util/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::argument_text_of;

TEST(ArgumentTextTest, SkipsTheProgramNameQuotedOrNot) {
  EXPECT_EQ(u"/KOR", argument_text_of(u"\"C:\\Program Files\\Setup\\Pelmora.exe\" /KOR"));
  EXPECT_EQ(u"/KOR", argument_text_of(u"Pelmora.exe /KOR"));
  EXPECT_EQ(u"/KOR", argument_text_of(u"C:\\Setup\\Pelmora.exe\t \t/KOR"));
  // Quotes inside the name keep its blanks in the name.
  EXPECT_EQ(u"KOR", argument_text_of(u"C:\\\"Program Files\"\\Pelmora.exe KOR"));
  // No blank after the closing quote: the name goes on to the next blank.
  EXPECT_EQ(u"x", argument_text_of(u"\"C:\\Setup\\Pelmora.exe\"ENG x"));
}

TEST(ArgumentTextTest, KeepsTheArgumentsAsWritten) {
  EXPECT_EQ(u"/lang  KOR  ", argument_text_of(u"Pelmora.exe   /lang  KOR  "));
  EXPECT_EQ(u"\"quoted arg\" more", argument_text_of(u"Pelmora.exe \"quoted arg\" more"));
}

TEST(ArgumentTextTest, EdgesGiveEmptyOrBoundedResults) {
  EXPECT_EQ(u"", argument_text_of(u""));
  EXPECT_EQ(u"", argument_text_of(u"Pelmora.exe"));
  EXPECT_EQ(u"", argument_text_of(u"Pelmora.exe    "));
  EXPECT_EQ(u"", argument_text_of(u"\"C:\\Setup\\Pelmora.exe\""));
  // An unterminated quote makes the rest of the line the program name.
  EXPECT_EQ(u"", argument_text_of(u"\"C:\\Set up\\Pelmora.exe /KOR"));
  // A line that starts with blanks has an empty program name.
  EXPECT_EQ(u"Pelmora.exe /KOR", argument_text_of(u"  Pelmora.exe /KOR"));
  // A very long argument text comes back whole; cutting is the reader's job.
  const std::u16string long_tail(100000, u'K');
  EXPECT_EQ(long_tail, argument_text_of(u"Pelmora.exe " + long_tail));
  // Control characters count as blanks, as the C runtime treats them.
  EXPECT_EQ(u"KOR", argument_text_of(std::u16string(u"Pelmora.exe\x01\x02KOR")));
}

}  // namespace
