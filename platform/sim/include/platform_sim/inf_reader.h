// Reads INF text the way SetupAPI does: sections in brackets, lines of
// "key = value, value, ..." or plain values, quoted strings with "" for a
// quote, ';' comments outside quotes, a trailing '\' joining the next line,
// and %name% replaced from the [Strings] section (%% is a percent sign).
// Section names and keys are compared without regard to case.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::sim {

struct InfLine {
  std::u16string key;  // empty for a line without '='
  std::vector<std::u16string> fields;
};

class InfFile {
 public:
  // Parses the bytes of a file: UTF-16LE with its byte order mark, else
  // 8-bit text (each byte one character, as the Western code page has it for
  // ASCII). Never fails: what cannot be read is skipped as SetupAPI skips it.
  static InfFile parse(std::string_view bytes);

  bool has_section(std::u16string_view name) const;
  // The names of every section, upper-cased.
  std::vector<std::u16string> section_names() const;
  // The lines of a section, or nullptr.
  const std::vector<InfLine>* section(std::u16string_view name) const;
  // The first line of `section` whose key is `key`, or nullptr. A numeric key
  // matches by value ("100" and "0100").
  const InfLine* find(std::u16string_view section, std::u16string_view key) const;
  // The [Version] signature, without its dollar signs' case changed.
  std::u16string signature() const;

 private:
  std::map<std::u16string, std::vector<InfLine>> sections_;  // by upper-cased name
};

}  // namespace platform::sim
