// UTF-16 text helpers. Portable code holds Windows text as char16_t; only the
// win32 layer converts to wchar_t, at its boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; nothing is dropped silently.
std::u16string to_utf16(std::string_view utf8);
std::string to_utf8(std::u16string_view utf16);

// Length of a zero-terminated text held in a fixed buffer of `capacity`
// characters; a buffer without terminator counts as full.
std::size_t bounded_length(const char16_t* text, std::size_t capacity);

// The text of a fixed buffer of `capacity` characters up to its first zero
// (all of it without one); empty for no buffer.
std::u16string_view bounded_view(const char16_t* text, std::size_t capacity);

// Copies `source` into a fixed buffer of `capacity` characters, cutting it to
// capacity - 1 characters and always terminating it (when capacity > 0).
// Returns the number of characters copied.
std::size_t copy_truncated(char16_t* buffer, std::size_t capacity, std::u16string_view source);

template <std::size_t N>
std::size_t copy_truncated(char16_t (&buffer)[N], std::u16string_view source) {
  return copy_truncated(buffer, N, source);
}

template <std::size_t N>
std::u16string_view view_of(const char16_t (&buffer)[N]) {
  return bounded_view(buffer, N);
}

// ASCII-only case folding, as the Windows code compares protocol tokens.
char16_t ascii_upper(char16_t c);
// The text with its ASCII letters in upper case (the key Windows compares
// names by).
std::u16string ascii_upper(std::u16string_view text);
bool equals_ignore_ascii_case(std::u16string_view a, std::u16string_view b);
bool starts_with_ignore_ascii_case(std::u16string_view text, std::u16string_view start);

}  // namespace platform
