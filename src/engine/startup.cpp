// Start-up (formatted header and start-up records from the raw header) and
// close (header rewritten at the end) of an event-file conversion.
#include <cstdio>
#include <cstring>

#include "engine/newtofmt.h"
#include "tables/bridge.h"

namespace railfmt {

namespace {

// The raw header h[0..255] as read at start-up.
struct RawHeader {
  uint8_t h[kRawHeaderSize] = {};
  int bcd(int i) const { return TPubFunc::BcdByte(h[i]); }
  int32_t BCD(int a, int b) const { return TPubFunc::BcdNumberOf(h, a, b - a + 1); }
};

void PutTime(uint8_t* r, const RawHeader& h) {
  r[2] = static_cast<uint8_t>(h.bcd(5));
  r[3] = static_cast<uint8_t>(h.bcd(6));
  r[4] = static_cast<uint8_t>(h.bcd(7));
}

struct Writer {
  TFmtData& d;
  uint8_t r[kRecordSize];
  uint8_t* Begin(uint8_t code, uint8_t sub) {
    std::memset(r, 0, sizeof r);
    r[0] = code;
    r[1] = sub;
    return r;
  }
  void Write() { d.WriteBytes(r); }
};

int32_t SignalCode(int32_t v, uint16_t mode) { return TBridge::SignalAspect(v, mode); }

}  // namespace

void SignalModeProbe(TFmtData& d, int& mode) {
  MemStream& in = *d.InStream;
  std::size_t saved = in.Position();
  in.Seek(kRawHeaderSize);
  uint8_t a[128] = {};
  d.ReadBytes(a, 127, 128, 0);
  if (a[0] == 0xED) {
    int32_t v = TPubFunc::BcdNumberOf(a, 15, 2);
    mode = ((v / 256) & 0x10) != 0 ? 2 : 1;
  }
  in.Seek(saved);
}

void StartConversion(TNewToFmt& c) {
  TFmtData& d = c.d;
  RunState& run = Run();
  MemStream& in = *d.InStream;
  thead t;

  in.Seek(0);
  d.ReadRaw(kRawHeaderSize, 0);
  RawHeader h;
  std::memcpy(h.h, d.Raw, sizeof h.h);

  const uint8_t b47 = (h.h[0] == 0xB0 && h.h[1] == 0xF0) ? static_cast<uint8_t>(1 + (h.h[78] & 1)) : 0;

  // Seed the running state.
  d.Time = h.bcd(5) * 3600 + h.bcd(6) * 60 + h.bcd(7);
  d.Val19 = static_cast<uint16_t>(h.BCD(196, 197));
  d.Val21 = static_cast<uint16_t>(h.BCD(198, 199));
  if (!d.KeepSignal) d.Val15 = static_cast<uint8_t>(SignalCode(h.BCD(200, 201), d.SignalMode));
  d.Val16 = static_cast<uint8_t>(h.BCD(202, 203));
  d.Val13 = static_cast<uint16_t>(h.BCD(204, 205) / 10);
  d.Val14 = static_cast<uint16_t>(h.BCD(206, 207) / 10);
  d.HdrWord208 = static_cast<uint16_t>(h.BCD(208, 209));
  d.HdrWord210 = static_cast<uint16_t>(h.BCD(210, 211));
  d.Val17 = static_cast<uint16_t>(h.BCD(220, 221));
  d.Val5 = d.Val8 = d.Val10 = 0;
  d.Val12 = 0;
  d.HdrWord214 = static_cast<uint16_t>(h.BCD(214, 215));
  d.HdrWord216 = static_cast<uint16_t>(h.BCD(216, 217));

  in.Seek(0);
  d.ReadRaw(128, 0);

  // The header values.
  t.Magic[0] = 0xA6;
  t.Magic[1] = 0x6A;
  t.Date[0] = static_cast<uint8_t>(h.bcd(2));
  t.Date[1] = static_cast<uint8_t>(h.bcd(3));
  t.Date[2] = static_cast<uint8_t>(h.bcd(4));
  d.Time = h.bcd(5) * 3600 + h.bcd(6) * 60 + h.bcd(7);
  t.B27 = static_cast<uint8_t>(h.bcd(9) % 4);
  const int32_t six = h.BCD(14, 16) % 1000000;
  t.Word28 = static_cast<uint16_t>(six & 0xFFFF);
  t.B43 = static_cast<uint8_t>((six >> 16) & 0xFF);
  t.ShortText = "2K";
  t.Word20 = static_cast<uint16_t>(h.BCD(20, 21));
  t.Number = h.BCD(54, 55);
  t.TypeName = TBridge::LocoType(h.BCD(56, 57)).substr(0, 8);
  run.ZhuDuan = ZhuDuanLookup(h.BCD(56, 57), h.BCD(20, 21));
  const int32_t b24 = h.BCD(49, 51);
  t.B24[0] = ByteOf(b24, 0);
  t.B24[1] = ByteOf(b24, 1);
  t.B24[2] = ByteOf(b24, 2);
  t.Vendor = static_cast<char>(h.h[kRawVendorPos]);
  run.DateText8.clear();
  for (int i = 0; i < 4; ++i) {
    t.B33[i] = static_cast<uint8_t>(h.bcd(66 + i));
    t.B37[i] = static_cast<uint8_t>(h.bcd(70 + i));
  }

  int mode = 0;
  if (t.Vendor == 'Q') {
    mode = 1;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2d%.2d%.2d%.2d", h.bcd(58), h.bcd(59), h.bcd(60), h.bcd(61));
    run.DateText8 = buf;
  }

  t.B41 = static_cast<uint8_t>(d.Val13);
  t.B42 = static_cast<uint8_t>(h.bcd(17));
  const std::size_t size = in.Size();
  t.Size[0] = static_cast<uint8_t>(size);
  t.Size[1] = static_cast<uint8_t>(size >> 8);
  t.Size[2] = static_cast<uint8_t>(size >> 16);
  t.B47 = b47;

  SignalModeProbe(d, mode);
  t.B48 = static_cast<uint8_t>(mode);
  d.SignalMode = mode == 2 ? 0x20 : 0x80;

  t.B49 = static_cast<uint8_t>(h.bcd(kRawProtocolPos));
  t.B50 = static_cast<uint8_t>(h.bcd(kRawProtocolPos + 1));
  t.VersionText = std::to_string(t.B49) + std::to_string(t.B50);
  d.Hdr = t;

  const auto headerBytes = HeaderBytes(d.Hdr);
  d.OutStream->Write(headerBytes.data(), headerBytes.size());

  Writer w{d, {}};
  uint8_t* r;

  // 1: 0xB0 0xF0
  r = w.Begin(0xB0, 0xF0);
  r[2] = static_cast<uint8_t>(h.bcd(78));
  r[3] = static_cast<uint8_t>(h.bcd(kRawProtocolPos));
  r[4] = static_cast<uint8_t>(h.bcd(kRawProtocolPos + 1));
  for (int i = 0; i < 6; ++i) r[5 + i] = static_cast<uint8_t>(h.bcd(150 + i));
  for (int i = 0; i < 4; ++i) r[11 + i] = static_cast<uint8_t>(h.bcd(52 + i));
  for (int i = 0; i < 4; ++i) r[15 + i] = h.h[10 + i];
  r[23] = 3;
  r[24] = 1;
  r[25] = 1;
  w.Write();

  // 2: 0xB0 0x01, date and time
  r = w.Begin(0xB0, 0x01);
  for (int i = 0; i < 3; ++i) r[2 + i] = static_cast<uint8_t>(h.bcd(2 + i));
  for (int i = 0; i < 3; ++i) r[5 + i] = static_cast<uint8_t>(h.bcd(5 + i));
  w.Write();

  // 3: 0x81 0x24
  r = w.Begin(0x81, 0x24);
  PutTime(r, h);
  r[5] = static_cast<uint8_t>(h.bcd(9));
  w.Write();

  // 4: 0x81 0x25
  r = w.Begin(0x81, 0x25);
  PutTime(r, h);
  {
    int32_t v = h.BCD(14, 16) % 100000;
    Put16(r, 5, v);
    r[7] = ByteOf(v, 2);
    for (int i = 0; i < 4; ++i) r[8 + i] = h.h[10 + i];
    d.HeaderValue25 = v;
  }
  w.Write();

  // 5: 0x81 0x15
  r = w.Begin(0x81, 0x15);
  PutTime(r, h);
  r[5] = static_cast<uint8_t>(h.bcd(17));
  w.Write();
  d.StationGroup = h.bcd(17);

  // 6: 0x81 0x05
  r = w.Begin(0x81, 0x05);
  PutTime(r, h);
  Put16(r, 5, h.bcd(86) * 100 + h.bcd(25));
  w.Write();

  // 7: 0x81 0x06, station
  r = w.Begin(0x81, 0x06);
  PutTime(r, h);
  {
    int32_t v = h.BCD(18, 19);
    d.StationNo = v;
    d.HeaderStationName = TBridge::StationNameTrimmed(d.StationGroup, d.StationNo);
    PlaceStationRecord(r, v, d.HeaderStationName, kStartupStationName);
  }
  w.Write();

  // 8: 0x81 0x11, driver
  r = w.Begin(0x81, 0x11);
  PutTime(r, h);
  {
    int64_t v = static_cast<int64_t>(h.BCD(22, 24)) + static_cast<int64_t>(h.bcd(79)) * 1000000;
    PlaceDriverRecord(r, v, TBridge::Driver(static_cast<int32_t>(v)));
  }
  w.Write();

  // 9: 0x81 0x04, driver
  r = w.Begin(0x81, 0x04);
  PutTime(r, h);
  {
    int64_t v = static_cast<int64_t>(h.BCD(74, 76)) + static_cast<int64_t>(h.bcd(80)) * 1000000;
    PlaceDriverRecord(r, v, TBridge::Driver(static_cast<int32_t>(v)));
  }
  w.Write();

  // 10..17: two-byte values without time
  struct WordRec {
    uint8_t sub;
    int a;
  };
  static constexpr WordRec kWords[] = {{0x0F, 42}, {0x10, 44}, {0x09, 30}, {0x0A, 32},
                                       {0x0B, 34}, {0x0C, 36}, {0x0D, 38}, {0x0E, 40}};
  for (const WordRec& wr : kWords) {
    r = w.Begin(0x81, wr.sub);
    Put16(r, 5, h.BCD(wr.a, wr.a + 1));
    w.Write();
  }

  // 18: 0x81 0x03
  r = w.Begin(0x81, 0x03);
  Put16(r, 7, h.BCD(46, 48) & 0xFFFF);
  Put16(r, 9, h.BCD(83, 85) & 0xFFFF);
  w.Write();

  // 19: 0x81 0x22
  r = w.Begin(0x81, 0x22);
  Put16(r, 5, h.BCD(20, 21));
  r[10] = h.h[81];
  w.Write();

  // 20: 0x81 0x21
  r = w.Begin(0x81, 0x21);
  Put16(r, 5, (h.BCD(56, 57) + h.bcd(82) * 10000) & 0xFFFF);
  w.Write();

  // 21: 0x81 0x23
  r = w.Begin(0x81, 0x23);
  Put16(r, 5, h.BCD(49, 51) % 65536);
  w.Write();

  // 22, 23: 0x91 0x01 / 0x91 0x02, slots chosen by h[94] / h[95]
  {
    int k = h.bcd(94) % 5;
    r = w.Begin(0x91, 0x01);
    for (int i = 0; i < 4; ++i) r[2 + i] = static_cast<uint8_t>(h.bcd(96 + 4 * k + i));
    w.Write();
    k = h.bcd(95) % 3;
    r = w.Begin(0x91, 0x02);
    for (int i = 0; i < 4; ++i) r[2 + i] = static_cast<uint8_t>(h.bcd(116 + 4 * k + i));
    w.Write();
  }

  // Header block 2 into Raw[0..127].
  d.ReadRaw(128, 0);

  // 24, 25: 0x81 0x07 / 0x81 0x08 limits
  {
    int32_t L = h.BCD(26, 27), v = h.BCD(144, 146);
    if (L == 40 && v > 0 && v < 32000) L = v;
    if (L <= 1000 && v > 1000 && v < 32000) L = v;
    r = w.Begin(0x81, 0x07);
    Put16(r, 5, L);
    w.Write();
    L = h.BCD(28, 29);
    v = h.BCD(147, 149);
    if (L == 40 && v > 0 && v < 32000) L = v;
    if (L <= 900 && v > 1000 && v < 32000) L = v;
    r = w.Begin(0x81, 0x08);
    Put16(r, 5, L);
    w.Write();
  }

  // 26..28: further drivers when bit 6 of h[78] is set
  if (h.h[78] & 0x40) {
    static constexpr uint8_t kSubs[] = {0x57, 0x58, 0x59};
    for (int i = 0; i < 3; ++i) {
      r = w.Begin(0x81, kSubs[i]);
      int32_t v = h.BCD(196 + 4 * i, 199 + 4 * i);
      PlaceDriverRecord(r, v, TBridge::Driver(v));
      w.Write();
    }
  }

  // 29: 0xB0 0x02, the running values
  r = w.Begin(0xB0, 0x02);
  for (int i = 0; i < 4; ++i) r[2 + i] = h.h[192 + i];
  for (int i = 0; i < 8; ++i) Put16(r, 6 + 2 * i, h.BCD(196 + 2 * i, 197 + 2 * i));
  w.Write();
  d.Val19 = static_cast<uint16_t>(h.BCD(196, 197));
  d.Val21 = static_cast<uint16_t>(h.BCD(198, 199));
  if (!d.KeepSignal) d.Val15 = static_cast<uint8_t>(SignalCode(h.BCD(200, 201), d.SignalMode));
  d.Val16 = static_cast<uint8_t>(h.BCD(202, 203));
  d.Val13 = static_cast<uint16_t>(h.BCD(204, 205));
  d.Val14 = static_cast<uint16_t>(h.BCD(206, 207) / 10);

  // 30: 0xB0 0x03
  r = w.Begin(0xB0, 0x03);
  for (int i = 0; i < 6; ++i) Put16(r, 2 + 2 * i, h.BCD(212 + 2 * i, 213 + 2 * i));
  w.Write();
  d.Val17 = static_cast<uint16_t>(h.BCD(220, 221));

  // 31: 0xB0 0x04
  r = w.Begin(0xB0, 0x04);
  for (int i = 0; i < 4; ++i) r[2 + i] = h.h[224 + i];
  w.Write();

  // The first event record starts from a clear raw record, as every later
  // one does: bytes past its end read as 0, not as header bytes.
  std::memset(d.Raw, 0, sizeof d.Raw);
}

void CloseConversion(TFmtData& d) {
  const auto headerBytes = HeaderBytes(d.Hdr);
  d.OutStream->Seek(0);
  d.OutStream->Write(headerBytes.data(), headerBytes.size());
}

}  // namespace railfmt
