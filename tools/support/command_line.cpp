#include "command_line.h"

#include <utility>

#include "platform/util/text.h"

namespace tool_support {
namespace {

template <typename Char>
bool spelled_as(std::basic_string_view<Char> arg, std::string_view name) {
  if (arg.size() != name.size()) return false;
  for (std::size_t i = 0; i < arg.size(); ++i)
    if (arg[i] != static_cast<unsigned char>(name[i])) return false;
  return true;
}

std::string utf8_of(std::string_view text) { return std::string(text); }
std::string utf8_of(std::u16string_view text) { return platform::to_utf8(text); }

CommandLineResult fault(CommandLineFault kind, std::string option, std::string refusal = {}) {
  return {kind, std::move(option), std::move(refusal)};
}

}  // namespace

std::string CommandLineResult::message() const {
  switch (fault) {
    case CommandLineFault::None:
      return {};
    case CommandLineFault::ArgumentTooLong:
      return "argument too long";
    case CommandLineFault::MissingValue:
      return "missing value after " + option;
    case CommandLineFault::ValueTooLong:
      return "value of " + option + " too long";
    case CommandLineFault::UnknownOption:
      return "unknown option " + option;
    case CommandLineFault::Refused:
      break;
  }
  return refusal;
}

template <typename Char>
CommandLine<Char>& CommandLine<Char>::flag(std::string_view name, std::function<void()> handler) {
  flags_.push_back({std::string(name), std::move(handler)});
  return *this;
}

template <typename Char>
CommandLine<Char>& CommandLine<Char>::option(std::string_view name, Handler handler) {
  options_.push_back({std::string(name), std::move(handler)});
  return *this;
}

template <typename Char>
CommandLine<Char>& CommandLine<Char>::words(Handler handler) {
  words_ = std::move(handler);
  return *this;
}

template <typename Char>
CommandLineResult CommandLine<Char>::parse(const std::vector<std::basic_string<Char>>& args) const {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Text arg = args[i];
    if (arg.size() > max_chars_) return fault(CommandLineFault::ArgumentTooLong, {});
    bool matched = false;
    for (const Flag& f : flags_) {
      if (!spelled_as(arg, f.name)) continue;
      f.handler();
      matched = true;
      break;
    }
    if (matched) continue;
    if (words_ && (arg.empty() || arg[0] != Char('-'))) {
      std::string refusal = words_(arg);
      if (!refusal.empty())
        return fault(CommandLineFault::Refused, utf8_of(arg), std::move(refusal));
      continue;
    }
    std::string name = utf8_of(arg);
    if (i + 1 >= args.size()) return fault(CommandLineFault::MissingValue, std::move(name));
    const Text value = args[++i];
    if (value.size() > max_chars_) return fault(CommandLineFault::ValueTooLong, std::move(name));
    const Option* known = nullptr;
    for (const Option& o : options_)
      if (spelled_as(arg, o.name)) known = &o;
    if (known == nullptr) return fault(CommandLineFault::UnknownOption, std::move(name));
    std::string refusal = known->handler(value);
    if (!refusal.empty())
      return fault(CommandLineFault::Refused, std::move(name), std::move(refusal));
  }
  return {};
}

template class CommandLine<char>;
template class CommandLine<char16_t>;

}  // namespace tool_support
