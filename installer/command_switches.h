// The switches of an unattended run of Pelmora.exe, for deployment tools
// that install without a user (Intune, Configuration Manager, Group Policy,
// a remote shell):
//
//   Pelmora.exe /quiet /usb [/model N] [/wait SECONDS] [/log PATH]
//   Pelmora.exe /quiet /network PRINTER [/model N] [/log PATH]
//   Pelmora.exe /quiet /remove [/model N] [/log PATH]
//
// Switch names ignore case and may start with "-" instead of "/"; a value
// with blanks goes in double quotes. A command line without any of these
// switch names starts the wizard exactly as before, language code and all.
// With them, every word must be a switch, a switch's value or a language
// code (ENG, KOR, ... with or without a leading "/"); the language search
// then sees only those language words, never a switch or its value.
//
// A line that only looks like an unattended one is refused, never taken
// for the wizard's: one that asks for quiet in another spelling (/q, /qn,
// /S, /silent, /quite, ...), and one with a blank or a dash that is not
// ASCII outside double quotes (a no-break space or an en dash pasted from
// a web page). Such a blank still separates words, and such a dash at the
// start of a word still reads as "-", so the refusal names what was meant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "exit_codes.h"

namespace pelmora {

// Longer argument texts are refused whole rather than cut somewhere.
inline constexpr std::size_t kMaxArgumentTextLength = 1024;
// A printer id, an address, or "id:address"; the selection's fields hold 63.
inline constexpr std::size_t kMaxNetworkValueLength = 63;
inline constexpr std::size_t kMaxLogPathLength = 259;
// One day; /wait 0 only stages the driver package.
inline constexpr int kMaxWaitSeconds = 86400;

enum class UnattendedAction { None, Usb, Network, Remove };

struct CommandSwitches {
  // Whether the command line names any switch of the unattended mode.
  bool present = false;
  bool quiet = false;
  // Whether the text asks for a run without windows in any spelling,
  // /quiet itself included: then no refusal is shown in a box.
  bool quietAsked = false;
  bool help = false;
  UnattendedAction action = UnattendedAction::None;
  int model = -1;          // 0..16 (16: all models), -1 when not given
  std::u16string network;  // /network's value
  int waitSeconds = 0;     // /wait's value; 0 when not given
  std::u16string logPath;  // /log's value, empty when not given
  // What the language search may see: the language words, each after a
  // blank (" KOR"), so a single code counts as it does after "/".
  std::u16string languageText;
  // Why the command line is refused; empty when it is valid.
  std::u16string error;
};

CommandSwitches ParseCommandSwitches(std::u16string_view argument_text);

// The usage text shown for a refused command line and for /?.
extern const char16_t kUsageText[];

}  // namespace pelmora
