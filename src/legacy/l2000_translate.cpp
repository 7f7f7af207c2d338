// Record translation of the earlier L2000 format: one table of codes and
// sub-codes with their body lengths and output codes, the shared steps of a
// state record, position marks, the state records that may only follow a
// state record (F0, F1), the long state records ED/EE, the 52-byte units of
// B1 01 / B2 18, and the records written byte by byte in the second area.
#include <cstdlib>
#include <cstring>
#include <string>

#include "tables/bridge.h"
#include "legacy/l2000_internal.h"
#include "texts/texts.h"

namespace railfmt::legacy {
namespace {

// ---------------------------------------------------------------------------
// Second-area layouts. Every record written byte by byte starts from zero
// with its output code in bytes 0..1; the ops below fill the rest. Source
// offsets are record-buffer positions; "time" is the record's time of day
// (b[1..3] for single-byte codes, b[2..4] for the others); "rest" (n = 0)
// runs up to the last data byte of the record (the byte before the check byte).
//
//   layout         record bytes                                   used by
//   kTimeOnly      2..4 time                                      A8 55/56
//   kSmall         2..4 time; 5 = bcd(5)                          A8 18/19/24/38/51/53, B8 37/38
//   kLow8Rest      2..4 time; 5 = low byte of bcd(5..last)        A8 05 (6- and 5-byte forms)
//   kWord          2..4 time; 5..6 = bcd(5,2)                     A8 6-byte group
//   kTriple        2..4 time; 5..7 = bcd(5,3)                     A8 27/29/45/58
//   kDigits        2..last = bcd of each record byte 2..last      A8 01/42/52, BC 51
//   kA802          2..4 = bcd(5..7); 5..7 = bcd(2..4)             A8 02
//   kA803          2..4 time; 5..6 = bcd(5,3); 7..8 = bcd(8,3)    A8 03
//   kA857          2..4 time; 5..7 = bcd(9,3); 8..11 = b[8..11]   A8 57
//   kDriver(Fill)  2..4 time; 5..6 = bcd(5,3); 7..18 name as the  A8 04 / A8 21
//                  start-up record of the same code (8 + 4)
//   kStation       2..4 time; 5..6 = bcd(5,2); 7..18 name (9 + 3) A8 06
//   kDigitsFrom1   2..7 = bcd of record bytes 1..6                CD
//   kPosValue      2..4 time; 5..7 = bcd(5,4); 8 = bcd(9);        A0 13/59
//                  9 = bcd(10)
//   kCodeText      2..4 time; 5..7 = bcd(5,4); 8 = bcd(9);        A0 08/09/60 (chip text),
//                  9..25 code text of bcd(9), space-filled          A0/A4 18..31 (channel text:
//                                                                  pairs 18.. analogue, signal
//                                                                  input, handle, brake, board,
//                                                                  self-test item, CAN fault)
//   kBoardFault    2..4 time; 5..12 BoardText(bcd(9));            A0/A4 36/37
//                  13..25 FaultBitsText(b[10] * 256 + b[11]) (the mask bits as written)
//   kRest5         2..4 time; 5.. = bcd of record bytes 5..last   A5 01
//   kSigned8       2..4 time; 5..6 = bcd(8,2), above 1000 taken   C5 (96 01), C6 (87 07)
//                  as -(v mod 1000), two's complement
//   kWord8         2..4 time; 5..6 = bcd(8,2)                     E2, E8, EA
//   kTriple8       2..4 time; 5..7 = bcd(8,3)                     E9
//   kByte13        2..4 time; 5 = bcd(13)                         E1 (8A 02)
//   kPair8         2..4 time; 5..6 = bcd(8,2); 7..8 = bcd(10,2)   EF (8B 0A)
//   kPair23        2..4 time; 5..6 = bcd(23,2); 7..8 = bcd(25,2)  ED, EE (8B 0A)
//   kQuad9         2..4 time; 5..8 = bcd(9,3)                     B1 02-05, B2 13-19 (81 50)
//   kQuad11        2..4 time; 5..8 = bcd(11,3)                    B8 26 (81 50)
//   kLow8At9       2..4 time; 5 = low byte of bcd(9,2)            B2 11/12 (81 5A)
//   kB701          2..4 time; 5..7 = bcd(5,4); 8 = low of bcd(9,2) B7 01 (B0 80)
//   kWord16        2..4 time; 5..6 = bcd(16,2)                    B8 10/11 (86 0C/0D)
//   kRest11        2..4 time; 5..6 = bcd(11..last)                B8 25 (86 1A; one byte in the
//                                                                  11-byte form)
//   kBC50          2..4 time; 5..6, 7..8, 9..10, 11..12 =         BC 50
//                  bcd(5,2), bcd(7,2), bcd(9,2), bcd(11,2)
//   kPosOnly       2..4 time; 5..7 = bcd(5,4)                     A0 08/09/60 8-byte form
//
// Records of other kinds (own code in the table below):
//   A0 10-12       state record, Sub = the sub-code read as BCD
//   A8 20          81 25: 2..4 time, 5..7 = bcd(11,3), 8..11 = b[7..10];
//                  then 81 24: 2..4 time, 5 = bcd(5,2) mod 4, 6 = bcd(5,2) div 256
//   A8 25          state record A8 25: time only, presence mask = bcd(5,2)
//   A8 61-64       81 xx: 2..4 time; 5..6 = bcd(5,2); 7 = s = bcd(7); second
//                  code 65+/75+/85+ for s = 0/1/2. Any other s takes the first
//                  group (65+): the record stays one of its item's codes and
//                  byte 7 still carries s for the host.
//   A8 65          81 69 + 81 79 + 81 89, each: 2..4 time; 5..7 = bcd(5,4);
//                  8..9 = bcd(9,2); 10..12 = driver number bcd(11,4); 13 = s =
//                  bcd(15); 14..21 driver name; 25 = 1. The three carry the
//                  same bytes: nothing in the record tells them apart.
//   B1 01, B2 18   52-byte unit: 2..4 time; 5..6 = bcd(5,2); 7 = bcd(7);
//                  8 = bcd(8); 9..10 = bcd(9,2); 11 from bcd(11) mod 4;
//                  12..last = bcd of each record byte 12..last; rest 0
//   B4 03/04       F0 63-66 / F0 70-73 chosen by x = b[9], y = b[10] (plain):
//                  both 1 -> 64/71, x only -> 63/70, y only -> 65/72, else 66/73
//   B8 01, CE      text record 20 F0 (no time): 2..11 the first 10 characters of
//                  the station name, space-filled; 12 = StationAttribute.
//                  B8 01 names the header's station BCD(h[18..19]); CE the
//                  station bcd(13,2) of the record, whatever its kind
//   B8 28/29       86 6D/6B/2B (28) or 6A/6C/2A (29) for s = bcd(9) = 1/2/other
//   B9 01/02       86 DF/D0/1F (01) or DE/DD/1E (02) for low nibble of b[9] = 0/1/other
//   BA 03..22      the state record assembled, then bytes 8..: bcd of record
//                  bytes 8..last; written as it stands
//   BC 30          86 7B when bit 6 of Val16 is set, else 86 7A
//   CC             always 87 0D (the record holds no selector)
//   CE             kind = bcd(16): 3 -> 87 0F, 2 -> 87 10, 1 -> 87 A1 (mask 3FFF),
//                  other -> 87 11 (mask 021F); the text record follows every kind;
//                  Val12 = bcd(16) for kinds 1..3, else bcd(20)
//   D0             m = bcd(14): 0 -> 2E, 1/3 -> 19, 2 -> 18, 4-7/9/10 -> 17,
//                  8 -> 16, 11 and above -> 13
//   D1             m = bcd(16): 1 -> 1A, 2 -> 1C, 3 -> 1D, 4-7/9/10 -> 1B,
//                  8 -> 1E, other -> 2D
//   ED/EE          bcd(39,2) outside 192..237 gives 8B 08 (ED) / 8B 10 (EE)
//   F1 cut after 16 bytes: a 16-byte form (Checksum(15)) with Val17 and the
//                  8B 12 record without bytes 5..6; failing that, the 14-byte form
//   FE 01/02/03    state records 92 23 / 21 / 22, time from b[2..4]
// ---------------------------------------------------------------------------

enum class Form : uint8_t { kEnd, kTime, kDec, kLE, kLow8, kRaw, kSigned, kText };
enum class Text : uint8_t { kNone, kChip, kChannel, kBoard, kFault, kDriver, kDriverFill, kStation };

struct Op {
  Form form;
  uint8_t dst;
  uint8_t src;
  uint8_t n;      // source bytes (0 = up to the last data byte)
  uint8_t width;  // output bytes of kLE / kText
  Text text;
};

enum class Layout : uint8_t {
  kNone, kTimeOnly, kSmall, kLow8Rest, kWord, kTriple, kDigits, kA802, kA803, kA857,
  kDriver, kDriverFill, kStation, kDigitsFrom1, kPosValue, kChipText, kChannelText,
  kBoardFault, kRest5, kSigned8, kWord8, kTriple8, kByte13, kPair8, kPair23, kQuad9,
  kQuad11, kLow8At9, kB701, kWord16, kRest11, kBC50, kPosOnly, kCount
};

constexpr Op T{Form::kTime, 2, 2, 3, 0, Text::kNone};
constexpr Op E{Form::kEnd, 0, 0, 0, 0, Text::kNone};
constexpr Op Dec(int dst, int src, int n) {
  return {Form::kDec, uint8_t(dst), uint8_t(src), uint8_t(n), 0, Text::kNone};
}
constexpr Op LE(int dst, int src, int n, int width) {
  return {Form::kLE, uint8_t(dst), uint8_t(src), uint8_t(n), uint8_t(width), Text::kNone};
}
constexpr Op Low8(int dst, int src, int n) {
  return {Form::kLow8, uint8_t(dst), uint8_t(src), uint8_t(n), 1, Text::kNone};
}
constexpr Op Raw(int dst, int src, int n) {
  return {Form::kRaw, uint8_t(dst), uint8_t(src), uint8_t(n), 0, Text::kNone};
}
constexpr Op Signed(int dst, int src) { return {Form::kSigned, uint8_t(dst), uint8_t(src), 2, 2, Text::kNone}; }
constexpr Op Txt(int dst, int src, int n, int width, Text t) {
  return {Form::kText, uint8_t(dst), uint8_t(src), uint8_t(n), uint8_t(width), t};
}

struct LayoutDef {
  Layout id;
  Op ops[5];
};

constexpr LayoutDef kLayouts[] = {
    {Layout::kNone, {E}},
    {Layout::kTimeOnly, {T, E}},
    {Layout::kSmall, {T, Dec(5, 5, 1), E}},
    {Layout::kLow8Rest, {T, Low8(5, 5, 0), E}},
    {Layout::kWord, {T, LE(5, 5, 2, 2), E}},
    {Layout::kTriple, {T, LE(5, 5, 3, 3), E}},
    {Layout::kDigits, {Dec(2, 2, 0), E}},
    {Layout::kA802, {Dec(2, 5, 3), Dec(5, 2, 3), E}},
    {Layout::kA803, {T, LE(5, 5, 3, 2), LE(7, 8, 3, 2), E}},
    {Layout::kA857, {T, LE(5, 9, 3, 3), Raw(8, 8, 4), E}},
    {Layout::kDriver, {T, LE(5, 5, 3, 2), Txt(7, 5, 3, 8, Text::kDriver), E}},
    {Layout::kDriverFill, {T, LE(5, 5, 3, 2), Txt(7, 5, 3, 8, Text::kDriverFill), E}},
    {Layout::kStation, {T, LE(5, 5, 2, 2), Txt(7, 5, 2, 9, Text::kStation), E}},
    {Layout::kDigitsFrom1, {Dec(2, 1, 6), E}},
    {Layout::kPosValue, {T, LE(5, 5, 4, 3), Dec(8, 9, 2), E}},
    {Layout::kChipText, {T, LE(5, 5, 4, 3), Dec(8, 9, 1), Txt(9, 9, 1, 17, Text::kChip), E}},
    {Layout::kChannelText, {T, LE(5, 5, 4, 3), Dec(8, 9, 1), Txt(9, 9, 1, 17, Text::kChannel), E}},
    {Layout::kBoardFault, {T, Txt(5, 9, 1, 8, Text::kBoard), Txt(13, 10, 2, 13, Text::kFault), E}},
    {Layout::kRest5, {T, Dec(5, 5, 0), E}},
    {Layout::kSigned8, {T, Signed(5, 8), E}},
    {Layout::kWord8, {T, LE(5, 8, 2, 2), E}},
    {Layout::kTriple8, {T, LE(5, 8, 3, 3), E}},
    {Layout::kByte13, {T, Dec(5, 13, 1), E}},
    {Layout::kPair8, {T, LE(5, 8, 2, 2), LE(7, 10, 2, 2), E}},
    {Layout::kPair23, {T, LE(5, 23, 2, 2), LE(7, 25, 2, 2), E}},
    {Layout::kQuad9, {T, LE(5, 9, 3, 4), E}},
    {Layout::kQuad11, {T, LE(5, 11, 3, 4), E}},
    {Layout::kLow8At9, {T, Low8(5, 9, 2), E}},
    {Layout::kB701, {T, LE(5, 5, 4, 3), Low8(8, 9, 2), E}},
    {Layout::kWord16, {T, LE(5, 16, 2, 2), E}},
    {Layout::kRest11, {T, LE(5, 11, 0, 2), E}},
    {Layout::kBC50, {T, LE(5, 5, 2, 2), LE(7, 7, 2, 2), LE(9, 9, 2, 2), LE(11, 11, 2, 2)}},
    {Layout::kPosOnly, {T, LE(5, 5, 4, 3), E}},
};
static_assert(sizeof kLayouts / sizeof kLayouts[0] == static_cast<int>(Layout::kCount));

constexpr bool LayoutsInOrder() {
  for (int i = 0; i < static_cast<int>(Layout::kCount); ++i)
    if (static_cast<int>(kLayouts[i].id) != i) return false;
  return true;
}
static_assert(LayoutsInOrder());

// ---------------------------------------------------------------------------
// Items a state record decodes (k = 1 without sub-code, 2 with one). Every
// group sets Time from b[k..k+2]; "pos" is Val5 := bcd(k+3, 4); "dead" is
// Val8 by dead reckoning; "own" is Val8 from the record's own value at k+7.
enum class Items : uint8_t {
  kTimeOnly,
  kPos,          // pos
  kDead,         // pos, dead
  kDead19,       // pos, dead, Val19 = bcd(k+7,2)
  kDead17,       // pos, dead, Val17 = bcd(k+7,2)
  kOwn,          // pos, own
  kOwn19,        // pos, own, Val19 = bcd(k+10,2)
  kOwnSig,       // kOwn19, Val15 = LampAspect(bcd(k+12,2))
  kOwnSigSpeed,  // kOwnSig, Val13 = bcd(k+14,2)/10, Val14 = bcd(k+16,2)/10
  kDB,           // kOwnSigSpeed, Val21 = bcd(k+18,2)
  kDE,           // kOwnSig, Val21 = bcd(k+14,2)
  kE1,           // kOwn19, Val15 = bcd(k+12)
  kE3,           // kOwn19, Val16 = bcd(k+12,2)
  kEB,           // pos, dead, Val13 = bcd(8,2)/10, Val14 = bcd(10,2)/10
  kEC,           // pos, dead, Val19 = bcd(8,2), Val21 = bcd(10,2)
  kB8Own12,      // pos, own, Val12 = bcd(15)
  kB801,         // kB8Own12, Val13 = bcd(16,2)/10, Val14 = bcd(18,2)/10
  kB8Near,       // Val8 = bcd(5,3), Val19 = bcd(8,2) (Val5 and P/D unchanged)
  kSig5,         // Val15 = LampAspect(bcd(5,2)) (Val5 unchanged)
  kVal12At12,    // pos, Val12 = bcd(12)
  kVal19At9,     // pos, Val19 = bcd(9,2)
  kSpeedPair,    // Val13 = bcd(5,2)/10, Val14 = bcd(7,2)/10 (Val5 unchanged)
  kPos6,         // Val5 = bcd(5,3)
  kPos6Dist,     // Val5 = bcd(5,3), Val8 = bcd(11,3)
  kFE,           // Val5 = bcd(7,3)
  kCE,           // kOwn19, Val10 = bcd(17,3), Val15 = LampAspect(bcd(21,2))
  kD0,           // pos, own, Val12 = bcd(14), Val15 = LA(bcd(15,2)), Val13/14 from 17/19
  kD1,           // kOwn19, Val12 = bcd(16), Val15 = LA(bcd(17,2)), Val13/14 from 19/21
  kLong,         // ED/EE: own, 19/21/15/16/13/14/17 from 11..36
};

enum class Step : uint8_t {
  kCheckOnly,  // read and tested only
  kMark,       // position mark
  kState,      // shared state steps, then the optional second-area record
  kSecond,     // second area only
  kBA,         // state values, record written with its own bytes from 8 on
  kOwn,        // a function of its own
};

struct Row;
using OwnFn = void (*)(WorkArea&, const Row&, int body);

// Flags.
constexpr uint8_t kRestrict = 1;     // restriction step
constexpr uint8_t kClearAfter = 2;   // clears the written flag after writing
constexpr uint8_t kNoStop = 4;       // body read without stopping at code bytes
constexpr uint8_t kAnySub = 8;       // any sub-code value

struct Row {
  uint8_t code;
  uint8_t lo, hi;         // sub-code range (BCD); ignored for single-byte codes
  uint8_t body, short1, short2;
  Step step;
  Items items;
  uint8_t out0, out1;     // output code; out1 + (bcd(sub) - bcd(lo)) for ranges
  uint16_t mask;
  uint8_t flags;
  Layout layout;          // second-area layout (kSecond: the record; kState: the second record)
  uint8_t sec0, sec1;     // second record's code (kState)
  OwnFn own;
};

bool HasSub(uint8_t code) { return (code >= 0xA0 && code <= 0xBC) || code == 0xFE; }

// ---------------------------------------------------------------------------
// Shared steps.

int32_t LA(WorkArea& w, int32_t code) { return texts::LampAspect(code, w.toggle != 0); }

void DeadReckon(WorkArea& w) {
  RunningRecord& r = w.run;
  const int32_t d = std::abs(w.lastPosition - r.Val5);
  if (w.distanceMode != 0) r.Val8 = w.DirectionSign() * d + w.lastDistance;
  else r.Val8 = w.lastDistance - d;
}

// A record carrying its own 6-digit value v.
void OwnDistance(WorkArea& w, int32_t v) {
  RunningRecord& r = w.run;
  if (w.distanceMode != 1 || std::abs(r.Val8) == std::abs(w.lastDistance)) r.Val8 = v;
  else DeadReckon(w);
  w.lastPosition = r.Val5;
  w.lastDistance = r.Val8;
}

void Restriction(WorkArea& w) {
  const RunningRecord& r = w.run;
  const int32_t day = w.startDay + (r.Time < w.startTime ? 1 : 0);
  const int32_t v = RestrictionSpeed(Lookups().StationAttribute, r.Val5, day, r.Time, w.routeNumber,
                                     L2000().lineDirection);
  w.RestrictionStep(v);
}

uint8_t Div10(int32_t v) { return static_cast<uint8_t>(v / 10); }

void ApplyItems(WorkArea& w, Items items, int k) {
  RunningRecord& r = w.run;
  r.Time = TimeAt(w, k);
  auto pos = [&] { r.Val5 = w.bcd(k + 3, 4); };
  auto own = [&] { pos(); OwnDistance(w, w.bcd(k + 7, 3)); };
  auto own19 = [&] { own(); r.Val19 = static_cast<uint16_t>(w.bcd(k + 10, 2)); };
  auto ownSig = [&] { own19(); r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(k + 12, 2))); };
  auto speed = [&](int a) {
    r.Val13 = Div10(w.bcd(a, 2));
    r.Val14 = Div10(w.bcd(a + 2, 2));
  };
  switch (items) {
    case Items::kTimeOnly: break;
    case Items::kPos: pos(); break;
    case Items::kDead: pos(); DeadReckon(w); break;
    case Items::kDead19: pos(); DeadReckon(w); r.Val19 = static_cast<uint16_t>(w.bcd(k + 7, 2)); break;
    case Items::kDead17: pos(); DeadReckon(w); r.Val17 = static_cast<uint16_t>(w.bcd(k + 7, 2)); break;
    case Items::kOwn: own(); break;
    case Items::kOwn19: own19(); break;
    case Items::kOwnSig: ownSig(); break;
    case Items::kOwnSigSpeed: ownSig(); speed(k + 14); break;
    case Items::kDB: ownSig(); speed(k + 14); r.Val21 = static_cast<uint16_t>(w.bcd(k + 18, 2)); break;
    case Items::kDE: ownSig(); r.Val21 = static_cast<uint16_t>(w.bcd(k + 14, 2)); break;
    case Items::kE1: own19(); r.Val15 = static_cast<uint8_t>(w.bcd(k + 12)); break;
    case Items::kE3: own19(); r.Val16 = static_cast<uint8_t>(w.bcd(k + 12, 2)); break;
    case Items::kEB: pos(); DeadReckon(w); speed(8); break;
    case Items::kEC:
      pos(); DeadReckon(w);
      r.Val19 = static_cast<uint16_t>(w.bcd(8, 2));
      r.Val21 = static_cast<uint16_t>(w.bcd(10, 2));
      break;
    case Items::kB8Own12: own(); r.Val12 = static_cast<uint8_t>(w.bcd(15)); break;
    case Items::kB801: own(); r.Val12 = static_cast<uint8_t>(w.bcd(15)); speed(16); break;
    case Items::kB8Near:
      r.Val8 = w.bcd(5, 3);
      r.Val19 = static_cast<uint16_t>(w.bcd(8, 2));
      break;
    case Items::kSig5: r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(5, 2))); break;
    case Items::kVal12At12: pos(); r.Val12 = static_cast<uint8_t>(w.bcd(12)); break;
    case Items::kVal19At9: pos(); r.Val19 = static_cast<uint16_t>(w.bcd(9, 2)); break;
    case Items::kSpeedPair: speed(5); break;
    case Items::kPos6: r.Val5 = w.bcd(5, 3); break;
    case Items::kPos6Dist: r.Val5 = w.bcd(5, 3); r.Val8 = w.bcd(11, 3); break;
    case Items::kFE: r.Val5 = w.bcd(7, 3); break;
    case Items::kCE:
      own19();
      r.Val10 = w.bcd(17, 3);
      r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(21, 2)));
      break;
    case Items::kD0:
      own();
      r.Val12 = static_cast<uint8_t>(w.bcd(14));
      r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(15, 2)));
      speed(17);
      break;
    case Items::kD1:
      own19();
      r.Val12 = static_cast<uint8_t>(w.bcd(16));
      r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(17, 2)));
      speed(19);
      break;
    case Items::kLong:
      own();
      r.Val19 = static_cast<uint16_t>(w.bcd(11, 2));
      r.Val21 = static_cast<uint16_t>(w.bcd(13, 2));
      r.Val15 = static_cast<uint8_t>(LA(w, w.bcd(15, 2)));
      r.Val16 = static_cast<uint8_t>(w.bcd(17, 2));
      speed(19);
      r.Val17 = static_cast<uint16_t>(w.bcd(35, 2));
      break;
  }
}

int K(const Row& row) { return HasSub(row.code) ? 2 : 1; }
// The last data byte of a body of the given length.
int LastData(const Row& row, int body) { return body + K(row) - 2; }
// Offset of the sub-code within its row's range.
int Index(const WorkArea& w, const Row& row) {
  return HasSub(row.code) ? w.bcd(1) - TPubFunc::BcdByte(row.lo) : 0;
}

// The second area filled by a layout.
void Fill(WorkArea& w, Layout id, int k, int last, int index) {
  uint8_t* s = w.second;
  for (const Op& op : kLayouts[static_cast<int>(id)].ops) {
    if (op.form == Form::kEnd) break;
    int n = op.n ? op.n : last - op.src + 1;
    if (n < 0) n = 0;
    switch (op.form) {
      case Form::kTime:  // at b[k..k+2]
        for (int i = 0; i < 3; ++i) s[op.dst + i] = static_cast<uint8_t>(w.bcd(k + i));
        break;
      case Form::kDec:
        for (int i = 0; i < n && op.dst + i < kRecordSize; ++i)
          s[op.dst + i] = static_cast<uint8_t>(w.bcd(op.src + i));
        break;
      case Form::kLE: {
        const int32_t v = n > 0 ? w.bcd(op.src, n > 4 ? 4 : n) : 0;
        for (int i = 0; i < op.width; ++i) s[op.dst + i] = ByteOf(v, i);
        break;
      }
      case Form::kLow8: s[op.dst] = ByteOf(n > 0 ? w.bcd(op.src, n) : 0, 0); break;
      case Form::kRaw:
        for (int i = 0; i < n; ++i) s[op.dst + i] = w.b[op.src + i];
        break;
      case Form::kSigned: {
        int32_t v = w.bcd(op.src, 2);
        if (v > 1000) v = 0x10000 - v % 1000;
        s[op.dst] = ByteOf(v, 0);
        s[op.dst + 1] = ByteOf(v, 1);
        break;
      }
      case Form::kText: {
        const int32_t v = w.bcd(op.src, n);
        std::string t;
        int first = op.width;
        switch (op.text) {
          case Text::kChip: t = texts::ChipText(v); break;
          case Text::kChannel:
            // Channel tests in pairs, as the event records of the same
            // codes: 18, 19 analogue channel; 20, 21 signal input; 22, 23
            // handle; 24, 25 brake; 26, 27 board; 28, 29 self-test item;
            // 30, 31 CAN fault.
            switch (index / 2) {
              case 0: t = texts::AnalogChannelText(v); break;
              case 1: t = texts::SignalInputText(v); break;
              case 2: t = texts::HandlePositionText(v); break;
              case 3: t = texts::BrakeStateText(v); break;
              case 4: t = texts::BoardText(v); break;
              case 5: t = texts::ChipText(v); break;
              default: t = texts::CanErrorText(v); break;
            }
            break;
          case Text::kBoard: t = texts::BoardText(v); break;
          case Text::kFault: t = texts::FaultBitsText(w.b[op.src] * 256 + w.b[op.src + 1]); break;
          case Text::kDriver: t = DriverName(0, v); break;
          case Text::kDriverFill: t = DriverName(1, v); break;
          case Text::kStation: t = StationName(w.routeNumber, static_cast<int16_t>(v)); break;
          case Text::kNone: break;
        }
        const bool name = op.text == Text::kDriver || op.text == Text::kDriverFill ||
                          op.text == Text::kStation;
        if (name) {  // characters 1..first spaced, then up to character 12
          PlaceName(s, t, NameField{op.dst, first, op.dst + 11});
        } else if (!t.empty()) {
          for (int i = 0; i < op.width && op.dst + i < kRecordSize; ++i)
            s[op.dst + i] = i < static_cast<int>(t.size()) ? static_cast<uint8_t>(t[i]) : ' ';
        }
        break;
      }
      case Form::kEnd: break;
    }
  }
}

void WriteLayout(WorkArea& w, uint8_t c0, uint8_t c1, Layout id, int k, int last, int index) {
  std::memset(w.second, 0, sizeof w.second);
  w.second[0] = c0;
  w.second[1] = c1;
  Fill(w, id, k, last, index);
  w.WriteSecond();
}

// Shared steps up to the written running record, with a code of the caller's.
void StateRecord(WorkArea& w, const Row& row, uint8_t c0, uint8_t c1, uint16_t mask) {
  RunningRecord& r = w.run;
  ApplyItems(w, row.items, K(row));
  r.Code = c0;
  r.Sub = c1;
  r.PresenceMask = mask;
  if (row.flags & kRestrict) Restriction(w);
  w.WriteRunning();
  w.written = 1;
}

uint8_t Out1(const WorkArea& w, const Row& row) {
  return static_cast<uint8_t>(row.out1 + Index(w, row));
}

void StateWithSecond(WorkArea& w, const Row& row, int body) {
  StateRecord(w, row, row.out0, Out1(w, row), row.mask);
  if (row.layout != Layout::kNone)
    WriteLayout(w, row.sec0, row.sec1, row.layout, K(row), LastData(row, body), Index(w, row));
}

// ---------------------------------------------------------------------------
// Records with their own behaviour.

void A008(WorkArea& w, const Row& row, int body) {
  // The sub-code read as BCD is the second code byte (60h gives 3Ch); the
  // 8-byte form carries no value byte.
  WriteLayout(w, 0x80, static_cast<uint8_t>(w.bcd(1)), body == 8 ? Layout::kPosOnly : Layout::kChipText, 2,
              LastData(row, body), 0);
}

void A010(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, 0x80, static_cast<uint8_t>(w.bcd(1)), row.mask);
}

void A820(WorkArea& w, const Row&, int) {
  uint8_t* s = w.second;
  std::memset(s, 0, kRecordSize);
  s[0] = 0x81;
  s[1] = 0x25;
  for (int i = 0; i < 3; ++i) s[2 + i] = static_cast<uint8_t>(w.bcd(2 + i));
  const int32_t v = w.bcd(11, 3);
  for (int i = 0; i < 3; ++i) s[5 + i] = ByteOf(v, i);
  for (int i = 0; i < 4; ++i) s[8 + i] = w.b[7 + i];
  w.WriteSecond();
  s[0] = 0x81;
  s[1] = 0x24;
  for (int i = 0; i < 3; ++i) s[2 + i] = static_cast<uint8_t>(w.bcd(2 + i));
  const int32_t x = w.bcd(5, 2);
  s[5] = static_cast<uint8_t>(x % 4);
  s[6] = static_cast<uint8_t>(x >> 8);
  w.WriteSecond();
}

void A825(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, 0xA8, 0x25, static_cast<uint16_t>(w.bcd(5, 2)));
}

void A861(WorkArea& w, const Row& row, int body) {
  const int s = w.bcd(7);
  const int base = 0x65 + (w.bcd(1) - 61);
  const bool ok = s >= 0 && s <= 2;
  std::memset(w.second, 0, sizeof w.second);
  w.second[0] = 0x81;
  w.second[1] = static_cast<uint8_t>(base + (ok ? 0x10 * s : 0));
  Fill(w, Layout::kWord, 2, LastData(row, body), 0);
  w.second[7] = static_cast<uint8_t>(s);
  w.WriteSecond();
}

// Three records 81 69, 81 79, 81 89 of the same content.
void A865(WorkArea& w, const Row&, int) {
  const int s = w.bcd(15);
  uint8_t r[kRecordSize] = {0x81};
  for (int i = 0; i < 3; ++i) r[2 + i] = static_cast<uint8_t>(w.bcd(2 + i));
  const int32_t pos = w.bcd(5, 4);
  for (int i = 0; i < 3; ++i) r[5 + i] = ByteOf(pos, i);
  const int32_t v = w.bcd(9, 2);
  r[8] = ByteOf(v, 0);
  r[9] = ByteOf(v, 1);
  const int32_t n = w.bcd(11, 4);
  for (int i = 0; i < 3; ++i) r[10 + i] = ByteOf(n, i);
  r[13] = static_cast<uint8_t>(s);
  const std::string name = DriverName(0, n);
  for (int i = 0; i < 8 && i < static_cast<int>(name.size()); ++i) r[14 + i] = static_cast<uint8_t>(name[i]);
  r[25] = 1;
  for (const uint8_t sub : {0x69, 0x79, 0x89}) {
    r[1] = sub;
    w.Append(r);
  }
}

// B1 01 (and B2 18): one 52-byte unit, the record and its continuation.
void B101(WorkArea& w, const Row& row, int body) {
  uint8_t* u = w.headerImage;
  std::memset(u, 0, kHeaderSize);
  u[0] = 0x83;
  u[1] = row.code == 0xB1 ? 0x01 : 0x02;
  for (int i = 0; i < 3; ++i) u[2 + i] = static_cast<uint8_t>(w.bcd(2 + i));
  const int32_t a = w.bcd(5, 2);
  u[5] = ByteOf(a, 0);
  u[6] = ByteOf(a, 1);
  u[7] = static_cast<uint8_t>(w.bcd(7));
  u[8] = static_cast<uint8_t>(w.bcd(8));
  const int32_t c = w.bcd(9, 2);
  u[9] = ByteOf(c, 0);
  u[10] = ByteOf(c, 1);
  const int m = w.bcd(11);
  u[11] = static_cast<uint8_t>(m % 4 == 1 ? 2 : m % 4 == 2 ? 1 : m);
  const int last = LastData(row, body);
  for (int i = 12; i <= last && i < kHeaderSize; ++i) u[i] = static_cast<uint8_t>(w.bcd(i));
  w.WriteOut(u, kHeaderSize);
}

void B403(WorkArea& w, const Row& row, int) {
  const bool x = w.b[9] == 1, y = w.b[10] == 1;
  const int off = x && y ? 1 : x ? 0 : y ? 2 : 3;
  const uint8_t base = w.b[1] == 0x03 ? 0x63 : 0x70;
  StateRecord(w, row, 0xF0, static_cast<uint8_t>(base + off), row.mask);
}

// Text record 20 F0: station name and its attribute.
void StationText(WorkArea& w, int32_t station) {
  const std::string name = StationName(w.routeNumber, static_cast<int16_t>(station));
  uint8_t* s = w.second;
  std::memset(s, 0, kRecordSize);
  s[0] = 0x20;
  s[1] = 0xF0;
  for (int i = 0; i < 10; ++i) s[2 + i] = i < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[i]) : ' ';
  s[12] = Lookups().StationAttribute;
  w.WriteSecond();
}

void B801(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, row.out0, row.out1, row.mask);
  StationText(w, L2000().stationNumber);
  w.distanceMode = 0;
  w.directionFlag1 = w.run.Val16;
}

void B814(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, row.out0, Out1(w, row), row.mask);
  w.distanceMode = w.b[1] == 0x14 ? 1 : 0;
}

void B828(WorkArea& w, const Row& row, int) {
  const int s = w.bcd(9);
  uint8_t c1;
  if (w.b[1] == 0x28) c1 = s == 1 ? 0x6D : s == 2 ? 0x6B : 0x2B;
  else c1 = s == 1 ? 0x6A : s == 2 ? 0x6C : 0x2A;
  StateRecord(w, row, 0x86, c1, row.mask);
}

void B901(WorkArea& w, const Row& row, int) {
  const int n = w.b[9] & 0x0F;
  uint8_t c1;
  if (w.b[1] == 0x02) c1 = n == 0 ? 0xDE : n == 1 ? 0xDD : 0x1E;
  else c1 = n == 0 ? 0xDF : n == 1 ? 0xD0 : 0x1F;
  StateRecord(w, row, 0x86, c1, row.mask);
}

// BA 03..22: state values, the record as assembled with its own bytes from 8 on.
void BAState(WorkArea& w, const Row& row, int body) {
  RunningRecord& r = w.run;
  ApplyItems(w, row.items, 2);
  r.Code = row.out0;
  r.Sub = Out1(w, row);
  r.PresenceMask = row.mask;
  w.Assemble(w.second);
  const int last = LastData(row, body);
  for (int i = 8; i <= last && i < kRecordSize; ++i) w.second[i] = static_cast<uint8_t>(w.bcd(i));
  w.WriteSecond();
}

void BA02(WorkArea& w, const Row&, int) {
  StationName(static_cast<uint8_t>(w.bcd(7)), static_cast<int16_t>(w.bcd(8, 2)));
}

void BA03(WorkArea& w, const Row& row, int body) {
  BAState(w, row, body);
  w.directionFlag2 = TBridge::SignalBitsTest(static_cast<uint8_t>(w.bcd(8))) ? 1 : 0;
}

void BC30(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, 0x86, (w.run.Val16 & 0x40) ? 0x7B : 0x7A, row.mask);
}

void CE(WorkArea& w, const Row& row, int) {
  const int kind = w.bcd(16);
  const bool station = kind >= 1 && kind <= 3;
  static constexpr uint8_t kSub[4] = {0x11, 0xA1, 0x10, 0x0F};
  w.run.Val12 = static_cast<uint8_t>(station ? kind : w.bcd(20));
  StateRecord(w, row, 0x87, kSub[station ? kind : 0], station ? 0x3FFF : 0x021F);
  w.distanceMode = 0;
  StationText(w, w.bcd(13, 2));
}

void CF(WorkArea& w, const Row& row, int) {
  StateRecord(w, row, row.out0, row.out1, row.mask);
  w.distanceMode = 2;
}

void D0(WorkArea& w, const Row& row, int) {
  const int m = w.bcd(14);
  uint8_t c1;
  if (m == 0) c1 = 0x2E;
  else if (m == 1 || m == 3) c1 = 0x19;
  else if (m == 2) c1 = 0x18;
  else if (m == 8) c1 = 0x16;
  else if (m <= 10) c1 = 0x17;
  else c1 = 0x13;
  StateRecord(w, row, 0x87, c1, row.mask);
}

void D1(WorkArea& w, const Row& row, int) {
  const int m = w.bcd(16);
  uint8_t c1;
  if (m == 1) c1 = 0x1A;
  else if (m == 2) c1 = 0x1C;
  else if (m == 3) c1 = 0x1D;
  else if (m == 8) c1 = 0x1E;
  else if (m >= 4 && m <= 10) c1 = 0x1B;
  else c1 = 0x2D;
  StateRecord(w, row, 0x87, c1, row.mask);
  if (w.distanceMode == 1 && w.directionFlag1 == 0) w.directionFlag1 = w.run.Val16;
}

void E3(WorkArea& w, const Row& row, int) {
  ApplyItems(w, row.items, 1);
  RunningRecord& r = w.run;
  r.Code = row.out0;
  r.Sub = row.out1;
  L2000State& s = L2000();
  if (s.vendor != 'Q') {
    const int8_t bit = (r.Val16 & 0x40) ? 1 : 0;
    if (bit != s.e3Bit) {
      r.Code = 0x86;
      r.Sub = bit ? 0x7B : 0x7A;
      s.e3Bit = bit;
    }
  }
  r.PresenceMask = row.mask;
  Restriction(w);
  w.WriteRunning();
  w.written = 1;
}

void B702(WorkArea& w, const Row& row, int) {
  ApplyItems(w, row.items, 2);
  RunningRecord& r = w.run;
  r.Code = row.out0;
  r.Sub = row.out1;
  r.PresenceMask = row.mask;
  r.Val23 = r.Val21 < 256 ? static_cast<uint8_t>(r.Val21) : 255;
  w.WriteRunning();
  w.written = 1;
}

// F0 / F1: complete the running state; written only right after a state record.
void F0F1(WorkArea& w, bool f1, int body) {
  RunningRecord& r = w.run;
  const int32_t v = w.bcd(1, 3);
  if (f1 && w.distanceMode == 1) {
    if (std::abs(r.Val8) == std::abs(w.lastDistance)) r.Val8 = v;
    else DeadReckon(w);
  } else {
    r.Val8 = v;
  }
  r.Val19 = static_cast<uint16_t>(w.bcd(4, 2));
  r.Val21 = static_cast<uint16_t>(w.bcd(6, 2));
  r.Val13 = Div10(w.bcd(8, 2));
  r.Val14 = Div10(w.bcd(10, 2));
  if (!f1 || body >= 16) r.Val17 = static_cast<uint16_t>(w.bcd(12, 2));
  r.Val23 = r.Val21 < 256 ? static_cast<uint8_t>(r.Val21) : 255;
  if (!w.written) return;
  w.written = 0;
  r.Code = 0x8B;
  r.Sub = 0x08;
  r.PresenceMask = 0x13C4;
  w.WriteRunning();
  if (f1 && body >= 16) {
    uint8_t* s = w.second;
    std::memset(s, 0, kRecordSize);
    s[0] = 0x8B;
    s[1] = 0x12;
    const int32_t a = w.bcd(14, 2);
    s[3] = ByteOf(a, 0);
    s[4] = ByteOf(a, 1);
    if (body >= 18) {
      const int32_t b = w.bcd(16, 2);
      s[5] = ByteOf(b, 0);
      s[6] = ByteOf(b, 1);
    }
    w.WriteSecond();
  }
}
void F0(WorkArea& w, const Row&, int body) { F0F1(w, false, body); }
void F1(WorkArea& w, const Row&, int body) { F0F1(w, true, body); }

const Row* FindRow(uint8_t code, uint8_t sub);

void ED(WorkArea& w, const Row& row, int) {
  const int v = w.bcd(39, 2);
  uint8_t c0 = row.out0, c1 = row.out1;
  if (v >= 192 && v <= 237) {
    if (const Row* named = FindRow(static_cast<uint8_t>(v), 0)) {
      c0 = named->out0;
      c1 = named->out1;
    }
  }
  StateRecord(w, row, c0, c1, row.mask);
  w.written = 0;
  WriteLayout(w, 0x8B, 0x0A, Layout::kPair23, 1, 40, 0);
}

// ---------------------------------------------------------------------------
// The code table. Body = the count given to Read; short forms are bodies cut
// by a code byte that are still accepted.

constexpr uint8_t N = 0xFF;  // single-byte code: no sub-code
constexpr Layout L0 = Layout::kNone;
using S = Step;
using I = Items;
using Lt = Layout;

constexpr Row kRows[] = {
    // code lo  hi  body s1 s2 step        items            out        mask   flags             layout          second
    {0xA0, 0x40, 0x41, 8, 0, 0, S::kMark, I::kPos, 0xA0, 0x40, 0, 0, L0, 0, 0, nullptr},
    {0xA0, 0x08, 0x09, 9, 8, 0, S::kOwn, I::kPos, 0x80, 0x08, 0, 0, L0, 0, 0, A008},
    {0xA0, 0x60, 0x60, 9, 8, 0, S::kOwn, I::kPos, 0x80, 0x3C, 0, 0, L0, 0, 0, A008},
    {0xA0, 0x10, 0x12, 8, 0, 0, S::kOwn, I::kDead, 0x80, 0x0A, 0x0003, kRestrict, L0, 0, 0, A010},
    {0xA0, 0x13, 0x13, 10, 0, 0, S::kSecond, I::kPos, 0xF0, 0x3D, 0, 0, Lt::kPosValue, 0, 0, nullptr},
    {0xA0, 0x59, 0x59, 10, 0, 0, S::kSecond, I::kPos, 0xF0, 0x3C, 0, 0, Lt::kPosValue, 0, 0, nullptr},
    {0xA0, 0x14, 0x14, 8, 0, 0, S::kState, I::kPos, 0xF0, 0x3B, 0x0003, 0, L0, 0, 0, nullptr},
    {0xA0, 0x18, 0x31, 9, 0, 0, S::kSecond, I::kPos, 0xF0, 0x3E, 0, 0, Lt::kChannelText, 0, 0, nullptr},
    {0xA0, 0x32, 0x33, 8, 0, 0, S::kState, I::kPos, 0xF0, 0x4C, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xA0, 0x36, 0x36, 12, 0, 0, S::kSecond, I::kPos, 0xF0, 0x4F, 0, 0, Lt::kBoardFault, 0, 0, nullptr},
    {0xA0, 0x37, 0x37, 12, 0, 0, S::kSecond, I::kPos, 0xF0, 0x4E, 0, 0, Lt::kBoardFault, 0, 0, nullptr},
    {0xA1, 0x00, 0xFF, 8, 0, 0, S::kCheckOnly, I::kPos, 0, 0, 0, kAnySub, L0, 0, 0, nullptr},
    {0xA4, 0x40, 0x40, 8, 0, 0, S::kMark, I::kPos, 0xA4, 0x40, 0, 0, L0, 0, 0, nullptr},
    {0xA4, 0x18, 0x31, 9, 0, 0, S::kSecond, I::kPos, 0xF0, 0x1E, 0, 0, Lt::kChannelText, 0, 0, nullptr},
    {0xA4, 0x32, 0x33, 8, 0, 0, S::kState, I::kPos, 0xF0, 0x2C, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xA4, 0x36, 0x36, 12, 0, 0, S::kSecond, I::kPos, 0xF0, 0x2F, 0, 0, Lt::kBoardFault, 0, 0, nullptr},
    {0xA4, 0x37, 0x37, 12, 0, 0, S::kSecond, I::kPos, 0xF0, 0x2E, 0, 0, Lt::kBoardFault, 0, 0, nullptr},
    {0xA5, 0x01, 0x01, 11, 0, 0, S::kSecond, I::kPos, 0xB0, 0x10, 0, 0, Lt::kRest5, 0, 0, nullptr},
    {0xA8, 0x01, 0x01, 10, 0, 0, S::kSecond, I::kPos, 0x81, 0x01, 0, 0, Lt::kDigits, 0, 0, nullptr},
    {0xA8, 0x52, 0x52, 10, 0, 0, S::kSecond, I::kPos, 0x81, 0x42, 0, 0, Lt::kDigits, 0, 0, nullptr},
    {0xA8, 0x02, 0x02, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x02, 0, 0, Lt::kA802, 0, 0, nullptr},
    {0xA8, 0x03, 0x03, 10, 0, 0, S::kSecond, I::kPos, 0x81, 0x03, 0, 0, Lt::kA803, 0, 0, nullptr},
    {0xA8, 0x04, 0x04, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x04, 0, 0, Lt::kDriver, 0, 0, nullptr},
    {0xA8, 0x21, 0x21, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x11, 0, 0, Lt::kDriverFill, 0, 0, nullptr},
    {0xA8, 0x05, 0x05, 6, 5, 0, S::kSecond, I::kPos, 0x81, 0x05, 0, 0, Lt::kLow8Rest, 0, 0, nullptr},
    {0xA8, 0x06, 0x06, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x06, 0, 0, Lt::kStation, 0, 0, nullptr},
    {0xA8, 0x07, 0x16, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x07, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x17, 0x17, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x12, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x30, 0x31, 6, 0, 0, S::kSecond, I::kPos, 0x84, 0x22, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x32, 0x32, 6, 0, 0, S::kSecond, I::kPos, 0x84, 0x21, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x33, 0x33, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x20, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x34, 0x36, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x2A, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x39, 0x41, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x30, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x50, 0x50, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x40, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x54, 0x54, 6, 0, 0, S::kSecond, I::kPos, 0x81, 0x44, 0, kClearAfter, Lt::kWord, 0, 0, nullptr},
    {0xA8, 0x18, 0x19, 5, 0, 0, S::kSecond, I::kPos, 0x81, 0x15, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xA8, 0x24, 0x24, 5, 0, 0, S::kSecond, I::kPos, 0x81, 0x24, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xA8, 0x51, 0x51, 5, 0, 0, S::kSecond, I::kPos, 0x81, 0x41, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xA8, 0x53, 0x53, 5, 0, 0, S::kSecond, I::kPos, 0x81, 0x43, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xA8, 0x20, 0x20, 13, 0, 0, S::kOwn, I::kPos, 0x81, 0x25, 0, kNoStop, L0, 0, 0, A820},
    {0xA8, 0x25, 0x25, 6, 0, 0, S::kOwn, I::kTimeOnly, 0xA8, 0x25, 0, 0, L0, 0, 0, A825},
    {0xA8, 0x27, 0x27, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x2B, 0, 0, Lt::kTriple, 0, 0, nullptr},
    {0xA8, 0x29, 0x29, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x08, 0, 0, Lt::kTriple, 0, 0, nullptr},
    {0xA8, 0x45, 0x45, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x07, 0, 0, Lt::kTriple, 0, 0, nullptr},
    {0xA8, 0x38, 0x38, 5, 0, 0, S::kSecond, I::kPos, 0x81, 0x6A, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xA8, 0x42, 0x42, 14, 0, 0, S::kSecond, I::kPos, 0x81, 0x7A, 0, 0, Lt::kDigits, 0, 0, nullptr},
    {0xA8, 0x55, 0x56, 4, 0, 0, S::kSecond, I::kPos, 0x81, 0x45, 0, 0, Lt::kTimeOnly, 0, 0, nullptr},
    {0xA8, 0x57, 0x57, 11, 0, 0, S::kSecond, I::kPos, 0x81, 0x47, 0, 0, Lt::kA857, 0, 0, nullptr},
    {0xA8, 0x58, 0x58, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0x48, 0, 0, Lt::kTriple, 0, 0, nullptr},
    {0xA8, 0x61, 0x64, 7, 0, 0, S::kOwn, I::kPos, 0x81, 0x65, 0, 0, L0, 0, 0, A861},
    {0xA8, 0x65, 0x65, 15, 0, 0, S::kOwn, I::kPos, 0x81, 0x69, 0, 0, L0, 0, 0, A865},
    {0xB1, 0x01, 0x01, 39, 34, 35, S::kOwn, I::kPos, 0x83, 0x01, 0, 0, L0, 0, 0, B101},
    {0xB1, 0x02, 0x04, 11, 0, 0, S::kState, I::kPos, 0x8C, 0x03, 0x0003, kRestrict, Lt::kQuad9, 0x81, 0x50, nullptr},
    {0xB1, 0x05, 0x05, 11, 0, 0, S::kState, I::kPos, 0x8C, 0x08, 0x0003, kRestrict, Lt::kQuad9, 0x81, 0x50, nullptr},
    {0xB1, 0x06, 0x06, 8, 0, 0, S::kState, I::kPos, 0x8C, 0x09, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB2, 0x11, 0x12, 10, 0, 0, S::kState, I::kPos, 0x8C, 0x06, 0x0003, 0, Lt::kLow8At9, 0x81, 0x5A, nullptr},
    {0xB2, 0x13, 0x16, 11, 0, 0, S::kState, I::kPos, 0x8C, 0x0C, 0x0003, 0, Lt::kQuad9, 0x81, 0x50, nullptr},
    {0xB2, 0x17, 0x17, 11, 0, 0, S::kState, I::kPos, 0x8C, 0x0A, 0x0003, 0, Lt::kQuad9, 0x81, 0x50, nullptr},
    {0xB2, 0x19, 0x19, 11, 0, 0, S::kState, I::kPos, 0x8C, 0x10, 0x0003, 0, Lt::kQuad9, 0x81, 0x50, nullptr},
    {0xB2, 0x18, 0x18, 39, 34, 0, S::kOwn, I::kPos, 0x83, 0x02, 0, 0, L0, 0, 0, B101},
    {0xB4, 0x01, 0x02, 8, 0, 0, S::kState, I::kPos, 0xF0, 0x61, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB4, 0x03, 0x04, 10, 0, 0, S::kOwn, I::kPos, 0xF0, 0x63, 0x0003, kRestrict, L0, 0, 0, B403},
    {0xB7, 0x01, 0x01, 10, 0, 0, S::kSecond, I::kPos, 0xB0, 0x80, 0, 0, Lt::kB701, 0, 0, nullptr},
    {0xB7, 0x02, 0x02, 8, 0, 0, S::kOwn, I::kPos, 0x87, 0x30, 0x0003, 0, L0, 0, 0, B702},
    {0xB7, 0x04, 0x04, 10, 0, 0, S::kState, I::kPos, 0x86, 0x78, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB7, 0x05, 0x05, 8, 0, 0, S::kState, I::kPos, 0x86, 0x79, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB7, 0x06, 0x07, 8, 0, 0, S::kState, I::kPos, 0x86, 0x76, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB8, 0x01, 0x01, 19, 0, 0, S::kOwn, I::kB801, 0x86, 0x01, 0x104F, kRestrict, L0, 0, 0, B801},
    {0xB8, 0x02, 0x03, 15, 0, 0, S::kState, I::kB8Own12, 0x86, 0x02, 0x000F, 0, L0, 0, 0, nullptr},
    {0xB8, 0x04, 0x04, 15, 0, 0, S::kState, I::kB8Own12, 0x86, 0x05, 0x000F, 0, L0, 0, 0, nullptr},
    {0xB8, 0x05, 0x06, 9, 0, 0, S::kState, I::kB8Near, 0x86, 0x07, 0x0205, 0, L0, 0, 0, nullptr},
    {0xB8, 0x36, 0x36, 9, 0, 0, S::kState, I::kB8Near, 0x86, 0x36, 0x0205, 0, L0, 0, 0, nullptr},
    {0xB8, 0x48, 0x48, 9, 0, 0, S::kState, I::kB8Near, 0x86, 0x48, 0x0205, 0, L0, 0, 0, nullptr},
    {0xB8, 0x07, 0x07, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x06, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x08, 0x09, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x0A, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x18, 0x18, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x13, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x42, 0x42, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x42, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x44, 0x44, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x44, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x46, 0x46, 15, 0, 0, S::kState, I::kOwnSig, 0x86, 0x46, 0x0217, 0, L0, 0, 0, nullptr},
    {0xB8, 0x10, 0x10, 17, 0, 0, S::kState, I::kOwnSig, 0x8B, 0x0C, 0x0217, 0, Lt::kWord16, 0x86, 0x0C, nullptr},
    {0xB8, 0x11, 0x11, 17, 0, 0, S::kState, I::kOwnSig, 0x8B, 0x0C, 0x0217, 0, Lt::kWord16, 0x86, 0x0D, nullptr},
    {0xB8, 0x13, 0x13, 13, 0, 0, S::kState, I::kOwn19, 0x86, 0x10, 0x0207, 0, L0, 0, 0, nullptr},
    {0xB8, 0x27, 0x27, 13, 0, 0, S::kState, I::kOwn19, 0x86, 0x1C, 0x0207, 0, L0, 0, 0, nullptr},
    {0xB8, 0x14, 0x15, 6, 0, 0, S::kOwn, I::kSig5, 0x86, 0x0E, 0x0011, 0, L0, 0, 0, B814},
    {0xB8, 0x16, 0x17, 4, 0, 0, S::kState, I::kTimeOnly, 0x86, 0x11, 0x0001, 0, L0, 0, 0, nullptr},
    {0xB8, 0x19, 0x21, 12, 0, 0, S::kState, I::kVal12At12, 0x86, 0x14, 0x000B, 0, L0, 0, 0, nullptr},
    {0xB8, 0x22, 0x24, 8, 0, 0, S::kState, I::kPos, 0x86, 0x17, 0x0003, 0, L0, 0, 0, nullptr},
    {0xB8, 0x34, 0x35, 8, 0, 0, S::kState, I::kPos, 0x86, 0x34, 0x0003, 0, L0, 0, 0, nullptr},
    {0xB8, 0x25, 0x25, 12, 11, 0, S::kState, I::kVal19At9, 0x8B, 0x0C, 0x0203, 0, Lt::kRest11, 0x86, 0x1A, nullptr},
    {0xB8, 0x26, 0x26, 13, 0, 0, S::kState, I::kVal19At9, 0x86, 0x1B, 0x0203, 0, Lt::kQuad11, 0x81, 0x50, nullptr},
    {0xB8, 0x28, 0x29, 9, 0, 0, S::kOwn, I::kPos, 0x86, 0x2A, 0x0003, 0, L0, 0, 0, B828},
    {0xB8, 0x37, 0x38, 5, 0, 0, S::kSecond, I::kPos, 0x86, 0x37, 0, 0, Lt::kSmall, 0, 0, nullptr},
    {0xB8, 0x39, 0x39, 4, 0, 0, S::kState, I::kTimeOnly, 0x86, 0x39, 0x0001, 0, L0, 0, 0, nullptr},
    {0xB8, 0x40, 0x40, 4, 0, 0, S::kState, I::kTimeOnly, 0x86, 0x40, 0x0001, 0, L0, 0, 0, nullptr},
    {0xB9, 0x01, 0x02, 10, 0, 0, S::kOwn, I::kSpeedPair, 0x86, 0xD0, 0x1041, 0, L0, 0, 0, B901},
    {0xB9, 0x03, 0x05, 8, 0, 0, S::kState, I::kSpeedPair, 0x86, 0x30, 0x1041, 0, L0, 0, 0, nullptr},
    {0xB9, 0x06, 0x07, 8, 0, 0, S::kState, I::kPos, 0x87, 0x46, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xB9, 0x08, 0x13, 8, 0, 0, S::kState, I::kPos, 0x87, 0x40, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xBA, 0x02, 0x02, 11, 0, 0, S::kOwn, I::kPos, 0, 0, 0, 0, L0, 0, 0, BA02},
    {0xBA, 0x03, 0x03, 9, 0, 0, S::kOwn, I::kPos6, 0x92, 0x10, 0x0003, 0, L0, 0, 0, BA03},
    {0xBA, 0x04, 0x04, 17, 0, 0, S::kBA, I::kPos6Dist, 0x92, 0x11, 0x0007, 0, L0, 0, 0, nullptr},
    {0xBA, 0x05, 0x05, 9, 0, 0, S::kBA, I::kPos6, 0x92, 0x12, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x06, 0x06, 10, 0, 0, S::kBA, I::kPos6, 0x92, 0x13, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x07, 0x07, 15, 0, 0, S::kBA, I::kPos6, 0x92, 0x14, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x08, 0x09, 8, 0, 0, S::kBA, I::kPos6, 0x92, 0x15, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x11, 0x12, 15, 0, 0, S::kBA, I::kPos6, 0x92, 0x17, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x13, 0x13, 9, 0, 0, S::kBA, I::kPos6, 0x92, 0x19, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x14, 0x16, 7, 0, 0, S::kBA, I::kPos6, 0x92, 0x1A, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x17, 0x20, 9, 0, 0, S::kBA, I::kPos6, 0x92, 0x1D, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBA, 0x21, 0x22, 9, 0, 0, S::kBA, I::kPos6, 0x92, 0x24, 0x0003, 0, L0, 0, 0, nullptr},
    {0xBC, 0x30, 0x30, 8, 0, 0, S::kOwn, I::kPos, 0x86, 0x7A, 0x0003, kRestrict, L0, 0, 0, BC30},
    {0xBC, 0x50, 0x50, 12, 0, 0, S::kSecond, I::kPos, 0x93, 0x0A, 0, 0, Lt::kBC50, 0, 0, nullptr},
    {0xBC, 0x51, 0x51, 5, 0, 0, S::kSecond, I::kPos, 0x93, 0x0B, 0, 0, Lt::kDigits, 0, 0, nullptr},
    {0xFE, 0x01, 0x01, 5, 0, 0, S::kState, I::kTimeOnly, 0x92, 0x23, 0x0001, 0, L0, 0, 0, nullptr},
    {0xFE, 0x02, 0x02, 8, 0, 0, S::kState, I::kFE, 0x92, 0x21, 0x0003, 0, L0, 0, 0, nullptr},
    {0xFE, 0x03, 0x03, 9, 0, 0, S::kState, I::kFE, 0x92, 0x22, 0x0003, 0, L0, 0, 0, nullptr},
    // Single-byte codes: the body follows the code (k = 1); all run the restriction step.
    {0xC0, N, N, 8, 0, 0, S::kState, I::kDead, 0x87, 0x01, 0x0003, kRestrict, L0, 0, 0, nullptr},
    {0xC1, N, N, 7, 0, 0, S::kState, I::kTimeOnly, 0x87, 0x02, 0x0001, kRestrict, L0, 0, 0, nullptr},
    {0xC2, N, N, 11, 0, 0, S::kState, I::kOwn, 0x87, 0x03, 0x0007, kRestrict, L0, 0, 0, nullptr},
    {0xC3, N, N, 4, 0, 0, S::kState, I::kTimeOnly, 0x87, 0x04, 0x0001, kRestrict, L0, 0, 0, nullptr},
    {0xC4, N, N, 4, 0, 0, S::kState, I::kTimeOnly, 0x87, 0x05, 0x0001, kRestrict, L0, 0, 0, nullptr},
    {0xC5, N, N, 11, 0, 0, S::kState, I::kDead, 0x87, 0x06, 0x0003, kRestrict, Lt::kSigned8, 0x96, 0x01, nullptr},
    {0xC6, N, N, 11, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kSigned8, 0x87, 0x07, nullptr},
    {0xC7, N, N, 13, 0, 0, S::kState, I::kOwn19, 0x87, 0x08, 0x0207, kRestrict, L0, 0, 0, nullptr},
    {0xC8, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x87, 0x09, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xC9, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x87, 0x0A, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xCA, N, N, 19, 0, 0, S::kState, I::kOwnSigSpeed, 0x87, 0x0B, 0x1257, kRestrict, L0, 0, 0, nullptr},
    {0xCB, N, N, 19, 0, 0, S::kState, I::kOwnSigSpeed, 0x87, 0x0C, 0x1257, kRestrict, L0, 0, 0, nullptr},
    {0xCC, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x0D, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xCD, N, N, 7, 0, 0, S::kSecond, I::kPos, 0x81, 0xA0, 0, 0, Lt::kDigitsFrom1, 0, 0, nullptr},
    {0xCE, N, N, 23, 0, 0, S::kOwn, I::kCE, 0x87, 0x0F, 0x3FFF, kRestrict, L0, 0, 0, CE},
    {0xCF, N, N, 4, 0, 0, S::kOwn, I::kTimeOnly, 0x87, 0x12, 0x0001, kRestrict, L0, 0, 0, CF},
    {0xD0, N, N, 21, 0, 0, S::kOwn, I::kD0, 0x87, 0x13, 0x135F, kRestrict, L0, 0, 0, D0},
    {0xD1, N, N, 23, 0, 0, S::kOwn, I::kD1, 0x87, 0x1A, 0x125F, kRestrict, L0, 0, 0, D1},
    {0xD2, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x1F, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xD3, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x20, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xD4, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x21, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xD5, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x22, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xD6, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x87, 0x39, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xD7, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x87, 0x3A, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xD8, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x25, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xD9, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x26, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xDA, N, N, 10, 0, 0, S::kState, I::kDead19, 0x87, 0x27, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xDB, N, N, 21, 0, 0, S::kState, I::kDB, 0x89, 0x01, 0x1357, kRestrict, L0, 0, 0, nullptr},
    {0xDC, N, N, 21, 0, 0, S::kState, I::kDB, 0x89, 0x02, 0x1357, kRestrict, L0, 0, 0, nullptr},
    {0xDD, N, N, 21, 0, 0, S::kState, I::kDB, 0x89, 0x03, 0x1357, kRestrict, L0, 0, 0, nullptr},
    {0xDE, N, N, 17, 0, 0, S::kState, I::kDE, 0x89, 0x04, 0x0317, kRestrict, L0, 0, 0, nullptr},
    {0xDF, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x89, 0x05, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xE0, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x8A, 0x01, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xE1, N, N, 14, 0, 0, S::kState, I::kE1, 0x8B, 0x0C, 0x0207, kRestrict, Lt::kByte13, 0x8A, 0x02, nullptr},
    {0xE2, N, N, 10, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kWord8, 0x8B, 0x22, nullptr},
    {0xE3, N, N, 15, 0, 0, S::kOwn, I::kE3, 0x8A, 0x03, 0x0227, kRestrict, L0, 0, 0, E3},
    {0xE4, N, N, 15, 0, 0, S::kState, I::kOwnSig, 0x8A, 0x04, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xE5, N, N, 14, 0, 0, S::kState, I::kE1, 0x8A, 0x05, 0x0217, kRestrict, L0, 0, 0, nullptr},
    {0xE6, N, N, 10, 0, 0, S::kState, I::kDead19, 0x8B, 0x01, 0x0203, kRestrict, L0, 0, 0, nullptr},
    {0xE7, N, N, 10, 0, 0, S::kState, I::kDead17, 0x8B, 0x02, 0x0083, kRestrict, L0, 0, 0, nullptr},
    {0xE8, N, N, 10, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kWord8, 0x8B, 0x03, nullptr},
    {0xE9, N, N, 11, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kTriple8, 0x8B, 0x04, nullptr},
    {0xEA, N, N, 10, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kWord8, 0x8B, 0x05, nullptr},
    {0xEB, N, N, 12, 0, 0, S::kState, I::kEB, 0x8B, 0x06, 0x1043, kRestrict, L0, 0, 0, nullptr},
    {0xEC, N, N, 12, 0, 0, S::kState, I::kEC, 0x8B, 0x07, 0x0303, kRestrict, L0, 0, 0, nullptr},
    {0xED, N, N, 41, 0, 0, S::kOwn, I::kLong, 0x8B, 0x08, 0x13F7, kRestrict, L0, 0, 0, ED},
    {0xEE, N, N, 41, 0, 0, S::kOwn, I::kLong, 0x8B, 0x10, 0x13F7, kRestrict, L0, 0, 0, ED},
    {0xEF, N, N, 12, 0, 0, S::kState, I::kDead, 0x8B, 0x0C, 0x0003, kRestrict, Lt::kPair8, 0x8B, 0x0A, nullptr},
    {0xF0, N, N, 14, 0, 0, S::kOwn, I::kTimeOnly, 0x8B, 0x08, 0x13C4, 0, L0, 0, 0, F0},
    {0xF1, N, N, 18, 14, 16, S::kOwn, I::kTimeOnly, 0x8B, 0x08, 0x13C4, 0, L0, 0, 0, F1},
};

bool IsBcd(uint8_t x) { return (x >> 4) <= 9 && (x & 0x0F) <= 9; }

constexpr int kRowCount = static_cast<int>(sizeof kRows / sizeof kRows[0]);

// The rows of each code in table order: the first row of a code, and after
// each row the next row of the same code (kRowCount: no more).
struct RowIndex {
  uint16_t first[256];
  uint16_t next[kRowCount];
};
constexpr RowIndex MakeRowIndex() {
  RowIndex x{};
  for (int c = 0; c < 256; ++c) x.first[c] = kRowCount;
  for (int i = kRowCount - 1; i >= 0; --i) {
    x.next[i] = x.first[kRows[i].code];
    x.first[kRows[i].code] = static_cast<uint16_t>(i);
  }
  return x;
}
constexpr RowIndex kRowIndex = MakeRowIndex();

const Row* FindRow(uint8_t code, uint8_t sub) {
  const bool withSub = HasSub(code);
  for (int i = kRowIndex.first[code]; i < kRowCount; i = kRowIndex.next[i]) {
    const Row& r = kRows[i];
    if (!withSub) return &r;
    if (r.flags & kAnySub) return &r;
    if (IsBcd(sub) && sub >= r.lo && sub <= r.hi) return &r;
  }
  return nullptr;
}

// Codes followed by nothing the converter reads.
bool Untranslated(uint8_t c) {
  if (c < 0xA0 || c > 0xFE) return true;
  switch (c) {
    case 0xA2: case 0xA3: case 0xA6: case 0xA7: case 0xB0: case 0xB3: case 0xB5:
    case 0xBB: case 0xBD: case 0xBE: case 0xBF:
      return true;
    default:
      return (c >= 0xA9 && c <= 0xAF) || (c >= 0xF3 && c <= 0xFD);
  }
}

bool ChecksumOf(const WorkArea& w, const Row& row, int body) {
  return w.Checksum(HasSub(row.code) ? body : body - 1);
}

// ED/EE failing their check: for a vendor other than Q, the first 22 bytes
// may still pass as a short state record.
void LongFallback(WorkArea& w) {
  if (L2000().vendor == 'Q' || !w.Checksum(20)) return;
  RunningRecord& r = w.run;
  r.Code = 0x8B;
  r.Sub = 0x08;
  r.Time = TimeAt(w, 1);
  r.Val5 = w.bcd(4, 4);
  r.Val8 = w.bcd(8, 3);
  r.Val19 = static_cast<uint16_t>(w.bcd(11) * 100 + w.bcd(12));
  r.Val21 = static_cast<uint16_t>(w.bcd(13) * 100 + w.bcd(14));
  r.PresenceMask = 0x0307;
  w.WriteRunning();
  w.written = 0;
}

void Run(WorkArea& w, const Row& row, int body) {
  switch (row.step) {
    case Step::kCheckOnly: break;
    case Step::kMark: {
      RunningRecord& r = w.run;
      r.Code = row.out0;
      r.Sub = Out1(w, row);
      r.Time = TimeAt(w, 2);
      r.Val5 = w.bcd(5, 4);
      w.WriteRunning();
      w.written = 0;
      break;
    }
    case Step::kState: StateWithSecond(w, row, body); break;
    case Step::kSecond:
      WriteLayout(w, row.out0, Out1(w, row), row.layout, K(row), LastData(row, body), Index(w, row));
      break;
    case Step::kBA: BAState(w, row, body); break;
    case Step::kOwn: row.own(w, row, body); break;
  }
  if (row.flags & kClearAfter) w.written = 0;
}

// The B6h fallback of the loop: data bytes go to b[7..31] until a code byte.
Next B6Fallback(WorkArea& w) {
  for (int i = 7;; ++i) {
    uint8_t x;
    if (!w.in->ReadByte(x)) return Next::kClose;
    w.lookahead = x;
    if (x >= 0x9A) return Next::kResync;
    if (i <= 31) w.b[i] = x;
  }
}

}  // namespace

Next TranslateRecord(WorkArea& w) {
  const uint8_t code = w.b[0];
  if (code == 0xF2) return Next::kRead;
  if (Untranslated(code)) {
    w.written = 0;
    return Next::kRead;
  }
  if (code == 0xB6) {
    // The sub-records that write clear the written flag.
    if (B6SubRecord(w, w.written) == 0) return B6Fallback(w);
    return w.lookahead >= 0x9A ? Next::kResync : Next::kRead;
  }
  const bool withSub = HasSub(code);
  if (withSub) {
    if (w.Read(1, 1, false) != 0 || w.in->AtEnd()) return Next::kClose;
  }
  if (code == 0xB7) w.written = 0;
  const Row* row = FindRow(code, w.b[1]);
  if (!row) {
    // An unlisted sub-code ends the record; it was read as the sub-code, so
    // even a code byte there does not start the next record.
    w.written = 0;
    return Next::kRead;
  }
  const int start = withSub ? 2 : 1;
  int body = row->body;
  const int res = w.Read(start, body, (row->flags & kNoStop) == 0);
  if (res == 153) return Next::kClose;
  // A body read in full ends with its own last byte in the look-ahead byte
  // (also a byte of 9Ah or above read without stopping): scanning goes on
  // after it. A short form leaves the code byte that cut it for the next
  // record.
  Next after = Next::kRead;
  if (res >= 170) {
    const int stored = res - 170;
    if (stored == 0 || (stored != row->short1 && stored != row->short2)) return Next::kResync;
    body = stored;
    after = Next::kResync;
    if (code == 0xF1 && body == 16 && !w.Checksum(15)) {
      // Not a 16-byte form: the 14-byte form, read on after its end.
      w.in->SeekBy(-3);
      body = 14;
      after = Next::kRead;
    }
  } else if (w.in->AtEnd()) {
    return Next::kClose;
  }
  if (!ChecksumOf(w, *row, body)) {
    if (code == 0xED || code == 0xEE) LongFallback(w);
    return after;
  }
  Run(w, *row, body);
  return after;
}

}  // namespace railfmt::legacy

// The code table as the record reference reads it.
#include <algorithm>
#include <iterator>

#include "legacy/code_tables.h"

namespace railfmt {
namespace {

using legacy::Form;
using legacy::Row;
using legacy::Text;

const char* TextName(Text t) {
  switch (t) {
    case Text::kChip: return "chip text";
    case Text::kChannel: return "channel text";
    case Text::kBoard: return "board text";
    case Text::kFault: return "fault text";
    case Text::kDriver:
    case Text::kDriverFill: return "driver name";
    case Text::kStation: return "station name";
    case Text::kNone: break;
  }
  return "text";
}

// The fields of a second-area layout for a record of the row's full body.
std::vector<EarlierField> LayoutFields(const Row& row, legacy::Layout id) {
  std::vector<EarlierField> out;
  const auto& ops = legacy::kLayouts[static_cast<int>(id)].ops;
  const int last = legacy::LastData(row, row.body);
  for (std::size_t i = 0; i < std::size(ops) && ops[i].form != Form::kEnd; ++i) {
    const legacy::Op& op = ops[i];
    const int n = op.n ? op.n : last - op.src + 1;
    // a number whose source a text of the same layout names
    std::string named;
    for (std::size_t j = i + 1; j < std::size(ops) && ops[j].form != Form::kEnd; ++j)
      if (ops[j].form == Form::kText && ops[j].src == op.src) {
        named = ops[j].text == Text::kDriver || ops[j].text == Text::kDriverFill ? "driver number"
                : ops[j].text == Text::kStation                                  ? "station number"
                                                                                 : std::string("number of the ") + TextName(ops[j].text);
        break;
      }
    const int to = [&] {
      switch (op.form) {
        case Form::kTime: return op.dst + 2;
        case Form::kDec:
        case Form::kRaw: return op.dst + std::max(n, 1) - 1;
        case Form::kLE:
        case Form::kSigned: return op.dst + op.width - 1;
        case Form::kLow8: return int{op.dst};
        case Form::kText:
          return op.text == Text::kDriver || op.text == Text::kDriverFill || op.text == Text::kStation
                     ? op.dst + 11
                     : op.dst + op.width - 1;
        case Form::kEnd: break;
      }
      return int{op.dst};
    }();
    EarlierField f{op.dst, std::min(to, kRecordSize - 1), "number", named.empty() ? "value" : named};
    if (op.form == Form::kTime || (op.form == Form::kDec && op.src == legacy::K(row) && n == 3))
      f.type = f.name = "time";  // the record's own time bytes
    else if (op.form == Form::kText) f.type = "text", f.name = TextName(op.text);
    else if (op.form == Form::kSigned) f.type = "signed", f.name = "signed value";
    else if (op.form == Form::kRaw || (op.form == Form::kDec && n != 1)) f.type = f.name = "data";
    else if (op.form == Form::kLow8) f.name = "value (low byte)";
    out.push_back(f);
  }
  return out;
}

}  // namespace

std::vector<EarlierRecord> L2000CodeTable() {
  std::vector<EarlierRecord> out;
  for (const Row& r : legacy::kRows) {
    if (r.step == legacy::Step::kCheckOnly || (r.flags & legacy::kAnySub)) continue;
    const bool withSub = legacy::HasSub(r.code);
    const int lo = withSub ? TPubFunc::BcdByte(r.lo) : 0, hi = withSub ? TPubFunc::BcdByte(r.hi) : 0;
    for (int s = lo; s <= hi; ++s) {
      const uint16_t in = static_cast<uint16_t>(withSub ? r.code << 8 | (s / 10) << 4 | (s % 10) : r.code);
      const bool own = r.step == legacy::Step::kOwn;
      const uint8_t out1 = static_cast<uint8_t>(r.out1 + (own ? 0 : s - lo));
      const uint16_t code = static_cast<uint16_t>(r.out0 << 8 | out1);
      if (!code) continue;
      EarlierRecord e{in, withSub, code, false, r.mask, own, own && r.own == legacy::B101, {}};
      const bool ownState = own && r.own == legacy::A825;  // a state record, its mask from the record
      switch (r.step) {
        case legacy::Step::kSecond: e.fields = LayoutFields(r, r.layout); break;
        case legacy::Step::kMark:
        case legacy::Step::kState:
        case legacy::Step::kBA: e.state = true; break;
        default: e.state = r.mask != 0 || ownState; break;
      }
      out.push_back(e);
      if (r.step == legacy::Step::kState && r.layout != legacy::Layout::kNone)
        out.push_back({in, withSub, static_cast<uint16_t>(r.sec0 << 8 | r.sec1), false, 0, false, false,
                       LayoutFields(r, r.layout)});
    }
  }
  return out;
}

}  // namespace railfmt
