// BA, BB, BC, BD, BE and BF records. Several BA records grew longer with the
// device's record-format version: versions below "34" (compared as text)
// use the short layout.
#include <string>

#include "handlers/common.h"
#include "handlers/families.h"
#include "handlers/station_record.h"

namespace railfmt {

void hs::WriteStationRecord(TFmtData& d) {
  BeginRecord(d, 0x20, 0xF0);
  const std::string& name = d.HeaderStationName;
  const int n = name.size() < 10 ? static_cast<int>(name.size()) : 10;
  if (n > 0) CopySmall(d.Out + 2, reinterpret_cast<const uint8_t*>(name.data()), n);
  d.Out[12] = static_cast<uint8_t>(d.StationNo);
  d.Out[23] = d.HandlerByteD;
  d.WriteRecord();
}

namespace {

using namespace hs;

// The long layout belongs to record-format versions "34" and later (text order).
bool LongLayout(const TFmtData& d) { return !(d.Hdr.VersionText < "34"); }

// The row's length for the short layout, aux for the long one.
HandlerRow Versioned(const TFmtData& d, const HandlerRow& r) {
  HandlerRow row = r;
  if (LongLayout(d)) row.len = r.aux;
  return row;
}

// ---- BA shared steps: the record is read and checked, then a full record
// with both header numbers is assembled (mask from the row, look-ahead), its
// bytes from 10 on are overwritten, and it is written by the caller.
bool AssembleBA(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  c.PeekAttached();
  d.AssembleRecord();
  return true;
}

// Bytes 10..11 := W(12); bytes 12..25 zero.
bool WordRecord(TNewToFmt& c, const HandlerRow& r) {
  if (!AssembleBA(c, r)) return false;
  TFmtData& d = c.d;
  Put16(d.Out, 10, W(d, 12));
  ClearFrom(d, 12);
  d.WriteRecord();
  return true;
}

void WordEvent15(TNewToFmt& c, const HandlerRow& r) { WordRecord(c, r); }

// Byte 10 := B(12), byte 11 := B(13); bytes 12..25 zero.
void TwoByteEvent15(TNewToFmt& c, const HandlerRow& r) {
  if (!AssembleBA(c, r)) return;
  TFmtData& d = c.d;
  d.Out[10] = static_cast<uint8_t>(B(d, 12));
  d.Out[11] = static_cast<uint8_t>(B(d, 13));
  ClearFrom(d, 12);
  d.WriteRecord();
}

// Byte 10 := B(12); bytes 11..25 zero (BA08, BA09, BA52).
void ByteEvent14(TNewToFmt& c, const HandlerRow& r) {
  if (!AssembleBA(c, r)) return;
  TFmtData& d = c.d;
  d.Out[10] = static_cast<uint8_t>(B(d, 12));
  ClearFrom(d, 11);
  d.WriteRecord();
}

// Bytes 10..12 := W(12) (short) or T(12) (long); bytes 13..23 zero.
void VersionedValueEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const bool lng = LongLayout(d);
  if (!AssembleBA(c, Versioned(d, r))) return;
  Put24(d.Out, 10, lng ? T(d, 12) : W(d, 12));
  for (int i = 13; i <= 23; ++i) d.Out[i] = 0;
  d.WriteRecord();
}

void VersionedTripleEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const bool lng = LongLayout(d);
  if (!AssembleBA(c, Versioned(d, r))) return;
  if (lng) {
    Put24(d.Out, 10, T(d, 12));
    d.Out[13] = static_cast<uint8_t>(B(d, 15));
    d.Out[14] = static_cast<uint8_t>(B(d, 16));
    Put24(d.Out, 15, T(d, 17));
    Put24(d.Out, 18, T(d, 20));
  } else {
    Put24(d.Out, 10, W(d, 12));
    d.Out[13] = static_cast<uint8_t>(B(d, 14));
    d.Out[14] = static_cast<uint8_t>(B(d, 15));
    Put24(d.Out, 15, W(d, 16));
    Put24(d.Out, 18, W(d, 18));
  }
  d.Out[21] = d.Out[22] = d.Out[23] = 0;
  d.WriteRecord();
}

// Byte 13 keeps the assembled Val13; the signal code taken from the value
// at raw 12 reaches later records only.
void VersionedSignalEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const bool lng = LongLayout(d);
  if (!AssembleBA(c, Versioned(d, r))) return;
  const int32_t v = T(d, 12);
  Put24(d.Out, 10, v);
  Put16(d.Out, 14, W(d, 15));
  Put24(d.Out, 16, lng ? T(d, 17) : W(d, 17));
  for (int i = 19; i <= 23; ++i) d.Out[i] = 0;
  d.WriteRecord();
  if (d.KeepSignal == 0) d.Val15 = static_cast<uint8_t>(((v >> 12) & 7) + 200);
}

// ---- BA own handlers

// A new station: number and name for later station records.
void BA02(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  d.StationNo = W(d, 8);
  d.HeaderStationName = TBridge::StationNameTrimmed(B(d, 7), d.StationNo);
  d.HandlerByteA = 1;
  WriteStationRecord(d);
}

// While the signal bits of the value are set, handlers leave Val15 alone.
void BA03(TNewToFmt& c, const HandlerRow& r) {
  if (!WordRecord(c, r)) return;
  TFmtData& d = c.d;
  d.KeepSignal = TBridge::SignalBitsTest(static_cast<uint8_t>(W(d, 12))) ? 1 : 0;
}

void BA06(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const bool lng = LongLayout(d);
  if (!AssembleBA(c, Versioned(d, r))) return;
  Put32(d.Out, 10, lng ? Q(d, 12) : W(d, 12));
  d.Out[14] = static_cast<uint8_t>(B(d, lng ? 16 : 14));
  ClearFrom(d, 15);
  d.WriteRecord();
}

// Bytes 10..11 keep the assembled Val10.
void BA07(TNewToFmt& c, const HandlerRow& r) {
  if (!AssembleBA(c, r)) return;
  TFmtData& d = c.d;
  d.Out[12] = static_cast<uint8_t>(B(d, 12));
  d.Out[13] = static_cast<uint8_t>(B(d, 13));
  Put16(d.Out, 14, W(d, 14));
  d.Out[16] = static_cast<uint8_t>(B(d, 16));
  d.Out[17] = static_cast<uint8_t>(B(d, 17));
  d.Out[18] = static_cast<uint8_t>(B(d, 18));
  Put16(d.Out, 19, W(d, 19));
  ClearFrom(d, 21);
  d.WriteRecord();
}

// No look-ahead; the same positions in both layouts.
void BA26(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, Versioned(d, r))) return;
  Header2(d);
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  d.AssembleRecord();
  d.Out[10] = static_cast<uint8_t>(B(d, 12));
  Put32(d.Out, 11, Q(d, 13));
  d.Out[15] = static_cast<uint8_t>(B(d, 17));
  d.Out[16] = static_cast<uint8_t>(B(d, 18));
  ClearFrom(d, 17);
  d.WriteRecord();
}

void BA27(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  if (d.KeepSignal == 0) d.Val15 = static_cast<uint8_t>(B(d, 5));
  FinishNoPeek(c);
}

// ---- BB

// Read with the one-byte layout although the code has two bytes: 17 bytes
// replace the second code byte, and 18 bytes are checked.
void BB05(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  d.ReadRaw(r.len - 1, 1);
  if (!d.CheckRecord(r.len)) return;
  Header1(d);
  PairValues(d, 11);
  Finish(c);
  WriteSupplementary(d, 2, W(d, 15));
}

// Val19 := W(12), Val21 := W(14); written without look-ahead.
bool PairDirect(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  PairValues(d);
  FinishNoPeek(c);
  return true;
}

void PairEventDirect(TNewToFmt& c, const HandlerRow& r) { PairDirect(c, r); }

void BB66(TNewToFmt& c, const HandlerRow& r) {
  if (!PairDirect(c, r)) return;
  TFmtData& d = c.d;
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 16));
  d.Out[3] = static_cast<uint8_t>(B(d, 17));
  d.WriteRecord();
}

// ---- BC

// Raw byte 12 (plain) selects 0x7A (0) or 0x7B (1); other values write nothing.
void BC30(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  uint8_t sub;
  switch (d.Raw[12]) {
    case 0: sub = 0x7A; break;
    case 1: sub = 0x7B; break;
    default: return;
  }
  Header2(d);
  d.Sub = sub;
  Finish(c);
}

// Bytes 2..4 := BCD values of raw 2..4 (BC50, BC51, BE02 start this way).
void BareTime(TFmtData& d, uint8_t code, uint8_t sub) {
  BeginRecord(d, code, sub);
  PutBcdBytes(d, 2, 2, 3);
}

void BC50(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BareTime(d, r.code, r.sub);
  for (int k = 5; k <= 11; k += 2) Put16(d.Out, k, W(d, k));
  d.WriteRecord();
}

void BC51(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BareTime(d, r.code, r.sub);
  d.Out[5] = static_cast<uint8_t>(B(d, 5));
  d.WriteRecord();
}

// ---- BD

// Header numbers; Val19 := the 3-byte number at raw 12 (cut to 16 bits),
// Val21 := W(15), Val10 := W(17).
bool RunRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  d.Val19 = static_cast<uint16_t>(T(d, 12));
  d.Val21 = static_cast<uint16_t>(W(d, 15));
  d.Val10 = W(d, 17);
  Finish(c);
  return true;
}

void RunEvent(TNewToFmt& c, const HandlerRow& r) { RunRecord(c, r); }

void RunEventLong(TNewToFmt& c, const HandlerRow& r) {
  if (!RunRecord(c, r)) return;
  TFmtData& d = c.d;
  WriteSupplementary(d, 2, W(d, 19));
}

// Two events in one record, each followed by three values.
void BD06(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  FinishNoPeek(c);
  BeginSupplementary(d);
  PutBcdBytes(d, 2, 5, 3);
  d.WriteRecord();

  d.Code = 0x97;
  d.Sub = 0x96;
  d.Time = B(d, 11) * 3600 + B(d, 12) * 60 + B(d, 13);
  FinishNoPeek(c);
  BeginSupplementary(d);
  PutBcdBytes(d, 2, 8, 3);
  d.WriteRecord();
}

void BD99(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  d.SetTime(d.HmsAt(2));
  BeginRecord(d, r.code, r.sub);
  d.Out[2] = static_cast<uint8_t>(d.Time / 3600);
  d.Out[3] = static_cast<uint8_t>((d.Time / 60) % 60);
  d.Out[4] = static_cast<uint8_t>(d.Time % 60);
  Put32(d.Out, 5, Q(d, 5));
  Put32(d.Out, 9, Q(d, 9));
  for (int k = 13; k <= 19; k += 2) Put16(d.Out, k, W(d, k));
  d.WriteRecord();
}

// ---- BE

void BE02(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BareTime(d, r.code, r.sub);
  for (int k = 5; k <= 9; k += 2) Put16(d.Out, k, W(d, k));
  d.WriteRecord();
}

void BE03(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  Finish(c);
  WriteSupplementary(d, 2, W(d, 5));
}

#define HDR(name, sub) {name, 13, HeaderOnlyEvent, 0x92, sub, 0}
#define WORD15(name, sub) {name, 15, WordEvent15, 0x92, sub, 0x0007}
#define TWO15(name, sub) {name, 15, TwoByteEvent15, 0x92, sub, 0x0007}
#define VVALUE(name, sub) {name, 15, VersionedValueEvent, 0x92, sub, 0x001F, 16}
#define VTRIPLE(name, sub) {name, 21, VersionedTripleEvent, 0x92, sub, 0x001F, 24}
#define VSIGNAL(name, sub) {name, 20, VersionedSignalEvent, 0x92, sub, 0x001F, 21}
#define PAIR(name, code, sub) {name, 17, PairEvent, code, sub, 0x0307}
#define STD(name, code, sub) {name, 13, StandardEvent, code, sub, 0x0007}
#define SKIP(name, len) {name, len, SkipBytes, 0, 0, 0, len - 2}

constexpr HandlerRow kRows[] = {
    {"BA01", 8, ReadAndCheck, 0, 0, 0},
    {"BA02", 13, BA02, 0x20, 0xF0, 0},
    {"BA03", 15, BA03, 0x92, 0x10, 0x0007},
    VSIGNAL("BA04", 0x11),
    TWO15("BA05", 0x12),
    {"BA06", 16, BA06, 0x92, 0x13, 0x0007, 18},
    {"BA07", 22, BA07, 0x92, 0x14, 0x0007},
    {"BA08", 14, ByteEvent14, 0x92, 0x15, 0x0007},
    {"BA09", 14, ByteEvent14, 0x92, 0x16, 0x0007},
    VTRIPLE("BA11", 0x17), VTRIPLE("BA12", 0x18),
    WORD15("BA13", 0x19),
    HDR("BA14", 0x1A), HDR("BA15", 0x1B), HDR("BA16", 0x1C),
    VVALUE("BA17", 0x1D), VVALUE("BA18", 0x1E),
    TWO15("BA19", 0x1F), TWO15("BA20", 0x20),
    WORD15("BA21", 0x24),
    VVALUE("BA22", 0x25),
    VSIGNAL("BA23", 0x26),
    {"BA26", 18, BA26, 0x92, 0x27, 0x0007, 20},
    {"BA27", 7, BA27, 0x92, 0x28, 0x0001},
    HDR("BA50", 0x50), HDR("BA51", 0x51),
    {"BA52", 14, ByteEvent14, 0x92, 0x52, 0x0007},

    PAIR("BB01", 0x92, 0x31), PAIR("BB02", 0x92, 0x32), PAIR("BB03", 0x92, 0x33),
    PAIR("BB04", 0x92, 0x34),
    {"BB05", 18, BB05, 0x92, 0x35, 0x0307},  // 19 bytes of input: 18 are checked
    PAIR("BB06", 0x92, 0x36), PAIR("BB07", 0x92, 0x37),
    PAIR("BB10", 0x92, 0x3A), PAIR("BB11", 0x92, 0x3B), PAIR("BB12", 0x92, 0x3C),
    PAIR("BB13", 0x92, 0x3D),
    HDR("BB20", 0x44),
    {"BB66", 19, BB66, 0x92, 0x66, 0x0307},
    {"BB67", 17, PairEventDirect, 0x92, 0x66, 0x0307},
    {"BB68", 17, PairEventDirect, 0x92, 0x66, 0x0307},

    SKIP("BC01", 10), SKIP("BC02", 10), SKIP("BC03", 11), SKIP("BC04", 37),
    SKIP("BC05", 10), SKIP("BC06", 10),
    {"BC30", 14, BC30, 0x86, 0x7A, 0x0007},
    STD("BC40", 0x89, 0x07), STD("BC41", 0x89, 0x08), STD("BC42", 0x89, 0x09),
    {"BC50", 14, BC50, 0x93, 0x0A, 0},
    {"BC51", 7, BC51, 0x93, 0x0A, 0},

    STD("BD01", 0x97, 0x01), STD("BD02", 0x97, 0x02), STD("BD03", 0x97, 0x03),
    {"BD04", 20, RunEvent, 0x97, 0x04, 0x030F},
    {"BD05", 20, RunEvent, 0x97, 0x05, 0x030F},
    {"BD06", 15, BD06, 0x97, 0x06, 0x0001},
    {"BD07", 22, RunEventLong, 0x97, 0x07, 0x030F},
    {"BD08", 22, RunEventLong, 0x97, 0x08, 0x030F},
    STD("BD09", 0x97, 0x09),
    {"BD99", 22, BD99, 0x97, 0x99, 0},

    PAIR("BE01", 0xF0, 0x51),
    {"BE02", 12, BE02, 0xF0, 0x52, 0},
    {"BE03", 8, BE03, 0x87, 0x70, 0x0001},

    SKIP("BF90", 8),
};

#undef HDR
#undef WORD15
#undef TWO15
#undef VVALUE
#undef VTRIPLE
#undef VSIGNAL
#undef PAIR
#undef STD
#undef SKIP

}  // namespace

std::span<const HandlerRow> FamilyBA() { return kRows; }

}  // namespace railfmt
