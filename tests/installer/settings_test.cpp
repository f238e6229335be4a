#include "settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "localized_text.h"

namespace pelmora {
namespace {

using namespace std::string_literals;

Settings Parse(const std::string& ini, std::u16string_view arguments = u"") {
  return ParseSettings(&ini, arguments);
}

int Language(const std::string& ini, std::u16string_view arguments = u"") {
  return Parse(ini, arguments).languageIndex;
}

int Model(const std::string& ini) { return Parse(ini).modelIndex; }

// The language and the model the settings chose, as one value to compare.
std::pair<int, int> Chosen(const Settings& settings) {
  return {settings.languageIndex, settings.modelIndex};
}

TEST(SettingsTest, WithoutFileDefaultsStandAndCommandLineIsIgnored) {
  EXPECT_EQ(Chosen(ParseSettings(nullptr, u"/KOR")), std::pair(kLanguageEnglish, MODEL_NONE));
  EXPECT_EQ(Chosen(Parse("")), std::pair(kLanguageEnglish, MODEL_NONE));
}

TEST(SettingsTest, KeysAndRanges) {
  EXPECT_EQ(Chosen(Parse("LANGUAGE:3\nMODEL:5\n")), std::pair(3, 5));
  EXPECT_EQ(Language("LANGUAGE:9"), 9);
  EXPECT_EQ(Language("LANGUAGE:10"), 0);
  EXPECT_EQ(Language("LANGUAGE:-1"), 0);
  EXPECT_EQ(Language("LANGUAGE:6"), kLanguageIndonesian);
  EXPECT_EQ(Model("MODEL:0"), 0);
  EXPECT_EQ(Model("MODEL:15"), 15);
  EXPECT_EQ(Model("MODEL:16"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:-1"), MODEL_NONE);
}

TEST(SettingsTest, KeysOnlyAtLineStartAndInUpperCase) {
  EXPECT_EQ(Language("language:3"), 0);
  EXPECT_EQ(Model("model:3"), MODEL_NONE);
  EXPECT_EQ(Language(" LANGUAGE:3"), 0);
  EXPECT_EQ(Language("LANGUAGE :3"), 0);
  EXPECT_EQ(Language("# LANGUAGE:3"), 0);
  EXPECT_EQ(Model("Model:3\nxMODEL:4"), MODEL_NONE);

  // A line holds one key: the first one.
  EXPECT_EQ(Chosen(Parse("LANGUAGE:2 MODEL:4\n")), std::pair(2, MODEL_NONE));
  EXPECT_EQ(Chosen(Parse("MODEL:4 LANGUAGE:2\n")), std::pair(0, 4));
}

TEST(SettingsTest, LaterLinesOverride) {
  EXPECT_EQ(Language("LANGUAGE:3\nLANGUAGE:4\n"), 4);
  // A later out-of-range or unreadable value resets to the default.
  EXPECT_EQ(Language("LANGUAGE:3\nLANGUAGE:10\n"), 0);
  EXPECT_EQ(Model("MODEL:3\nMODEL:x\n"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:3\nMODEL:\n"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:3\nother text\n\n"), 3);
}

TEST(SettingsTest, NumberReading) {
  EXPECT_EQ(Language("LANGUAGE:   7"), 7);
  EXPECT_EQ(Language("LANGUAGE:\t7"), 7);
  EXPECT_EQ(Language("LANGUAGE:+7"), 7);
  EXPECT_EQ(Language("LANGUAGE:07"), 7);
  EXPECT_EQ(Language("LANGUAGE:-0"), 0);
  EXPECT_EQ(Language("LANGUAGE:7 ; Portuguese"), 7);
  EXPECT_EQ(Language("LANGUAGE:7abc"), 7);
  EXPECT_EQ(Language("LANGUAGE:8\nLANGUAGE:abc"), 0);
  EXPECT_EQ(Language("LANGUAGE:8\nLANGUAGE:- 3"), 0);
  EXPECT_EQ(Language("LANGUAGE:8\nLANGUAGE:--3"), 0);
  EXPECT_EQ(Language("LANGUAGE:8\nLANGUAGE:+"), 0);
  EXPECT_EQ(Model("MODEL:"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:   "), MODEL_NONE);
  // Large numbers stay out of range instead of wrapping into it.
  EXPECT_EQ(Model("MODEL:4294967299"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:99999999999999999999999999"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:-4294967295"), MODEL_NONE);
  // A zero byte ends what is seen of a line.
  EXPECT_EQ(Language("LANGUAGE:\0"
                     "5"s),
            0);
  EXPECT_EQ(Language("LANGUAGE:5\0"
                     "3\nMODEL:2"s),
            5);
  EXPECT_EQ(Model("LANGUAGE:5\0"
                  "3\nMODEL:2"s),
            2);
}

TEST(SettingsTest, LineEnds) {
  EXPECT_EQ(Chosen(Parse("MODEL:3\r\nLANGUAGE:2\r\n")), std::pair(2, 3));
  EXPECT_EQ(Model("MODEL:3"), 3);  // no final line end
  EXPECT_EQ(Model("\n\nMODEL:3"), 3);
}

TEST(SettingsTest, LongLines) {
  // Exactly 1023 characters: read whole.
  std::string exact = "MODEL:" + std::string(1016, ' ') + "7";
  ASSERT_EQ(exact.size(), 1023u);
  EXPECT_EQ(Model(exact + "\n"), 7);
  EXPECT_EQ(Model(exact + "\r\n"), 7);
  EXPECT_EQ(Model(exact), 7);

  // 1024 characters: the number "12" would be cut to "1"; it is not misread.
  std::string cut_number = "MODEL:" + std::string(1016, ' ') + "12";
  ASSERT_EQ(cut_number.size(), 1024u);
  EXPECT_EQ(Model(cut_number + "\n"), MODEL_NONE);
  EXPECT_EQ(Model("MODEL:1\n" + cut_number + "\n"), MODEL_NONE);

  // A number well inside the first 1023 characters of a long line is read.
  EXPECT_EQ(Model("MODEL:3" + std::string(2000, ' ') + "\n"), 3);
  EXPECT_EQ(Model("MODEL:3" + std::string(5000, 'x')), 3);

  // The rest of an overlong line is not a line of its own.
  EXPECT_EQ(Language(std::string(1023, 'x') + "LANGUAGE:4\n"), 0);
  EXPECT_EQ(Language(std::string(1022, 'x') + "LANGUAGE:4\n"), 0);
  EXPECT_EQ(Model(std::string(2046, 'x') + "MODEL:4\n"), MODEL_NONE);

  // The line after an overlong line is read normally.
  EXPECT_EQ(Chosen(Parse(std::string(3000, 'x') + "\nMODEL:2\nLANGUAGE:5\n")), std::pair(5, 2));
}

TEST(SettingsTest, CommandLineLanguage) {
  const std::string file = "LANGUAGE:3\n";
  EXPECT_EQ(Language(file, u"/KOR"), kLanguageKorean);
  EXPECT_EQ(Language(file, u"/kor"), kLanguageKorean);
  // Three characters are not examined.
  EXPECT_EQ(Language(file, u"KOR"), 3);
  EXPECT_EQ(Language(file, u""), 3);
  // The earliest position wins, whatever the order of the code list.
  EXPECT_EQ(Language(file, u"/ENG /KOR"), kLanguageEnglish);
  EXPECT_EQ(Language(file, u"/RUS /ENG"), kLanguageRussian);
  // A code inside a longer word counts.
  EXPECT_EQ(Language(file, u"/espanol"), kLanguageSpanish);
  EXPECT_EQ(Language(file, u"-xxperxx"), kLanguagePersian);
  // No code: the file's language stays.
  EXPECT_EQ(Language(file, u"/abcd"), 3);
  // Indonesian has no code; it comes only from the file.
  EXPECT_EQ(Language("LANGUAGE:6\n", u"/IND /INDONESIAN"), kLanguageIndonesian);
  // Every code.
  const struct {
    std::u16string_view arguments;
    int language;
  } codes[] = {{u"/ENG", 0}, {u"/KOR", 1}, {u"/ESP", 2}, {u"/JAP", 3}, {u"/CHS", 4},
               {u"/CHT", 5}, {u"/POR", 7}, {u"/PER", 8}, {u"/RUS", 9}};
  for (const auto& c : codes) EXPECT_EQ(Language("LANGUAGE:6", c.arguments), c.language);
  // The model is not touched by the command line.
  EXPECT_EQ(Parse("MODEL:4\n", u"/KOR").modelIndex, 4);
  // A zero character ends the argument text.
  EXPECT_EQ(Language(file, std::u16string_view(u"/x\0KOR", 6)), 3);
  EXPECT_EQ(Language(file, std::u16string_view(u"KORx\0/RUS", 9)), kLanguageKorean);
}

TEST(SettingsTest, LongCommandLinesScanOnlyTheFirst63Characters) {
  const std::string file = "LANGUAGE:3\n";
  // A code in characters 60..62 is the last one seen.
  std::u16string last_window = std::u16string(60, u'x') + u"KOR" + std::u16string(1, u'x');
  ASSERT_EQ(last_window.size(), 64u);
  EXPECT_EQ(Language(file, last_window), kLanguageKorean);
  // A code across characters 61..63 is cut by the buffer and not seen.
  std::u16string split = std::u16string(61, u'x') + u"KOR";
  ASSERT_EQ(split.size(), 64u);
  EXPECT_EQ(Language(file, split), 3);
  std::u16string split_late = std::u16string(62, u'x') + u"KOR";
  EXPECT_EQ(Language(file, split_late), 3);

  // 300 characters: beyond the buffer nothing is read; in front of it, codes count.
  std::u16string long_line = std::u16string(100, u'x') + u"/KOR" + std::u16string(196, u'x');
  ASSERT_EQ(long_line.size(), 300u);
  EXPECT_EQ(Language(file, long_line), 3);
  std::u16string long_with_early_code =
      u"/RUS" + std::u16string(196, u'x') + u"/KOR" + std::u16string(96, u'x');
  ASSERT_EQ(long_with_early_code.size(), 300u);
  EXPECT_EQ(Language(file, long_with_early_code), kLanguageRussian);
  std::u16string long_at_edge = std::u16string(60, u'x') + u"CHT" + std::u16string(237, u'x');
  EXPECT_EQ(Language(file, long_at_edge), kLanguageChineseTraditional);
}

}  // namespace
}  // namespace pelmora
