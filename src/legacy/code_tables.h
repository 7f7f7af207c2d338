// The code tables of the earlier-format converters as the record reference
// (railfmt codes) reads them: which formatted record each earlier-format
// code is turned into. The converters run on the same tables.
#pragma once

#include <cstdint>
#include <string>
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

namespace railfmt {

// A record field as the record reference names it: record bytes from..to;
// type "time", "number" (little-endian), "signed", "text" (GBK) or "data"
// (the record's bytes as they are, or one decimal byte each).
struct EarlierField {
  int from, to;
  std::string type, name;
};

// One output record of the earlier L2000 table: the producing code (with its
// sub-code), the record written and, for the records written byte by byte,
// their fields. `own`: a step of its own writes it (fields not listed);
// `unit`: the first record of a 52-byte unit, a continuation follows.
struct EarlierRecord {
  uint16_t in;
  bool sub;
  uint16_t out;
  bool state;
  uint16_t mask;
  bool own;
  bool unit;
  std::vector<EarlierField> fields;
  int kind = -1;  // B6h 02h records: the kind (two BCD bytes) that selects the record
};

std::vector<EarlierRecord> L2000CodeTable();
// The records of the L2000 B6h sub-records (type byte in the low byte of `in`).
std::vector<EarlierRecord> L2000B6Records();

}  // namespace railfmt
