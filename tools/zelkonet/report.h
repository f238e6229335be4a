// Printing of the records the searches fill, shared by the tool's commands.
#pragma once

#include <cstddef>
#include <string>

#include "printer_access/search_records.h"

namespace zelkonet {

std::string text_of(const char16_t* field, std::size_t capacity);

template <std::size_t N>
std::string text_of(const char16_t (&field)[N]) {
  return text_of(field, N);
}

void print_report(const pelmora::EncoderInfoBlock& block);

}  // namespace zelkonet
