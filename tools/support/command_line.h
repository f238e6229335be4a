// The support tools' command lines, read in order: options without a value
// ("--verbose"), options with one ("--queue NAME", the value taken as
// written, even when it starts with '-'), and positional words. Reading
// stops at the first argument that does not fit, and says why.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace tool_support {

enum class CommandLineFault {
  None,
  ArgumentTooLong,  // an option's name or a word
  MissingValue,     // an option last on the line
  ValueTooLong,
  UnknownOption,
  Refused,  // a handler refused its value or word
};

struct CommandLineResult {
  CommandLineFault fault = CommandLineFault::None;
  std::string option;   // the option or word at fault, UTF-8
  std::string refusal;  // what the handler said

  bool ok() const { return fault == CommandLineFault::None; }
  // For the user: "unknown option --x", "missing value after --x",
  // "value of --x too long", "argument too long" or the refusal.
  std::string message() const;
};

// Char is char (UTF-8 command lines) or char16_t (Windows').
template <typename Char>
class CommandLine {
 public:
  using Text = std::basic_string_view<Char>;
  // Answers why the value or word is refused; empty when it is taken.
  using Handler = std::function<std::string(Text)>;

  // An argument or value longer than `max_chars` is refused, not cut.
  explicit CommandLine(std::size_t max_chars = std::numeric_limits<std::size_t>::max())
      : max_chars_(max_chars) {}

  // Names are matched exactly, whatever they start with ("/?" too).
  CommandLine& flag(std::string_view name, std::function<void()> handler);
  CommandLine& option(std::string_view name, Handler handler);
  // Arguments that do not start with '-' go to `handler`. Without it the
  // tool takes no words: every argument that is not a flag names an option
  // and takes the next as its value, and only then is the name looked up.
  CommandLine& words(Handler handler);

  CommandLineResult parse(const std::vector<std::basic_string<Char>>& args) const;

 private:
  struct Flag {
    std::string name;
    std::function<void()> handler;
  };
  struct Option {
    std::string name;
    Handler handler;
  };
  std::size_t max_chars_;
  std::vector<Flag> flags_;
  std::vector<Option> options_;
  Handler words_;
};

extern template class CommandLine<char>;
extern template class CommandLine<char16_t>;

}  // namespace tool_support
