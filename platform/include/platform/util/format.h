// A small printf-style formatter for the formats the programs use:
// %s, %c, %d, %i, %u, %x, %X with optional '0' flag and width, and %%.
// Arguments are type-checked at run time; a missing or mismatched argument is
// written as "?" rather than read from nowhere.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

class FormatArg {
 public:
  enum class Kind { Signed, Unsigned, Text };

  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
  FormatArg(T v) : kind_(Kind::Signed), signed_(v) {}
  template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                             !std::is_same_v<T, bool>,
                                         int> = 0>
  FormatArg(T v) : kind_(Kind::Unsigned), unsigned_(v) {}
  FormatArg(std::u16string_view v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const std::u16string& v) : kind_(Kind::Text), text_(v) {}
  FormatArg(const char16_t* v) : kind_(Kind::Text), text_(v ? v : u"") {}

  Kind kind() const { return kind_; }
  std::int64_t as_signed() const {
    return kind_ == Kind::Signed ? signed_ : static_cast<std::int64_t>(unsigned_);
  }
  std::uint64_t as_unsigned() const {
    return kind_ == Kind::Unsigned ? unsigned_ : static_cast<std::uint64_t>(signed_);
  }
  std::u16string_view text() const { return text_; }

 private:
  Kind kind_;
  std::int64_t signed_ = 0;
  std::uint64_t unsigned_ = 0;
  std::u16string_view text_;
};

std::u16string format(std::u16string_view pattern, std::initializer_list<FormatArg> args);

// Formats into a fixed buffer of `capacity` characters, cutting and
// terminating like copy_truncated. Returns the characters written.
std::size_t format_to(char16_t* buffer, std::size_t capacity, std::u16string_view pattern,
                      std::initializer_list<FormatArg> args);

// Narrow variant for protocol texts (8-bit): same rules, %s takes UTF-16 and
// writes it as UTF-8.
std::string format_narrow(std::string_view pattern, std::initializer_list<FormatArg> args);

}  // namespace platform
