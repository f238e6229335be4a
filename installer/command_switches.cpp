#include "command_switches.h"

#include <vector>

#include "localized_text.h"
#include "operations/model_catalogue.h"
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

std::vector<Word> SplitWords(std::u16string_view text) {
  std::vector<Word> words;
  std::size_t p = 0;
  while (p < text.size()) {
    while (p < text.size() && text[p] <= u' ') ++p;
    if (p >= text.size()) break;
    Word word;
    bool in_quotes = false;
    while (p < text.size() && (in_quotes || text[p] > u' ')) {
      if (text[p] == u'"')
        in_quotes = !in_quotes;
      else
        word.text.push_back(text[p]);
      ++p;
    }
    words.push_back(std::move(word));
  }
  return words;
}

enum class Switch { kNone, kQuiet, kUsb, kNetwork, kRemove, kModel, kWait, kLog, kHelp };

struct SwitchName {
  const char16_t* name;
  Switch which;
  bool takesValue;
};

constexpr SwitchName kSwitches[] = {
    {u"quiet", Switch::kQuiet, false},    {u"usb", Switch::kUsb, false},
    {u"network", Switch::kNetwork, true}, {u"remove", Switch::kRemove, false},
    {u"model", Switch::kModel, true},     {u"wait", Switch::kWait, true},
    {u"log", Switch::kLog, true},         {u"?", Switch::kHelp, false},
    {u"help", Switch::kHelp, false},
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

std::u16string Named(std::u16string_view word) {
  std::u16string named(1, u'"');
  named.append(word);
  named.push_back(u'"');
  return named;
}

}  // namespace

CommandSwitches ParseCommandSwitches(std::u16string_view argumentText) {
  CommandSwitches result;
  const std::size_t zero = argumentText.find(u'\0');
  if (zero != std::u16string_view::npos) argumentText = argumentText.substr(0, zero);
  const std::vector<Word> words = SplitWords(argumentText);
  for (const Word& word : words) result.present = result.present || FindSwitch(word.text);
  if (!result.present) return result;

  auto refuse = [&](std::u16string why) {
    if (result.error.empty()) result.error = std::move(why);
  };
  if (argumentText.size() > kMaxArgumentTextLength) {
    refuse(u"the command line is longer than 1024 characters");
    return result;
  }
  bool seen[static_cast<int>(Switch::kHelp) + 1] = {};
  auto set_action = [&](UnattendedAction action, std::u16string_view word) {
    if (result.action != UnattendedAction::kNone)
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
        refuse((HasSwitchPrefix(word) ? u"unknown switch " : u"unexpected word ") + Named(word));
      }
      continue;
    }
    if (seen[static_cast<int>(entry->which)] && entry->which != Switch::kHelp)
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
      case Switch::kQuiet:
        result.quiet = true;
        break;
      case Switch::kHelp:
        result.help = true;
        break;
      case Switch::kUsb:
        set_action(UnattendedAction::kUsb, word);
        break;
      case Switch::kRemove:
        set_action(UnattendedAction::kRemove, word);
        break;
      case Switch::kNetwork:
        set_action(UnattendedAction::kNetwork, word);
        if (value.size() > kMaxNetworkValueLength)
          refuse(u"the printer of /network is longer than 63 characters");
        else if (value.find_first_of(u"[]") != std::u16string::npos)
          refuse(u"the printer of /network holds a bracket");
        result.network = value;
        break;
      case Switch::kModel:
        if (!ReadBoundedNumber(value, 0, 16, &result.model))
          refuse(u"unknown model " + Named(value) + u" (0..15, or 16 for all models)");
        break;
      case Switch::kWait:
        if (!ReadBoundedNumber(value, 0, kMaxWaitSeconds, &result.waitSeconds))
          refuse(u"/wait needs a number of seconds from 0 to 86400, not " + Named(value));
        break;
      case Switch::kLog:
        if (value.size() > kMaxLogPathLength)
          refuse(u"the path of /log is longer than 259 characters");
        else
          result.logPath = value;
        break;
      case Switch::kNone:
        break;
    }
  }
  if (result.help) return result;
  if (!result.quiet) refuse(u"the switches need /quiet");
  if (result.action == UnattendedAction::kNone) refuse(u"one of /usb, /network, /remove is needed");
  if (seen[static_cast<int>(Switch::kWait)] && result.action != UnattendedAction::kUsb)
    refuse(u"/wait goes only with /usb");
  // One printer gets one model's driver.
  if (result.model == MODEL_NONE && result.action != UnattendedAction::kRemove)
    refuse(u"/model 16 (every model) goes only with /remove");
  return result;
}

}  // namespace pelmora
