#include "platform/util/text.h"

namespace platform {

std::u16string to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  const std::size_t n = utf8.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (i + len > n) {
      out.push_back(u'\uFFFD');
      break;
    }
    bool ok = true;
    for (std::size_t k = 1; k < len; ++k) {
      const unsigned char cc = static_cast<unsigned char>(utf8[i + k]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    i += len;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string to_utf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::size_t bounded_length(const char16_t* text, std::size_t capacity) {
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return n;
}

std::u16string_view bounded_view(const char16_t* text, std::size_t capacity) {
  return text == nullptr ? std::u16string_view()
                         : std::u16string_view(text, bounded_length(text, capacity));
}

std::size_t copy_truncated(char16_t* buffer, std::size_t capacity, std::u16string_view source) {
  if (capacity == 0) return 0;
  const std::size_t n = source.size() < capacity - 1 ? source.size() : capacity - 1;
  for (std::size_t i = 0; i < n; ++i) buffer[i] = source[i];
  buffer[n] = 0;
  return n;
}

char16_t ascii_upper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - (u'a' - u'A') : c; }

std::u16string ascii_upper(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = ascii_upper(c);
  return out;
}

bool equals_ignore_ascii_case(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  return true;
}

bool starts_with_ignore_ascii_case(std::u16string_view text, std::u16string_view start) {
  return text.size() >= start.size() &&
         equals_ignore_ascii_case(text.substr(0, start.size()), start);
}

}  // namespace platform
