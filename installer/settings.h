// The installer's start-up choices: the language of its texts and the printer
// model it installs, from the settings file "Pelmora.ini" in the current
// directory and from the command line.
#pragma once

#include <string>
#include <string_view>

#include "operations/model_catalogue.h"
#include "platform/shell.h"

namespace pelmora {

// Read by its relative name, from the process's current directory.
inline constexpr char16_t kSettingsFileName[] = u"Pelmora.ini";

// Settings file lines are read up to this many characters.
inline constexpr std::size_t kSettingsMaxLineLength = 1023;
// The command-line scan works on a copy in a buffer of this many characters,
// terminator included.
inline constexpr std::size_t kArgumentScanBufferLength = 64;

struct Settings {
  int languageIndex = 0;        // 0..9
  int modelIndex = MODEL_NONE;  // 0..15, or MODEL_NONE
};

// Decides languageIndex and modelIndex for the run.
//
// ini_bytes: the whole content of "Pelmora.ini" (8-bit text), or nullptr when
// the file could not be opened; then the defaults (English, MODEL_NONE) stand
// and the command line is not looked at.
//
// The file is read line by line. A line starting with "LANGUAGE:" sets the
// language (0..9; any other or unreadable number gives 0); a line starting
// with "MODEL:" sets the model (0..15; otherwise MODEL_NONE). Keys are
// case-sensitive and count only at the very start of a line; later lines
// override earlier ones.
//
// argument_text: the command line after the program name. When it is longer
// than 3 characters, the first three-letter language code found in it
// (ignoring case, at the earliest position) overrides the file's language.
//
// Details of the reading, including how overlong lines and command lines are
// handled, are at the definition.
Settings ParseSettings(const std::string* ini_bytes, std::u16string_view argument_text);

// Reads Pelmora.ini from the current directory (a file past 1 MiB is not
// one and counts as unreadable) and parses it with `argument_text`;
// `file_found`, when given, says whether it could be read.
Settings ReadSettings(platform::Shell& shell, std::u16string_view argument_text,
                      bool* file_found = nullptr);

}  // namespace pelmora
