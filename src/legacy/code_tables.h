// The code tables of the earlier-format converters as the record reference
// (railfmt codes) reads them: which formatted record each earlier-format
// code is turned into. The converters run on the same tables.
#pragma once

#include <cstdint>
#include <vector>

namespace railfmt {

struct EarlierCode {
  uint16_t in;     // the earlier-format code; a code of a sub-table as code * 256 + sub
  bool sub;        // `in` is a code with its sub-code
  uint16_t out;    // the formatted record code (byte 0 * 256 + byte 1)
  bool state;      // written as a running-state record
  uint16_t mask;   // its presence mask when fixed, else 0
};

std::vector<EarlierCode> Lkj93CodeTable();
std::vector<EarlierCode> Jk2hCodeTable();

}  // namespace railfmt
