// The unattended mode's command lines: refusals with the usage and without
// a window, look-alike blanks, dashes and slashes named by their own words,
// the language search beside the switches, and places where nobody can
// answer.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "quiet_run.h"

namespace pelmora::testing {
namespace {

TEST(QuietCommandLine, RefusedLinesShowTheUsageWhereNobodySeesAWindow) {
  const std::vector<std::pair<const char16_t*, std::string>> refused = {
      {u"/quiet /usb /bogus", "unknown switch \"/bogus\""},
      {u"/quiet /usb /import", "unknown switch \"/import\""},
      {u"/quiet /usb /log", "\"/log\" needs a value"},
      {u"/quiet /network /usb", "\"/network\" needs a value"},
      {u"/quiet /usb /model 17", "unknown model \"17\" (0..15, or 16 for all models)"},
      {u"/quiet /usb /model x", "unknown model \"x\" (0..15, or 16 for all models)"},
      {u"/quiet /usb /wait -1", "/wait needs a number of seconds from 0 to 86400, not \"-1\""},
      {u"/quiet /usb /network P1",
       "\"/network\" cannot be combined with another of /usb, "
       "/network, /remove"},
      {u"/quiet /remove /wait 5", "/wait goes only with /usb"},
      {u"/quiet", "one of /usb, /network, /remove is needed"},
      {u"/quiet /usb /usb", "\"/usb\" is given twice"},
      {u"/quiet /network [P1]", "the printer of /network holds a bracket"},
      {u"/quiet /usb stray", "unexpected word \"stray\""},
      // Blanks, dashes and slashes that only look like ASCII ones.
      {u"\u3000/quiet /usb",
       "an ideographic space (U+3000) starts the command line; words are separated by ordinary "
       "blanks"},
      {u"/quiet /usb\u202F",
       "a narrow no-break space (U+202F) follows \"/usb\"; words are "
       "separated by ordinary blanks"},
      {u"\u2013quiet /usb", "\"\u2013quiet\" starts with an en dash (U+2013), not \"-\" or \"/\""},
      {u"/quiet \u2014usb", "\"\u2014usb\" starts with an em dash (U+2014), not \"-\" or \"/\""},
      {u"\u2212quiet /remove",
       "\"\u2212quiet\" starts with a minus sign (U+2212), not \"-\" or \"/\""},
      {u"/quiet /remove \uFF0Fmodel 3",
       "\"\uFF0Fmodel\" starts with a fullwidth solidus (U+FF0F), not \"-\" or \"/\""},
  };
  for (const auto& [arguments, why] : refused) {
    SCOPED_TRACE(platform::to_utf8(arguments));
    Quiet q(arguments);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    const auto lines = q.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "start command-line \"" + platform::to_utf8(arguments) +
                            "\": refused: " + why + kOwnProcess);
    EXPECT_EQ(lines[1], "start usage: Usage:");
    EXPECT_EQ(lines.back(), "end exit code 1639: invalid command line" + kOwnProcess);
    EXPECT_NE(q.console.find(u"Pelmora.exe /quiet /usb"), std::u16string::npos);
    // Nothing was done: no step ran.
    EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    q.ExpectNothingShown();
  }
  // An over-long command line, a value over its limit.
  // A refused line of 200 characters is logged whole, one of 201 cut.
  for (const std::size_t size : {std::size_t{200}, std::size_t{201}}) {
    std::u16string refused = u"/quiet /bogus ";
    refused.resize(size, u'x');
    Quiet q(refused);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    EXPECT_EQ(q.Lines()[0].find("\"" + platform::to_utf8(refused) + "\"") != std::string::npos,
              size == 200);
  }
  // The log shows its first 200 characters.
  const std::u16string over_long = u"/quiet /usb " + std::u16string(1100, u'x');
  Quiet longer(over_long);
  EXPECT_EQ(longer.Run(), kExitBadCommandLine);
  EXPECT_EQ(longer.Lines()[0], "start command-line \"" +
                                   platform::to_utf8(over_long.substr(0, 200)) +
                                   "...\": refused: the command line is longer than 1024 "
                                   "characters" +
                                   kOwnProcess);
  Quiet id(u"/quiet /network " + std::u16string(64, u'P'));
  EXPECT_EQ(id.Run(), kExitBadCommandLine);
  // Each limit holds its last value and refuses the next.
  std::u16string padded = u"/quiet /usb";
  padded.resize(1024, u' ');
  EXPECT_TRUE(ParseCommandSwitches(padded).error.empty());
  EXPECT_FALSE(ParseCommandSwitches(padded + u" ").error.empty());
  // The first refusal is the one reported.
  EXPECT_EQ(ParseCommandSwitches(u"/log x").error, u"the switches need /quiet");
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /usb /wait 86400").error.empty());
  EXPECT_EQ(ParseCommandSwitches(u"/quiet /usb /wait 86400").waitSeconds, 86400);
  EXPECT_FALSE(ParseCommandSwitches(u"/quiet /usb /wait 86401").error.empty());
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /network " + std::u16string(63, u'P')).error.empty());
  const std::u16string log_path = u"C:\\" + std::u16string(256, u'l');
  EXPECT_TRUE(ParseCommandSwitches(u"/quiet /usb /log " + log_path).error.empty());
  EXPECT_FALSE(ParseCommandSwitches(u"/quiet /usb /log " + log_path + u"l").error.empty());
  // Without /quiet the person who started it sees the usage in a box.
  Quiet by_hand(u"/usb");
  EXPECT_EQ(by_hand.Run(), kExitBadCommandLine);
  ASSERT_EQ(by_hand.win.desktop.message_boxes().size(), 1u);
  EXPECT_EQ(
      by_hand.win.desktop.message_boxes()[0].text.rfind(u"Pelmora: the switches need /quiet", 0),
      0u);
  Quiet help(u"/?");
  EXPECT_EQ(help.Run(), kExitSuccess);
  EXPECT_EQ(help.Last(), "end exit code 0: usage shown" + kOwnProcess);
}

TEST(QuietCommandLine, EveryLookAlikeIsNamedByItsOwnWords) {
  // Every character of the Basic Multilingual Plane, as a blank after a word
  // and as the first character of a switch. A refusal names the character
  // by its code point and by words no other character has, with the right
  // article.
  std::map<std::string, unsigned> named;
  std::set<unsigned> blanks, leads;
  for (unsigned c = 0x80; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::u16string ch(1, static_cast<char16_t>(c));
    const std::string code = platform::to_utf8(platform::format(u" (U+%04X)", {c}));
    for (const std::u16string& line : {u"/quiet" + ch + u"/usb", u"/quiet " + ch + u"usb"}) {
      const std::string error = platform::to_utf8(ParseCommandSwitches(line).error);
      const std::size_t at = error.find(code);
      if (at == std::string::npos) continue;
      std::string words = error.substr(0, at);
      const std::size_t lead = words.find(" starts with ");
      if (lead != std::string::npos) words = words.substr(lead + 13);
      (lead != std::string::npos ? leads : blanks).insert(c);
      SCOPED_TRACE(words);
      const std::size_t next = words.find(' ') + 1;
      ASSERT_LT(next, words.size());
      const bool vowel = std::string("aeiouAEIOU").find(words[next]) != std::string::npos;
      EXPECT_EQ(words.substr(0, next), vowel ? "an " : "a ");
      const auto [it, first] = named.emplace(words, c);
      EXPECT_TRUE(first || it->second == c) << "also U+" << std::hex << it->second;
    }
  }
  // Blanks: Unicode's space separators (Zs), its line and paragraph
  // separators, and the invisible characters that break a line or once were
  // spaces.
  for (unsigned blank : {0x00A0u, 0x1680u, 0x2000u, 0x2001u, 0x2002u, 0x2003u, 0x2004u, 0x2005u,
                         0x2006u, 0x2007u, 0x2008u, 0x2009u, 0x200Au, 0x2028u, 0x2029u, 0x202Fu,
                         0x205Fu, 0x3000u, 0x0085u, 0x180Eu, 0x200Bu, 0xFEFFu})
    EXPECT_EQ(blanks.count(blank), 1u) << std::hex << blank;
  // Dashes and slashes: Unicode's dash punctuation (Pd) of the punctuation
  // blocks with its small and fullwidth forms, the soft hyphen, the hyphen
  // bullet, the minus sign, and the fraction, division and fullwidth slashes.
  for (unsigned dash :
       {0x2010u, 0x2011u, 0x2012u, 0x2013u, 0x2014u, 0x2015u, 0x2E3Au, 0x2E3Bu, 0xFE58u, 0xFE63u,
        0xFF0Du, 0x00ADu, 0x2043u, 0x2212u, 0x2044u, 0x2215u, 0xFF0Fu})
    EXPECT_EQ(leads.count(dash), 1u) << std::hex << dash;
}

TEST(QuietCommandLine, TheLanguageSearchSeesNeitherSwitchesNorValues) {
  // Without a switch the text is the wizard's as before.
  EXPECT_FALSE(ParseCommandSwitches(u"/KOR").present);
  EXPECT_FALSE(ParseCommandSwitches(u"/usb-ish /KOR").present);
  struct Case {
    const char16_t* arguments;
    int language;
    const char16_t* log = kLogPath;
    int model = 0;  // over the settings file's MODEL: 0
  };
  for (const Case& c : {
           Case{u"/quiet /network PER0012A", 0},  // a printer id holding PER
           Case{u"/quiet /usb /log C:\\Import\\p.log", 0, u"C:\\Import\\p.log"},  // POR
           Case{u"/quiet /remove /model 3", 0, kLogPath, 3},
           Case{u"-Quiet -REMOVE -model 3 -kor", 1, kLogPath, 3},  // "-" as well as "/"
           Case{u"/quiet /network PER0012A KOR", 1},
           Case{u"/RUS /quiet /usb", 9},
           Case{u"/quiet /usb /log \"C:\\Log Files\\x.log\" jap", 3, u"C:\\Log Files\\x.log"},
       }) {
    SCOPED_TRACE(platform::to_utf8(c.arguments));
    Quiet q(c.arguments);
    q.win.shell.put_file(u"C:\\Setup\\Pelmora.ini", "LANGUAGE: 0\r\nMODEL: 0\r\n");
    q.win.shell.put_directory(u"C:\\Import");
    q.win.shell.put_directory(u"C:\\Log Files");
    q.win.faults.fail("EnumPrintersW", platform::kErrorAccessDenied);  // stop after Step 1
    q.Finds({u"10.0.0.9", 9100, -1, 0x3850});                          // found before Step 1
    EXPECT_EQ(q.Run(), kExitRemovalFailed);
    EXPECT_TRUE(q.Logged("start Pelmora \"" PELMORA_VERSION_TEXT "\": Windows 14 (6.1.7601), "
                         "WOW64 no, model " +
                             std::string(c.model == 3 ? "3 \"Lumetra DX450\""
                                                      : "0 \"Orvane ZELKO-70 Card Printer\"") +
                             ", language " + std::to_string(c.language) + kOwnProcess,
                         c.log))
        << (q.Lines().empty() ? std::string("no log") : q.Lines()[0]);
  }
  const CommandSwitches quoted = ParseCommandSwitches(u"/quiet /usb /log \"C:\\Log Files\\x.log\"");
  EXPECT_EQ(quoted.logPath, u"C:\\Log Files\\x.log");
  EXPECT_TRUE(quoted.error.empty());
  // Inside quotes a value is taken as written, look-alikes and all.
  const CommandSwitches literal =
      ParseCommandSwitches(u"/quiet /usb /log \"C:\\a\u00A0b\u2013c.log\"");
  EXPECT_EQ(literal.logPath, u"C:\\a\u00A0b\u2013c.log");
  EXPECT_TRUE(literal.error.empty());
}

TEST(QuietCommandLine, WhereNobodyCanAnswerNoWindowIsShownWhateverTheLine) {
  // Session 0 (a deployment agent's SYSTEM), a window station that is not
  // visible, or one that cannot be examined: refused without a box or the
  // wizard, the reason in the log.
  enum Where { SessionZero, HiddenStation, UnknownStation, Desk };
  const std::string kNobody[] = {
      "nobody can answer a window in session 0",
      "nobody can answer a window: the window station is not visible",
      "nobody can be known to answer a window: the window station's flags could not be read, "
      "error 00000005",
      ""};
  const std::string kNoUnattended = ", and the command line asks for no unattended run";
  const std::string kQuietHint = " (an unattended run is /quiet with /usb, /network or /remove)";
  const std::u16string kOverLong = u"/quiet /usb " + std::u16string(1100, u'x');
  const struct Case {
    std::u16string arguments;
    Where where;
    std::string why;  // the refusal
    bool box_logged;  // the usage box would have been shown to a person
  } cases[] = {
      {u"/qn /usb", SessionZero, "unknown switch \"/qn\"" + kQuietHint, false},
      {u"/quite /usb", SessionZero, "unknown switch \"/quite\"" + kQuietHint, false},
      {u"/S", SessionZero, "unknown switch \"/S\"" + kQuietHint, false},
      {u"/silent", SessionZero, "unknown switch \"/silent\"" + kQuietHint, false},
      {u"/usb", SessionZero, "the switches need /quiet", true},
      {u"\u2013quiet /usb", SessionZero,
       "\"\u2013quiet\" starts with an en dash (U+2013), not \"-\" or \"/\"", false},
      {u"/quiet\u00A0/usb", SessionZero,
       "a no-break space (U+00A0) follows \"/quiet\"; words are separated by ordinary blanks",
       false},
      {u"", SessionZero, kNobody[SessionZero] + kNoUnattended, true},
      {u"/KOR", SessionZero, kNobody[SessionZero] + kNoUnattended, true},
      {kOverLong, SessionZero, "the command line is longer than 1024 characters", false},
      {u"", HiddenStation, kNobody[HiddenStation] + kNoUnattended, true},
      {u"/usb", HiddenStation, "the switches need /quiet", true},
      {u"ENG", UnknownStation, kNobody[UnknownStation] + kNoUnattended, true},
      // At a person's desk, a line asking for quiet shows no box either.
      {u"/S", Desk, "unknown switch \"/S\"" + kQuietHint, false},
      {kOverLong, Desk, "the command line is longer than 1024 characters", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::to_utf8(c.arguments.substr(0, 40)) + " where " +
                 std::to_string(c.where));
    Quiet q(c.arguments);
    if (c.where == SessionZero) q.win.system.session = 0;
    if (c.where == HiddenStation) q.win.system.visible_window_station = false;
    if (c.where == UnknownStation)
      q.win.faults.fail("GetUserObjectInformationW", platform::kErrorAccessDenied);
    EXPECT_EQ(q.Run(), kExitBadCommandLine);
    q.ExpectNothingShown();
    const auto lines = q.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\": refused: " + c.why + kOwnProcess), std::string::npos) << lines[0];
    EXPECT_EQ(q.Logged("start message-box \"Pelmora\": not shown, " + kNobody[c.where]),
              c.box_logged);
    EXPECT_EQ(lines.back(), "end exit code 1639: invalid command line" + kOwnProcess);
    // Nothing was done, and the run mutex was never taken.
    EXPECT_EQ(q.win.faults.calls("EnumPrintersW"), 0);
    EXPECT_EQ(q.win.faults.calls("CreateMutexW"), 0);
  }
  // At a person's desk the wizard starts as before, language code and all.
  for (const char16_t* arguments : {u"", u"/KOR", u"ENG"}) {
    Quiet q(arguments);
    q.Run();
    EXPECT_EQ(q.shown_dialogs, 1);
    EXPECT_TRUE(q.win.desktop.shown_ui().empty());
  }
}

}  // namespace
}  // namespace pelmora::testing
