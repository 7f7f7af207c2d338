// B6h sub-records of the earlier L2000 format: a type byte follows the code
// and chooses how the rest is read and which record it gives.
#include <cstring>
#include <initializer_list>

#include "legacy/l2000_internal.h"

namespace railfmt::legacy {
namespace {

// Read(2, count) with the common tests; true when the record may be written.
bool ReadChecked(WorkArea& w, int start, int count, int check) {
  const int res = w.Read(start, count, true);
  if (res >= 170 || res == 153) return false;
  if (w.in->AtEnd()) return false;
  return w.Checksum(check);
}

// The running record with code B6h, the given sub-code and the record's time.
void Begin(WorkArea& w, uint8_t sub) {
  w.run.Code = 0xB6;
  w.run.Sub = sub;
  w.run.Time = TimeAt(w, 2);
}

void Write(WorkArea& w, uint8_t& loopFlag) {
  w.WriteRunning();
  loopFlag = 0;
}

// The number written by the characters bcd(i), bcd(j), ... when each is the
// character code of a decimal digit; else 0.
int32_t Digits(const WorkArea& w, std::initializer_list<int> at) {
  int32_t v = 0;
  for (int i : at) {
    const int c = w.bcd(i);
    if (c < '0' || c > '9') return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

void Type1(WorkArea& w, uint8_t& loopFlag) {
  if (!ReadChecked(w, 2, 8, 8)) return;
  Begin(w, 0x01);
  w.run.Val19 = static_cast<uint16_t>(w.bcd(5, 2));
  w.run.Val21 = static_cast<uint16_t>(w.bcd(7, 2));
  Write(w, loopFlag);
}

void Type151(WorkArea& w, uint8_t type, uint8_t& loopFlag) {
  if (!ReadChecked(w, 2, 19, 19)) return;
  Begin(w, type);
  w.run.Val5 = w.bcd(5, 4) & 0xFFFFFF;
  w.run.Val10 = w.bcd(12, 3) & 0xFFFF;
  w.run.Val15 = static_cast<uint8_t>(w.bcd(15));
  Write(w, loopFlag);
}

void Type6(WorkArea& w, uint8_t& loopFlag) {
  if (!ReadChecked(w, 2, 39, 39)) return;
  Begin(w, 0x06);
  RunningRecord& r = w.run;
  r.Val5 = w.bcd(5, 4) & 0xFFFFFF;
  r.Val8 = ((w.b[21] % 16) * 10000 + w.bcd(22) * 100 + w.bcd(23)) & 0xFFFF;
  r.Val10 = w.bcd(14, 3) & 0xFFFF;
  r.Val12 = static_cast<uint8_t>(w.bcd(13));
  r.Val13 = ByteOf(w.bcd(9, 2), 0);
  r.Val15 = ByteOf(w.bcd(38, 2), 0);
  Write(w, loopFlag);

  static constexpr uint8_t kFrom[19] = {11, 12, 18, 19, 20, 21, 26, 27, 28, 29,
                                        30, 31, 32, 33, 34, 35, 36, 37, 38};
  w.second[0] = 0xB6;
  w.second[1] = 0x65;
  for (int i = 0; i < 19; ++i) w.second[2 + i] = static_cast<uint8_t>(w.bcd(kFrom[i]));
  w.WriteSecond();
}

// Kinds of type 2: bytes read at b[7], the check (0 = not validated), the
// sub-code and where the values go.
enum class Put : uint8_t { kNone, kMask8, kDigits8, kDigits21, kDigits19, kThree };
struct Kind {
  int k;
  uint8_t count;
  uint8_t check;  // Checksum(n) when validated, 0 otherwise
  uint8_t sub;
  Put put;
};
constexpr Kind kKinds[] = {
    {67, 13, 0, 0x70, Put::kMask8},    {68, 9, 14, 0x63, Put::kDigits8},
    {69, 3, 0, 0x66, Put::kMask8},     {74, 3, 0, 0x67, Put::kNone},
    {75, 7, 12, 0x61, Put::kDigits21}, {79, 3, 8, 0x64, Put::kMask8},
    {80, 3, 0, 0x72, Put::kMask8},     {82, 7, 12, 0x60, Put::kDigits19},
    {83, 23, 28, 0x83, Put::kThree},   {107, 7, 12, 0x62, Put::kDigits19},
};

int Type2(WorkArea& w, uint8_t& loopFlag) {
  const int res = w.Read(2, 5, true);
  if (res >= 170 || res == 153 || w.in->AtEnd()) return 1;
  // Code and time are taken before the kind is known: an unlisted kind or a
  // failed check still leaves them in the running record.
  w.run.Code = 0xB6;
  w.run.Time = TimeAt(w, 2);
  const int k = w.bcd(5) * 100 + w.bcd(6);
  const Kind* kind = nullptr;
  for (const Kind& x : kKinds)
    if (x.k == k) kind = &x;
  if (!kind) return 0;

  const int r2 = w.Read(7, kind->count, true);
  if (kind->check) {
    // Kind 83 does not look at the read's result.
    if (kind->k != 83 && (r2 >= 170 || r2 == 153)) return 1;
    if (w.in->AtEnd() || !w.Checksum(kind->check)) return 1;
  }
  w.run.Sub = kind->sub;
  RunningRecord& r = w.run;
  switch (kind->put) {
    case Put::kNone: break;
    case Put::kMask8: r.PresenceMask = static_cast<uint16_t>(w.bcd(8)); break;
    case Put::kDigits8: r.Val8 = Digits(w, {8, 10, 12, 14}); break;
    case Put::kDigits21: r.Val21 = static_cast<uint16_t>(Digits(w, {8, 10, 12})); break;
    case Put::kDigits19: r.Val19 = static_cast<uint16_t>(Digits(w, {8, 10, 12})); break;
    case Put::kThree:
      r.Val19 = static_cast<uint16_t>(Digits(w, {16, 18, 20}));
      r.Val21 = static_cast<uint16_t>(Digits(w, {22, 24, 26}));
      r.PresenceMask = static_cast<uint16_t>(Digits(w, {8, 10, 12}));
      break;
  }
  Write(w, loopFlag);
  return 1;
}

}  // namespace

int B6SubRecord(WorkArea& w, uint8_t& loopFlag) {
  if (w.Read(1, 1, false) != 0 || w.in->AtEnd()) return 1;
  const uint8_t type = w.b[1];
  switch (type) {
    case 1: Type1(w, loopFlag); return 1;
    case 151:
    case 153: Type151(w, type, loopFlag); return 1;
    case 6: Type6(w, loopFlag); return 1;
    case 7: ReadChecked(w, 2, 9, 9); return 1;
    case 2: return Type2(w, loopFlag);
    default:
      // Not read further. The type byte is taken, even when it is a code
      // byte: the loop reads on after it.
      w.lookahead = 0;
      return 1;
  }
}

}  // namespace railfmt::legacy

// The records of the sub-records as the record reference reads them.
#include "legacy/code_tables.h"

namespace railfmt {

std::vector<EarlierRecord> L2000B6Records() {
  std::vector<EarlierRecord> out;
  // the types that write a running record of their own type as sub-code
  for (const uint8_t type : {uint8_t{1}, uint8_t{151}, uint8_t{153}, uint8_t{6}})
    out.push_back({static_cast<uint16_t>(0xB600 | type), true, static_cast<uint16_t>(0xB600 | type), true, 0, false, false, {}});
  // type 6: its second record, bytes 2..20 one decimal byte each of the record
  out.push_back({0xB606, true, 0xB665, false, 0, false, false, {{2, 20, "data", "data"}}});
  for (const legacy::Kind& k : legacy::kKinds)
    out.push_back({0xB602, true, static_cast<uint16_t>(0xB600 | k.sub), true, 0, false, false, {}, k.k});
  return out;
}

}  // namespace railfmt
