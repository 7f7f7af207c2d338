// What every handler family shares: reading and checking a record, the
// header numbers, finishing a full record, supplementary records, value
// placement, the signal conversion, and the shared steps used by several
// families.
//
// Raw layout of two-byte codes: time at raw 2..4, 8-digit number at 5..8,
// 6-digit number at 9..11. One-byte codes: the same shifted by one.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "engine/fmtdata.h"
#include "engine/newtofmt.h"
#include "tables/bridge.h"

namespace railfmt::hs {

// ---- parameters, reading, checking
// RecLen, OutCode, OutSub and InitMask from the row.
inline void SetParams(TFmtData& d, const HandlerRow& r) {
  d.RecLen = r.len;
  d.OutCode = r.code;
  d.OutSub = r.sub;
  d.InitMask = r.mask;
}
// Two-byte code: reads RecLen - 2 bytes at raw 2 and checks the record.
inline bool Read2(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  return d.ReadCheckedFrom<2>(r.len);
}
// Read2, then a header record: LoadStandard places bytes 0..9.
bool HeaderRecord(TNewToFmt& c, const HandlerRow& r);
// One-byte code: reads RecLen - 1 bytes at raw 1 and checks the record.
inline bool Read1(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  return d.ReadCheckedFrom<1>(r.len);
}
// Read1, and the values of Raw[1..16] for a PairWindow<1>.
inline bool Read1(TNewToFmt& c, const HandlerRow& r, RawValues& values) {
  TFmtData& d = c.d;
  SetParams(d, r);
  return d.ReadCheckedValues<1>(r.len, values);
}

// ---- values of the raw record (BCD)
inline int B(const TFmtData& d, int k) { return d.BcdByte(k); }
inline int32_t W(const TFmtData& d, int k) { return d.BcdNumber(k, 2); }
inline int32_t T(const TFmtData& d, int k) { return d.BcdNumber(k, 3); }
inline int32_t Q(const TFmtData& d, int k) { return d.BcdNumber(k, 4); }

// W(k) of every k of a record's first bytes at once: BcdByte(Raw[k]) * 100 +
// BcdByte(Raw[k + 1]) for k = first .. first + 14, decoded together from
// the 16 bytes Raw[first..first + 15] (Raw is long enough for any first
// used here). Taken after the record is read; Raw must not change while a
// window is in use.
template <int first>
class PairWindow {
 public:
  explicit PairWindow(const TFmtData& d) : PairWindow(d, ValuesOf(d)) {}
  // From the values ReadCheckedValues<first> delivered (Raw unchanged since).
  PairWindow(const TFmtData& d, RawValues v) : d_(d) {
#if defined(__SSE2__) || defined(_M_X64)
    static_assert(first >= 0 && first + 16 <= kRawSize);
    v_ = v;
    // 16-bit lanes: the pairs that start at even and at odd offsets from first
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    __m128i hundred = _mm_set1_epi16(100);
#if defined(__GNUC__)
    // an opaque factor: one multiply each, not the compiler's chain of shifts and adds
    __asm__("" : "+x"(hundred));
#endif
    even_ = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(v, lowByte), hundred), _mm_srli_epi16(v, 8));
    const __m128i v1 = _mm_srli_si128(v, 1);
    odd_ = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(v1, lowByte), hundred), _mm_srli_epi16(v1, 8));
#endif
  }
  template <int k>
  int32_t W() const {
    static_assert(k >= first && k <= first + 14);
#if defined(__SSE2__) || defined(_M_X64)
    constexpr int o = k - first;
    if constexpr (o % 2 == 0) return _mm_extract_epi16(even_, o / 2);
    else return _mm_extract_epi16(odd_, o / 2);
#else
    return d_.BcdNumber(k, 2);
#endif
  }
  // The four bytes at k (BcdNumber(k, 4)) and the three bytes at k (BcdNumber(k, 3)).
  template <int k>
  int32_t Q() const { return W<k>() * 10000 + W<k + 2>(); }
  template <int k>
  int32_t T() const { return W<k>() * 100 + d_.BcdByte(k + 2); }
  // The values of the bytes first..first + 2 as TFmtData::HmsAt gives them.
  uint32_t Hms() const {
#if defined(__SSE2__) || defined(_M_X64)
    return static_cast<uint32_t>(_mm_cvtsi128_si32(v_)) & 0x00FFFFFFu;
#else
    return d_.HmsAt(first);
#endif
  }

 private:
  static RawValues ValuesOf(const TFmtData& d) {
#if defined(__SSE2__) || defined(_M_X64)
    return record_check::BcdValues(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d.Raw + first)));
#else
    (void)d;
    return {};
#endif
  }
  const TFmtData& d_;
#if defined(__SSE2__) || defined(_M_X64)
  __m128i v_, even_, odd_;
#endif
};

// ---- little-endian placement into a record (engine/fmtdata.h)
using railfmt::Put16;
using railfmt::Put24;
using railfmt::Put32;

// ---- the running state
// Code/Sub and the event time only (raw 2..4, or 1..3 in the one-byte
// layout); Val5 and Val8 keep their values.
inline void TimeOnly2(TFmtData& d) {
  d.Code = static_cast<uint8_t>(d.OutCode);
  d.Sub = static_cast<uint8_t>(d.OutSub);
  d.SetTime(d.HmsAt(2));
}
inline void TimeOnly1(TFmtData& d) {
  d.Code = static_cast<uint8_t>(d.OutCode);
  d.Sub = static_cast<uint8_t>(d.OutSub);
  d.SetTime(d.HmsAt(1));
}
// The same and both header numbers (two-byte layout).
inline void Header2(TFmtData& d) {
  TimeOnly2(d);
  d.Val5 = d.GetValue8();
  d.Val8 = d.GetValue6();
}
// The same for the one-byte layout.
inline void Header1(TFmtData& d, const PairWindow<1>& p) {
  d.Code = static_cast<uint8_t>(d.OutCode);
  d.Sub = static_cast<uint8_t>(d.OutSub);
  d.SetTime(p.Hms());
  d.Val5 = p.Q<4>();
  d.Val8 = p.T<8>();
}
inline void Header1(TFmtData& d) { Header1(d, PairWindow<1>(d)); }

// Signal conversion into Val15 unless KeepSignal is set.
inline void SignalConvert(TFmtData& d, int32_t v, uint16_t modeWord) {
  if (d.KeepSignal != 0) return;
  d.Val15 = static_cast<uint8_t>(TBridge::SignalAspect(v, modeWord));
}
// G(k): signal conversion of the 2-byte BCD at raw k with SignalMode.
inline void G(TFmtData& d, int k) { SignalConvert(d, W(d, k), d.SignalMode); }

// Val19 := W(k), Val21 := W(k + 2): the pair most state records carry.
inline void PairValues(TFmtData& d, int k = 12) {
  d.Val19 = static_cast<uint16_t>(W(d, k));
  d.Val21 = static_cast<uint16_t>(W(d, k + 2));
}

// ---- finishing
// PresenceMask := InitMask, look-ahead, assembly, write.
inline void Finish(TNewToFmt& c) {
  TFmtData& d = c.d;
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  c.PeekAttached();
  d.AssembleAndWrite();
}
// PresenceMask := InitMask, assembly, write (no look-ahead).
inline void FinishNoPeek(TNewToFmt& c) {
  TFmtData& d = c.d;
  d.PresenceMask = static_cast<uint16_t>(d.InitMask);
  d.AssembleAndWrite();
}
// Clears Out and starts a supplementary record 0x21 0xF0.
void BeginSupplementary(TFmtData& d);
// Writes a supplementary record that carries one little-endian value of
// bytes bytes (2, 3 or 4) from record byte 2 on.
void WriteSupplementary(TFmtData& d, int bytes, int64_t v);
// Clears Out and starts a record with the given codes.
inline void BeginRecord(TFmtData& d, uint8_t code, uint8_t sub) {
  std::memset(d.Out, 0, 32);  // the 26 record bytes (Out beyond them is never written out)
  d.Out[0] = code;
  d.Out[1] = sub;
}
// Clears Out bytes from..25.
void ClearFrom(TFmtData& d, int from);
// Out[out..out+n-1] := the BCD values of Raw[raw..raw+n-1], one byte each.
inline void PutBcdBytes(TFmtData& d, int out, int raw, int n) {
  for (int i = 0; i < n; ++i) d.Out[out + i] = static_cast<uint8_t>(B(d, raw + i));
}
// A bare record: Out cleared, the row's codes, bytes 2..4 := BCD(raw 2..4).
inline void BeginBare(TFmtData& d, const HandlerRow& r) {
  BeginRecord(d, r.code, r.sub);
  PutBcdBytes(d, 2, 2, 3);
}
// Runs a step and answers whether it wrote anything: a record that fails its
// check writes nothing, so a handler that goes on after a shared step knows
// whether the record was taken.
bool Wrote(HandlerStep step, TNewToFmt& c, const HandlerRow& r);

// The run-wide values, looked up once (Run() tests on every call whether its
// object exists yet).
inline RunState& RunValues = Run();

// ---- the two-byte layout from the values of the read
// Read2, and the values of Raw[2..17] for Header2 and a PairWindow<2>.
inline bool Read2(TNewToFmt& c, const HandlerRow& r, RawValues& values) {
  TFmtData& d = c.d;
  SetParams(d, r);
  return d.ReadCheckedValues<2>(r.len, values);
}
// BcdByte of Raw[2], Raw[3], Raw[4] and Raw[5], lowest byte first, from the
// values Read2 delivered (Raw unchanged since): hour, minute, second, then
// the first byte of the 8-digit number.
inline uint32_t FirstValues2(const TFmtData& d, RawValues v) {
#if defined(__SSE2__) || defined(_M_X64)
  (void)d;
  return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
#else
  (void)v;
  uint32_t x = 0;
  for (int k = 5; k >= 2; --k) x = x << 8 | static_cast<uint32_t>(d.BcdByte(k));
  return x;
#endif
}
// Header2 from the values of Raw[2..17] that Read2 delivered (Raw unchanged
// since): the time from their first three bytes, the numbers from the window.
inline void Header2(TFmtData& d, RawValues v) {
  d.Code = static_cast<uint8_t>(d.OutCode);
  d.Sub = static_cast<uint8_t>(d.OutSub);
  const PairWindow<2> p(d, v);
  d.SetTime(p.Hms());
  d.Val5 = p.Q<5>();
  d.Val8 = p.T<9>();
}
// BeginBare with bytes 2..4 from the values Read2 delivered.
inline void BeginBare(TFmtData& d, const HandlerRow& r, RawValues v) {
  BeginRecord(d, r.code, r.sub);
  const uint32_t hms = FirstValues2(d, v);
  d.Out[2] = static_cast<uint8_t>(hms);
  d.Out[3] = static_cast<uint8_t>(hms >> 8);
  d.Out[4] = static_cast<uint8_t>(hms >> 16);
}
// Val19 := W(12), Val21 := W(14) from the window.
inline void PairValues(TFmtData& d, const PairWindow<2>& p) {
  d.Val19 = static_cast<uint16_t>(p.W<12>());
  d.Val21 = static_cast<uint16_t>(p.W<14>());
}

// ---- shared steps used by several families (two-byte layout)
// Full record with Time and the header numbers; 0x80 0x0A stores the last start time.
void StandardEvent(TNewToFmt& c, const HandlerRow& r);
// Header numbers, Val19 := W(12), Val21 := W(14); full record.
void PairEvent(TNewToFmt& c, const HandlerRow& r);
// PairEvent plus G(16).
void SignalEvent(TNewToFmt& c, const HandlerRow& r);
// The same three, answering whether the record was taken (and written).
bool StandardRecord(TNewToFmt& c, const HandlerRow& r);
bool PairRecord(TNewToFmt& c, const HandlerRow& r);
bool SignalRecord(TNewToFmt& c, const HandlerRow& r);
// Header numbers, Val10 := T(12), Val12 := B(15); full record.
void StateWordEvent(TNewToFmt& c, const HandlerRow& r);
// StateWordEvent, then a supplementary record with bytes 2..4 := T(17).
void StateWordLongEvent(TNewToFmt& c, const HandlerRow& r);
// Header numbers; full record; supplementary record with bytes 2..5 := Q(12).
void LongValueEvent(TNewToFmt& c, const HandlerRow& r);
// Time at raw p..p+2 (p = row.aux: 1 or 2), Val19 := W(p+3), Val21 := W(p+5).
void PairTimeEvent(TNewToFmt& c, const HandlerRow& r);
// Header record; byte 5 := B(5); bytes 6..25 zero; written.
void SmallValueRecord(TNewToFmt& c, const HandlerRow& r);
// Header record (bytes 0..9, no look-ahead) written.
void HeaderOnlyEvent(TNewToFmt& c, const HandlerRow& r);
// Reads the record and checks it; writes nothing.
void ReadAndCheck(TNewToFmt& c, const HandlerRow& r);
// Advances the input by row.aux bytes without a check; writes nothing.
void SkipBytes(TNewToFmt& c, const HandlerRow& r);
// Reads nothing more; the next byte is a new code.
void Empty(TNewToFmt& c, const HandlerRow& r);

}  // namespace railfmt::hs

namespace railfmt::hs {
// Own handlers that other families publish under another name as aliases.
void A014(TNewToFmt& c, const HandlerRow& r);
void A039(TNewToFmt& c, const HandlerRow& r);
}  // namespace railfmt::hs
