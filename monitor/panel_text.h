// The printer's front panel, mirrored: turns a record's status words into the
// two 16-character panel lines the printer itself shows and a line of plain
// explanation.
#pragma once

#include <cstdint>

#include "monitor/status_record.h"

namespace tessaly {

inline constexpr int kNoErrorCode = 32;

// Number (0-31) of the lowest bit of `value` that carries a numbered error
// code (mask 0x7FB3FF); kNoErrorCode when there is none.
int lowest_error_bit(std::uint32_t value);

// The model name as the printer's panel shows it, exactly 16 characters;
// 16 blanks for an index outside the table.
const char16_t* panel_model_name(int model_index);

// What the activity or error of `bit` of status_error means; empty for bits
// 30 and 31 and outside 0-31.
const char16_t* error_description(int bit);

// Writes line1, line2, line3 and active of the record from its other fields.
// A line that the matching rule leaves alone keeps what it had.
void compose_panel_text(PrinterStatusRecord& record);

// Which rule of the panel table the record matches (1-25); compose_panel_text
// applies exactly this rule. The support tool prints it.
int panel_rule(const PrinterStatusRecord& record);

}  // namespace tessaly
