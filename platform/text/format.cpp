#include "platform/util/format.h"

#include "platform/util/text.h"

namespace platform {
namespace {

template <typename Char>
void append_number(std::basic_string<Char>& out, std::uint64_t magnitude, bool negative,
                   unsigned base, bool upper, bool zero_pad, std::size_t width) {
  Char digits[32];
  std::size_t n = 0;
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  do {
    digits[n++] = static_cast<Char>(set[magnitude % base]);
    magnitude /= base;
  } while (magnitude != 0);
  const std::size_t body = n + (negative ? 1 : 0);
  const std::size_t pad = width > body ? width - body : 0;
  if (!zero_pad) out.append(pad, static_cast<Char>(' '));
  if (negative) out.push_back(static_cast<Char>('-'));
  if (zero_pad) out.append(pad, static_cast<Char>('0'));
  while (n > 0) out.push_back(digits[--n]);
}

template <typename Char, typename TextAppend>
std::basic_string<Char> format_any(std::basic_string_view<Char> pattern,
                                   std::initializer_list<FormatArg> args, TextAppend append_text) {
  std::basic_string<Char> out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const Char c = pattern[i];
    if (c != static_cast<Char>('%') || i + 1 >= pattern.size()) {
      out.push_back(c);
      continue;
    }
    const std::size_t percent = i;
    std::size_t j = i + 1;
    if (pattern[j] == static_cast<Char>('%')) {
      out.push_back(c);
      i = j;
      continue;
    }
    bool zero_pad = false;
    bool left = false;
    while (j < pattern.size() &&
           (pattern[j] == static_cast<Char>('0') || pattern[j] == static_cast<Char>('-'))) {
      if (pattern[j] == static_cast<Char>('0')) zero_pad = true;
      if (pattern[j] == static_cast<Char>('-')) left = true;
      ++j;
    }
    std::size_t width = 0;
    while (j < pattern.size() && pattern[j] >= static_cast<Char>('0') &&
           pattern[j] <= static_cast<Char>('9')) {
      width = width * 10 + static_cast<std::size_t>(pattern[j] - static_cast<Char>('0'));
      if (width > 256) width = 256;
      ++j;
    }
    // Length modifiers are accepted and ignored: arguments carry their own size.
    while (j < pattern.size() &&
           (pattern[j] == static_cast<Char>('l') || pattern[j] == static_cast<Char>('h') ||
            pattern[j] == static_cast<Char>('S') || pattern[j] == static_cast<Char>('w'))) {
      if (pattern[j] == static_cast<Char>('S')) break;
      ++j;
    }
    if (j >= pattern.size()) {
      out.append(pattern.substr(i));
      break;
    }
    const Char conv = pattern[j];
    i = j;
    const bool have = next != args.end();
    const FormatArg* arg = have ? &*next : nullptr;
    if (have) ++next;
    const std::size_t start = out.size();
    switch (conv) {
      case 's':
      case 'S':
        if (arg && arg->kind() == FormatArg::Kind::Text)
          append_text(out, arg->text());
        else
          out.push_back(static_cast<Char>('?'));
        break;
      case 'c':
        if (arg && arg->kind() != FormatArg::Kind::Text)
          out.push_back(static_cast<Char>(arg->as_unsigned()));
        else
          out.push_back(static_cast<Char>('?'));
        break;
      case 'd':
      case 'i':
        if (arg && arg->kind() != FormatArg::Kind::Text) {
          const std::int64_t v = arg->kind() == FormatArg::Kind::Unsigned
                                     ? static_cast<std::int32_t>(arg->as_unsigned())
                                     : arg->as_signed();
          append_number(out,
                        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v),
                        v < 0, 10, false, zero_pad && !left, left ? 0 : width);
        } else {
          out.push_back(static_cast<Char>('?'));
        }
        break;
      case 'u':
      case 'x':
      case 'X':
        if (arg && arg->kind() != FormatArg::Kind::Text) {
          std::uint64_t v = arg->as_unsigned();
          // Negative 32-bit values print as their 32-bit pattern, as in C.
          if (arg->kind() == FormatArg::Kind::Signed && arg->as_signed() < 0 &&
              arg->as_signed() >= INT32_MIN)
            v &= 0xFFFFFFFFu;
          append_number(out, v, false, conv == 'u' ? 10 : 16, conv == 'X', zero_pad && !left,
                        left ? 0 : width);
        } else {
          out.push_back(static_cast<Char>('?'));
        }
        break;
      default:
        // Not a conversion this formatter knows: keep the text as written and
        // leave the argument for the next conversion.
        out.append(pattern.substr(percent, j - percent + 1));
        if (have) --next;
        break;
    }
    const std::size_t written = out.size() - start;
    if (written < width) {
      if (left)
        out.append(width - written, static_cast<Char>(' '));
      else if (conv == 's' || conv == 'S' || conv == 'c')
        // Numbers were padded as they were written; text and characters are
        // right-aligned here, with blanks as printf does.
        out.insert(start, width - written, static_cast<Char>(' '));
    }
  }
  return out;
}

}  // namespace

std::u16string format(std::u16string_view pattern, std::initializer_list<FormatArg> args) {
  return format_any<char16_t>(pattern, args,
                              [](std::u16string& out, std::u16string_view t) { out.append(t); });
}

std::size_t format_to(char16_t* buffer, std::size_t capacity, std::u16string_view pattern,
                      std::initializer_list<FormatArg> args) {
  return copy_truncated(buffer, capacity, format(pattern, args));
}

std::string format_narrow(std::string_view pattern, std::initializer_list<FormatArg> args) {
  return format_any<char>(pattern, args,
                          [](std::string& out, std::u16string_view t) { out.append(to_utf8(t)); });
}

}  // namespace platform
