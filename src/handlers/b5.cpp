// B5xx records (0x99). None of them looks ahead for an attached state
// record: each is assembled from the running state as it stands and written
// at once, and a following F0/F1 is converted on its own.
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// The low three bytes of the 4-byte BCD number at raw k, little-endian.
void PutQ3(TFmtData& d, int pos, int k) { Put24(d.Out, pos, Q(d, k)); }

// ---- shared steps

// Header numbers, Val19 := W(12), Val21 := W(14), G(16).
void SignalEventDirect(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  PairValues(d);
  G(d, 16);
  FinishNoPeek(c);
}

// Time only (Val5 and Val8 keep their values), Val19, Val21, G(16) and
// Val13 := the 4-byte BCD number at raw 18.
void SignalValueEventDirect(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  TimeOnly2(d);
  PairValues(d);
  G(d, 16);
  d.Val13 = static_cast<uint16_t>(Q(d, 18));
  FinishNoPeek(c);
}

// Header numbers only (B541, B542).
void StandardEventDirect(TNewToFmt& c, const HandlerRow& r) {
  if (!Read2(c, r)) return;
  Header2(c.d);
  FinishNoPeek(c);
}

// B501..B505: time and the 8-digit number, written; then the supplementary
// record is started for the counters. False when the check fails.
bool CounterRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return false;
  TimeOnly2(d);
  d.Val5 = d.GetValue8();
  FinishNoPeek(c);
  BeginSupplementary(d);
  return true;
}

// ---- own handlers

void B501(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!CounterRecord(c, r)) return;
  PutQ3(d, 2, 9);
  PutQ3(d, 5, 13);
  PutQ3(d, 8, 17);
  PutQ3(d, 11, 21);
  PutQ3(d, 14, 25);
  d.Out[17] = static_cast<uint8_t>(B(d, 29));
  d.WriteRecord();
}

// Byte 17 takes raw 29, which lies past this record and reads 0.
void B502(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!CounterRecord(c, r)) return;
  PutQ3(d, 2, 9);
  PutQ3(d, 11, 13);
  PutQ3(d, 14, 17);
  d.Out[17] = static_cast<uint8_t>(B(d, 29));
  d.WriteRecord();
}

void B503(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!CounterRecord(c, r)) return;
  Put16(d.Out, 2, W(d, 9));
  Put16(d.Out, 4, W(d, 11));
  d.WriteRecord();
}

void B504(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!CounterRecord(c, r)) return;
  PutQ3(d, 2, 9);
  d.Out[5] = static_cast<uint8_t>(B(d, 13));
  d.WriteRecord();
}

void B505(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!CounterRecord(c, r)) return;
  PutQ3(d, 2, 9);
  d.WriteRecord();
}

// Raw byte 9 (plain) selects 0x35 (1) or 0x36 (2); other values write nothing.
void B536(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  uint8_t sub;
  switch (d.Raw[9]) {
    case 1: sub = 0x35; break;
    case 2: sub = 0x36; break;
    default: return;
  }
  TimeOnly2(d);
  d.Sub = sub;
  d.Val13 = static_cast<uint16_t>(Q(d, 5));
  FinishNoPeek(c);
}

// Raw byte 5 (plain) selects 0x37 (0) or 0x38 (1); other values write nothing.
void B537(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read2(c, r)) return;
  uint8_t sub;
  switch (d.Raw[5]) {
    case 0: sub = 0x37; break;
    case 1: sub = 0x38; break;
    default: return;
  }
  TimeOnly2(d);
  d.Sub = sub;
  FinishNoPeek(c);
}

#define SIG(name, sub) {name, 19, SignalEventDirect, 0x99, sub, 0x0317}
#define SIGVAL(name, sub) {name, 23, SignalValueEventDirect, 0x99, sub, 0x0537}

constexpr HandlerRow kRows[] = {
    {"B501", 31, B501, 0x99, 0x01, 0x0003},
    {"B502", 23, B502, 0x99, 0x02, 0x0003},
    {"B503", 14, B503, 0x99, 0x03, 0x0003},
    {"B504", 15, B504, 0x99, 0x04, 0x0003},
    {"B505", 14, B505, 0x99, 0x05, 0x0003},
    SIG("B511", 0x11), SIG("B512", 0x12), SIG("B513", 0x13), SIG("B514", 0x14),
    SIG("B515", 0x15), SIG("B516", 0x16), SIG("B517", 0x17), SIG("B518", 0x18),
    SIG("B519", 0x19), SIG("B520", 0x20),
    SIGVAL("B530", 0x30), SIGVAL("B531", 0x31), SIGVAL("B532", 0x32), SIGVAL("B535", 0x33),
    {"B536", 11, B536, 0x99, 0x35, 0x0041},
    {"B537", 7, B537, 0x99, 0x37, 0x0001},
    {"B541", 13, StandardEventDirect, 0x99, 0x41, 0x0007},
    {"B542", 13, StandardEventDirect, 0x99, 0x42, 0x0007},
};

#undef SIG
#undef SIGVAL

}  // namespace

std::span<const HandlerRow> FamilyB5() { return kRows; }

}  // namespace railfmt
