// Operation and set-up records A801..A869: dates, driver numbers, line and
// station numbers, counters and small values. Every output record starts
// with 0x81. A806 (station), A818 (line) and A820 (the value whose lowest bit
// selects the station-code system) feed the station records that follow.
#include <algorithm>
#include <cstring>
#include <string>

#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// Bare record: cleared, the row's codes, bytes 2..last := BCD of raw 2..last.
void BareDigits(TNewToFmt& c, const HandlerRow& r, int last) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginRecord(d, r.code, r.sub);
  for (int i = 2; i <= last; ++i) d.Out[i] = static_cast<uint8_t>(B(d, i));
  d.WriteRecord();
}

// Header record with the event time only: Val5 and Val8 keep their values
// and bytes 5..25 are the handler's own.
void EventTimeHead(TFmtData& d) {
  TimeOnly2(d);
  d.PlaceHead();
  ClearFrom(d, 5);
}

// ---------------------------------------------------------------- shared steps

void DigitsRecord12(TNewToFmt& c, const HandlerRow& r) { BareDigits(c, r, 10); }

// The 8-digit driver number at raw 5 spread over bytes 5, 6, 24, 25 and the
// driver's name from byte 7 on (blanks up to byte 14 at least, a long name
// running on through byte 25).
void DriverRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  EventTimeHead(d);
  const int32_t n = Q(d, 5);
  PlaceDriverRecord(d.Out, n, TBridge::Driver(n), kEventDriverName);
  d.WriteRecord();
}

void ByteValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.Out[5] = ByteOf(W(d, 5), 0);
  ClearFrom(d, 6);
  d.WriteRecord();
}

void WordValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 5, W(d, 5));
  ClearFrom(d, 7);
  d.WriteRecord();
}

void WideValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 10, W(d, 12));
  ClearFrom(d, 12);
  d.WriteRecord();
}

void TripleValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put24(d.Out, 5, T(d, 5));
  ClearFrom(d, 8);
  d.WriteRecord();
}

void FlagValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 5, W(d, 5));
  d.Out[7] = 1;
  d.Out[8] = static_cast<uint8_t>(B(d, 7));
  ClearFrom(d, 9);
  d.WriteRecord();
}

void TimeOnlyRecord(TNewToFmt& c, const HandlerRow& r) { BareDigits(c, r, 4); }

// The switch state s at raw 7 chooses the second code: row.aux holds the
// codes for s = 0, 1 and 2 (one byte each, s = 0 lowest). Any other s gives
// codes 0x00 0x00.
constexpr int SwitchCodes(int s0, int s1, int s2) { return s0 | s1 << 8 | s2 << 16; }

void SwitchRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  const int s = B(d, 7);
  if (s <= 2) {
    d.Sub = static_cast<uint8_t>(r.aux >> (8 * s));
  } else {
    d.Code = 0;
    d.Sub = 0;
  }
  d.Out[0] = d.Code;
  d.Out[1] = d.Sub;
  Put16(d.Out, 5, W(d, 5));
  d.Out[7] = static_cast<uint8_t>(s);
  ClearFrom(d, 8);
  d.WriteRecord();
}

// ---------------------------------------------------------------- own handlers

void A802(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginRecord(d, r.code, r.sub);
  for (int i = 0; i < 3; ++i) {
    d.Out[2 + i] = static_cast<uint8_t>(B(d, 5 + i));
    d.Out[5 + i] = static_cast<uint8_t>(B(d, 2 + i));
  }
  d.WriteRecord();
}

// A803 and A828: the event time and the low 16 bits of two 6-digit numbers.
void A803(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginBare(d, r);
  Put16(d.Out, 5, T(d, 5));
  Put16(d.Out, 7, T(d, 8));
  d.WriteRecord();
}

// Station number: names the station in the current line for later records.
// The name follows from byte 7, then one blank and one zero byte.
void A806(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  EventTimeHead(d);
  const int32_t k = W(d, 5);
  Put16(d.Out, 5, k);
  d.HeaderStationName = TBridge::StationNameTrimmed(d.StationGroup, k);
  d.StationNo = k;
  const std::size_t n = std::min<std::size_t>(d.HeaderStationName.size(), kRecordSize - 7 - 2);
  std::memcpy(d.Out + 7, d.HeaderStationName.data(), n);
  d.Out[7 + n] = ' ';
  d.Out[8 + n] = 0;
  d.WriteRecord();
}

// Line number: a change of line after a B810 record marks the line as changed
// for the next leaving-station record.
void A818(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(SmallValueRecord, c, r)) return;
  const int line = d.Out[5];
  if (line != d.StationGroup && d.HandlerByteB) d.HandlerByteC = 1;
  d.StationGroup = line;
}

void A820(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  const int32_t v = T(d, 11);
  Put24(d.Out, 5, v);
  d.HeaderValue25 = v;
  std::memcpy(d.Out + 8, d.Raw + 7, 4);
  ClearFrom(d, 12);
  d.WriteRecord();
  const int32_t w = W(d, 5);
  BeginRecord(d, 0x81, 0x24);
  d.Out[5] = static_cast<uint8_t>(w % 4);
  d.Out[6] = static_cast<uint8_t>(w >> 8);
  d.WriteRecord();
}

// The record's presence mask is the value at raw 5.
void A825(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  d.PresenceMask = static_cast<uint16_t>(W(d, 5));
  c.PeekAttached();
  d.AssembleRecord();
  d.WriteRecord();
}

void A842(TNewToFmt& c, const HandlerRow& r) { BareDigits(c, r, 14); }
void A843(TNewToFmt& c, const HandlerRow& r) { BareDigits(c, r, 7); }

void A845(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginBare(d, r);
  Put24(d.Out, 5, T(d, 5));
  d.Out[25] = 3;
  d.WriteRecord();
}

void A857(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put24(d.Out, 5, T(d, 9));
  std::memcpy(d.Out + 8, d.Raw + 8, 4);
  ClearFrom(d, 12);
  d.WriteRecord();
}

// The value s at raw 18 chooses the second code; the driver number at raw 14
// is written with the driver's name.
void A865(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  const int s = B(d, 18);
  switch (s) {
    case 1: d.Sub = 0x69; break;
    case 2: d.Sub = 0x79; break;
    case 3: d.Sub = 0x89; break;
    default:
      d.Code = 0;
      d.Sub = 0;
      break;
  }
  d.Out[0] = d.Code;
  d.Out[1] = d.Sub;
  const int32_t n = Q(d, 14);
  Put16(d.Out, 8, W(d, 12));
  Put24(d.Out, 10, n);
  d.Out[13] = static_cast<uint8_t>(s);
  const std::string name = TBridge::Driver(n);
  ClearFrom(d, 14);
  std::memcpy(d.Out + 14, name.data(), std::min<std::size_t>(name.size(), 8));
  d.Out[25] = 1;
  d.WriteRecord();
}

void A869(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginBare(d, r);
  Put32(d.Out, 5, Q(d, 5));
  d.Out[9] = static_cast<uint8_t>(B(d, 9));
  d.WriteRecord();
}

// ---------------------------------------------------------------- table

#define WORD(name, sub) {name, 8, WordValueRecord, 0x81, sub, 0}
#define SWITCH(name, s0, s1, s2) {name, 9, SwitchRecord, 0x81, s0, 0, SwitchCodes(s0, s1, s2)}

constexpr HandlerRow kRows[] = {
    {"A801", 12, DigitsRecord12, 0x81, 0x01, 0},
    {"A802", 9, A802, 0x81, 0x02, 0},
    {"A803", 12, A803, 0x81, 0x03, 0},
    {"A804", 10, DriverRecord, 0x81, 0x04, 0},
    {"A805", 8, ByteValueRecord, 0x81, 0x05, 0},
    {"A806", 8, A806, 0x81, 0x06, 0},
    WORD("A807", 0x07), WORD("A808", 0x08), WORD("A809", 0x09), WORD("A810", 0x0A),
    WORD("A811", 0x0B), WORD("A812", 0x0C), WORD("A813", 0x0D), WORD("A814", 0x0E),
    WORD("A815", 0x0F), WORD("A816", 0x10), WORD("A817", 0x12),
    {"A818", 7, A818, 0x81, 0x15, 0},
    {"A820", 15, A820, 0x81, 0x25, 0},
    {"A821", 10, DriverRecord, 0x81, 0x11, 0},
    {"A822", 15, WideValueRecord, 0x81, 0x49, 0},
    {"A823", 15, WideValueRecord, 0x81, 0x39, 0},
    {"A824", 7, SmallValueRecord, 0x81, 0x24, 0},
    {"A825", 8, A825, 0x81, 0x18, 0},
    {"A826", 0, Empty, 0, 0, 0},
    {"A827", 9, TripleValueRecord, 0x81, 0x07, 0},
    {"A828", 12, A803, 0x81, 0x19, 0},
    {"A829", 9, TripleValueRecord, 0x81, 0x08, 0},
    WORD("A830", 0x22), WORD("A831", 0x23), WORD("A832", 0x21), WORD("A833", 0x20),
    {"A834", 9, FlagValueRecord, 0x81, 0x2A, 0},
    {"A835", 9, FlagValueRecord, 0x81, 0x2B, 0},
    {"A836", 9, FlagValueRecord, 0x81, 0x2C, 0},
    {"A837", 7, SmallValueRecord, 0x81, 0x2D, 0},
    {"A838", 7, SmallValueRecord, 0x81, 0x6A, 0},
    WORD("A839", 0x30), WORD("A840", 0x31), WORD("A841", 0x32),
    {"A842", 15, A842, 0x81, 0x7A, 0},
    {"A843", 9, A843, 0x81, 0x2E, 0},
    {"A845", 10, A845, 0x81, 0x2B, 0},
    {"A847", 10, DriverRecord, 0x81, 0x57, 0},
    {"A848", 10, DriverRecord, 0x81, 0x58, 0},
    {"A849", 10, DriverRecord, 0x81, 0x59, 0},
    WORD("A850", 0x40),
    {"A851", 7, SmallValueRecord, 0x81, 0x41, 0},
    {"A852", 12, DigitsRecord12, 0x81, 0x42, 0},
    WORD("A853", 0x43), WORD("A854", 0x44),
    {"A855", 6, TimeOnlyRecord, 0x81, 0x45, 0},
    {"A856", 6, TimeOnlyRecord, 0x81, 0x46, 0},
    {"A857", 13, A857, 0x81, 0x47, 0},
    {"A858", 9, TripleValueRecord, 0x81, 0x48, 0},
    SWITCH("A861", 0x65, 0x75, 0x85), SWITCH("A862", 0x66, 0x76, 0x86),
    SWITCH("A863", 0x67, 0x77, 0x87), SWITCH("A864", 0x68, 0x78, 0x88),
    {"A865", 20, A865, 0x81, 0x69, 0},
    SWITCH("A866", 0x90, 0x91, 0x92), SWITCH("A867", 0x93, 0x94, 0x95),
    {"A868", 7, SmallValueRecord, 0x81, 0x28, 0},
    {"A869", 11, A869, 0x81, 0x29, 0},
};

#undef WORD
#undef SWITCH

}  // namespace

std::span<const HandlerRow> FamilyA8() { return kRows; }

}  // namespace railfmt
