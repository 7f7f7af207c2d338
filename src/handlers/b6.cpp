// B6xx records: multiple-unit records (B610..B619, EMURecord) and the 0x95
// records B631..B681, most of which carry their extra bytes in a second
// record 0x22 0xF0. Six of them steer the default value of Val21.
#include <iterator>

#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// ---- the second record 0x22 0xF0

// Cleared whole, codes 0x22 0xF0.
void BeginExtra(TFmtData& d) { BeginRecord(d, 0x22, 0xF0); }

// Each record starts with a full record carrying both header numbers (the
// StandardEvent step), then adds its second record.

// Main record, then a second record with bytes 2.. := B(12) .. B(11 + n).
bool ExtraBytes(TNewToFmt& c, const HandlerRow& r, int n) {
  if (!StandardRecord(c, r)) return false;
  TFmtData& d = c.d;
  BeginExtra(d);
  for (int i = 0; i < n; ++i) d.Out[2 + i] = static_cast<uint8_t>(B(d, 12 + i));
  d.WriteRecord();
  return true;
}

// Main record, then a second record with byte 5 := B(12).
bool ExtraByte5(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return false;
  TFmtData& d = c.d;
  BeginExtra(d);
  d.Out[5] = static_cast<uint8_t>(B(d, 12));
  d.WriteRecord();
  return true;
}

// ---- shared steps

void ExtraByteEvent(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 1); }
void ExtraTwoByteEvent(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 2); }
void ExtraFourByteEvent(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 4); }
void ExtraByte5Event(TNewToFmt& c, const HandlerRow& r) { ExtraByte5(c, r); }

// Three words in the second record; the middle one becomes the default
// value that replaces Val21 when it is out of range or switched on.
void DefaultValueEvent(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  TFmtData& d = c.d;
  d.Val21Default = static_cast<uint16_t>(W(d, 14));
  d.Out[0] = 0x22;
  d.Out[1] = 0xF0;
  ClearFrom(d, 5);  // bytes 2..4 keep the event time
  Put16(d.Out, 5, W(d, 12));
  Put16(d.Out, 7, W(d, 14));
  Put16(d.Out, 9, W(d, 16));
  d.WriteRecord();
}

// Multiple-unit records B610..B618: 15 bytes, 14 for B615 and B618. Any
// other second code byte (B619) is taken as a code pair and nothing more is
// read.
void EMURecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  static constexpr int kLength[] = {15, 15, 15, 15, 15, 14, 15, 15, 14};
  const int k = d.Raw[1] - 0x10;
  if (k < 0 || k >= static_cast<int>(std::size(kLength))) return;
  HandlerRow row = r;
  row.len = kLength[k];
  if (!StandardRecord(c, row)) return;
  WriteSupplementary(d, 2, row.len == 14 ? B(d, 12) : W(d, 12));
}

// ---- own handlers

// Raw byte 12 switches the default value of Val21 on (2) or off (0).
void B638(TNewToFmt& c, const HandlerRow& r) {
  if (!ExtraByte5(c, r)) return;
  TFmtData& d = c.d;
  if (d.Raw[12] == 2) d.UseVal21Default = true;
  else if (d.Raw[12] == 0) d.UseVal21Default = false;
}

// B640, B641: the record switches the default value of Val21 off.
void B640(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  c.d.UseVal21Default = false;
}

void B651(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 12); }
void B655(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 13); }
void B659(TNewToFmt& c, const HandlerRow& r) { ExtraBytes(c, r, 3); }

void B680(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  Finish(c);
  BeginExtra(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 5));
  d.Out[3] = static_cast<uint8_t>(B(d, 6));
  d.Out[4] = static_cast<uint8_t>(B(d, 7));
  d.WriteRecord();
}

// A six-byte record read with the one-byte layout: the second code byte is
// taken as the hours, and the header numbers come from raw 4.. (the check
// byte and zeros); the mask flags them.
void B681(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  Header1(d);
  Finish(c);
}

#define EMU(name, sub) {name, 0, EMURecord, 0x98, sub, 0x0007}

constexpr HandlerRow kRows[] = {
    EMU("B610", 0x10), EMU("B611", 0x11), EMU("B612", 0x12), EMU("B613", 0x13),
    EMU("B614", 0x14), EMU("B615", 0x15), EMU("B616", 0x16), EMU("B617", 0x17),
    EMU("B618", 0x18), EMU("B619", 0x19),
    {"B631", 13, StandardEvent, 0x95, 0x01, 0x0007},
    {"B632", 13, StandardEvent, 0x95, 0x02, 0x0007},
    {"B633", 13, StandardEvent, 0x95, 0x03, 0x0007},
    {"B634", 13, StandardEvent, 0x95, 0x04, 0x0007},
    {"B635", 19, DefaultValueEvent, 0x95, 0x05, 0x0007},
    {"B636", 19, DefaultValueEvent, 0x95, 0x06, 0x0007},
    {"B637", 19, DefaultValueEvent, 0x95, 0x07, 0x0007},
    {"B638", 14, B638, 0x95, 0x08, 0x0007},
    {"B639", 14, ExtraByte5Event, 0x95, 0x09, 0x0007},
    {"B640", 13, B640, 0x95, 0x0A, 0x0007},
    {"B641", 13, B640, 0x95, 0x0B, 0x0007},
    {"B642", 13, StandardEvent, 0x95, 0x0C, 0x0007},
    {"B643", 13, StandardEvent, 0x95, 0x0D, 0x0007},
    {"B644", 14, ExtraByte5Event, 0x95, 0x0E, 0x0007},
    {"B645", 14, ExtraByte5Event, 0x95, 0x0F, 0x0007},
    {"B646", 14, ExtraByte5Event, 0x95, 0x10, 0x0007},
    {"B650", 14, ExtraByteEvent, 0x95, 0x14, 0x0007},
    {"B651", 24, B651, 0x95, 0x15, 0x0007},
    {"B652", 17, ReadAndCheck, 0, 0, 0},
    {"B653", 17, ExtraFourByteEvent, 0x95, 0x17, 0x0007},
    {"B654", 14, ExtraByteEvent, 0x95, 0x18, 0x0007},
    {"B655", 25, B655, 0x95, 0x19, 0x0007},
    {"B656", 14, ExtraByteEvent, 0x95, 0x1A, 0x0007},
    {"B657", 14, ExtraByteEvent, 0x95, 0x1B, 0x0007},
    {"B658", 14, ExtraByteEvent, 0x95, 0x1C, 0x0007},
    {"B659", 16, B659, 0x95, 0x1D, 0x0007},
    {"B660", 17, ExtraFourByteEvent, 0x95, 0x1E, 0x0007},
    {"B661", 0, Empty, 0, 0, 0},
    {"B662", 14, ExtraByteEvent, 0x95, 0x20, 0x0007},
    {"B663", 14, ExtraByteEvent, 0x95, 0x21, 0x0007},
    {"B664", 14, ExtraByteEvent, 0x95, 0x22, 0x0007},
    {"B665", 15, ExtraTwoByteEvent, 0x95, 0x23, 0x0007},
    {"B666", 15, ExtraTwoByteEvent, 0x95, 0x24, 0x0007},
    {"B667", 15, ExtraTwoByteEvent, 0x95, 0x25, 0x0007},
    {"B668", 15, ExtraTwoByteEvent, 0x95, 0x26, 0x0007},
    {"B669", 14, ExtraByteEvent, 0x95, 0x27, 0x0007},
    {"B670", 13, StandardEvent, 0x95, 0x28, 0x0007},  // full record only
    {"B679", 14, ExtraByteEvent, 0x95, 0x31, 0x0007},
    {"B680", 9, B680, 0x95, 0x32, 0x0001},
    {"B681", 6, B681, 0x95, 0x33, 0x0006},
};

#undef EMU

// ZhuZhou devices: B607 is consumed and checked, nothing is written.
constexpr HandlerRow kZhuZhouRows[] = {
    {"B607", 14, ReadAndCheck, 0, 0, 0},
};

}  // namespace

std::span<const HandlerRow> FamilyB6() { return kRows; }
std::span<const HandlerRow> FamilyZhuZhouB6() { return kZhuZhouRows; }

}  // namespace railfmt
