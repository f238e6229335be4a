#include "command_switches.h"

#include <algorithm>
#include <vector>

#include "localized_text.h"
#include "operations/model_catalogue.h"
#include "platform/util/format.h"
#include "platform/util/text.h"

namespace pelmora {

const char16_t kUsageText[] =
    u"Usage:\r\n"
    u"  Pelmora.exe /quiet /usb [/model N] [/wait SECONDS] [/log PATH]\r\n"
    u"  Pelmora.exe /quiet /network PRINTER [/model N] [/log PATH]\r\n"
    u"  Pelmora.exe /quiet /remove [/model N] [/log PATH]\r\n"
    u"\r\n"
    u"  /quiet           run without any window or message box\r\n"
    u"  /usb             install for a printer on USB\r\n"
    u"  /network PRINTER install for a network printer: its printer id, its\r\n"
    u"                   address, or id:address\r\n"
    u"  /remove          only remove earlier installations (every model unless\r\n"
    u"                   /model is given)\r\n"
    u"  /model N         0..15 a model of the catalogue (with /remove also 16,\r\n"
    u"                   every model); without it the MODEL: line of the\r\n"
    u"                   Pelmora.ini in the current folder counts, and /usb\r\n"
    u"                   and /network need one of the two\r\n"
    u"  /wait SECONDS    how long /usb waits for the printer's queue (0..86400);\r\n"
    u"                   0, the default, stages the driver package so that the\r\n"
    u"                   printer installs whenever it is plugged in\r\n"
    u"  /log PATH        the log file (default: Pelmora.log in the temporary\r\n"
    u"                   folder of the account)\r\n"
    u"\r\n"
    u"Exit codes: 0 success, 3010 success after a restart, 3012 driver package\r\n"
    u"staged, no printer yet; 5 not an administrator, 258 a program it started\r\n"
    u"did not end, 1062 spooler stopped, 1168 printer not found, 1460 no queue\r\n"
    u"within /wait, 1603 removal failed, 1618 another installation running,\r\n"
    u"1627 preparation failed, 1639 invalid command line, 1796 port not\r\n"
    u"created, 1797 driver or queue not created, 2001 driver package\r\n"
    u"pre-install failed, 10091 Windows Sockets not started.\r\n";

namespace {

struct Word {
  std::u16string text;  // without its quotes
};

// The blanks, dashes and slashes a command line copied from a document or
// a web page holds in place of ASCII ones.
struct LookAlike {
  char16_t c;
  char16_t reads;  // u' ', u'-' or u'/'
  const char16_t* name;
};

constexpr LookAlike kLookAlikes[] = {
    {0x0085, u' ', u"a next-line character"},
    {0x00A0, u' ', u"a no-break space"},
    {0x1680, u' ', u"an Ogham space mark"},
    {0x180E, u' ', u"a Mongolian vowel separator"},
    {0x2000, u' ', u"an en quad"},
    {0x2001, u' ', u"an em quad"},
    {0x2002, u' ', u"an en space"},
    {0x2003, u' ', u"an em space"},
    {0x2004, u' ', u"a three-per-em space"},
    {0x2005, u' ', u"a four-per-em space"},
    {0x2006, u' ', u"a six-per-em space"},
    {0x2007, u' ', u"a figure space"},
    {0x2008, u' ', u"a punctuation space"},
    {0x2009, u' ', u"a thin space"},
    {0x200A, u' ', u"a hair space"},
    {0x200B, u' ', u"a zero-width space"},
    {0x2028, u' ', u"a line separator"},
    {0x2029, u' ', u"a paragraph separator"},
    {0x202F, u' ', u"a narrow no-break space"},
    {0x205F, u' ', u"a medium mathematical space"},
    {0x3000, u' ', u"an ideographic space"},
    {0xFEFF, u' ', u"a zero-width no-break space"},
    {0x00AD, u'-', u"a soft hyphen"},
    {0x2010, u'-', u"a hyphen"},
    {0x2011, u'-', u"a non-breaking hyphen"},
    {0x2012, u'-', u"a figure dash"},
    {0x2013, u'-', u"an en dash"},
    {0x2014, u'-', u"an em dash"},
    {0x2015, u'-', u"a horizontal bar"},
    {0x2043, u'-', u"a hyphen bullet"},
    {0x2212, u'-', u"a minus sign"},
    {0x2E3A, u'-', u"a two-em dash"},
    {0x2E3B, u'-', u"a three-em dash"},
    {0xFE58, u'-', u"a small em dash"},
    {0xFE63, u'-', u"a small hyphen-minus"},
    {0xFF0D, u'-', u"a fullwidth hyphen-minus"},
    {0x2044, u'/', u"a fraction slash"},
    {0x2215, u'/', u"a division slash"},
    {0xFF0F, u'/', u"a fullwidth solidus"},
};

const LookAlike* FindLookAlike(char16_t c) {
  if (c < 0x80) return nullptr;
  for (const LookAlike& entry : kLookAlikes)
    if (entry.c == c) return &entry;
  return nullptr;
}

std::u16string Named(std::u16string_view word) {
  std::u16string named(1, u'"');
  named.append(word);
  named.push_back(u'"');
  return named;
}

std::u16string Described(const LookAlike& entry) {
  return platform::format(u"%s (U+%04X)", {entry.name, static_cast<unsigned>(entry.c)});
}

struct Split {
  std::vector<Word> words;
  // Why the words are refused: the first look-alike blank, dash or slash
  // outside quotes. Empty when there is none.
  std::u16string lookAlike;
};

// Words at blanks outside double quotes. A look-alike blank separates
// words too, and a look-alike dash or slash that starts a word reads as
// its ASCII twin; the first one found is named in `lookAlike`.
Split SplitWords(std::u16string_view text) {
  Split split;
  auto note = [&](std::u16string why) {
    if (split.lookAlike.empty()) split.lookAlike = std::move(why);
  };
  auto look_alike_blank = [](char16_t c) {
    const LookAlike* entry = FindLookAlike(c);
    return entry != nullptr && entry->reads == u' ' ? entry : nullptr;
  };
  auto is_blank = [&](char16_t c) { return c <= u' ' || look_alike_blank(c) != nullptr; };
  std::size_t p = 0;
  while (p < text.size()) {
    for (; p < text.size() && is_blank(text[p]); ++p) {
      if (const LookAlike* entry = look_alike_blank(text[p]))
        note(Described(*entry) +
             (split.words.empty() ? std::u16string(u" starts the command line")
                                  : u" follows " + Named(split.words.back().text)) +
             u"; words are separated by ordinary blanks");
    }
    if (p >= text.size()) break;
    Word word;
    bool in_quotes = false;
    const LookAlike* lead = FindLookAlike(text[p]);
    if (lead != nullptr && lead->reads != u' ') {
      word.text.push_back(lead->reads);
      ++p;
    } else {
      lead = nullptr;
    }
    while (p < text.size() && (in_quotes || !is_blank(text[p]))) {
      if (text[p] == u'"')
        in_quotes = !in_quotes;
      else
        word.text.push_back(text[p]);
      ++p;
    }
    if (lead != nullptr)
      note(Named(std::u16string(1, lead->c) + word.text.substr(1)) + u" starts with " +
           Described(*lead) + u", not \"-\" or \"/\"");
    split.words.push_back(std::move(word));
  }
  return split;
}

enum class Switch { None, Quiet, Usb, Network, Remove, Model, Wait, Log, Help };

struct SwitchName {
  const char16_t* name;
  Switch which;
  bool takesValue;
};

constexpr SwitchName kSwitches[] = {
    {u"quiet", Switch::Quiet, false},    {u"usb", Switch::Usb, false},
    {u"network", Switch::Network, true}, {u"remove", Switch::Remove, false},
    {u"model", Switch::Model, true},     {u"wait", Switch::Wait, true},
    {u"log", Switch::Log, true},         {u"?", Switch::Help, false},
    {u"help", Switch::Help, false},
};

bool HasSwitchPrefix(std::u16string_view word) {
  return word.size() > 1 && (word[0] == u'/' || word[0] == u'-');
}

const SwitchName* FindSwitch(std::u16string_view word) {
  if (!HasSwitchPrefix(word)) return nullptr;
  for (const SwitchName& entry : kSwitches)
    if (platform::equals_ignore_ascii_case(word.substr(1), entry.name)) return &entry;
  return nullptr;
}

bool IsLanguageWord(std::u16string_view word) {
  if (HasSwitchPrefix(word)) word.remove_prefix(1);
  for (int language = 0; language < kLanguageCount; ++language) {
    const char16_t* code = kLanguages[language].commandLineCode;
    if (code != nullptr && platform::equals_ignore_ascii_case(word, code)) return true;
  }
  return false;
}

// A plain decimal number in [low, high]; nothing else around it.
bool ReadBoundedNumber(std::u16string_view text, int low, int high, int* value) {
  if (text.empty() || text.size() > 6) return false;
  int number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    number = number * 10 + (c - u'0');
  }
  if (number < low || number > high) return false;
  *value = number;
  return true;
}

// Levenshtein distance of two short ASCII-lowered names, at most 3.
int Distance(std::u16string_view a, std::u16string_view b) {
  if (a.size() > 16 || b.size() > 16) return 3;
  int row[17];
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const int above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return std::min(row[b.size()], 3);
}

// Whether a word asks for a run without windows in some spelling: /quiet,
// the installers' /q, /qn, /qb, /S, /silent, /verysilent, /passive, and
// /quiet or /silent mistyped by up to two letters (/quite, /qiet, /slient).
// The language codes, three letters none of which starts with Q, are none.
bool AsksForQuiet(std::u16string_view word) {
  const bool prefixed = HasSwitchPrefix(word);
  if (prefixed) word.remove_prefix(1);
  std::u16string name;
  for (char16_t c : word)
    name.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c);
  if (prefixed && (name == u"s" || (name.size() <= 4 && name[0] == u'q'))) return true;
  if (name == u"verysilent" || name == u"passive" || name == u"unattended") return true;
  return name.size() >= 4 && (Distance(name, u"quiet") <= 2 || Distance(name, u"silent") <= 2);
}

}  // namespace

CommandSwitches ParseCommandSwitches(std::u16string_view argument_text) {
  CommandSwitches result;
  const std::size_t zero = argument_text.find(u'\0');
  if (zero != std::u16string_view::npos) argument_text = argument_text.substr(0, zero);
  const Split split = SplitWords(argument_text);
  const std::vector<Word>& words = split.words;
  for (const Word& word : words) {
    result.present = result.present || FindSwitch(word.text);
    result.quietAsked = result.quietAsked || AsksForQuiet(word.text);
  }
  // Such a line was meant as an unattended one: refused, never the wizard's.
  result.present = result.present || result.quietAsked || !split.lookAlike.empty();
  if (!result.present) return result;

  auto refuse = [&](std::u16string why) {
    if (result.error.empty()) result.error = std::move(why);
  };
  refuse(split.lookAlike);
  if (argument_text.size() > kMaxArgumentTextLength) {
    refuse(u"the command line is longer than 1024 characters");
    return result;
  }
  bool seen[static_cast<int>(Switch::Help) + 1] = {};
  auto set_action = [&](UnattendedAction action, std::u16string_view word) {
    if (result.action != UnattendedAction::None)
      refuse(Named(word) + u" cannot be combined with another of /usb, /network, /remove");
    result.action = action;
  };
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::u16string& word = words[i].text;
    const SwitchName* entry = FindSwitch(word);
    if (entry == nullptr) {
      if (IsLanguageWord(word)) {
        result.languageText += u" " + word;
      } else {
        refuse((HasSwitchPrefix(word) ? u"unknown switch " : u"unexpected word ") + Named(word) +
               (AsksForQuiet(word) ? u" (an unattended run is /quiet with /usb, /network or "
                                     u"/remove)"
                                   : u""));
      }
      continue;
    }
    if (seen[static_cast<int>(entry->which)] && entry->which != Switch::Help)
      refuse(Named(word) + u" is given twice");
    seen[static_cast<int>(entry->which)] = true;
    std::u16string value;
    if (entry->takesValue) {
      // A following switch is never taken as a value: "/log /quiet" lacks one.
      if (i + 1 >= words.size() || words[i + 1].text.empty() || FindSwitch(words[i + 1].text)) {
        refuse(Named(word) + u" needs a value");
        continue;
      }
      value = words[++i].text;
    }
    switch (entry->which) {
      case Switch::Quiet:
        result.quiet = true;
        break;
      case Switch::Help:
        result.help = true;
        break;
      case Switch::Usb:
        set_action(UnattendedAction::Usb, word);
        break;
      case Switch::Remove:
        set_action(UnattendedAction::Remove, word);
        break;
      case Switch::Network:
        set_action(UnattendedAction::Network, word);
        if (value.size() > kMaxNetworkValueLength)
          refuse(u"the printer of /network is longer than 63 characters");
        else if (value.find_first_of(u"[]") != std::u16string::npos)
          refuse(u"the printer of /network holds a bracket");
        result.network = value;
        break;
      case Switch::Model:
        if (!ReadBoundedNumber(value, 0, 16, &result.model))
          refuse(u"unknown model " + Named(value) + u" (0..15, or 16 for all models)");
        break;
      case Switch::Wait:
        if (!ReadBoundedNumber(value, 0, kMaxWaitSeconds, &result.waitSeconds))
          refuse(u"/wait needs a number of seconds from 0 to 86400, not " + Named(value));
        break;
      case Switch::Log:
        if (value.size() > kMaxLogPathLength)
          refuse(u"the path of /log is longer than 259 characters");
        else
          result.logPath = value;
        break;
      case Switch::None:
        break;
    }
  }
  if (result.help) return result;
  if (!result.quiet) refuse(u"the switches need /quiet");
  if (result.action == UnattendedAction::None) refuse(u"one of /usb, /network, /remove is needed");
  if (seen[static_cast<int>(Switch::Wait)] && result.action != UnattendedAction::Usb)
    refuse(u"/wait goes only with /usb");
  // One printer gets one model's driver.
  if (result.model == MODEL_NONE && result.action != UnattendedAction::Remove)
    refuse(u"/model 16 (every model) goes only with /remove");
  return result;
}

}  // namespace pelmora
