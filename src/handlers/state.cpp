// Running-state records F0 and F1 (attached or alone) and F2.
#include "handlers/common.h"
#include "handlers/families.h"

namespace railfmt {
namespace {

using namespace hs;

// 0x8B 0x06 with the running state, built apart from Out.
void WriteStateChange(TFmtData& d) { d.WriteAssembled(0x8B, 0x06, 0x1047); }

// The four forms of the state records: length, whether Val19/Val21 lead
// (long forms), whether Val17 follows Val13/Val14 (F0), and the mask bits.
struct StateForm {
  int len;
  bool pair;
  bool val17;
  uint16_t mask;
};
constexpr StateForm kF0Long{12, true, true, 0x13C0}, kF0Short{8, false, true, 0x10C0};
constexpr StateForm kF1Long{14, true, false, 0x1340}, kF1Short{10, false, false, 0x1040};

// The values of an F0 or F1 record that passed its check, and a state-change
// record when Val13 changed.
template <StateForm f>
void TakeState(TFmtData& d, const PairWindow<1>& p) {
  const uint16_t old = d.Val13;
  constexpr int k = f.pair ? 5 : 1;
  if (f.pair) {
    d.Val19 = static_cast<uint16_t>(p.W<1>());
    d.Val21 = static_cast<uint16_t>(p.W<3>());
  }
  d.Val13 = static_cast<uint16_t>(p.W<k>());
  d.Val14 = static_cast<uint16_t>(p.W<k + 2>() / 10);
  if (f.val17) d.Val17 = static_cast<uint16_t>(p.W<k + 4>());
  d.PresenceMask |= f.mask;
  if (d.Val13 != old) WriteStateChange(d);
}

// F0 and F1 read into Raw.
template <StateForm f>
void StateRecord(TFmtData& d) {
  d.RecLen = f.len;
  RawValues values;
  if (d.ReadCheckedValues<1>(f.len, values)) TakeState<f>(d, PairWindow<1>(d, values));
}

// F0 and F1 after another record: the bytes are taken from the input into a
// vector, and Raw keeps the record before (Raw[0] holds the code byte only
// while the check counts it). A record that starts fewer than 16 bytes
// before the input's end is read into Raw, saved around it.
template <StateForm f>
void StateRecordApart(TNewToFmt& c, const HandlerRow& row, uint8_t code) {
#if defined(__SSE2__) || defined(_M_X64)
  TFmtData& d = c.d;
  constexpr int count = f.len - 1;
  constexpr std::size_t width = sizeof(__m128i);
  static_assert(count >= 1 && count <= static_cast<int>(width));
  MemStream& in = *d.InStream;
  const std::size_t pos = in.Position(), size = in.Size();
  if (size >= width && pos <= size - width) {
    d.RecLen = f.len;
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record_check::kKeep + 32 - count));
    const __m128i x = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in.Data().data() + pos)), keep);
    const RawValues values = record_check::BcdValues(x);  // 0 past the record
    in.Seek(pos + count);
    const uint8_t own = d.Raw[0];
    d.Raw[0] = code;
    const bool ok = d.CheckVector<1>(x, values, f.len);
    d.Raw[0] = own;
    if (ok) TakeState<f>(d, PairWindow<1>(d, values));
    return;
  }
#endif
  c.RunOnSavedRaw(row, code);
}

void F0(TNewToFmt& c, const HandlerRow&) {
  if (c.LongState) StateRecord<kF0Long>(c.d);
  else StateRecord<kF0Short>(c.d);
}
void F1(TNewToFmt& c, const HandlerRow&) {
  if (c.LongState) StateRecord<kF1Long>(c.d);
  else StateRecord<kF1Short>(c.d);
}
void F0Attached(TNewToFmt& c, const HandlerRow& r, uint8_t code) {
  if (c.LongState) StateRecordApart<kF0Long>(c, r, code);
  else StateRecordApart<kF0Short>(c, r, code);
}
void F1Attached(TNewToFmt& c, const HandlerRow& r, uint8_t code) {
  if (c.LongState) StateRecordApart<kF1Long>(c, r, code);
  else StateRecordApart<kF1Short>(c, r, code);
}

void F2(TNewToFmt& c, const HandlerRow&) {
  TFmtData& d = c.d;
  d.RecLen = 5;
  if (!d.ReadCheckedFrom<1>(5)) return;
  BeginRecord(d, 0x87, 0x63);
  Put16(d.Out, 2, W(d, 1));
  d.Out[4] = static_cast<uint8_t>(B(d, 1));
  d.WriteRecord();
}

constexpr HandlerRow kRows[] = {
    {"F0", 12, F0, 0, 0, 0x13C0, 0, F0Attached},
    {"F1", 14, F1, 0, 0, 0x1340, 0, F1Attached},
    {"F2", 5, F2, 0x87, 0x63, 0},
};

}  // namespace

std::span<const HandlerRow> FamilyState() { return kRows; }

bool LongStateForms(const thead& h) { return h.Vendor != 'Q' || h.B49 * 10 + h.B50 > 31; }

}  // namespace railfmt
