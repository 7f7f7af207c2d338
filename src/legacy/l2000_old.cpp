// The L2000 converter for files older than protocol version 101: header
// values and the 52-byte header, start-up records of header blocks 1 and 2,
// the record loop with its framing and resynchronisation, and the close.
#include <cstring>
#include <tuple>

#include "tables/bridge.h"
#include "legacy/l2000.h"
#include "legacy/l2000_internal.h"

namespace railfmt::legacy {

namespace {
// A namespace-scope object (not a function's static), so its accessor has no
// first-use check. Not constinit: its string member is not constant-initialised
// by every compiler and standard library we build with.
L2000State gState;
}  // namespace

L2000State& L2000() { return gState; }

namespace {

// A copy of one 128-byte header block.
struct Block {
  uint8_t h[128] = {};
  int bcd(int i) const { return TPubFunc::BcdByte(h[i]); }
  int32_t BCD(int a, int b) const { return TPubFunc::BcdNumberOf(h, a, b - a + 1); }
};

uint8_t* Begin(WorkArea& w, uint8_t code, uint8_t sub) {
  std::memset(w.second, 0, sizeof w.second);
  w.second[0] = code;
  w.second[1] = sub;
  return w.second;
}

// The 52 header bytes from the header values and the position text.
void WriteHeader(WorkArea& w) {
  std::array<uint8_t, kHeaderSize> img = HeaderBytes(w.header);
  const std::string& jwd = L2000().jwdText;
  if (jwd.empty()) {
    std::memset(img.data() + 2, 0, 10);
  } else {
    for (int i = 0; i < 10; ++i)
      img[2 + i] = i < static_cast<int>(jwd.size()) ? static_cast<uint8_t>(jwd[i]) : ' ';
  }
  w.WriteOut(img.data(), img.size());
}

void FillHeaderValues(WorkArea& w, const Block& h) {
  thead& t = w.header;
  t = thead();
  t.Magic[0] = 0xA6;
  t.Magic[1] = 0x6A;
  t.TypeName = JcTypeName(h.BCD(56, 57)).substr(0, 8);
  t.Word20 = static_cast<uint16_t>(h.BCD(20, 21));
  t.ShortText = "2K";
  const int32_t b24 = h.BCD(49, 51);
  for (int i = 0; i < 3; ++i) t.B24[i] = ByteOf(b24, i);
  t.B27 = static_cast<uint8_t>(h.bcd(9) % 4);
  const int32_t six = h.BCD(14, 16) % 1000000;
  t.Word28 = static_cast<uint16_t>(six & 0xFFFF);
  t.B43 = static_cast<uint8_t>((six >> 16) & 0xFF);
  for (int i = 0; i < 3; ++i) t.Date[i] = static_cast<uint8_t>(h.bcd(2 + i));
  t.B33[0] = 0;
  for (int i = 0; i < 3; ++i) t.B33[1 + i] = static_cast<uint8_t>(h.bcd(67 + i));
  for (int i = 0; i < 4; ++i) t.B37[i] = static_cast<uint8_t>(h.bcd(70 + i));
  t.B41 = 0;
  t.B42 = static_cast<uint8_t>(h.bcd(17));
  const std::size_t size = w.in->Size();
  for (int i = 0; i < 3; ++i) t.Size[i] = static_cast<uint8_t>(size >> (8 * i));
  t.B47 = t.B48 = t.B49 = t.B50 = 0;
  t.Vendor = static_cast<char>(h.h[kRawVendorPos]);

  L2000State& s = L2000();
  s.jwdText = JwdName(h.BCD(54, 55));
  s.vendor = static_cast<char>(h.h[kRawVendorPos]);
  s.lineDirection = static_cast<uint8_t>(h.BCD(14, 16) & 1);
  s.stationNumber = h.BCD(18, 19);
  w.startDay = h.bcd(3) * 100 + h.bcd(4);
  w.startTime = h.bcd(5) * 3600 + h.bcd(6) * 60 + h.bcd(7);
  w.run.Time = w.startTime;
  ZhuDuanLookup(h.BCD(56, 57), h.BCD(20, 21));
}

// Records 0x91 0x01 / 0x91 0x02: a month, day, hours, minutes slot.
void WriteSlot(WorkArea& w, const Block& h, uint8_t sub, int base, int k) {
  const int p = base + 4 * k;
  const int mo = h.bcd(p), dy = h.bcd(p + 1), hr = h.bcd(p + 2), mi = h.bcd(p + 3);
  if (mo < 1 || mo > 12 || dy < 1 || dy > 31 || hr >= 25 || mi >= 61) return;
  uint8_t* r = Begin(w, 0x91, sub);
  r[2] = static_cast<uint8_t>(mo);
  r[3] = static_cast<uint8_t>(dy);
  r[4] = static_cast<uint8_t>(hr);
  r[5] = static_cast<uint8_t>(mi);
  w.WriteSecond();
}

void WriteBlock1(WorkArea& w, const Block& h) {
  uint8_t* r = Begin(w, 0xB0, 0x01);
  for (int i = 0; i < 3; ++i) {
    r[2 + i] = static_cast<uint8_t>(h.bcd(2 + i));
    r[5 + i] = static_cast<uint8_t>(h.bcd(5 + i));
  }
  w.WriteSecond();

  r = Begin(w, 0x81, 0x24);
  r[5] = static_cast<uint8_t>(h.bcd(9));
  w.WriteSecond();

  r = Begin(w, 0x81, 0x25);
  const int32_t n25 = h.BCD(14, 16) % 100000;
  for (int i = 0; i < 3; ++i) r[5 + i] = ByteOf(n25, i);
  w.WriteSecond();

  w.routeNumber = static_cast<uint8_t>(h.bcd(17));
  r = Begin(w, 0x81, 0x15);
  r[5] = w.routeNumber;
  w.WriteSecond();

  r = Begin(w, 0x81, 0x05);
  r[5] = ByteOf(h.bcd(86) * 100 + h.bcd(25), 0);
  w.WriteSecond();

  const int32_t station = h.BCD(18, 19);
  const std::string sname = StationName(w.routeNumber, static_cast<int16_t>(station));
  r = Begin(w, 0x81, 0x06);
  PlaceStationRecord(r, station, sname);
  w.WriteSecond();

  // The two drivers: 0x81 0x11 (looked up with the fill flag), 0x81 0x04.
  for (const auto& [sub, from, fill] : {std::tuple{0x11, 22, 1}, std::tuple{0x04, 74, 0}}) {
    const int32_t number = h.BCD(from, from + 2);
    const std::string name = DriverName(static_cast<uint8_t>(fill), number);
    r = Begin(w, 0x81, static_cast<uint8_t>(sub));
    PlaceDriverRecord(r, number, name, kDriverName, DriverNumber::kLow16);
    w.WriteSecond();
  }

  r = Begin(w, 0x81, 0x0F);
  Put16(r, 5, h.BCD(42, 43));
  w.WriteSecond();

  const int32_t tol = h.BCD(44, 45);
  r = Begin(w, 0x81, 0x10);
  Put16(r, 5, tol);
  w.WriteSecond();
  Lookups().RestrictionTolerance = static_cast<int16_t>(tol);

  for (int i = 0; i < 6; ++i) {
    r = Begin(w, 0x81, static_cast<uint8_t>(0x09 + i));
    Put16(r, 5, h.BCD(30 + 2 * i, 31 + 2 * i));
    w.WriteSecond();
  }

  r = Begin(w, 0x81, 0x03);
  Put16(r, 7, h.BCD(46, 48));
  w.WriteSecond();

  r = Begin(w, 0x81, 0x22);
  Put16(r, 5, h.BCD(20, 21));
  r[10] = h.h[81];
  w.WriteSecond();

  r = Begin(w, 0x81, 0x21);
  Put16(r, 5, h.BCD(56, 57));
  w.WriteSecond();

  r = Begin(w, 0x81, 0x23);
  Put16(r, 5, h.BCD(49, 51) % 65536);
  w.WriteSecond();

  WriteSlot(w, h, 0x01, 96, h.bcd(94) % 5);
  WriteSlot(w, h, 0x02, 116, h.bcd(95) % 3);
}

// A header limit replaced by the block-2 value when that one is plausible.
int32_t Limit(int32_t l, int32_t v, int32_t second) {
  if (l == 40 && v > 0 && v < 32000) l = v;
  if (l <= second && v > 1000 && v < 32000) l = v;
  return l;
}

// Block 2 is in w.b (h[128 + i] = b[i]).
void WriteBlock2(WorkArea& w, const Block& h1) {
  auto B2 = [&](int a) { return w.bcd(a - 128, 2); };  // BCD(h[a..a+1])
  uint8_t* r = Begin(w, 0x81, 0x07);
  Put16(r, 5, Limit(h1.BCD(26, 27), w.bcd(144 - 128, 3), 1000));
  w.WriteSecond();

  r = Begin(w, 0x81, 0x08);
  Put16(r, 5, Limit(h1.BCD(28, 29), w.bcd(147 - 128, 3), 900));
  r[24] = 1;
  w.WriteSecond();

  const uint8_t m = w.b[194 - 128];
  if (m & 0x80) w.distanceMode = 0;
  else if (m & 0x60) w.distanceMode = 1;
  else if (m & 0x10) w.distanceMode = 3;

  RunningRecord& run = w.run;
  r = Begin(w, 0xB0, 0x02);
  for (int i = 0; i < 4; ++i) r[2 + i] = w.b[192 - 128 + i];
  for (int i = 0; i < 8; ++i) Put16(r, 6 + 2 * i, B2(196 + 2 * i));
  run.Val19 = static_cast<uint16_t>(B2(196));
  run.Val21 = static_cast<uint16_t>(B2(198));
  run.Val15 = ByteOf(B2(200), 0);
  run.Val16 = ByteOf(B2(202), 0);
  run.Val13 = static_cast<uint8_t>(B2(204) / 10);
  run.Val14 = static_cast<uint8_t>(B2(206) / 10);
  w.WriteSecond();

  r = Begin(w, 0xB0, 0x03);
  for (int i = 0; i < 6; ++i) Put16(r, 2 + 2 * i, B2(212 + 2 * i));
  run.Val17 = static_cast<uint16_t>(B2(220));
  w.WriteSecond();

  r = Begin(w, 0xB0, 0x04);
  for (int i = 0; i < 4; ++i) r[2 + i] = w.b[224 - 128 + i];
  w.WriteSecond();
}

void RecordLoop(WorkArea& w) {
  bool resync = false;
  for (;;) {
    if (!resync) {
      uint8_t x;
      if (w.in->ReadByte(x)) w.lookahead = x;
    }
    resync = false;
    if (w.in->AtEnd()) return;
    if (w.lookahead < 0x9A) continue;
    w.b[0] = w.lookahead;
    const Next next = TranslateRecord(w);
    if (next == Next::kClose) return;
    std::memset(w.second, 0, sizeof w.second);
    std::memset(w.headerImage, 0, sizeof w.headerImage);
    resync = next == Next::kResync;
  }
}

void Close(WorkArea& w) {
  w.Flush();
  w.out->Seek(0);
  WriteHeader(w);
  w.out->Seek(w.out->Size());
}

}  // namespace

void ConvertL2000Old(WorkArea& w) {
  L2000() = L2000State();
  if (w.in->AtEnd()) return Close(w);
  Block h1;
  std::memcpy(h1.h, w.b, sizeof h1.h);
  FillHeaderValues(w, h1);
  WriteHeader(w);
  WriteBlock1(w, h1);
  w.ReadFixed(0, 128);
  if (w.in->AtEnd()) return Close(w);
  WriteBlock2(w, h1);
  RecordLoop(w);
  Close(w);
}

}  // namespace railfmt::legacy
