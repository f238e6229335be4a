#include "platform_sim/inf_reader.h"

#include "platform/util/text.h"

namespace platform::sim {

namespace {

bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == 0x1A; }

std::u16string trim(std::u16string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && is_space(text[begin])) ++begin;
  while (end > begin && is_space(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

std::u16string decode(std::string_view bytes) {
  std::u16string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
  }
  std::size_t start = 0;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return to_utf16(bytes.substr(3));
  for (std::size_t i = start; i < bytes.size(); ++i)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
  return text;
}

// One logical line: the physical lines joined at a trailing backslash, the
// comment removed. Quotes are kept for the field split.
std::vector<std::u16string> logical_lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::u16string current;
  bool joining = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view raw(text.data() + pos, end - pos);
    // Cut the comment: a ';' outside quotes.
    bool quoted = false;
    std::size_t cut = raw.size();
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == u'"') quoted = !quoted;
      if (raw[i] == u';' && !quoted) {
        cut = i;
        break;
      }
    }
    std::u16string part = trim(raw.substr(0, cut));
    const bool continues = !part.empty() && part.back() == u'\\' && !quoted;
    if (continues) part.pop_back();
    if (joining)
      current += part;
    else
      current = part;
    joining = continues;
    if (!joining) {
      if (!current.empty()) lines.push_back(current);
      current.clear();
    }
    pos = end + 1;
  }
  if (joining && !current.empty()) lines.push_back(current);
  return lines;
}

// Splits at commas outside quotes; removes the quotes ("" inside quotes is
// one quote) and the spaces around unquoted parts.
std::vector<std::u16string> split_fields(std::u16string_view text) {
  std::vector<std::u16string> fields;
  std::u16string field;
  std::u16string pending_space;
  bool quoted = false;
  bool any = false;
  auto finish = [&] {
    fields.push_back(field);
    field.clear();
    pending_space.clear();
    any = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (quoted) {
      if (c == u'"') {
        if (i + 1 < text.size() && text[i + 1] == u'"') {
          field.push_back(u'"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.push_back(c);
      }
      continue;
    }
    if (c == u'"') {
      if (any) field += pending_space;
      pending_space.clear();
      quoted = true;
      any = true;
    } else if (c == u',') {
      finish();
    } else if (is_space(c)) {
      if (any) pending_space.push_back(c);
    } else {
      if (any) field += pending_space;
      pending_space.clear();
      field.push_back(c);
      any = true;
    }
  }
  finish();
  return fields;
}

// The key part of "key = value": the text before the first '=' outside
// quotes; npos when there is none.
std::size_t equals_position(std::u16string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == u'"') quoted = !quoted;
    if (line[i] == u'=' && !quoted) return i;
  }
  return std::u16string_view::npos;
}

bool numeric(std::u16string_view text, unsigned long* value) {
  if (text.empty() || text.size() > 9) return false;
  unsigned long v = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + (c - u'0');
  }
  *value = v;
  return true;
}

std::u16string substitute(std::u16string_view text,
                          const std::map<std::u16string, std::u16string>& strings) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') {
      out.push_back(text[i]);
      continue;
    }
    const auto close = text.find(u'%', i + 1);
    if (close == std::u16string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    const auto name = text.substr(i + 1, close - i - 1);
    if (name.empty()) {
      out.push_back(u'%');
    } else if (auto it = strings.find(ascii_upper(name)); it != strings.end()) {
      out += it->second;
    } else {
      out.append(text.substr(i, close - i + 1));
    }
    i = close;
  }
  return out;
}

}  // namespace

InfFile InfFile::parse(std::string_view bytes) {
  InfFile inf;
  const std::u16string text = decode(bytes);
  std::vector<InfLine>* current = nullptr;
  for (const auto& line : logical_lines(text)) {
    if (line.front() == u'[') {
      const auto close = line.find(u']');
      if (close == std::u16string::npos) {
        current = nullptr;
        continue;
      }
      current = &inf.sections_[ascii_upper(trim(std::u16string_view(line).substr(1, close - 1)))];
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    InfLine parsed;
    const auto eq = equals_position(line);
    if (eq != std::u16string::npos) {
      auto key_fields = split_fields(std::u16string_view(line).substr(0, eq));
      parsed.key = key_fields.empty() ? std::u16string() : key_fields.front();
      parsed.fields = split_fields(std::u16string_view(line).substr(eq + 1));
    } else {
      parsed.fields = split_fields(line);
    }
    current->push_back(std::move(parsed));
  }
  // Strings are substituted on reading; [Strings] values themselves are
  // taken literally.
  std::map<std::u16string, std::u16string> strings;
  if (auto it = inf.sections_.find(u"STRINGS"); it != inf.sections_.end())
    for (const auto& l : it->second)
      if (!l.key.empty() && !l.fields.empty())
        strings.emplace(ascii_upper(l.key), l.fields.front());
  for (auto& [name, lines] : inf.sections_) {
    if (name == u"STRINGS") continue;
    for (auto& l : lines) {
      l.key = substitute(l.key, strings);
      for (auto& f : l.fields) f = substitute(f, strings);
    }
  }
  return inf;
}

bool InfFile::has_section(std::u16string_view name) const {
  return sections_.count(ascii_upper(name)) != 0;
}

std::vector<std::u16string> InfFile::section_names() const {
  std::vector<std::u16string> names;
  for (const auto& [name, lines] : sections_) names.push_back(name);
  return names;
}

const std::vector<InfLine>* InfFile::section(std::u16string_view name) const {
  auto it = sections_.find(ascii_upper(name));
  return it == sections_.end() ? nullptr : &it->second;
}

const InfLine* InfFile::find(std::u16string_view section_name, std::u16string_view key) const {
  const auto* lines = section(section_name);
  if (!lines) return nullptr;
  unsigned long wanted = 0;
  const bool wanted_numeric = numeric(key, &wanted);
  for (const auto& line : *lines) {
    unsigned long value = 0;
    if (wanted_numeric ? (numeric(line.key, &value) && value == wanted)
                       : equals_ignore_ascii_case(line.key, key))
      return &line;
  }
  return nullptr;
}

std::u16string InfFile::signature() const {
  const InfLine* line = find(u"Version", u"Signature");
  return line && !line->fields.empty() ? line->fields.front() : std::u16string();
}

}  // namespace platform::sim
