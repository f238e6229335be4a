#include "platform_sim/sim_dialog_template.h"

#include <cstdlib>
#include <map>
#include <vector>

#include "platform/util/text.h"

namespace platform::sim {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(trimmed(text.substr(0, end)));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// The fields of a statement, split at the commas outside quotes.
std::vector<std::string_view> fields_of(std::string_view text) {
  std::vector<std::string_view> fields;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    if (i == text.size() || (!quoted && text[i] == ',')) {
      fields.push_back(trimmed(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return fields;
}

// The text of a quoted field up to its first "\0"; the script's texts are
// ASCII.
bool unquoted(std::string_view field, std::u16string* text) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return false;
  field = field.substr(1, field.size() - 2);
  field = field.substr(0, field.find("\\0"));
  text->assign(field.begin(), field.end());
  return true;
}

struct ScriptReader {
  std::map<std::string, int, std::less<>> ids;
  std::string* error;
  std::size_t line = 0;

  bool fail(const std::string& message) {
    *error = "line " + std::to_string(line) + ": " + message;
    return false;
  }
  bool look_up(std::string_view word, int* id) {
    if (!word.empty() && (word[0] == '-' || (word[0] >= '0' && word[0] <= '9'))) {
      *id = std::atoi(std::string(word).c_str());
      return true;
    }
    const auto found = ids.find(word);
    if (found == ids.end()) return fail("the id " + std::string(word) + " is not defined");
    *id = found->second;
    return true;
  }
};

// LTEXT "text", id, x, y, cx, cy[, style]; EDITTEXT id, x, y, cx, cy[, style];
// CONTROL text, id, class, style, x, y, cx, cy.
bool read_control(ScriptReader& reader, std::string_view statement, WindowlessDialogHost& host) {
  const std::size_t blank = statement.find_first_of(" \t");
  if (blank == std::string_view::npos) return reader.fail("a control without fields");
  const std::string_view kind = statement.substr(0, blank);
  const std::vector<std::string_view> fields = fields_of(statement.substr(blank));
  const bool id_first = kind == "EDITTEXT" || kind == "COMBOBOX" || kind == "LISTBOX";
  const std::size_t style_field = kind == "CONTROL" ? 3 : id_first ? 5 : 6;
  if (fields.size() < (kind == "CONTROL" ? 8u : id_first ? 5u : 6u))
    return reader.fail("too few fields in a " + std::string(kind) + " statement");
  int id = 0;
  if (!reader.look_up(fields[id_first ? 0 : 1], &id)) return false;
  if (id == -1) return true;
  ControlState control;
  if (!id_first && !unquoted(fields[0], &control.text)) {
    int bitmap = 0;
    if (!reader.look_up(fields[0], &bitmap)) return false;
    control.bitmap = bitmap;
  }
  const std::string_view style = fields.size() > style_field ? fields[style_field] : "";
  control.visible = style.find("NOT WS_VISIBLE") == std::string_view::npos;
  control.sorted = style.find("CBS_SORT") != std::string_view::npos;
  host.define(id, control);
  return true;
}

}  // namespace

bool define_dialog_template(WindowlessDialogHost& host, std::string_view script,
                            std::string_view ids, std::string_view name, std::string* error) {
  ScriptReader reader{{{"IDOK", 1}, {"IDCANCEL", 2}}, error};
  for (std::string_view line : lines_of(ids)) {
    if (line.substr(0, 8) != "#define ") continue;
    line = trimmed(line.substr(8));
    const std::size_t blank = line.find_first_of(" \t");
    if (blank == std::string_view::npos) continue;
    const std::string value(trimmed(line.substr(blank)).substr(0, 12));
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 0);
    if (end != value.c_str() && (*end == '\0' || *end == ' ' || *end == '/'))
      reader.ids[std::string(line.substr(0, blank))] = static_cast<int>(number);
  }
  const std::vector<std::string_view> lines = lines_of(script);
  const std::string dialog = std::string(name) + " DIALOG";
  const std::string init = std::string(name) + " RT_PELMORA_DLGINIT";
  enum { Outside, Header, Controls, Init } part = Outside;
  bool found = false;
  for (reader.line = 1; reader.line <= lines.size(); ++reader.line) {
    const std::string_view line = lines[reader.line - 1];
    if (line.empty() || line.substr(0, 2) == "//") continue;
    if (part == Outside) {
      if (line.substr(0, dialog.size()) == dialog) {
        part = Header;
        found = true;
      } else if (line == init) {
        part = Init;
      }
    } else if (line == "BEGIN") {
      if (part == Header) part = Controls;
    } else if (line == "END") {
      part = Outside;
    } else if (part == Header && line.substr(0, 8) == "CAPTION ") {
      std::u16string caption;
      if (!unquoted(trimmed(line.substr(8)), &caption)) return reader.fail("a caption not quoted");
      host.set_title(caption);
    } else if (part == Controls) {
      if (!read_control(reader, line, host)) return false;
    } else if (part == Init) {
      // id, message, byte count, "text\0", (the list ends with a 0)
      const std::vector<std::string_view> fields = fields_of(line);
      if (fields.size() == 1 && fields[0] == "0") continue;
      int id = 0;
      std::u16string item;
      if (fields.size() < 4) return reader.fail("an initialisation entry without its text");
      if (!reader.look_up(fields[0], &id)) return false;
      if (!unquoted(fields[3], &item)) return reader.fail("an initialisation text not quoted");
      ControlState control = host.control(id);
      control.items.push_back(item);
      host.define(id, control);
    }
  }
  if (!found) {
    *error = "no dialog template " + std::string(name);
    return false;
  }
  return true;
}

}  // namespace platform::sim
