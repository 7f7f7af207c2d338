// The LKJ93 converter: fixed 16-byte records of plain unsigned values (no
// BCD, no check byte) into formatted records, with the earlier-format
// working area.
//
// Choices this converter makes where the record format leaves them open
// (one place, kept in step with the code below):
//
//   what                          | rule
//   ------------------------------+---------------------------------------------
//   second-area layout (B3h, B7h, | bytes 0..1 the output code, 2..4 the running
//   B8h, B9h, BDh, raw F1h xx)    | time, 5..19 the record bytes b[1..15]
//   BCh 83h 01h unit (52 bytes)   | 0..1 83h 01h, 2..4 running time, 5..19
//                                 | b[1..15], the rest (continuation) zero
//   BEh 84h 22h/23h/03h/21h       | bytes 5..6 := b[1..2], b[3..4], b[5..6],
//       84h 60h/61h/62h (5Ah)     | b[7..8]; b[10..11], b[12..13], b[14..15];
//                                 | running time in 2..4
//   BFh 84h 2Ah..2Ch, 81h 08h..0Eh| byte 5 := b[1] .. b[10] one each; 84h 63h,
//       84h 63h, 84h 64h          | 64h: 5..6 := b[11..12], b[13..14]
//   B0h/B1h second-area records   | B1h 81h 07h time = running time; driver
//                                 | records: number in 5..6 / 24..25, name in
//                                 | 7..18 (DriverName fill flag 0)
//   B7h in the later layout       | sub-code 53h instead of 07h
//   B4h                           | state record 8Ah 05h
//   89h                           | (b[7] and 30h) = 20h: 86h 17h; 30h: 86h 18h;
//                                 | otherwise 86h 1Ch
//   A4h                           | n = (b[7] >> 4) and 7: 87h (1Ah + n) for
//                                 | n <= 4, else 87h 1Bh
//   A5h                           | after A7h: 87h 14h (once); else 87h (13h + n)
//                                 | for n <= 6, else 87h 17h
//   A8h (also after 86h)          | kind k = Val12: 2 or 3: 87h 0Fh + text
//                                 | record; 1: 87h 10h + text record; others:
//                                 | 87h 11h (mask 021Fh, no text)
//   F0h..F9h, FCh..FFh            | time fields out of range (h > 23, m or s >
//                                 | 59), and always F3h: raw record F1h <code>;
//                                 | otherwise the table's pair or the override
//                                 | below (F2h adds the second-area 92h 44h)
//   FAh, FBh                      | the table's pair (80h 28h / 87h 01h)
//   E0h..EFh                      | the state is decoded, then the lamp code
//                                 | replaces Val15
//   restriction lookup            | level StationAttribute, day = start day (+1
//                                 | before the start time), line direction =
//                                 | lowest bit of the header number
//   station name by code          | both code systems tried, no second code
//   "last record written 87h 0Fh" | the text record after a station record does
//                                 | not count as a record of its own
//   option byte, later layout     | header byte 50 follows the library-wide
//                                 | later-version mark (set by BEh with 5Ah)
//   B1h group value of b[12..15]  | not kept: no record uses it
//   B5h/B6h mode value            | not kept: no record uses it
//   FFh in the first 48 bytes     | a filler record stays filler, only other
//                                 | FFh records become B0h
//   86h then a skipped block      | the buffer still holds the 86h record: it
//                                 | is taken as A8h again (after every skipped
//                                 | block until the next record is read)
//   last, short record            | bytes missing at the input end read as 0
#include <cstring>
#include <iterator>
#include <string>

#include "tables/bridge.h"
#include "legacy/converters.h"
#include "legacy/records.h"
#include "legacy/workarea.h"

namespace railfmt {
namespace {

using legacy::WorkArea;

constexpr int kRecLen = 16;
constexpr uint16_t kStateMask = 0x13FF;
constexpr uint16_t kStationMask = 0x3FFF;
constexpr uint16_t kNoStationMask = 0x021F;
constexpr int kLaterLayoutWindow = 160;   // B2h/B3h here mark the later layout
constexpr int kStartHeaderWindow = 48;    // FFh here (before 80h) is a B0h

enum class Act : uint8_t {
  None,     // no output
  State,    // decode, restriction step, write the table pair
  Second,   // second-area record of the table pair
  Start80, Dual81, Ret84, Ret85, Sel89, SetDir, ClearDir, SelA4, SelA5, MarkA7, A8,
  B0, B1, B2B3, B7, BC, BE, BF, Lamp, Choice,
};

struct Row {
  uint8_t code, sub;
  Act act;
};

// One row per code byte 80h..FFh: the output pair of the code table and what
// the converter does with the record.
constexpr Row kCodes[128] = {
    {0x86, 0x01, Act::Start80}, {0x86, 0x06, Act::Dual81},  {0x86, 0x07, Act::State},   {0x86, 0x08, Act::State},    // 80
    {0x86, 0x14, Act::Ret84},   {0x86, 0x15, Act::Ret85},   {0x86, 0x02, Act::State},   {0x86, 0x03, Act::State},    // 84
    {0x86, 0x13, Act::State},   {0x86, 0x1C, Act::Sel89},   {0x86, 0x24, Act::State},   {0x86, 0x10, Act::State},    // 88
    {0x89, 0x05, Act::State},   {0x86, 0x1D, Act::State},   {0x86, 0x1F, Act::State},   {0x86, 0x1E, Act::State},    // 8C
    {0x80, 0x03, Act::State},   {0x80, 0x20, Act::State},   {0x80, 0x21, Act::State},   {0x80, 0x22, Act::State},    // 90
    {0x87, 0x1F, Act::State},   {0x87, 0x21, Act::State},   {0x80, 0x23, Act::State},   {0x80, 0x24, Act::State},    // 94
    {0x80, 0x25, Act::State},   {0x80, 0x26, Act::State},   {0x87, 0x30, Act::State},   {0x80, 0x27, Act::State},    // 98
    {0x86, 0x0E, Act::SetDir},  {0x86, 0x0F, Act::ClearDir},{0x87, 0x09, Act::State},   {0x87, 0x0A, Act::State},    // 9C
    {0x87, 0x28, Act::State},   {0x87, 0x29, Act::State},   {0x8A, 0x04, Act::State},   {0x87, 0x03, Act::State},    // A0
    {0x87, 0x1B, Act::SelA4},   {0x87, 0x17, Act::SelA5},   {0x89, 0x02, Act::State},   {0x89, 0x01, Act::MarkA7},   // A4
    {0x87, 0x11, Act::A8},      {0x87, 0x08, Act::State},   {0x87, 0x0D, Act::State},   {0x87, 0x0E, Act::State},    // A8
    {0x87, 0x12, Act::State},   {0x80, 0x07, Act::State},   {0x00, 0x00, Act::None},    {0x8B, 0x0D, Act::State},    // AC
    {0x00, 0x00, Act::B0},      {0x00, 0x00, Act::B1},      {0x00, 0x00, Act::B2B3},    {0x8D, 0x02, Act::B2B3},     // B0
    {0x8A, 0x05, Act::State},   {0x87, 0x04, Act::State},   {0x87, 0x05, Act::State},    {0x87, 0x07, Act::B7},       // B4
    {0x86, 0x0C, Act::Second},  {0x86, 0x0D, Act::Second},  {0x00, 0x00, Act::None},    {0x00, 0x00, Act::None},     // B8
    {0x83, 0x01, Act::BC},      {0x84, 0x01, Act::Second},  {0x84, 0x01, Act::BE},      {0x84, 0x01, Act::BF},       // BC
    {0x8C, 0x01, Act::State},   {0x8C, 0x02, Act::State},   {0x8C, 0x05, Act::State},   {0x87, 0x3B, Act::State},    // C0
    {0x8C, 0x06, Act::State},   {0x92, 0x40, Act::State},   {0x92, 0x41, Act::State},   {0x92, 0x42, Act::State},    // C4
    {0x8D, 0x03, Act::State},   {0x8D, 0x04, Act::State},   {0x92, 0x43, Act::State},   {0x8B, 0x0E, Act::State},    // C8
    {0x8B, 0x01, Act::State},   {0x8B, 0x07, Act::State},   {0x8B, 0x06, Act::State},   {0x8B, 0x02, Act::State},    // CC
    {0x8A, 0x30, Act::State},   {0x8A, 0x31, Act::State},   {0x8A, 0x32, Act::State},   {0x8A, 0x33, Act::State},    // D0
    {0x8A, 0x34, Act::State},   {0x8A, 0x35, Act::State},   {0x8A, 0x36, Act::State},   {0x8A, 0x37, Act::State},    // D4
    {0x8A, 0x38, Act::State},   {0x8A, 0x39, Act::State},   {0x8A, 0x3A, Act::State},   {0x8A, 0x3B, Act::State},    // D8
    {0x8A, 0x3C, Act::State},   {0x8A, 0x3D, Act::State},   {0x8A, 0x3E, Act::State},   {0x8A, 0x3F, Act::State},    // DC
    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},     // E0
    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},     // E4
    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},     // E8
    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},    {0x8A, 0x01, Act::Lamp},     // EC
    {0x89, 0x03, Act::Choice},  {0x8B, 0x10, Act::Choice},  {0x8D, 0x01, Act::Choice},  {0x00, 0x00, Act::Choice},   // F0
    {0x00, 0x00, Act::Choice},  {0x00, 0x00, Act::Choice},  {0x86, 0x19, Act::Choice},  {0x80, 0x10, Act::Choice},   // F4
    {0x86, 0x12, Act::Choice},  {0x86, 0x11, Act::Choice},  {0x80, 0x28, Act::State},   {0x87, 0x01, Act::State},    // F8
    {0x8C, 0x03, Act::Choice},  {0x8C, 0x04, Act::Choice},  {0x87, 0x0B, Act::Choice},  {0x86, 0x0A, Act::Choice},   // FC
};

// The pair a well-formed F0h..FFh record takes where it is not the table's
// (00 00: the table's pair, or 8Ah 05h where the table has none; F3h has
// no well-formed form).
struct ChoicePair {
  uint8_t raw, code, sub;
};
constexpr ChoicePair kChoiceOverrides[] = {
    {0xF2, 0x8D, 0x07}, {0xF3, 0x00, 0x00}, {0xF4, 0x8A, 0x05}, {0xF5, 0x8D, 0x06}};

// Second-area records of BEh and BFh: output pair, first data byte, width.
struct Field {
  uint8_t code, sub;
  uint8_t from, width;
};
constexpr Field kBeFields[] = {
    {0x84, 0x22, 1, 2}, {0x84, 0x23, 3, 2}, {0x84, 0x03, 5, 2}, {0x84, 0x21, 7, 2}};
constexpr Field kBeLaterFields[] = {{0x84, 0x60, 10, 2}, {0x84, 0x61, 12, 2}, {0x84, 0x62, 14, 2}};
constexpr uint8_t kLaterVersionByte = 0x5A;   // BEh b[9]
constexpr Field kBfFields[] = {
    {0x84, 0x2A, 1, 1}, {0x84, 0x2B, 2, 1}, {0x84, 0x2C, 3, 1}, {0x81, 0x08, 4, 1},
    {0x81, 0x09, 5, 1}, {0x81, 0x0A, 6, 1}, {0x81, 0x0B, 7, 1}, {0x81, 0x0C, 8, 1},
    {0x81, 0x0D, 9, 1}, {0x81, 0x0E, 10, 1}, {0x84, 0x63, 11, 2}, {0x84, 0x64, 13, 2}};

// Signal codes: B2h/B3h b[1], E0h..EFh low nibble.
constexpr uint8_t kLampMap[16] = {8, 0, 1, 4, 6, 5, 7, 3, 2, 11, 14, 16, 15, 17, 13, 12};
// Later layout, b[8] and 3Fh when bit 2 of b[7] is set.
uint8_t LaterSignal(uint8_t s) {
  switch (s) {
    case 10: return 14;
    case 11: return 11;
    case 12: return 16;
    case 13: return 17;
    default: return (s >= 14 && s <= 27) ? static_cast<uint8_t>(s + 4) : s;
  }
}

class Lkj93 {
 public:
  Lkj93(WorkArea& w, uint8_t option) : w_(w), option_(option) {}
  void Run();

 private:
  WorkArea& w_;
  const uint8_t option_;
  uint8_t third_[kRecLen] = {};   // file bytes 32..47
  int64_t offset_ = 0;            // file offset of the current record
  bool later_ = false;
  bool started_ = false;
  bool direction_ = true;
  bool pending85_ = false;
  bool afterA7_ = false;
  bool last870F_ = false;
  int b0Seen_ = 0;
  int b1Seen_ = 0;
  int32_t kept50_ = -1;
  int32_t startTime_ = -1;
  int32_t lastVal10_ = 0;
  uint8_t lastVal12_ = 0;
  legacy::StationText lastText_;

  uint8_t* b() { return w_.b; }
  void DecodeState();
  void Restriction();
  void EmitRunning(uint8_t code, uint8_t sub);
  void EmitSecond();
  void StateRecord(uint8_t code, uint8_t sub);
  void SecondRecord(uint8_t code, uint8_t sub);
  void FieldRecords(const Field* f, int n);
  void Translate();
  void TranslateA8();
  void StartHeader();
  void StartValues();
  void SignalSetting();
  void Choice(const Row& row);
  void FollowUp();
  void Close();
};

void Lkj93::DecodeState() {
  auto& r = w_.run;
  const uint8_t* x = w_.b;
  const int sec = x[1] & 0x3F;
  const int min = (x[2] & 0x0F) * 4 + (x[1] >> 6);
  const int hrs = (x[3] & 1) * 16 + (x[2] >> 4);
  r.Time = hrs * 3600 + min * 60 + sec;
  if (startTime_ < 0) startTime_ = r.Time;
  if (later_ && (x[7] & 0x04)) {
    r.Val15 = LaterSignal(x[8] & 0x3F);
    r.Val12 = 0x80;
  } else {
    r.Val12 = (x[7] >> 4) & 7;
  }
  if (later_) direction_ = (x[7] & 0x08) != 0;
  const int32_t base = x[4] + x[5] * 256 + (x[6] & 0x7F) * 65536;
  if (x[7] & 0x80) {
    r.Val5 = x[4] + x[5] * 256 + x[6] * 65536 - (x[6] >= 0x80 ? (1 << 24) : 0);
  } else if (started_ && direction_) {
    const int32_t d = x[10] + x[11] * 256;
    const bool add = (x[6] & 0x80) == 0;
    int32_t v = add ? base + d : base - d;
    if (d >= 32767) v += add ? -65536 : 65536;
    r.Val5 = v;
  } else {
    r.Val5 = base;
  }
  r.Val10 = x[8] + x[9] * 256;
  r.Val8 = x[10] + x[11] * 256;
  r.Val19 = x[12];
  r.Val21 = x[13];
  r.Val13 = x[14];
  r.Val17 = static_cast<uint16_t>(x[15] * 10);
  r.PresenceMask = kStateMask;
}

void Lkj93::Restriction() {
  const auto& r = w_.run;
  const int32_t day = w_.startDay + (r.Time < startTime_ ? 1 : 0);
  const uint8_t direction = static_cast<uint8_t>(w_.header.Word28 & 1);
  w_.RestrictionStep(RestrictionSpeed(Lookups().StationAttribute, r.Val5, day, r.Time,
                                      w_.routeNumber, direction));
}

void Lkj93::EmitRunning(uint8_t code, uint8_t sub) {
  w_.run.Code = code;
  w_.run.Sub = sub;
  w_.WriteRunning();
  last870F_ = code == 0x87 && sub == 0x0F;
}

void Lkj93::EmitSecond() {
  w_.WriteSecond();
  last870F_ = false;
}

void Lkj93::StateRecord(uint8_t code, uint8_t sub) {
  DecodeState();
  Restriction();
  EmitRunning(code, sub);
}

void Lkj93::SecondRecord(uint8_t code, uint8_t sub) {
  uint8_t* r = w_.second;
  r[0] = code;
  r[1] = sub;
  legacy::PlaceTime(r, w_.run.Time);
  std::memcpy(r + 5, w_.b + 1, kRecLen - 1);
  EmitSecond();
}

void Lkj93::FieldRecords(const Field* f, int n) {
  for (int i = 0; i < n; ++i) {
    uint8_t* r = w_.second;
    r[0] = f[i].code;
    r[1] = f[i].sub;
    legacy::PlaceTime(r, w_.run.Time);
    for (int k = 0; k < f[i].width; ++k) r[5 + k] = w_.b[f[i].from + k];
    EmitSecond();
  }
}

// B0h: date, train number and crew of the start header.
void Lkj93::StartHeader() {
  const uint8_t* x = w_.b;
  thead& h = w_.header;
  const uint8_t year = x[2] >> 1;
  const uint8_t month = static_cast<uint8_t>((x[2] & 1) * 8 + (x[1] >> 5));
  const uint8_t day = x[1] & 0x1F;
  h.Date[0] = year;
  h.Date[1] = month;
  h.Date[2] = day;
  w_.startDay = month * 100 + day;
  h.B27 = x[3] & 7;
  h.Word28 = static_cast<uint16_t>(x[4] + x[5] * 256);
  h.B43 = h.Word28 < 34464 ? (x[3] >> 6) & 1 : 0;
  h.Word20 = static_cast<uint16_t>(x[12] + x[13] * 256);
  h.B24[0] = x[14];
  h.B24[1] = x[15];
  w_.routeNumber = x[6];

  uint8_t* r = w_.second;
  r[0] = 0x81;
  r[1] = 0x15;
  r[5] = x[6];
  EmitSecond();
  legacy::WriteStationRecord(w_, w_.routeNumber, x[7]);
  const int64_t ext1 = later_ ? third_[5] * 65535LL : 0;
  const int64_t ext2 = later_ ? third_[6] * 65535LL : 0;
  legacy::WriteDriverRecord(w_, 0x11, x[8] + x[9] * 256 + ext1);
  legacy::WriteDriverRecord(w_, 0x04, x[10] + x[11] * 256 + ext2);
  last870F_ = false;
}

// B1h: the values of the second start header.
void Lkj93::StartValues() {
  const uint8_t* x = w_.b;
  w_.header.B50 = x[13];
  uint8_t* r = w_.second;
  r[0] = 0x81; r[1] = 0x05; r[5] = x[1];
  EmitSecond();
  r[0] = 0x81; r[1] = 0x07; legacy::PlaceTime(r, w_.run.Time); r[5] = x[2]; r[6] = x[3];
  EmitSecond();
  r[0] = 0x81; r[1] = 0x10; r[5] = x[4]; r[6] = x[5];
  EmitSecond();
  Lookups().RestrictionTolerance = static_cast<int16_t>(x[4] + x[5] * 256);
  r[0] = 0x81; r[1] = 0x0F; r[5] = x[6];
  EmitSecond();
  r[0] = 0x81; r[1] = 0x03; r[7] = x[8]; r[8] = x[9];
  EmitSecond();
  w_.header.TypeName = JcTypeName(x[11]);
}

// B2h/B3h near the start: signal code and Val16 of the later layout.
void Lkj93::SignalSetting() {
  const uint8_t* x = w_.b;
  later_ = true;
  if ((x[1] == 0 && x[2] == 0) || (x[1] == 0xFF && x[2] == 0xFF)) return;
  w_.run.Val15 = x[1] <= 8 ? kLampMap[x[1]] : x[1];
  int v = (x[2] >> 1) & 0x1F;
  v += (v & 1) ? -1 : 1;
  w_.run.Val16 = static_cast<uint8_t>(v);
}

void Lkj93::Choice(const Row& row) {
  const uint8_t* x = w_.b;
  const uint8_t code = x[0];
  uint8_t outCode = row.code, outSub = row.sub;
  bool wellFormed = true;
  for (const auto& c : kChoiceOverrides)
    if (c.raw == code) {
      outCode = c.code;
      outSub = c.sub;
      wellFormed = c.code != 0;
    }
  const int sec = x[1] & 0x3F;
  const int min = (x[2] & 0x0F) * 4 + (x[1] >> 6);
  const int hrs = (x[3] & 1) * 16 + (x[2] >> 4);
  if (!wellFormed || hrs > 23 || min > 59 || sec > 59) {
    SecondRecord(0xF1, code);
    return;
  }
  StateRecord(outCode, outSub);
  if (code == 0xF2) SecondRecord(0x92, 0x44);
}

void Lkj93::TranslateA8() {
  DecodeState();
  Restriction();
  const uint8_t kind = w_.run.Val12;
  if (kind == 1 || kind == 2 || kind == 3) {
    lastText_ = legacy::StationByCode(w_.routeNumber, kind, w_.run.Val10);
    w_.run.PresenceMask = kStationMask;
    EmitRunning(0x87, kind == 1 ? 0x10 : 0x0F);
    lastVal10_ = w_.run.Val10;
    lastVal12_ = w_.run.Val12;
    legacy::WriteTextRecord(w_, lastText_, w_.run.PresenceMask);
  } else {
    w_.run.PresenceMask = kNoStationMask;
    EmitRunning(0x87, 0x11);
  }
}

// After 87h 0Fh, a record outside the station area first closes it.
void Lkj93::FollowUp() {
  w_.run.Val10 = lastVal10_;
  w_.run.Val12 = lastVal12_;
  w_.run.PresenceMask = kStationMask;
  EmitRunning(0x87, 0x10);
  legacy::WriteTextRecord(w_, lastText_, w_.run.PresenceMask);
}

void Lkj93::Translate() {
  const uint8_t code = w_.b[0];
  const Row& row = kCodes[code - 0x80];
  auto& r = w_.run;
  switch (row.act) {
    case Act::None:
      break;
    case Act::State:
      StateRecord(row.code, row.sub);
      break;
    case Act::Second:
      SecondRecord(row.code, row.sub);
      break;
    case Act::Start80: {
      started_ = true;
      direction_ = false;
      DecodeState();
      startTime_ = r.Time;
      w_.startTime = r.Time;
      w_.header.B41 = r.Val13;
      Restriction();
      const auto text = legacy::StationByCode(w_.routeNumber, r.Val12, r.Val10);
      EmitRunning(row.code, row.sub);
      legacy::WriteTextRecord(w_, text, r.PresenceMask);
      break;
    }
    case Act::Dual81:
      StateRecord(kept50_ >= 1 ? 0x86 : row.code, kept50_ >= 1 ? 0x87 : row.sub);
      break;
    case Act::Ret84:
      StateRecord(row.code, pending85_ ? 0x16 : row.sub);
      pending85_ = false;
      break;
    case Act::Ret85:
      StateRecord(row.code, row.sub);
      pending85_ = true;
      break;
    case Act::Sel89: {
      const uint8_t t = w_.b[7] & 0x30;
      StateRecord(row.code, t == 0x20 ? 0x17 : t == 0x30 ? 0x18 : row.sub);
      break;
    }
    case Act::SetDir:
      direction_ = true;
      StateRecord(row.code, row.sub);
      break;
    case Act::ClearDir:
      direction_ = false;
      StateRecord(row.code, row.sub);
      break;
    case Act::SelA4: {
      const int n = (w_.b[7] >> 4) & 7;
      StateRecord(row.code, n <= 4 ? static_cast<uint8_t>(0x1A + n) : row.sub);
      break;
    }
    case Act::SelA5: {
      const int n = (w_.b[7] >> 4) & 7;
      uint8_t sub = n <= 6 ? static_cast<uint8_t>(0x13 + n) : row.sub;
      if (afterA7_) sub = 0x14;
      afterA7_ = false;
      StateRecord(row.code, sub);
      break;
    }
    case Act::MarkA7:
      afterA7_ = true;
      StateRecord(row.code, row.sub);
      break;
    case Act::A8:
      TranslateA8();
      break;
    case Act::B0:
      if (b0Seen_++ == 0 && w_.header.Word28 == 0) StartHeader();
      break;
    case Act::B1:
      if (b1Seen_++ == 0) StartValues();
      break;
    case Act::B2B3:
      if (offset_ < kLaterLayoutWindow) SignalSetting();
      else if (row.code != 0) SecondRecord(row.code, row.sub);
      break;
    case Act::B7:
      SecondRecord(row.code, later_ ? 0x53 : row.sub);
      break;
    case Act::BC: {
      uint8_t* u = w_.headerImage;
      std::memset(u, 0, kHeaderSize);
      u[0] = row.code;
      u[1] = row.sub;
      legacy::PlaceTime(u, r.Time);
      std::memcpy(u + 5, w_.b + 1, kRecLen - 1);
      w_.WriteOut(u, kHeaderSize);
      std::memset(u, 0, kHeaderSize);
      last870F_ = false;
      break;
    }
    case Act::BE:
      FieldRecords(kBeFields, static_cast<int>(std::size(kBeFields)));
      if (w_.b[9] == kLaterVersionByte) {
        FieldRecords(kBeLaterFields, static_cast<int>(std::size(kBeLaterFields)));
        w_.laterVersionMark = 1;
      }
      break;
    case Act::BF:
      FieldRecords(kBfFields, static_cast<int>(std::size(kBfFields)));
      break;
    case Act::Lamp:
      DecodeState();
      r.Val15 = kLampMap[code & 0x0F];
      Restriction();
      EmitRunning(row.code, row.sub);
      break;
    case Act::Choice:
      Choice(row);
      break;
  }
}

void Lkj93::Close() {
  const auto bytes = HeaderBytes(w_.header);
  std::memcpy(w_.headerImage, bytes.data(), kHeaderSize);
  if (kept50_ >= 0) w_.headerImage[50] = static_cast<uint8_t>(kept50_);
  w_.Flush();
  w_.out->Seek(0);
  w_.out->Write(w_.headerImage, kHeaderSize);
}

void Lkj93::Run() {
  MemStream& in = *w_.in;
  const int64_t size = static_cast<int64_t>(in.Size());

  thead& h = w_.header;
  h.Magic[0] = 0xA5;
  h.Magic[1] = 0x5A;
  h.ShortText = "93";
  h.TypeName = "00000000";
  h.Size[0] = ByteOf(size, 0);
  h.Size[1] = ByteOf(size, 1);
  h.Size[2] = ByteOf(size, 2);
  h.Vendor = static_cast<char>(0xAA);
  const auto head = HeaderBytes(h);
  w_.WriteOut(head.data(), kHeaderSize);

  in.Seek(32);
  const bool haveThird = in.Read(third_, kRecLen) > 0;
  in.Seek(0);
  if (haveThird && third_[0] == 0xB2) {
    later_ = true;
    uint8_t* r = w_.second;
    r[0] = 0xB0;
    r[1] = 0xF0;
    std::memcpy(r + 15, third_ + 1, 4);
    std::memcpy(r + 19, third_ + 7, 2);
    EmitSecond();
  }

  while (static_cast<int64_t>(in.Position()) < size - 14) {
    offset_ = static_cast<int64_t>(in.Position());
    uint8_t rec[kRecLen] = {};
    in.Read(rec, kRecLen);
    if (rec[0] < 0x80) {
      // A skipped block: the buffer is kept, and when it still holds an 86h
      // record that record is taken once more as an A8h record.
      if (w_.b[0] == 0x86) TranslateA8();
      continue;
    }
    std::memcpy(w_.b, rec, kRecLen);
    if (later_ && option_ != 0) kept50_ = w_.laterVersionMark;
    bool filler = true;
    for (int i = 0; i < 7; ++i) filler = filler && w_.b[i] == 0xFF;
    if (!filler && offset_ < kStartHeaderWindow && w_.b[0] == 0xFF && !started_) w_.b[0] = 0xB0;
    if (last870F_) {
      const int kind = (w_.b[7] >> 4) & 7;
      if (kind != 2 && kind != 3) FollowUp();
    }
    if (filler) continue;
    Translate();
    // An 86h record is taken once more as an A8h record.
    if (w_.b[0] == 0x86) TranslateA8();
  }
  Close();
}

}  // namespace

void ConvertLKJ93(MemStream& in, MemStream& out, uint8_t option) {
  WorkArea& w = legacy::Work();
  w.ResetForConversion(in, out);
  legacy::ConversionRoom room(in, out);
  Lkj93 c(w, option);
  c.Run();
}

}  // namespace railfmt

// The code table as the record reference reads it.
#include "legacy/code_tables.h"

namespace railfmt {

std::vector<EarlierCode> Lkj93CodeTable() {
  std::vector<EarlierCode> out;
  for (int i = 0; i < 128; ++i) {
    const Row& r = kCodes[i];
    const uint16_t pair = static_cast<uint16_t>(r.code << 8 | r.sub);
    if (pair) out.push_back({static_cast<uint16_t>(0x80 + i), false, pair, r.act == Act::State,
                             r.act == Act::State ? kStateMask : uint16_t{0}});
  }
  for (const ChoicePair& c : kChoiceOverrides)
    if (c.code) out.push_back({c.raw, false, static_cast<uint16_t>(c.code << 8 | c.sub), false, 0});
  for (const Field& f : kBeFields) out.push_back({0xBE, false, static_cast<uint16_t>(f.code << 8 | f.sub), false, 0});
  for (const Field& f : kBeLaterFields) out.push_back({0xBE, false, static_cast<uint16_t>(f.code << 8 | f.sub), false, 0});
  for (const Field& f : kBfFields) out.push_back({0xBF, false, static_cast<uint16_t>(f.code << 8 | f.sub), false, 0});
  return out;
}

}  // namespace railfmt
