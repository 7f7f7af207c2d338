// The JK2H converter: code-prefixed BCD records without check byte, body
// lengths from a table, into formatted records with the earlier-format
// working area.
//
// Choices this converter makes where the record format leaves them open
// (one place, kept in step with the tables below):
//
//   what                          | rule
//   ------------------------------+---------------------------------------------
//   state decoding of short bodies| only the items that lie inside the body are
//                                 | decoded (time b[k..k+2], position k+3..k+6,
//                                 | distance k+7..k+9, Val19 k+10..k+11, Val12
//                                 | k+12, signal k+15; k = 1, or 2 for DBh/FBh);
//                                 | a 2-byte body is minutes and seconds
//   presence mask                 | the bits of the items the record decoded:
//                                 | time 0001h, position 0002h, distance 0004h,
//                                 | Val10/Val12 0008h, signal 0010h, Val19
//                                 | 0100h, Val21 0200h (0 for 80h records)
//   second-area layout (B0h, B1h, | bytes 2..4 the running time, from byte 5 on
//   B6h, D6h, DBh, FBh records)   | the body bytes BCD-decoded, one each, up to
//                                 | byte 23
//   81h xx of A1h, A6h..AFh       | bytes 5..6 := bcd(1) x 100 + bcd(2); AFh
//                                 | (81h 10h) writes its record only: the
//                                 | tolerance stays as the start cleared it
//   81h 11h / 81h 04h (A2h, A3h)  | running time, number in 5..6 (24..25), name
//                                 | in 7..18 (DriverName fill flag 0)
//   A5h                           | route := bcd(1), station := bcd(2)
//   B8h / B9h second area         | 86h 0Dh / 8Ah 02h; byte 2 := bcd(15) (the
//                                 | number); bytes 5..14 the text "移频" (b[14]
//                                 | = 0) or "UM71" (else), "H" and the number
//   BEh                           | 86h 14h / 15h / 16h by bcd(8) mod 3
//   C0h                           | the first: 86h 01h, later ones 87h 10h;
//   C0h, D1h, D2h station code    | Val10 := bcd(14) (mask 0008h), the name by
//                                 | code keyed by route and Val10, + text record
//   CCh / CEh, D1h / D2h          | 87h 01h / 87h 02h, 87h 0Fh / 87h 10h
//   D4h, D6h                      | one output each, not steered by the flags
//   DBh 06h                       | 8Ch 03h with track flag bit 1, else 8Ch 04h
//   DBh 09h                       | 81h 26h with track flag bit 2, else 81h 12h
//   DBh C4h, DBh ECh              | as C4h (86h 06h) and ECh (89h 01h)
//   DBh 0Ah (20 bytes)            | no output (no 83h 01h unit)
//   FBh 00h, 01h, 04h, 12h, 13h,  | 81h 24h, 8Dh 04h, 8Dh 03h, 87h 1Fh, 8Ah 01h,
//       14h, 15h, 16h, 17h, 30h   | 84h 01h, 84h 22h, 84h 03h, 84h 02h, none
//   restriction lookup            | level StationAttribute, day = start day (+1
//                                 | before the start time of C0h), direction =
//                                 | track flag bit 0, route from A5h
//   track flags                   | changed after the record is translated
//   record ending at the input end| not translated, as every earlier-format
//                                 | loop ends (converted archives rely on it)
#include <cstring>
#include <string>

#include "tables/bridge.h"
#include "legacy/converters.h"
#include "legacy/records.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "texts/gbk.h"
#include "texts/texts.h"

namespace railfmt {
namespace {

using legacy::WorkArea;

enum class Act : uint8_t {
  None,       // read with its body, not translated
  Plain80,    // 80h xx from the running state as it stands
  State,      // state record
  StateSecond,// state record, then a second-area record (code2, sub2)
  Second,     // second-area record
  Date,       // A0h
  Word8122,   // A1h
  Driver,     // A2h, A3h
  Number8125, // A4h, FCh
  Station,    // A5h
  Value81,    // A6h..AFh
  Track,      // B8h, B9h
  SelBE,      // BEh
  Start,      // C0h
  StationRec, // D1h, D2h
  ShortPos,   // C4h, F8h, DBh C4h
  F0,
  Sel06,      // DBh 06h
  Sel09,      // DBh 09h
  Sub,        // DBh, FBh: by the sub-code table
};

// Track flag bits.
constexpr uint8_t kGrowing = 0x01;    // positions grow
constexpr uint8_t kInStation = 0x02;
constexpr uint8_t kOutside = 0x04;

struct Row {
  uint8_t len;            // body bytes
  Act act;
  uint8_t code, sub;      // output pair
  uint8_t code2, sub2;    // second output pair
  uint8_t set, clear;     // track flags
};

constexpr Row N(uint8_t len) { return {len, Act::None, 0, 0, 0, 0, 0, 0}; }
constexpr Row S(uint8_t len, uint8_t c, uint8_t s, uint8_t set = 0, uint8_t clr = 0) {
  return {len, Act::State, c, s, 0, 0, set, clr};
}
constexpr Row A(uint8_t len, Act a, uint8_t c = 0, uint8_t s = 0, uint8_t c2 = 0, uint8_t s2 = 0,
                uint8_t set = 0, uint8_t clr = 0) {
  return {len, a, c, s, c2, s2, set, clr};
}

// One row per code 9Bh..FFh.
constexpr Row kCodes[0x100 - 0x9B] = {
    A(1, Act::Plain80, 0x80, 0x03), A(1, Act::Plain80, 0x80, 0x20),      // 9B 9C
    A(1, Act::Plain80, 0x80, 0x0C), S(18, 0x8A, 0x05), N(0),            // 9D 9E 9F
    A(2, Act::Date, 0x81, 0x01), A(2, Act::Word8122, 0x81, 0x22),        // A0 A1
    A(2, Act::Driver, 0x81, 0x11), A(2, Act::Driver, 0x81, 0x04),        // A2 A3
    A(5, Act::Number8125, 0x81, 0x25), A(2, Act::Station, 0x81, 0x06),   // A4 A5
    A(2, Act::Value81, 0x81, 0x07), A(2, Act::Value81, 0x81, 0x08),      // A6 A7
    A(2, Act::Value81, 0x81, 0x09), A(2, Act::Value81, 0x81, 0x0A),      // A8 A9
    A(2, Act::Value81, 0x81, 0x0B), A(2, Act::Value81, 0x81, 0x0C),      // AA AB
    A(2, Act::Value81, 0x81, 0x0D), A(2, Act::Value81, 0x81, 0x0E),      // AC AD
    A(2, Act::Value81, 0x81, 0x0F), A(2, Act::Value81, 0x81, 0x10),      // AE AF
    A(3, Act::Second, 0x86, 0x26), A(3, Act::Second, 0x86, 0x26),        // B0 B1
    S(7, 0x86, 0x0E, kOutside), S(7, 0x86, 0x0F, kOutside),              // B2 B3
    S(2, 0x86, 0x11), S(2, 0x86, 0x12),                                  // B4 B5
    A(9, Act::StateSecond, 0x8B, 0x0C, 0x8D, 0x02), N(0),                // B6 B7
    A(16, Act::Track, 0x8B, 0x0C, 0x86, 0x0D),                           // B8
    A(16, Act::Track, 0x8B, 0x0C, 0x8A, 0x02),                           // B9
    S(7, 0x86, 0x17, kOutside), S(7, 0x86, 0x18, kOutside),              // BA BB
    N(0), N(0), A(8, Act::SelBE, 0x86, 0x14),                            // BC BD BE
    A(0, Act::Plain80, 0x80, 0x0A),                                      // BF
    A(14, Act::Start, 0x86, 0x01, 0x87, 0x10, kInStation, kOutside),     // C0
    S(10, 0x86, 0x03), S(10, 0x86, 0x04), S(10, 0x86, 0x05),             // C1 C2 C3
    A(6, Act::ShortPos, 0x86, 0x06), N(10), S(16, 0x86, 0x0C),           // C4 C5 C6
    S(10, 0x87, 0x03), S(7, 0x86, 0x1C),                                 // C7 C8
    S(0, 0x87, 0x04, kGrowing), S(0, 0x87, 0x05, 0, kGrowing),           // C9 CA
    S(0, 0x87, 0x31, 0, kGrowing), S(5, 0x87, 0x01),                     // CB CC
    A(0, Act::Plain80, 0x80, 0x0B), S(5, 0x87, 0x02), S(10, 0x86, 0x0A), // CD CE CF
    S(16, 0x87, 0x11),                                                   // D0
    A(16, Act::StationRec, 0x87, 0x0F, 0, 0, kInStation, kOutside),      // D1
    A(16, Act::StationRec, 0x87, 0x10, 0, 0, kInStation, kOutside),      // D2
    S(0, 0x87, 0x32), S(8, 0x8A, 0x01),                                  // D3 D4
    S(0, 0x87, 0x12, kOutside, kInStation),                              // D5
    A(7, Act::StateSecond, 0x8B, 0x0C, 0x87, 0x07), S(10, 0x87, 0x08),   // D6 D7
    A(0, Act::Plain80, 0x80, 0x08), A(0, Act::Plain80, 0x80, 0x09),      // D8 D9
    N(0), A(0, Act::Sub), N(0), N(0), N(0), N(0),                        // DA DB DC..DF
    S(8, 0x87, 0x17), S(8, 0x87, 0x19), S(8, 0x87, 0x18), S(8, 0x87, 0x16),  // E0..E3
    S(10, 0x87, 0x1B), S(10, 0x87, 0x1D), S(10, 0x87, 0x1C), S(10, 0x87, 0x1E),  // E4..E7
    N(0), N(0), S(7, 0x87, 0x09), S(7, 0x87, 0x0A),                      // E8..EB
    S(16, 0x89, 0x01), S(16, 0x87, 0x14), S(5, 0x86, 0x1E), S(16, 0x89, 0x02),  // EC..EF
    A(3, Act::F0, 0x8B, 0x01), S(2, 0x8B, 0x02), S(1, 0x8B, 0x06), S(1, 0x8A, 0x03),  // F0..F3
    S(7, 0x8B, 0x0C), S(4, 0x8B, 0x0C), S(3, 0x8B, 0x08), S(16, 0x89, 0x03),  // F4..F7
    A(6, Act::ShortPos, 0x86, 0x10), N(6), N(8), A(0, Act::Sub),         // F8..FB
    A(5, Act::Number8125, 0x81, 0x25), S(9, 0x8B, 0x08), S(6, 0x8B, 0x08), N(0),  // FC..FF
};
static_assert(sizeof kCodes / sizeof kCodes[0] == 0x100 - 0x9B);

struct SubRow {
  uint8_t sub;
  Row row;
};
constexpr SubRow kDbSubs[] = {
    {0x01, A(1, Act::Second, 0x86, 0x22)}, {0x02, S(13, 0x8A, 0x04)},
    {0x03, A(5, Act::Second, 0x86, 0x23)}, {0x04, S(4, 0x8A, 0x03)},
    {0x05, S(6, 0x8B, 0x10)},              {0x06, A(4, Act::Sel06, 0x8C, 0x03, 0x8C, 0x04)},
    {0x07, N(3)},                          {0x09, A(0, Act::Sel09, 0x81, 0x26, 0x81, 0x12)},
    {0x0A, N(20)},                         {0x0D, N(9)},
    {0x0E, N(9)},                          {0xC4, A(6, Act::ShortPos, 0x86, 0x06)},
    {0xEC, S(16, 0x89, 0x01)},
};
constexpr SubRow kFbSubs[] = {
    {0x00, A(5, Act::Second, 0x81, 0x24)}, {0x01, S(5, 0x8D, 0x04)},
    {0x04, S(7, 0x8D, 0x03)},              {0x12, S(3, 0x87, 0x1F)},
    {0x13, S(3, 0x8A, 0x01)},              {0x14, A(3, Act::Second, 0x84, 0x01)},
    {0x15, A(3, Act::Second, 0x84, 0x22)}, {0x16, A(3, Act::Second, 0x84, 0x03)},
    {0x17, A(6, Act::Second, 0x84, 0x02)}, {0x30, N(1)},
};

template <std::size_t M>
const Row* FindSub(const SubRow (&t)[M], uint8_t sub) {
  for (const auto& s : t)
    if (s.sub == sub) return &s.row;
  return nullptr;
}

// The bytes of the record buffer a record can fill: the code byte, a
// sub-code and the longest body, and the 16 bytes ReadIntoCleared stores
// from the body's start. Only these are cleared before each record; the
// bytes past them stay zero from the start of the conversion.
constexpr int kFilledBytes = 32;
constexpr bool FitsFilled(const Row& r) { return 2 + r.len <= kFilledBytes && 2 + 16 <= kFilledBytes; }
static_assert([] {
  for (const Row& r : kCodes)
    if (!FitsFilled(r)) return false;
  for (const SubRow& s : kDbSubs)
    if (!FitsFilled(s.row)) return false;
  for (const SubRow& s : kFbSubs)
    if (!FitsFilled(s.row)) return false;
  return true;
}());
static_assert(kFilledBytes <= static_cast<int>(sizeof WorkArea::b));

class Jk2h {
 public:
  explicit Jk2h(WorkArea& w) : w_(w), today_(platform::Today()) {}
  void Run();

 private:
  WorkArea& w_;
  const platform::LocalDate today_;
  uint8_t flags_ = kOutside;
  bool started_ = false;
  bool firstA1_ = true;
  int32_t startTime_ = -1;
  int k_ = 1;     // first body byte
  int len_ = 0;   // body length

  int32_t bcd(int i, int n = 1) const { return w_.bcd(i, n); }
  uint16_t DecodeState();
  void Restriction();
  void Emit(uint8_t code, uint8_t sub, uint16_t mask);
  void StateRecord(uint8_t code, uint8_t sub);
  void SecondRecord(uint8_t code, uint8_t sub);
  void Value81(uint8_t sub, int32_t v);
  void ShortPosition(uint8_t code, uint8_t sub);
  void StationState(uint8_t code, uint8_t sub);
  void RecordDate();
  uint8_t YearOf(int monthDay) const;
  void Translate(const Row& row);
};

// Items of a state record that lie inside the body; the presence bits of
// the items decoded.
uint16_t Jk2h::DecodeState() {
  auto& r = w_.run;
  const int k = k_, last = k_ + len_ - 1;
  uint16_t mask = 0;
  if (len_ >= 3) {
    r.Time = bcd(k) * 3600 + bcd(k + 1) * 60 + bcd(k + 2);
    mask |= 0x0001;
  } else if (len_ == 2) {
    r.Time = (r.Time / 3600) * 3600 + bcd(k) * 60 + bcd(k + 1);
    mask |= 0x0001;
  }
  if (last >= k + 6) {
    r.Val5 = bcd(k + 3, 4);
    mask |= 0x0002;
  }
  if (last >= k + 9) {
    r.Val8 = bcd(k + 7, 3);
    w_.lastPosition = r.Val5;
    w_.lastDistance = r.Val8;
    mask |= 0x0004;
  }
  if (last >= k + 11) {
    r.Val19 = static_cast<uint16_t>(bcd(k + 10, 2));
    mask |= 0x0100;
  }
  if (last >= k + 12) {
    r.Val12 = (w_.b[k + 12] >> 4) & 7;
    mask |= 0x0008;
  }
  if (last >= k + 15) {
    r.Val15 = static_cast<uint8_t>(texts::Jk2hAspect(w_.b[k + 15]));
    mask |= 0x0010;
  }
  return mask;
}

void Jk2h::Restriction() {
  const auto& r = w_.run;
  const int32_t day = w_.startDay + (startTime_ >= 0 && r.Time < startTime_ ? 1 : 0);
  w_.RestrictionStep(RestrictionSpeed(Lookups().StationAttribute, r.Val5, day, r.Time,
                                      w_.routeNumber, flags_ & kGrowing));
}

void Jk2h::Emit(uint8_t code, uint8_t sub, uint16_t mask) {
  w_.run.Code = code;
  w_.run.Sub = sub;
  w_.run.PresenceMask = mask;
  Restriction();
  w_.WriteRunning();
}

void Jk2h::StateRecord(uint8_t code, uint8_t sub) { Emit(code, sub, DecodeState()); }

void Jk2h::SecondRecord(uint8_t code, uint8_t sub) {
  uint8_t* r = w_.second;
  r[0] = code;
  r[1] = sub;
  legacy::PlaceTime(r, w_.run.Time);
  for (int i = 0; i < len_ && 5 + i <= 23; ++i) r[5 + i] = static_cast<uint8_t>(bcd(k_ + i));
  w_.WriteSecond();
}

void Jk2h::Value81(uint8_t sub, int32_t v) {
  uint8_t* r = w_.second;
  r[0] = 0x81;
  r[1] = sub;
  r[5] = ByteOf(v, 0);
  r[6] = ByteOf(v, 1);
  w_.WriteSecond();
}

// C4h / F8h: minutes, seconds and the lower four position digits; the
// position wraps by 10000 in the direction the track flag names.
void Jk2h::ShortPosition(uint8_t code, uint8_t sub) {
  auto& r = w_.run;
  const int k = k_;
  r.Time = (r.Time / 3600) * 3600 + bcd(k) * 60 + bcd(k + 1);
  const int32_t p = r.Val5;
  r.Val5 = (p / 10000) * 10000 + bcd(k + 2) * 100 + bcd(k + 3);
  if (flags_ & kGrowing) {
    if (p - 5000 > r.Val5) r.Val5 += 10000;
  } else {
    if (p + 5000 < r.Val5) r.Val5 -= 10000;
  }
  r.Val19 = static_cast<uint16_t>(bcd(k + 4) * 100 + bcd(k + 5));
  const int32_t moved = w_.lastPosition > r.Val5 ? w_.lastPosition - r.Val5 : r.Val5 - w_.lastPosition;
  const int32_t d = w_.lastDistance - moved;
  r.Val8 = d < 0 ? 0 : d;
  Emit(code, sub, 0x0107);
}

// C0h, D1h, D2h: state record with the station code, then the text record.
void Jk2h::StationState(uint8_t code, uint8_t sub) {
  auto& r = w_.run;
  uint16_t mask = DecodeState();
  if (len_ >= 14) {
    r.Val10 = bcd(k_ + 13);
    mask |= 0x0008;
  }
  const auto text = legacy::StationByCode(w_.routeNumber, r.Val12, r.Val10);
  Emit(code, sub, mask);
  legacy::WriteTextRecord(w_, text, mask);
}

// The year of a month and day: the current year, or the one before when the
// date lies after today's.
uint8_t Jk2h::YearOf(int monthDay) const {
  const int y = monthDay > today_.month * 100 + today_.day ? today_.year - 1 : today_.year;
  return static_cast<uint8_t>(((y % 100) + 100) % 100);
}

void Jk2h::RecordDate() {
  const int month = bcd(1), day = bcd(2);
  const uint8_t year = YearOf(month * 100 + day);
  w_.startDay = month * 100 + day;
  if (!started_) {
    w_.header.Date[0] = year;
    w_.header.Date[1] = static_cast<uint8_t>(month);
    w_.header.Date[2] = static_cast<uint8_t>(day);
  }
  uint8_t* r = w_.second;
  r[0] = 0x81;
  r[1] = 0x01;
  legacy::PlaceTime(r, w_.run.Time);
  r[5] = r[8] = year;
  r[6] = r[9] = static_cast<uint8_t>(month);
  r[7] = r[10] = static_cast<uint8_t>(day);
  w_.WriteSecond();
}

void Jk2h::Translate(const Row& row) {
  auto& r = w_.run;
  switch (row.act) {
    case Act::None:
    case Act::Sub:
      break;
    case Act::Plain80:
      Emit(row.code, row.sub, 0);
      break;
    case Act::State:
      StateRecord(row.code, row.sub);
      break;
    case Act::StateSecond:
      StateRecord(row.code, row.sub);
      SecondRecord(row.code2, row.sub2);
      break;
    case Act::Second:
      SecondRecord(row.code, row.sub);
      break;
    case Act::Date:
      RecordDate();
      break;
    case Act::Word8122: {
      const int32_t v = bcd(1) * 100 + bcd(2);
      if (firstA1_) w_.header.Word20 = static_cast<uint16_t>(v);
      firstA1_ = false;
      Value81(row.sub, v);
      break;
    }
    case Act::Driver:
      legacy::WriteDriverRecord(w_, row.sub, bcd(1) * 100 + bcd(2));
      break;
    case Act::Number8125: {
      const int32_t v = bcd(3, 3) % 100000;
      uint8_t* o = w_.second;
      o[0] = row.code;
      o[1] = row.sub;
      o[5] = ByteOf(v, 0);
      o[6] = ByteOf(v, 1);
      o[7] = ByteOf(v, 2);
      w_.WriteSecond();
      break;
    }
    case Act::Station: {
      w_.routeNumber = static_cast<uint8_t>(bcd(1));
      uint8_t* o = w_.second;
      o[0] = 0x81;
      o[1] = 0x15;
      o[5] = w_.routeNumber;
      w_.WriteSecond();
      legacy::WriteStationRecord(w_, w_.routeNumber, bcd(2));
      break;
    }
    case Act::Value81: {
      const int32_t v = bcd(1) * 100 + bcd(2);
      Value81(row.sub, v);
      break;
    }
    case Act::Track: {
      StateRecord(row.code, row.sub);
      const int number = bcd(15);
      std::string text(w_.b[14] == 0 ? GBK("移频") : std::string_view("UM71"));
      text += "H" + std::to_string(number);
      uint8_t* o = w_.second;
      o[0] = row.code2;
      o[1] = row.sub2;
      o[2] = static_cast<uint8_t>(number);
      PlaceName(o, text, NameField{5, 10, 14});
      w_.WriteSecond();
      break;
    }
    case Act::SelBE:
      StateRecord(row.code, static_cast<uint8_t>(row.sub + bcd(8) % 3));
      break;
    case Act::Start:
      if (!started_) {
        StationState(row.code, row.sub);
        startTime_ = r.Time;
        w_.startTime = r.Time;
      } else {
        StationState(row.code2, row.sub2);
      }
      started_ = true;
      break;
    case Act::StationRec:
      StationState(row.code, row.sub);
      break;
    case Act::ShortPos:
      ShortPosition(row.code, row.sub);
      break;
    case Act::F0:
      r.Val19 = static_cast<uint16_t>(bcd(1) * 10 + (w_.b[2] >> 4));
      r.Val21 = static_cast<uint16_t>((w_.b[2] & 0x0F) * 100 + bcd(3));
      Emit(row.code, row.sub, 0x0300);
      break;
    case Act::Sel06:
      if (flags_ & kInStation) StateRecord(row.code, row.sub);
      else StateRecord(row.code2, row.sub2);
      break;
    case Act::Sel09:
      if (flags_ & kOutside) SecondRecord(row.code, row.sub);
      else SecondRecord(row.code2, row.sub2);
      break;
  }
  flags_ = static_cast<uint8_t>((flags_ | row.set) & ~row.clear);
}

void Jk2h::Run() {
  MemStream& in = *w_.in;
  const std::size_t size = in.Size();

  auto& r = w_.run;
  r.Time = r.Val5 = r.Val8 = 0;
  r.Val19 = r.Val13 = r.Val17 = r.Val21 = r.Val16 = r.Val14 = 0;

  thead& h = w_.header;
  h.Magic[0] = 0xA6;
  h.Magic[1] = 0x6A;
  h.ShortText = "2H";
  h.Date[0] = static_cast<uint8_t>(((today_.year % 100) + 100) % 100);
  h.Date[1] = static_cast<uint8_t>(today_.month);
  h.Date[2] = static_cast<uint8_t>(today_.day);
  h.Size[0] = ByteOf(static_cast<int64_t>(size), 0);
  h.Size[1] = ByteOf(static_cast<int64_t>(size), 1);
  h.Size[2] = ByteOf(static_cast<int64_t>(size), 2);
  h.Vendor = static_cast<char>(0xAA);
  const auto head = HeaderBytes(h);
  w_.WriteOut(head.data(), kHeaderSize);
  in.Seek(0);
  flags_ = kOutside;

  while (in.Position() < size) {
    uint8_t code = 0;
    if (!in.ReadByte(code)) break;
    if (code < 0x9B) continue;
    std::memset(w_.b, 0, kFilledBytes);
    w_.b[0] = code;
    const Row* row = &kCodes[code - 0x9B];
    k_ = 1;
    if (row->act == Act::Sub) {
      if (!in.ReadByte(w_.b[1])) break;
      row = code == 0xDB ? FindSub(kDbSubs, w_.b[1]) : FindSub(kFbSubs, w_.b[1]);
      if (row == nullptr) continue;
      k_ = 2;
    }
    len_ = row->len;
    const int res = w_.ReadIntoCleared(k_, len_);  // b past the code bytes was just cleared
    if (res == 153) break;  // the body runs past the input end
    // A record that ends exactly at the end of the input is not translated.
    if (in.AtEnd()) break;
    if (res != 0) continue; // a code byte cut the body; it goes with the record
    if (code == 0xFF) continue;
    Translate(*row);
  }

  const auto bytes = HeaderBytes(w_.header);
  std::memcpy(w_.headerImage, bytes.data(), kHeaderSize);
  w_.Flush();
  w_.out->Seek(0);
  w_.out->Write(w_.headerImage, kHeaderSize);
}

}  // namespace

void ConvertJK2H(MemStream& in, MemStream& out) {
  WorkArea& w = legacy::Work();
  w.ResetForConversion(in, out);
  legacy::ConversionRoom room(in, out);
  Jk2h c(w);
  c.Run();
}

}  // namespace railfmt

// The code tables as the record reference reads them.
#include "legacy/code_tables.h"

namespace railfmt {

std::vector<EarlierCode> Jk2hCodeTable() {
  std::vector<EarlierCode> out;
  auto add = [&](uint16_t in, bool sub, const Row& r) {
    const bool state = r.act == Act::State || r.act == Act::StateSecond || r.act == Act::Plain80;
    if (r.code || r.sub) out.push_back({in, sub, static_cast<uint16_t>(r.code << 8 | r.sub), state, 0});
    if (r.code2 || r.sub2) out.push_back({in, sub, static_cast<uint16_t>(r.code2 << 8 | r.sub2), false, 0});
  };
  for (int i = 0; i < 0x100 - 0x9B; ++i) add(static_cast<uint16_t>(0x9B + i), false, kCodes[i]);
  for (const SubRow& s : kDbSubs) add(static_cast<uint16_t>(0xDB00 | s.sub), true, s.row);
  for (const SubRow& s : kFbSubs) add(static_cast<uint16_t>(0xFB00 | s.sub), true, s.row);
  return out;
}

}  // namespace railfmt
