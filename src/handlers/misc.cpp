// The remaining two-byte families: B1 (0x83, 0x8C), B3, B4 (0xF0, 0x89),
// B7 (0xB0, 0x86), B9 (0x86, 0x87), DA (0x93, 0x8B, 0x8C) and the
// variable-length data blocks FE01..FE04, whose payload is copied into a run
// of 26-byte records.
#include <algorithm>
#include <cstring>

#include "handlers/common.h"
#include "handlers/families.h"
#include "handlers/station_record.h"

namespace railfmt {
namespace {

using namespace hs;

// Event time, Val13 := W(5), Val14 := W(7) (B901..B905).
void SpeedPair(TFmtData& d) {
  TimeOnly2(d);
  d.Val13 = static_cast<uint16_t>(W(d, 5));
  d.Val14 = static_cast<uint16_t>(W(d, 7));
}

// ============================================================== B1

// Two bare records from one 42-byte record; the second is a continuation
// whose first two bytes are data.
void SplitRecord42(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  BeginBare(d, r);
  Put16(d.Out, 5, W(d, 5));
  d.Out[7] = static_cast<uint8_t>(B(d, 7));
  d.Out[8] = static_cast<uint8_t>(B(d, 8));
  Put16(d.Out, 9, W(d, 9));
  const int m = B(d, 11) % 4;
  d.Out[11] = static_cast<uint8_t>(m == 1 ? 2 : m == 2 ? 1 : m);
  PutBcdBytes(d, 12, 12, 8);
  Put32(d.Out, 20, Q(d, 20));
  const int32_t q24 = Q(d, 24);
  Put16(d.Out, 24, q24);
  d.WriteRecord();

  std::memset(d.Out, 0, kRecordSize);
  d.Out[0] = ByteOf(q24, 2);
  d.Out[1] = ByteOf(q24, 3);
  Put16(d.Out, 2, W(d, 28));
  Put16(d.Out, 4, W(d, 30));
  Put24(d.Out, 6, Q(d, 32));
  Put16(d.Out, 9, W(d, 36));
  Put24(d.Out, 11, T(d, 38));
  d.WriteRecord();
}

// Header numbers, look-ahead, full record with byte 24 := 3; false when
// the check fails. The second record keeps the event time in bytes 2..4.
bool PositionMain(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  c.PeekAttached();
  d.AssembleRecord();
  d.Out[24] = 3;
  d.WriteRecord();
  d.Out[0] = 0x81;
  ClearFrom(d, 5);
  return true;
}

void PositionPairEvent(TNewToFmt& c, const HandlerRow& r) {
  if (!PositionMain(c, r)) return;
  TFmtData& d = c.d;
  d.Out[1] = 0x50;
  Put32(d.Out, 5, Q(d, 12));
  d.WriteRecord();
}

void ValuePairEvent(TNewToFmt& c, const HandlerRow& r) {
  if (!PositionMain(c, r)) return;
  TFmtData& d = c.d;
  d.Out[1] = 0x5A;
  d.Out[5] = ByteOf(W(d, 12), 0);
  d.WriteRecord();
}

// Header record without look-ahead, then byte 2 := B(12), bytes 3..5 := T(13).
void B107(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.WriteRecord();
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 12));
  Put24(d.Out, 3, T(d, 13));
  d.WriteRecord();
}

// ============================================================== B4

// The second code byte from the plain values x = raw 12 and y = raw 13.
struct SwitchCodes {
  uint8_t both, xOnly, yOnly, neither;
};
constexpr SwitchCodes kSwitchCodes[] = {
    {0x64, 0x63, 0x65, 0x66},  // B403
    {0x71, 0x70, 0x72, 0x73},  // B404
};

void SwitchPairEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  const SwitchCodes& t = kSwitchCodes[r.aux];
  const bool x = d.Raw[12] == 1, y = d.Raw[13] == 1;
  d.OutSub = x && y ? t.both : x ? t.xOnly : y ? t.yOnly : t.neither;
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  Header2(d);
  c.PeekAttached();
  d.AssembleRecord();
  d.Out[24] = static_cast<uint8_t>(d.InitMask);
  d.WriteRecord();
}

void B413(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  PutBcdBytes(d, 10, 12, 4);
  d.WriteRecord();
}

// Bytes 8..9 carry the Val8 of an earlier record.
void B414(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  d.Val5 = d.GetValue8();
  d.PlaceHead();
  Put16(d.Out, 10, W(d, 9));
  Put16(d.Out, 12, W(d, 11));
  ClearFrom(d, 14);
  d.WriteRecord();
}

// ============================================================== B7

// Dropped silently when its time is not a time of day or repeats the last
// start time; its value becomes the signal mode word.
void B701(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  if (!d.SkipRecord(2)) return;
  const int32_t t = d.GetTime();
  if (t >= 86400 || t == RunValues.LastStartTime) return;
  Header2(d);
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  c.PeekAttached();
  d.AssembleRecord();
  const int32_t w = W(d, 12);
  d.Out[8] = ByteOf(w, 0);
  d.SignalMode = static_cast<uint16_t>(w);
  d.WriteRecord();
}

void B704(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  TFmtData& d = c.d;
  WriteSupplementary(d, 2, W(d, 12));
}

// The second code byte by s = B(12); other values give codes 0x00 0x00.
constexpr uint8_t kSubCodes[][4] = {
    {0xC0, 0xC2, 0xC4, 0xB9},  // B712
    {0xC1, 0xC3, 0xC5, 0xBA},  // B713
};

void SubCodeEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  const int s = B(d, 12);
  if (s >= 1 && s <= 4) {
    d.Sub = kSubCodes[r.aux][s - 1];
  } else {
    d.Code = 0;
    d.Sub = 0;
  }
  Finish(c);
}

// A pair of second code bytes chosen from s = (raw 12 = 1) and the depot
// words of the locomotive's ZhuDuan record.
enum class LocoRule { Depot8Equal, Depot8Differ, Depot6Differ, Depot6Equal };
struct LocoPair {
  uint8_t first, second;
  LocoRule rule;
};
constexpr LocoPair kLocoPairs[] = {
    {0xCA, 0xC9, LocoRule::Depot8Equal},   // B750
    {0xB1, 0xB2, LocoRule::Depot8Differ},  // B751
    {0xCB, 0xCC, LocoRule::Depot6Differ},  // B752
    {0xCD, 0xCE, LocoRule::Depot6Differ},  // B753
    {0xB4, 0xB3, LocoRule::Depot6Equal},   // B754
};

// 16-bit word at offset k of the current ZhuDuan record; a record whose
// type code is below 1 is absent and its words read as 0.
int DepotWord(int k) {
  const auto& z = RunValues.ZhuDuan;
  const int16_t type = static_cast<int16_t>(z[0] | z[1] << 8);
  if (type < 1) return 0;
  return static_cast<int16_t>(z[k] | z[k + 1] << 8);
}

void LocoTypeEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  const LocoPair& p = kLocoPairs[r.aux];
  const bool s = d.Raw[12] == 1;
  bool first = false;
  switch (p.rule) {
    case LocoRule::Depot8Equal:
    case LocoRule::Depot8Differ:
      if (DepotWord(4) == 2) {
        if (!s) return;  // nothing is written
        first = true;
      } else {
        const bool w8 = DepotWord(8) == 1;
        first = s == (p.rule == LocoRule::Depot8Equal ? w8 : !w8);
      }
      break;
    case LocoRule::Depot6Differ: first = s != (DepotWord(6) == 1); break;
    case LocoRule::Depot6Equal: first = s == (DepotWord(6) == 1); break;
  }
  d.OutSub = first ? p.first : p.second;
  d.WriteStandard();
}

// A new station number on the current line, then the station record.
void B795(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  if (!d.SkipRecord(2)) return;
  d.StationNo = W(d, 5);
  d.HeaderStationName = TBridge::StationNameTrimmed(d.StationGroup, d.StationNo);
  d.HandlerByteA = 1;
  WriteStationRecord(d);
}

// Val19, Val21, Val13, Val14 from raw 12..19, written without look-ahead,
// then byte 2 := B(20).
void B796(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  PairValues(d);
  d.Val13 = static_cast<uint16_t>(W(d, 16));
  d.Val14 = static_cast<uint16_t>(W(d, 18));
  FinishNoPeek(c);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 20));
  d.WriteRecord();
}

// ============================================================== B9

// The second code byte by raw byte 1 and the low nibble n of raw 9.
struct ModeCodes {
  uint8_t n0, n1, other;
};
constexpr ModeCodes kModeCodes[] = {
    {0xDF, 0xD0, 0x1F},  // B901
    {0xDE, 0xDD, 0x1E},  // B902
};

void ModeSwitchEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  const ModeCodes& m = kModeCodes[r.aux];
  const int n = d.Raw[9] & 0x0F;
  SpeedPair(d);
  d.Sub = n == 0 ? m.n0 : n == 1 ? m.n1 : m.other;
  Finish(c);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 9));
  d.Out[3] = static_cast<uint8_t>(B(d, 10));
  d.WriteRecord();
}

void SpeedPairEvent(TNewToFmt& c, const HandlerRow& r) {
  if (!Read2(c, r)) return;
  SpeedPair(c.d);
  Finish(c);
}

void B921(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  TFmtData& d = c.d;
  BeginSupplementary(d);
  Put32(d.Out, 2, Q(d, 12));
  d.Out[6] = static_cast<uint8_t>(B(d, 16));
  d.Out[7] = static_cast<uint8_t>(B(d, 17));
  d.WriteRecord();
}

// Header record with the row's mask in bytes 24..25, no look-ahead.
void HeaderMaskEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  Put16(d.Out, 24, r.mask);
  d.WriteRecord();
}

// ============================================================== DA

void DA01(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  TFmtData& d = c.d;
  BeginSupplementary(d);
  Put24(d.Out, 2, T(d, 12));
  d.Out[5] = static_cast<uint8_t>(B(d, 15));
  d.Out[6] = static_cast<uint8_t>(B(d, 16));
  d.WriteRecord();
}

void DA02(TNewToFmt& c, const HandlerRow& r) {
  if (!StandardRecord(c, r)) return;
  TFmtData& d = c.d;
  WriteSupplementary(d, 2, W(d, 12));
}

void DA03(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  PairValues(d);
  FinishNoPeek(c);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 16));
  d.WriteRecord();
}

// ============================================================== FE

// W(2) is the block length L. A length shorter than the block's fixed part
// leaves an empty payload.
int32_t Payload(const TFmtData& d, int fixed) { return std::max<int32_t>(W(d, 2) - fixed, 0); }

std::size_t Remaining(const MemStream& in) {
  return in.Position() < in.Size() ? in.Size() - in.Position() : 0;
}

// n payload bytes straight from the input into Out[start..].
void CopyPayload(TFmtData& d, int n, int start) {
  d.ReadBytes(d.Out, kRecordSize - 1, n, start);
}

// The payload that did not fit into the first record, 26 bytes a record.
// A whole chunk is read only when the input still holds 26 bytes; otherwise
// the record stays cleared. Then the block's trailing byte is skipped.
void PayloadRecords(TFmtData& d, int32_t rest) {
  for (; rest > 0; rest -= kRecordSize) {
    std::memset(d.Out, 0, sizeof d.Out);
    const int n = std::min<int32_t>(rest, kRecordSize);
    if (n < kRecordSize || Remaining(*d.InStream) >= static_cast<std::size_t>(kRecordSize))
      CopyPayload(d, n, 0);
    d.WriteRecord();
  }
  d.InStream->SeekBy(1);
}

void FE01(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  d.ReadRaw(5, 2);
  const int32_t p = Payload(d, kFe01Fixed);
  BeginRecord(d, r.code, r.sub);
  PutBcdBytes(d, 2, 4, 3);
  Put16(d.Out, 5, p);
  const int first = std::min(p, kFe01FirstPayload);
  CopyPayload(d, first, 7);
  d.WriteRecord();
  PayloadRecords(d, p - first);
}

// FE02, FE03: a block that the input cannot hold is dropped.
void DataBlock(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (Remaining(*d.InStream) < 12) return;
  d.ReadRaw(12, 2);
  const int32_t p = Payload(d, 13);
  BeginRecord(d, r.code, r.sub);
  PutBcdBytes(d, 2, 4, 3);
  Put24(d.Out, 5, Q(d, 7));
  Put16(d.Out, 8, T(d, 11));
  Put16(d.Out, 10, p);
  if (Remaining(*d.InStream) < static_cast<std::size_t>(p)) return;
  const int first = std::min(p, 14);
  CopyPayload(d, first, 12);
  d.WriteRecord();
  PayloadRecords(d, p - first);
}

// Read and passed over; nothing is written. A payload longer than the raw
// record holds is passed over without being stored.
void FE04(TNewToFmt& c, const HandlerRow&) {
  TFmtData& d = c.d;
  if (Remaining(*d.InStream) < 12) return;
  d.ReadRaw(5, 2);
  const int32_t p = Payload(d, 6);
  const int32_t stored = std::min(p, kRawSize - 7);
  d.ReadRaw(stored, 7);
  d.InStream->SeekBy(p - stored + 1);
}

// ============================================================== tables

#define STD(name, code, sub, mask) {name, 13, StandardEvent, code, sub, mask}
#define CHECK(name, len) {name, len, ReadAndCheck, 0, 0, 0}

constexpr HandlerRow kRows[] = {
    {"B101", 42, SplitRecord42, 0x83, 0x01, 0},
    {"B102", 17, PositionPairEvent, 0x8C, 0x03, 0x0007},
    {"B103", 17, PositionPairEvent, 0x8C, 0x04, 0x0007},
    {"B104", 17, PositionPairEvent, 0x8C, 0x05, 0x0007},
    {"B105", 17, PositionPairEvent, 0x8C, 0x08, 0x0007},
    STD("B106", 0x8C, 0x09, 0x0007),
    {"B107", 17, B107, 0x8C, 0x30, 0},
    {"B110", 42, SplitRecord42, 0x83, 0x03, 0},
    {"B111", 15, ValuePairEvent, 0x8C, 0x06, 0x0007},
    {"B112", 15, ValuePairEvent, 0x8C, 0x07, 0x0007},
    CHECK("B113", 17), CHECK("B114", 17),
    {"B115", 17, PositionPairEvent, 0x8C, 0x0E, 0x0007},
    {"B116", 17, PositionPairEvent, 0x8C, 0x0F, 0x0007},
    CHECK("B117", 17),
    {"B118", 42, SplitRecord42, 0x83, 0x02, 0},

    {"B301", 7, A014, 0xF0, 0x50, 0x0001},

    STD("B401", 0xF0, 0x61, 0x0003),
    STD("B402", 0xF0, 0x62, 0x0003),
    {"B403", 15, SwitchPairEvent, 0xF0, 0x66, 0x0007, 0},
    {"B404", 15, SwitchPairEvent, 0xF0, 0x73, 0x0007, 1},
    CHECK("B405", 21), CHECK("B406", 21), CHECK("B407", 20), CHECK("B408", 17),
    CHECK("B409", 17), CHECK("B410", 17), CHECK("B411", 17), CHECK("B412", 17),
    {"B413", 17, B413, 0xF0, 0x86, 0},
    {"B414", 14, B414, 0x89, 0x06, 0},

    {"B701", 15, B701, 0xB0, 0x80, 0x0003},
    STD("B702", 0xB0, 0x30, 0x0003),
    {"B703", 0, Empty, 0, 0, 0},
    {"B704", 15, B704, 0x86, 0x78, 0x0007},
    STD("B705", 0x86, 0x79, 0x0007),
    STD("B706", 0x86, 0x76, 0x0007),
    STD("B707", 0x86, 0x77, 0x0007),
    {"B708", 8, SkipBytes, 0, 0, 0, 6},
    STD("B709", 0xB0, 0x32, 0x0007),
    STD("B710", 0xB0, 0x33, 0x0007),
    STD("B711", 0xB0, 0x34, 0x0007),
    {"B712", 14, SubCodeEvent, 0x86, 0x00, 0x0007, 0},
    {"B713", 14, SubCodeEvent, 0x86, 0x00, 0x0007, 1},
    {"B750", 14, LocoTypeEvent, 0x86, 0xCA, 0x0007, 0},
    {"B751", 14, LocoTypeEvent, 0x86, 0xB1, 0x0007, 1},
    {"B752", 14, LocoTypeEvent, 0x86, 0xCB, 0x0007, 2},
    {"B753", 14, LocoTypeEvent, 0x86, 0xCD, 0x0007, 3},
    {"B754", 14, LocoTypeEvent, 0x86, 0xB4, 0x0007, 4},
    {"B795", 14, B795, 0x20, 0xF0, 0},
    {"B796", 22, B796, 0x8C, 0x31, 0x1347},

    {"B901", 12, ModeSwitchEvent, 0x86, 0x1F, 0x1001, 0},
    {"B902", 12, ModeSwitchEvent, 0x86, 0x1E, 0x1001, 1},
    {"B903", 10, SpeedPairEvent, 0x86, 0x30, 0x1001},
    {"B904", 10, SpeedPairEvent, 0x86, 0x31, 0x1001},
    {"B905", 10, SpeedPairEvent, 0x86, 0x32, 0x1001},
    STD("B906", 0x87, 0x46, 0x0007), STD("B907", 0x87, 0x47, 0x0007),
    STD("B908", 0x87, 0x40, 0x0007), STD("B909", 0x87, 0x41, 0x0007),
    STD("B910", 0x87, 0x42, 0x0007), STD("B911", 0x87, 0x43, 0x0007),
    STD("B912", 0x87, 0x44, 0x0007), STD("B913", 0x87, 0x45, 0x0007),
    {"B920", 17, LongValueEvent, 0x87, 0x48, 0x0007},
    {"B921", 19, B921, 0x87, 0x49, 0x0007},
    {"B922", 13, HeaderMaskEvent, 0x87, 0x50, 0x0007},
    {"B923", 13, HeaderMaskEvent, 0x87, 0x51, 0x0007},

    {"DA01", 19, DA01, 0x93, 0x10, 0x0007},
    {"DA02", 15, DA02, 0x8B, 0x11, 0x0007},
    {"DA03", 22, DA03, 0x8C, 0x31, 0x1347},

    {"FE01", 0, FE01, 0x92, 0x23, 0},
    {"FE02", 0, DataBlock, 0x92, 0x21, 0},
    {"FE03", 0, DataBlock, 0x92, 0x22, 0},
    {"FE04", 0, FE04, 0, 0, 0},
};

// ZhuZhou devices: these records are consumed and checked, nothing is written.
constexpr HandlerRow kZhuZhouRows[] = {
    CHECK("B107", 17), CHECK("B301", 8), CHECK("B302", 8), CHECK("B303", 8),
    CHECK("B304", 9),  CHECK("B405", 15), CHECK("B406", 15), CHECK("B407", 15),
    CHECK("B409", 15), CHECK("B411", 15), CHECK("B715", 8),
};

#undef STD
#undef CHECK

}  // namespace

std::span<const HandlerRow> FamilyMisc() { return kRows; }
std::span<const HandlerRow> FamilyZhuZhouMisc() { return kZhuZhouRows; }

}  // namespace railfmt

// The record reference reads which rows write a record and its continuation.
namespace railfmt {
bool WritesContinuation(const HandlerRow& row) { return row.step == SplitRecord42; }
}  // namespace railfmt
