#include "handlers/common.h"

#include <cstring>

namespace railfmt::hs {

bool HeaderRecord(TNewToFmt& c, const HandlerRow& r) {
  if (!Read2(c, r)) return false;
  c.d.LoadStandard();
  return true;
}

void BeginSupplementary(TFmtData& d) { BeginRecord(d, 0x21, 0xF0); }

void WriteSupplementary(TFmtData& d, int bytes, int64_t v) {
  BeginSupplementary(d);
  for (int k = 0; k < bytes; ++k) d.Out[2 + k] = ByteOf(v, k);
  d.WriteRecord();
}

void ClearFrom(TFmtData& d, int from) {
  // 1 to 26 zero bytes as a few stores that overlap, without a call
  static constexpr uint8_t kZeros[kRecordSize] = {};
  if (from >= 0 && from < kRecordSize) CopySmall(d.Out + from, kZeros, kRecordSize - from);
}

bool Wrote(HandlerStep step, TNewToFmt& c, const HandlerRow& r) {
  const std::size_t before = c.d.OutputSize();
  step(c, r);
  return c.d.OutputSize() != before;
}

bool StandardRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  if (r.code == 0x80 && r.sub == 0x0A) RunValues.LastStartTime = d.Time;
  Finish(c);
  return true;
}

bool PairRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  PairValues(d, PairWindow<2>(d, v));
  Finish(c);
  return true;
}

bool SignalRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  const PairWindow<2> p(d, v);
  PairValues(d, p);
  SignalConvert(d, p.W<16>(), d.SignalMode);
  Finish(c);
  return true;
}

void StandardEvent(TNewToFmt& c, const HandlerRow& r) { StandardRecord(c, r); }
void PairEvent(TNewToFmt& c, const HandlerRow& r) { PairRecord(c, r); }
void SignalEvent(TNewToFmt& c, const HandlerRow& r) { SignalRecord(c, r); }

// The state-word record; false when the record could not be read.
static bool StateWordRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return false;
  Header2(d, v);
  d.Val10 = T(d, 12);
  d.Val12 = static_cast<uint8_t>(B(d, 15));
  Finish(c);
  return true;
}

void StateWordEvent(TNewToFmt& c, const HandlerRow& r) { StateWordRecord(c, r); }

void StateWordLongEvent(TNewToFmt& c, const HandlerRow& r) {
  if (StateWordRecord(c, r)) WriteSupplementary(c.d, 3, T(c.d, 17));
}

void LongValueEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  RawValues v;
  if (!Read2(c, r, v)) return;
  Header2(d, v);
  Finish(c);
  WriteSupplementary(d, 4, Q(d, 12));
}

void PairTimeEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  const int p = r.aux == 1 ? 1 : 2;
  SetParams(d, r);
  if (!d.ReadChecked(p, r.len)) return;
  d.Code = r.code;
  d.Sub = r.sub;
  d.Time = d.BcdByte(p) * 3600 + d.BcdByte(p + 1) * 60 + d.BcdByte(p + 2);
  d.Val19 = static_cast<uint16_t>(W(d, p + 3));
  d.Val21 = static_cast<uint16_t>(W(d, p + 5));
  Finish(c);
}

void SmallValueRecord(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.Out[5] = static_cast<uint8_t>(B(d, 5));
  ClearFrom(d, 6);
  d.WriteRecord();
}

void HeaderOnlyEvent(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  if (!HeaderRecord(c, r)) return;
  d.WriteRecord();
}

void ReadAndCheck(TNewToFmt& c, const HandlerRow& r) {
  TFmtData& d = c.d;
  SetParams(d, r);
  d.SkipRecord(2);
}

void SkipBytes(TNewToFmt& c, const HandlerRow& r) { c.d.InStream->SeekBy(r.aux); }

void Empty(TNewToFmt&, const HandlerRow&) {}

}  // namespace railfmt::hs
