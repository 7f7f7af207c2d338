// Shared pieces of the earlier L2000 converter: the values it keeps beside
// the working area, the record translation and the B6h sub-records.
#pragma once

#include <cstdint>
#include <string>

#include "legacy/workarea.h"

namespace railfmt::legacy {

// Values of the L2000 converter that the other earlier formats do not use.
struct L2000State {
  std::string jwdText;       // file header bytes 2..11
  char vendor = 0;           // h[kRawVendorPos]
  uint8_t lineDirection = 0; // lowest bit of BCD(h[14..16])
  int32_t stationNumber = 0; // BCD(h[18..19])
  int8_t e3Bit = -1;         // bit 6 of Val16 of the last E3h record, -1 none yet
};
L2000State& L2000();

// What the record loop does after a record.
enum class Next {
  kRead,    // read the next byte
  kResync,  // look at the look-ahead byte first (a code byte that cut a body)
  kClose,   // the input ended
};

// Handles the record whose code is in b[0]; the input stands after it.
Next TranslateRecord(WorkArea& w);

// B6h sub-record: 1 handled, 0 not handled (the loop's fallback applies).
int B6SubRecord(WorkArea& w, uint8_t& loopFlag);

// Time of day from b[k..k+2].
inline int32_t TimeAt(const WorkArea& w, int k) {
  return w.bcd(k) * 3600 + w.bcd(k + 1) * 60 + w.bcd(k + 2);
}

}  // namespace railfmt::legacy
