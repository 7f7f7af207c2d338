// The record reference: every record code the converters write, generated
// at build time from their handler tables (cli/codes/codes_gen.cpp).
#pragma once

#include <string>
#include <vector>

namespace railfmt::cli {

// A field of a record's layout: its bytes, type ("time", "date", "number",
// "signed", "text", "data") and name.
struct RecordField {
  std::vector<int> bytes;
  std::string type, name;
};

struct RecordInfo {
  unsigned code = 0;                // byte 0 * 256 + byte 1
  std::string kind;                 // "running-state record", "header record", ...
  std::vector<std::string> events;  // event codes that write it ("start-up": start-up)
  std::vector<std::string> converters;
  std::string mask;                 // fixed presence mask ("" when none or varying)
  std::vector<int> bytes;           // record bytes the producer fills beyond the fixed part
  std::string layout;               // one line: which bytes hold what
  bool stateEvents = false;         // written only by the running-state events
  std::vector<RecordField> fields;  // the fields after the code, in record order (none for the state layout)
  bool continued = false;           // a continuation record follows: the unit's second half
  std::vector<RecordField> continuation;  // its fields (bytes 0..1 included: they are data)
  bool time = false;                // bytes 2..4 hold the time of day
};

// Every entry, by code, then kind.
const std::vector<RecordInfo>& RecordReference();
// The entry a dump shows a record of this code by: the start-up's for a
// record among the leading start-up records (with `earlier`, the earlier
// L2000 converter's start-up first), else an event's (the start-up's when
// no event writes the code); null for a code no converter writes.
const RecordInfo* FindRecord(unsigned code, bool startup = false, bool earlier = false);
// Whether a file's start-up records are the earlier L2000 converter's: the
// event engine's start with B0 F0.
bool EarlierStartup(unsigned firstCode);
// "5-7, 10" of the byte positions.
std::string ByteRanges(const std::vector<int>& bytes);

struct CodesOptions {
  std::string format = "table", output;
};
int CmdCodes(const CodesOptions& o);

}  // namespace railfmt::cli
