// The station record 0x20 0xF0 that BA02 and B795 write after they have
// taken a new station number and name.
#pragma once

#include "engine/fmtdata.h"

namespace railfmt::hs {

// Cleared record 0x20 0xF0: bytes 2.. := the first 10 characters of
// HeaderStationName (not blank-filled), byte 12 := StationNo, byte 23 :=
// HandlerByteD; written.
void WriteStationRecord(TFmtData& d);

}  // namespace railfmt::hs
