// Run and station records B801..B899. Output records mostly start with 0x86;
// most are plain full records of the shared steps. The own handlers add a
// second record with extra values, choose the second code byte from a
// sub-value, or (B801) write the departure station record.
#include <span>

#include "handlers/common.h"
#include "handlers/families.h"
#include "handlers/station_record.h"

namespace railfmt {
namespace {

using namespace hs;

// Val19 := W(12), Val21 := W(14).
void PairFields(TFmtData& d) {
  PairValues(d);
}

// ---------------------------------------------------------------- shared steps

// B(12) = 1 or 2 chooses the second code packed in row.aux (low byte for 1,
// next byte for 2); any other value keeps the row's own.
constexpr int Select(int one, int two) { return one | two << 8; }

void SelectEvent14(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  switch (B(d, 12)) {
    case 1: d.Sub = static_cast<uint8_t>(r.aux); break;
    case 2: d.Sub = static_cast<uint8_t>(r.aux >> 8); break;
    default: break;
  }
  Finish(c);
}

// The event time only, then a supplementary record with W(5).
void SelectWordEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  Finish(c);
  WriteSupplementary(d, 2, W(d, 5));
}

// SignalEvent, then a supplementary record with Q(18).
void SelectSignalEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  WriteSupplementary(d, 4, Q(d, 18));
}

// ---------------------------------------------------------------- own handlers

// Departure: the running values of the start, then the departure station
// record with the station named last (start-up, A806, BA02 or B795).
void B801(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  const PairWindow<2> p(d, v);
  d.Val10 = p.T<12>();
  d.Val12 = static_cast<uint8_t>(B(d, 15));
  d.Val13 = static_cast<uint16_t>(p.W<16>());
  d.Val14 = static_cast<uint16_t>(W(d, 18) / 10);
  RunState& run = RunValues;
  if (!run.FirstValueFlag) {
    d.Hdr.B41 = static_cast<uint8_t>(d.Val13 / 10);
    run.FirstValueFlag = true;
  }
  Finish(c);
  d.HandlerByteA = 0;
  WriteStationRecord(d);
}

// SignalEvent whose second code is chosen by B(18) from a table; values not
// in the table keep the row's own.
struct SubByValue {
  uint8_t value;
  uint8_t sub;
};

void SignalTableEvent(TNewToFmt& c, const HandlerRow& r, std::span<const SubByValue> table) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  PairFields(d);
  G(d, 16);
  const int s = B(d, 18);
  for (const SubByValue& e : table)
    if (e.value == s) d.Sub = e.sub;
  Finish(c);
}

constexpr SubByValue kB807Subs[] = {{1, 0xA0}, {2, 0xA2}, {3, 0xA3}, {4, 0xA1},
                                    {6, 0xA5}, {8, 0xA6}, {9, 0xA7}, {10, 0xA4}};
constexpr SubByValue kB808Subs[] = {{1, 0xA8},  {3, 0xA9},  {5, 0xAA},  {6, 0xAB}, {8, 0xAC},
                                    {9, 0xAD}, {10, 0xAE}, {11, 0xAF}, {12, 0xB0}};

void B807(TNewToFmt& c, const HandlerRow& r) { SignalTableEvent(c, r, kB807Subs); }
void B808(TNewToFmt& c, const HandlerRow& r) { SignalTableEvent(c, r, kB808Subs); }

// SignalEvent, then a cleared record 0x86 `sub` with the low byte of W(18).
void SignalCountEvent(TNewToFmt& c, const HandlerRow& r, uint8_t sub) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  BeginRecord(d, 0x86, sub);
  d.Out[2] = ByteOf(W(d, 18), 0);
  d.WriteRecord();
}

// B810 marks that a line change may follow (see A818), also when its record
// is rejected.
void B810(TNewToFmt& c, const HandlerRow& r) {
  c.d.HandlerByteB = 1;
  SignalCountEvent(c, r, 0x0C);
}

void B811(TNewToFmt& c, const HandlerRow& r) { SignalCountEvent(c, r, 0x0D); }

void B825(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!PairRecord(c, r)) return;
  BeginRecord(d, 0x86, 0x1A);
  Put16(d.Out, 2, W(d, 16));
  Put32(d.Out, 4, W(d, 18));
  d.WriteRecord();
}

// The second record 0x81 0x50 keeps the event time of the first.
void B826(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!PairRecord(c, r)) return;
  ClearFrom(d, 5);
  d.Out[0] = 0x81;
  d.Out[1] = 0x50;
  Put32(d.Out, 5, Q(d, 16));
  Put32(d.Out, 9, Q(d, 20));
  d.WriteRecord();
}

void B843(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  BeginBare(d, r, v);
  const PairWindow<2> p(d, v);
  d.Out[10] = static_cast<uint8_t>(FirstValues2(d, v) >> 24);
  Put16(d.Out, 11, p.W<6>());
  Put16(d.Out, 13, p.W<8>());
  d.WriteRecord();
}

void B846(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 18));
  Put16(d.Out, 3, W(d, 19));
  d.WriteRecord();
}

void B847(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 18));
  Put32(d.Out, 3, Q(d, 19));
  d.WriteRecord();
}

void B855(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!StandardRecord(c, r)) return;
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 12));
  d.WriteRecord();
}

void B858(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  BeginSupplementary(d);
  Put32(d.Out, 2, Q(d, 18));
  Put16(d.Out, 6, W(d, 22));
  d.WriteRecord();
}

void B859(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!SignalRecord(c, r)) return;
  WriteSupplementary(d, 2, W(d, 18));
}

// Raw byte 12, as a plain number, chooses 0xD1..0xD3; any other value keeps
// the second code of the previous record.
void B860(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  const uint8_t previous = d.Sub;
  Header2(d);
  switch (d.Raw[12]) {
    case 1: d.Sub = 0xD1; break;
    case 2: d.Sub = 0xD2; break;
    case 3: d.Sub = 0xD3; break;
    default: d.Sub = previous; break;
  }
  FinishNoPeek(c);
}

// PairEvent without look-ahead; answers whether the record was taken.
bool PairEventNoPeek(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  PairFields(d);
  FinishNoPeek(c);
  return true;
}

void B895(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!PairEventNoPeek(c, r)) return;
  WriteSupplementary(d, 2, W(d, 16));
}

void B896(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!PairEventNoPeek(c, r)) return;
  WriteSupplementary(d, 3, T(d, 16));
}

// ---------------------------------------------------------------- tables

#define STATE(name, sub) {name, 17, StateWordEvent, 0x86, sub, 0x000F}
#define PAIR(name, code, sub) {name, 17, PairEvent, code, sub, 0x0307}
#define SIGNAL(name, sub) {name, 19, SignalEvent, 0x86, sub, 0x0317}
#define STANDARD(name, sub) {name, 13, StandardEvent, 0x86, sub, 0x0007}
#define PAIR_TIME(name, sub) {name, 10, PairTimeEvent, 0x86, sub, 0x0301, 2}

constexpr HandlerRow kRows[] = {
    {"B801", 21, B801, 0x86, 0x01, 0x004F},
    STATE("B802", 0x02), STATE("B803", 0x03), STATE("B804", 0x05),
    PAIR("B805", 0x86, 0x07), PAIR("B806", 0x86, 0x08),
    {"B807", 20, B807, 0x86, 0x06, 0x0317},
    {"B808", 20, B808, 0x86, 0x0A, 0x0317},
    SIGNAL("B809", 0x0B),
    {"B810", 21, B810, 0x8B, 0x0C, 0x0317},
    {"B811", 21, B811, 0x8B, 0x0C, 0x0317},
    PAIR("B813", 0x86, 0x10),
    SIGNAL("B814", 0x0E), SIGNAL("B815", 0x0F),
    PAIR_TIME("B816", 0x11), PAIR_TIME("B817", 0x12),
    SIGNAL("B818", 0x13),
    STATE("B819", 0x14), STATE("B820", 0x15), STATE("B821", 0x16),
    STANDARD("B822", 0x17), STANDARD("B823", 0x18),
    {"B824", 17, LongValueEvent, 0x86, 0x19, 0x0007},
    {"B825", 23, B825, 0x8B, 0x0C, 0x0307},
    {"B826", 25, B826, 0x86, 0x1B, 0x0307},
    PAIR("B827", 0x86, 0x1C),
    {"B828", 14, SelectEvent14, 0x86, 0x2B, 0x0007, Select(0x6D, 0x6B)},
    {"B829", 14, SelectEvent14, 0x86, 0x2A, 0x0007, Select(0x6A, 0x6C)},
    STANDARD("B834", 0x34), STANDARD("B835", 0x35),
    PAIR("B836", 0x86, 0x36),
    {"B837", 7, SmallValueRecord, 0x86, 0x37, 0},
    {"B838", 7, SmallValueRecord, 0x86, 0x38, 0},
    PAIR_TIME("B839", 0x39), PAIR_TIME("B840", 0x40),
    STANDARD("B841", 0x7C),
    SIGNAL("B842", 0x42),
    {"B843", 11, B843, 0x86, 0x86, 0},
    {"B844", 8, SelectWordEvent, 0x86, 0x7E, 0x0001},
    {"B845", 8, SelectWordEvent, 0x86, 0x7F, 0x0001},
    {"B846", 22, B846, 0x86, 0x80, 0x0317},
    {"B847", 24, B847, 0x86, 0x85, 0x0317},
    SIGNAL("B848", 0x81),
    {"B849", 23, SelectSignalEvent, 0x86, 0x82, 0x0317},
    {"B850", 23, SelectSignalEvent, 0x86, 0x84, 0x0317},
    PAIR("B851", 0x81, 0x52), PAIR("B852", 0x81, 0x53),
    PAIR("B854", 0x87, 0x61),
    {"B855", 14, B855, 0x86, 0x83, 0x0007},
    SIGNAL("B856", 0x90), SIGNAL("B857", 0x91),
    {"B858", 25, B858, 0x86, 0xE3, 0x0317},
    {"B859", 21, B859, 0x86, 0xE4, 0x0317},
    {"B860", 14, B860, 0x86, 0xD1, 0x0007},
    SIGNAL("B890", 0xC6), SIGNAL("B891", 0xC7), SIGNAL("B892", 0xC8),
    {"B895", 19, B895, 0x86, 0xE1, 0x0307},
    {"B896", 20, B896, 0x86, 0xE2, 0x0307},
    {"B897", 20, StateWordLongEvent, 0x86, 0x92, 0x000F},
    {"B898", 20, StateWordLongEvent, 0x86, 0x93, 0x000F},
    {"B899", 20, StateWordLongEvent, 0x86, 0x94, 0x000F},
};

// ZhuZhou B829 records are 11 bytes long; the selector at raw 12 lies past
// them (always zero), so they carry 0x86 0x2A.
constexpr HandlerRow kZhuZhouRows[] = {
    {"B829", 11, SelectEvent14, 0x86, 0x2A, 0x0007, Select(0x6A, 0x6C)},
};

#undef STATE
#undef PAIR
#undef SIGNAL
#undef STANDARD
#undef PAIR_TIME

}  // namespace

std::span<const HandlerRow> FamilyB8() { return kRows; }
std::span<const HandlerRow> FamilyZhuZhouB8() { return kZhuZhouRows; }

}  // namespace railfmt
