// Single-byte event records C0..CF, D0..D7, DB..DF and E0..EF: start-up and
// set-up events, the mode records D0/D1, the station record CE, signal and
// speed events. Their layout is the two-byte one shifted by one: time at
// raw 1..3, 8-digit number at 4..7, 6-digit number at 8..10, own fields from
// raw 11, check byte last.
#include <algorithm>
#include <cstring>
#include <string>

#include "handlers/common.h"
#include "handlers/families.h"
#include "texts/gbk.h"

namespace railfmt {
namespace {

using namespace hs;

// ---------------------------------------------------------------- fields

// Val19 := raw 11..12, Val21 := raw 13..14.
void PairFields(TFmtData& d, const PairWindow<1>& p) {
  d.Val19 = static_cast<uint16_t>(p.W<11>());
  d.Val21 = static_cast<uint16_t>(p.W<13>());
}
void PairFields(TFmtData& d) { PairFields(d, PairWindow<1>(d)); }

// The pair, then the signal at raw 15..16. Its pass-through flag is taken
// from bit 5 of ((value >> 12) AND 1), which is never set, so the aspect
// conversion always applies.
void SignalFields(TFmtData& d, const PairWindow<1>& p) {
  PairFields(d, p);
  const int32_t v = p.W<15>();
  SignalConvert(d, v, static_cast<uint16_t>((v >> 12) & 1));
}

// A value above 1000 stands for the negative number -(v mod 1000), kept as
// its 16-bit two's complement.
int32_t SignedValue(int32_t v) { return v > 1000 ? 0x10000 - v % 1000 : v; }

// A second record after the main one: cleared, its codes, and a value of
// `width` little-endian bytes from byte 2.
void ValueRecord(TFmtData& d, uint8_t code, uint8_t sub, int64_t v, int width) {
  BeginRecord(d, code, sub);
  for (int k = 0; k < width; ++k) d.Out[2 + k] = ByteOf(v, k);
  d.WriteRecord();
}

// The pair (a, b) against HdrWord208/HdrWord210: a pair that differs is kept
// and reported in a 0x8B 0x0A record built on the record just written, with
// bytes 5..25 cleared first when `clear` is set.
void PairChangeRecord(TFmtData& d, int32_t a, int32_t b, bool clear) {
  if (a == d.HdrWord208 && b == d.HdrWord210) return;
  d.HdrWord208 = static_cast<uint16_t>(a);
  d.HdrWord210 = static_cast<uint16_t>(b);
  if (clear) ClearFrom(d, 5);
  d.Out[0] = 0x8B;
  d.Out[1] = 0x0A;
  Put16(d.Out, 5, a);
  Put16(d.Out, 7, b);
  d.WriteRecord();
}

// ---------------------------------------------------------------- shared steps

// Time and both header numbers; a start record (0x87 0x01) also becomes the
// last start time.
void StandardEventShort(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  Finish(c);
  if (r.code == 0x87 && r.sub == 0x01) Run().LastStartTime = d.Time;
}

// The event time only; Val5 and Val8 keep their values.
void TimeEventShort(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  TimeOnly1(d);
  Finish(c);
}

void PairEventShort(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues values;
  if (!Read1(c, r, values)) return;
  const PairWindow<1> p(d, values);
  Header1(d, p);
  PairFields(d, p);
  Finish(c);
}

void SignalEventShort(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues values;
  if (!Read1(c, r, values)) return;
  const PairWindow<1> p(d, values);
  Header1(d, p);
  SignalFields(d, p);
  Finish(c);
}

// The pair, the signal at raw 15 with the pass-through bit of SignalMode,
// Val13 := raw 17..18, Val14 := raw 19..20 / 10.
void SignalSpeedEventShort(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  PairFields(d);
  G(d, 15);
  d.Val13 = static_cast<uint16_t>(W(d, 17));
  d.Val14 = static_cast<uint16_t>(W(d, 19) / 10);
  Finish(c);
}

// Reads the record and checks it; writes nothing.
void ReadAndCheckShort(TNewToFmt& c, const HandlerRow& r) { Read1(c, r); }

// ---------------------------------------------------------------- own handlers

void C1(TNewToFmt& c, const HandlerRow& r) {
  if (!Wrote(TimeEventShort, c, r)) return;
  Run().LastStartTime = c.d.Time;
  Run().StartRecordFlag = true;
}

void C5(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  ValueRecord(d, 0x96, 0x01, SignedValue(W(d, 12)), 2);
}

void C6(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  ValueRecord(d, 0x87, 0x07, SignedValue(W(d, 11)), 2);
}

// Sub-code 0x0D or 0x0E by raw 15; any other value keeps the second code of
// the previous record.
void CC(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  const uint8_t previous = d.Sub;
  Header1(d);
  PairFields(d);
  switch (B(d, 15)) {
    case 1: d.Sub = 0x0D; break;
    case 2: d.Sub = 0x0E; break;
    default: d.Sub = previous; break;
  }
  Finish(c);
}

void CD(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  BeginRecord(d, r.code, r.sub);
  PutBcdBytes(d, 2, 1, 6);
  d.WriteRecord();
}

// Kind 3 station: a line-number record (A8 18), alone or after an A8 05
// record, that follows gives the line of the station name. Every byte looked
// at is given back.
void LineNumberAhead(TFmtData& d) {
  MemStream& in = *d.InStream;
  const std::size_t start = in.Position();
  d.ReadRaw(2, 0);
  if (d.Raw[0] == 0xA8 && d.Raw[1] == 0x05) {
    d.ReadRaw(6, 2);
    d.ReadRaw(2, 0);
  }
  if (d.Raw[0] == 0xA8 && d.Raw[1] == 0x18) {
    d.ReadRaw(6, 2);
    d.StationGroup = B(d, 5);
    d.HeaderStationName = TBridge::StationNameTrimmed(d.StationGroup, d.StationNo);
  }
  in.Seek(start);
}

// The station record 0x20 0xF0 that follows a kind 1..3 CE record.
void StationRecord(TFmtData& d, int kind) {
  BeginRecord(d, 0x20, 0xF0);
  if (d.HandlerByteA) {
    // Station named by a BA02/B795 record.
    TPubFunc::PutText(d.Out, std::string_view(d.HeaderStationName).substr(0, 10), 10, 2);
    d.Out[12] = static_cast<uint8_t>(d.StationNo);
  } else if (B(d, 22) < 3 && (kind == 2 || kind == 3)) {
    const bool entering = kind == 3;
    uint8_t attribute = 0;
    const std::string text = TBridge::StationByCode(
        d.StationGroup, entering ? GBK("进站") : GBK("出站"), T(d, 15) % 100000, -1,
        static_cast<uint8_t>(d.HeaderValue25 & 1), entering ? "CZBM04" : "CZBM06",
        entering ? "CZBM05" : "CZBM07", attribute);
    if (entering || !d.HandlerByteC)
      TPubFunc::PutText(d.Out, std::string_view(text).substr(0, 10), 10, 2);
    d.Out[12] = attribute;
  }
  d.WriteRecord();
}

// The station record: kind (raw 18) 1, 2 or 3 announces a station, which a
// following BA02 (or, in ZhuZhou files, B795) record names; it is converted
// before this record is written.
void CE(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  MemStream& in = *d.InStream;
  if (!Read1(c, r)) return;
  const int kind = B(d, 18);
  c.PeekAttached();
  uint8_t saved[kRawSize];
  std::memcpy(saved, d.Raw, sizeof saved);

  const std::size_t start = in.Position();
  d.ReadRaw(2, 0);
  bool converted = false;
  if (d.Raw[0] == 0xBA && d.Raw[1] == 0x02)
    converted = c.Call("BA02");
  else if (!c.VendorQ() && d.Raw[0] == 0xB7 && d.Raw[1] == 0x95)
    converted = c.Call("B795");
  if (!converted) in.Seek(start);

  if (kind == 3) LineNumberAhead(d);
  // The station handlers that ran set parameters of their own.
  std::memcpy(d.Raw, saved, sizeof saved);
  SetParams(d, r);

  Header1(d);
  PairFields(d);
  d.Val10 = T(d, 15) % 100000;
  d.Val12 = static_cast<uint8_t>(B(d, 18));
  G(d, 23);
  d.Val23 = static_cast<uint16_t>(B(d, 25) + 251);
  switch (kind) {
    case 1: d.Sub = 0x60; break;
    case 2: d.Sub = 0x10; break;
    case 3: d.Sub = 0x0F; break;
    default:
      d.Sub = 0x11;
      d.HandlerByteA = 0;
      break;
  }
  RunState& run = Run();
  if (!run.FirstValueFlag && (kind == 2 || kind == 3)) {
    d.Hdr.B41 = static_cast<uint8_t>(d.Val13 / 10);
    run.FirstValueFlag = true;
  }
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  d.AssembleRecord();
  d.WriteRecord();

  d.Val10 = T(d, 19);
  d.Val12 = static_cast<uint8_t>(B(d, 22));
  std::memset(d.Out, 0, sizeof d.Out);
  if (kind >= 1 && kind <= 3) StationRecord(d, kind);

  d.HandlerByteB = 0;
  d.HandlerByteC = 0;
  if (kind == 1 || kind == 2) d.HandlerByteA = 0;
}

// Mode record: the mode word at raw 21 becomes SignalMode and, with the
// value at raw 14, chooses the second code.
void D0(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  const uint8_t previous = d.Sub;
  Header1(d);
  const int m = B(d, 14);
  d.Val10 = T(d, 11);
  d.Val12 = static_cast<uint8_t>(m);
  G(d, 15);
  d.Val13 = static_cast<uint16_t>(W(d, 17));
  d.Val14 = static_cast<uint16_t>(W(d, 19) / 10);
  d.Val19 = 0;
  d.SignalMode = static_cast<uint16_t>(W(d, 21));
  if (d.SignalMode & 0x60) {
    d.Sub = 0x16;
  } else if (d.SignalMode & 0x80) {
    switch (m) {
      case 1: d.Sub = d.HandlerByteA ? 0x18 : 0x19; break;
      case 2: d.Sub = 0x18; break;
      case 3: d.Sub = 0x19; break;
      case 4: case 5: case 6: case 7: case 9: case 10: d.Sub = 0x17; break;
      default: d.Sub = previous; break;
    }
  } else if (d.SignalMode & 0x10) {
    d.Sub = 0x13;
  } else {
    d.Sub = 0x2E;
  }
  Finish(c);
}

// Mode record, long form: the mode word at raw 25 only chooses the second
// code and is not kept.
void D1(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  PairFields(d);
  const int s = B(d, 18);
  d.Val10 = T(d, 15);
  d.Val12 = static_cast<uint8_t>(s);
  G(d, 19);
  d.Val13 = static_cast<uint16_t>(W(d, 21));
  d.Val14 = static_cast<uint16_t>(W(d, 23) / 10);
  const int32_t m = W(d, 25);
  if (m & 0x60) {
    d.Sub = 0x1E;
  } else if (m & 0x80) {
    switch (s) {
      case 2: d.Sub = 0x1C; break;
      case 3: d.Sub = 0x1D; break;
      case 4: case 5: case 6: case 7: case 9: case 10: d.Sub = 0x1B; break;
      default: d.Sub = 0x2D; break;
    }
  } else if (m & 0x10) {
    d.Sub = 0x1A;
  } else {
    d.Sub = 0x2D;
  }
  Finish(c);
}

// A pair-and-time record followed by a supplementary record with the
// station values and the name of the station at raw 15. The supplementary
// record is written from the raw bytes whatever the check gave.
void D6(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  PairTimeEvent(c, r);
  BeginSupplementary(d);
  d.Out[2] = static_cast<uint8_t>(B(d, 8));
  d.Out[3] = static_cast<uint8_t>(B(d, 9));
  Put16(d.Out, 4, W(d, 10));
  Put24(d.Out, 6, T(d, 12));
  Put24(d.Out, 9, T(d, 15));
  const std::string name =
      TBridge::StationName(d.StationGroup, static_cast<int16_t>(T(d, 15)));
  const std::size_t n = std::min<std::size_t>(name.size(), kRecordSize - 12);
  std::memcpy(d.Out + 12, name.data(), n);
  d.WriteRecord();
}

void D7(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  BeginRecord(d, r.code, r.sub);
  Put24(d.Out, 2, T(d, 1));
  d.WriteRecord();
}

// The pass-through bit of SignalMode is dropped (with the upper byte) before
// the record is read, so it is gone even when the record fails its check.
void E0(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (d.SignalMode & 0x20) d.SignalMode &= 0x00DF;
  SignalEventShort(c, r);
}

void E1(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(PairEventShort, c, r)) return;
  ValueRecord(d, 0x8A, 0x02, B(d, 15), 1);
}

void E2(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  ValueRecord(d, 0x8B, 0x22, W(d, 11), 2);
}

void E3(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  PairFields(d);
  d.Val16 = static_cast<uint8_t>(W(d, 15));
  Finish(c);
}

// Dropped once after a start record in files dated 1 to 10 September 2007,
// and whenever its time is the last start time. The signal byte at raw 15
// is taken as it stands; while KeepSignal is set it reaches only the record.
void E5(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  RunState& run = Run();
  const std::string& date = run.DateText8;
  if (!date.empty() && date >= "20070901" && date <= "20070910" && run.StartRecordFlag) {
    run.StartRecordFlag = false;
    return;
  }
  // The event time is taken before the test, so a dropped record still
  // leaves its time in the running state.
  d.SetTime(d.HmsAt(1));
  if (d.Time == run.LastStartTime) return;
  Header1(d);
  PairFields(d);
  const uint8_t signal = static_cast<uint8_t>(B(d, 15));
  if (!d.KeepSignal) d.Val15 = signal;
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  c.PeekAttached();
  d.AssembleRecord();
  if (d.KeepSignal) d.Out[15] = signal;
  d.WriteRecord();
}

void E7(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  d.Val17 = static_cast<uint16_t>(W(d, 11));
  Finish(c);
}

void E8(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  const int32_t v = W(d, 11);
  d.Val17 = static_cast<uint16_t>(v);
  Finish(c);
  ValueRecord(d, 0x8B, 0x03, v, 2);
}

void E9(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  ValueRecord(d, 0x8B, 0x04, W(d, 11), 3);
}

void EA(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  ValueRecord(d, 0x8B, 0x05, W(d, 11), 2);
}

void EB(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  d.Val13 = static_cast<uint16_t>(W(d, 11));
  d.Val14 = static_cast<uint16_t>(W(d, 13) / 10);
  FinishNoPeek(c);
}

void ED(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  PairFields(d);
  G(d, 15);
  d.Val16 = static_cast<uint8_t>(W(d, 17));
  d.Val13 = static_cast<uint16_t>(W(d, 19));
  d.Val14 = static_cast<uint16_t>(W(d, 21) / 10);
  d.Val17 = static_cast<uint16_t>(W(d, 35));
  Finish(c);
  PairChangeRecord(d, W(d, 23), W(d, 25), true);
}

void EE(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Read1(c, r)) return;
  Header1(d);
  d.Val13 = static_cast<uint16_t>(W(d, 12));
  Finish(c);
}

void EF(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!Wrote(StandardEventShort, c, r)) return;
  PairChangeRecord(d, W(d, 11), W(d, 13), false);
}

// ---------------------------------------------------------------- tables

constexpr HandlerRow kRows[] = {
    {"C0", 12, StandardEventShort, 0x87, 0x01, 0x0007},
    {"C1", 8, C1, 0x87, 0x02, 0x0001},
    {"C2", 12, StandardEventShort, 0x87, 0x03, 0x0007},
    {"C3", 5, StandardEventShort, 0x87, 0x04, 0x0001},
    {"C4", 5, StandardEventShort, 0x87, 0x05, 0x0001},
    {"C5", 15, C5, 0x87, 0x06, 0x0007},
    {"C6", 15, C6, 0x8B, 0x0C, 0x0007},
    {"C7", 16, PairEventShort, 0x87, 0x08, 0x0307},
    {"C8", 18, SignalEventShort, 0x87, 0x09, 0x0317},
    {"C9", 18, SignalEventShort, 0x87, 0x0A, 0x0317},
    {"CA", 22, SignalSpeedEventShort, 0x87, 0x0B, 0x0357},
    {"CB", 22, SignalSpeedEventShort, 0x87, 0x0C, 0x0357},
    {"CC", 17, CC, 0x87, 0x0D, 0x0307},
    {"CD", 8, CD, 0x81, 0xA0, 0},
    {"CE", 27, CE, 0x87, 0x11, 0x031F},
    {"CF", 5, TimeEventShort, 0x87, 0x12, 0x0001},
    {"D0", 24, D0, 0x87, 0x2E, 0x105F},
    {"D1", 28, D1, 0x87, 0x2D, 0x035F},
    {"D2", 16, PairEventShort, 0x87, 0x1F, 0x0307},
    {"D3", 16, PairEventShort, 0x87, 0x20, 0x0307},
    {"D4", 16, PairEventShort, 0x87, 0x21, 0x0307},
    {"D5", 16, PairEventShort, 0x87, 0x22, 0x0307},
    {"D6", 19, D6, 0x87, 0x52, 0x0301, 1},
    {"D7", 5, D7, 0x87, 0x62, 0},
    {"DB", 22, SignalSpeedEventShort, 0x89, 0x01, 0x1357},
    {"DC", 22, SignalSpeedEventShort, 0x89, 0x02, 0x1357},
    {"DD", 22, SignalSpeedEventShort, 0x89, 0x03, 0x1357},
    {"DE", 18, SignalEventShort, 0x89, 0x04, 0x0317},
    {"DF", 18, SignalEventShort, 0x89, 0x05, 0x0317},
    {"E0", 18, E0, 0x8A, 0x01, 0x0317},
    {"E1", 17, E1, 0x8B, 0x0C, 0x0307},
    {"E2", 14, E2, 0x8B, 0x0C, 0x0007},
    {"E3", 18, E3, 0x8A, 0x03, 0x0327},
    {"E4", 18, SignalEventShort, 0x8A, 0x04, 0x0317},
    {"E5", 17, E5, 0x8A, 0x05, 0x0317},
    {"E6", 16, PairEventShort, 0x8B, 0x01, 0x0307},
    {"E7", 14, E7, 0x8B, 0x02, 0x0087},
    {"E8", 14, E8, 0x8B, 0x0C, 0x0007},
    {"E9", 14, E9, 0x8B, 0x0C, 0x0007},
    {"EA", 14, EA, 0x8B, 0x0C, 0x0007},
    {"EB", 16, EB, 0x8B, 0x06, 0x1047},
    {"EC", 16, PairEventShort, 0x8B, 0x07, 0x0307},
    {"ED", 40, ED, 0x8B, 0x08, 0x1FF7},
    {"EE", 16, EE, 0x8B, 0x10, 0x1047},
    {"EF", 16, EF, 0x8B, 0x0C, 0x0007},
};

// ZhuZhou devices write a 16-byte CC record that carries nothing converted.
constexpr HandlerRow kZhuZhouRows[] = {
    {"CC", 16, ReadAndCheckShort, 0, 0, 0},
};

}  // namespace

std::span<const HandlerRow> FamilySingleByte() { return kRows; }
std::span<const HandlerRow> FamilyZhuZhouSingleByte() { return kZhuZhouRows; }

}  // namespace railfmt
