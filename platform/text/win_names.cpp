#include "platform/util/win_names.h"

#include "platform/util/text.h"

namespace platform {

std::u16string_view strip_trailing_spaces_and_dots(std::u16string_view component) {
  while (!component.empty() && (component.back() == u' ' || component.back() == u'.'))
    component.remove_suffix(1);
  return component;
}

std::u16string dos_device_name(std::u16string_view component) {
  // "COM1:" is COM1, as in a DOS command line.
  if (!component.empty() && component.back() == u':') component.remove_suffix(1);
  std::u16string_view base = component.substr(0, component.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  const std::u16string upper = ascii_upper(base);
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL" ||
      upper == u"CONIN$" || upper == u"CONOUT$")
    return upper;
  // The digit may be a superscript one, two or three (U+00B9, U+00B2, U+00B3).
  if (upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) &&
      ((upper[3] >= u'1' && upper[3] <= u'9') || upper[3] == u'\u00B9' || upper[3] == u'\u00B2' ||
       upper[3] == u'\u00B3'))
    return upper;
  return {};
}

bool has_reserved_character(std::u16string_view component) {
  for (char16_t c : component)
    if (c < 0x20 || std::u16string_view(u"<>:\"|?*").find(c) != std::u16string_view::npos)
      return true;
  return false;
}

bool is_windows_file_name(std::u16string_view component) {
  if (component.empty() || strip_trailing_spaces_and_dots(component) != component) return false;
  if (!dos_device_name(component).empty() || has_reserved_character(component)) return false;
  return component.find_first_of(u"/\\") == std::u16string_view::npos;
}

}  // namespace platform
