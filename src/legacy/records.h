// Record builders shared by the LKJ93 and JK2H converters: the driver and
// station records (laid out by format/layout.h), the station text record
// and the lookups both of them make the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "legacy/workarea.h"

namespace railfmt::legacy {

// Second-area driver record (81h 11h / 81h 04h): number bits 0..15 in bytes
// 5..6, bits 16..23 in 24, bits 24..31 in 25; the name (fill flag 0) in 7..14
// and 15..18. Written at once.
void WriteDriverRecord(WorkArea& w, uint8_t sub, int64_t number);

// Second-area station record 81h 06h: the station number in bytes 5..6, the
// StationName of (route, station) in 7..15 and 16..18. Written at once.
void WriteStationRecord(WorkArea& w, uint8_t route, int32_t station);

// The station name by code at a station state record: leaving ("出站", the
// code systems CZBM06/CZBM07) when the signal-machine kind is 2, else
// entering ("进站", CZBM04/CZBM05); both systems are tried. The attribute
// is the StationAttribute the lookup leaves.
struct StationText {
  std::string name;
  uint8_t attribute = 0;
};
StationText StationByCode(uint8_t route, uint8_t kind, int32_t code);

// The text record 20h F0h: the name in bytes 2..11 and again in 13..22,
// the attribute in 12 and 23, the presence mask in 24..25.
void WriteTextRecord(WorkArea& w, const StationText& t, uint16_t mask);

// Time of day as the three bytes 2..4 of a record.
void PlaceTime(uint8_t* rec, int32_t time);

}  // namespace railfmt::legacy
