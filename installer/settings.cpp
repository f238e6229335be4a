#include "settings.h"

#include <cstdint>
#include <string_view>

#include "localized_text.h"
#include "platform/util/text.h"

namespace pelmora {
namespace {

constexpr std::string_view kLanguageKey = "LANGUAGE:";
constexpr std::string_view kModelKey = "MODEL:";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Reads a decimal number the way "%d" does: blanks, an optional sign, then at
// least one digit; whatever follows the digits is ignored ("3 ; comment" is 3).
// `line_was_cut` says the text ends where an overlong line was cut: digits that
// run into the cut are not the whole number, so the number counts as
// unreadable rather than being misread ("12" cut to "1").
// Returns false when no number can be read. Values beyond the int range are
// clamped, which keeps them out of every valid range.
bool ReadNumber(std::string_view text, bool line_was_cut, std::int64_t* value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::size_t first_digit = i;
  std::int64_t magnitude = 0;
  constexpr std::int64_t kClamp = std::int64_t{1} << 40;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kClamp) magnitude = kClamp;
    ++i;
  }
  if (i == first_digit) return false;
  if (i == text.size() && line_was_cut) return false;
  *value = negative ? -magnitude : magnitude;
  return true;
}

// The number after a key if it lies in [0, limit), else `fallback`.
int ReadIndex(std::string_view after_key, bool line_was_cut, int limit, int fallback) {
  std::int64_t value = 0;
  if (!ReadNumber(after_key, line_was_cut, &value)) return fallback;
  return (value >= 0 && value < limit) ? static_cast<int>(value) : fallback;
}

void ApplyLine(std::string_view line, bool line_was_cut, Settings* settings) {
  // The file is 8-bit text handled as C strings: a zero byte ends what is seen
  // of the line.
  std::size_t zero = line.find('\0');
  if (zero != std::string_view::npos) {
    line = line.substr(0, zero);
    line_was_cut = false;
  }
  if (line.starts_with(kLanguageKey)) {
    settings->languageIndex =
        ReadIndex(line.substr(kLanguageKey.size()), line_was_cut, kLanguageCount, kLanguageEnglish);
  } else if (line.starts_with(kModelKey)) {
    settings->modelIndex =
        ReadIndex(line.substr(kModelKey.size()), line_was_cut, MODEL_NONE, MODEL_NONE);
  }
}

// Scans the command line for a language code. The text is copied into a
// 64-character buffer that keeps its terminator, so at most the first 63
// characters are scanned; a code that starts in them but does not end within
// them (or lies beyond them) is not seen. The scan never reads past the
// buffer, however long the command line is. A zero character ends the text.
void ApplyArgumentLanguage(std::u16string_view argument_text, Settings* settings) {
  std::size_t zero = argument_text.find(u'\0');
  if (zero != std::u16string_view::npos) argument_text = argument_text.substr(0, zero);
  if (argument_text.size() <= 3) return;

  char16_t buffer[kArgumentScanBufferLength];
  std::size_t length = platform::copy_truncated(buffer, argument_text);
  std::u16string_view scanned(buffer, length);

  // Every three-character window counts, codes inside longer words included;
  // the earliest position wins whatever the order of the code list.
  for (std::size_t p = 0; p + 2 < scanned.size(); ++p) {
    std::u16string_view window = scanned.substr(p, 3);
    for (int language = 0; language < kLanguageCount; ++language) {
      const char16_t* code = kLanguages[language].commandLineCode;
      if (code != nullptr && platform::equals_ignore_ascii_case(window, code)) {
        settings->languageIndex = language;
        return;
      }
    }
  }
}

}  // namespace

// Lines: a line ends at '\n' or "\r\n".
// Only the first 1023 characters of a line are read. The rest of a longer line
// is skipped up to its end: it is never taken as the start of a new line, so a
// key hidden deep in an overlong line does not count, and a number cut at
// character 1023 counts as unreadable.
Settings ParseSettings(const std::string* ini_bytes, std::u16string_view argument_text) {
  Settings settings;
  if (ini_bytes == nullptr) return settings;

  std::string_view rest(*ini_bytes);
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    // The file is read as text: a "\r\n" line end is a line end, not a character.
    if (line.ends_with('\r')) line.remove_suffix(1);
    bool line_was_cut = line.size() > kSettingsMaxLineLength;
    if (line_was_cut) line = line.substr(0, kSettingsMaxLineLength);
    ApplyLine(line, line_was_cut, &settings);
  }

  ApplyArgumentLanguage(argument_text, &settings);
  return settings;
}

Settings ReadSettings(platform::Shell& shell, std::u16string_view argument_text, bool* file_found) {
  // A settings file is a few short lines; anything beyond this is not one
  // and is treated like a file that cannot be read.
  constexpr std::size_t kMaxSettingsFileBytes = 1 << 20;
  std::string contents;
  const bool readable = shell.read_file(kSettingsFileName, kMaxSettingsFileBytes, &contents) ==
                        platform::kErrorSuccess;
  if (file_found) *file_found = readable;
  return ParseSettings(readable ? &contents : nullptr, argument_text);
}

}  // namespace pelmora
