// The conversion context TFmtData and its record primitives, the header
// values record thead, and the stateless helpers of TPubFunc.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "format/layout.h"
#include "format/stream.h"
#include "texts/texts.h"

namespace railfmt {

constexpr int kRawSize = 256;         // the raw record buffer
static_assert(kRawSize == 256, "ZeroArea256 clears Raw and Out");

// Zeroes one 256-byte area (Raw, Out). Plain vector stores: the string
// instruction a compiler picks for a memset of this size costs more than
// the stores themselves at once per record.
inline void ZeroArea256(uint8_t* p) {
#if defined(__SSE2__) || defined(_M_X64)
  const __m128i z = _mm_setzero_si128();
  for (int i = 0; i < 256; i += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), z);
#else
  std::memset(p, 0, 256);
#endif
}

#if defined(__SSE2__) || defined(_M_X64)
// Vector helpers of the record check.
namespace record_check {
// 32 bytes 0xFF then 32 bytes 0: 16 bytes loaded at kKeep + 32 - n keep the
// first n bytes of a vector.
alignas(64) inline constexpr uint8_t kKeep[64] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// Mask of the bytes above 0x99 (bit j for byte j).
inline unsigned CodeBytes(__m128i x) {
  const __m128i over = _mm_subs_epu8(x, _mm_set1_epi8(static_cast<char>(0x99)));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128()))) ^ 0xFFFFu;
}

// The BcdByte values of the 16 bytes: high * 10 + low = byte - 6 * high
// (at most 165, no byte wraps).
inline __m128i BcdValues(__m128i x) {
  const __m128i high = _mm_and_si128(_mm_srli_epi16(x, 4), _mm_set1_epi8(0x0F));
  const __m128i high2 = _mm_add_epi8(high, high);
  const __m128i high6 = _mm_add_epi8(high2, _mm_add_epi8(high2, high2));
  return _mm_sub_epi8(x, high6);
}
// Sums of the BcdByte values of the 16 bytes, one per 64-bit lane.
inline __m128i BcdSums(__m128i x) { return _mm_sad_epu8(BcdValues(x), _mm_setzero_si128()); }
}  // namespace record_check

// The BcdByte values of 16 bytes of Raw, one per byte.
using RawValues = __m128i;
#else
struct RawValues {};
#endif

// Copies n (1 or more) bytes between buffers that do not overlap, writing
// nothing outside dest[0..n-1]; the short counts of a record without a call.
inline void CopySmall(uint8_t* dest, const uint8_t* src, int n) {
  const std::size_t k = static_cast<std::size_t>(n);
  if (k >= 16) {
    if (k > 32) {
      std::memcpy(dest, src, k);
      return;
    }
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k - 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + k - 16), b);
#else
    std::memcpy(dest, src, k);
#endif
    return;
  }
  if (k >= 8) {
    uint64_t a, b;
    std::memcpy(&a, src, 8);
    std::memcpy(&b, src + k - 8, 8);
    std::memcpy(dest, &a, 8);
    std::memcpy(dest + k - 8, &b, 8);
    return;
  }
  if (k >= 4) {
    uint32_t a, b;
    std::memcpy(&a, src, 4);
    std::memcpy(&b, src + k - 4, 4);
    std::memcpy(dest, &a, 4);
    std::memcpy(dest + k - 4, &b, 4);
    return;
  }
  // 1 to 3 bytes
  dest[0] = src[0];
  dest[k / 2] = src[k / 2];
  dest[k - 1] = src[k - 1];
}

// The formatted-file header values (byte positions in the comments).
struct thead {
  uint8_t Magic[2] = {0, 0};      // 0..1
  int32_t Number = 0;             // 2..11 as decimal text, space-filled
  std::string TypeName;           // 12..19, at most 8 characters
  uint16_t Word20 = 0;            // 20..21
  std::string ShortText;          // 22..23 ("2K")
  uint8_t B24[3] = {0, 0, 0};     // 24..26
  uint8_t B27 = 0;                // 27
  uint16_t Word28 = 0;            // 28..29
  uint8_t Date[3] = {0, 0, 0};    // 30..32
  uint8_t B33[4] = {0, 0, 0, 0};  // 33..36
  uint8_t B37[4] = {0, 0, 0, 0};  // 37..40
  uint8_t B41 = 0;                // 41
  uint8_t B42 = 0;                // 42
  uint8_t B43 = 0;                // 43
  uint8_t Size[3] = {0, 0, 0};    // 44..46
  uint8_t B47 = 0;                // 47
  uint8_t B48 = 0;                // 48: signal mode
  uint8_t B49 = 0;                // 49
  uint8_t B50 = 0;                // 50
  char Vendor = 0;                // 51
  std::string VersionText;        // decimal B49 + decimal B50, not written
};

// The 52 header bytes of a thead, field by field.
std::array<uint8_t, kHeaderSize> HeaderBytes(const thead& h);

// Stateless helpers: BCD decoding, text placement, code texts.
struct TPubFunc {
  // BCD decoding (format/layout.h).
  static int BcdByte(uint8_t b) { return railfmt::BcdByte(b); }
  static int32_t BcdNumberOf(const uint8_t* a, int start, int count) {
    return railfmt::BcdNumberOf(a, start, count);
  }
  // width bytes at dest[start]: the text, then spaces; cut to width.
  static void PutText(uint8_t* dest, std::string_view text, int width, int start);
  static void PutTextRaw(uint8_t* dest, std::string_view text, int start);

  // Two upper-case hex digits of the low byte. The code texts are those of
  // texts/texts.h.
  static std::string Hex2(int v) { return texts::Hex2(v); }
};

// The running values a full record is assembled from. From Val12 on they lie
// as record bytes 12..23 do where the record takes them as they stand:
// Val12 and the low byte of Val14 two bytes apart (record byte 13 is
// Val13 / 10), then Val15, Val16, Val17, Val19, Val21 and the low byte of
// Val23 in the record's order, so the assembly copies them in two loads.
struct TRunningValues {
  uint8_t Code = 0;
  uint8_t Sub = 0;
  int32_t Time = 0;
  int32_t Val5 = 0;
  int32_t Val8 = 0;
  int32_t Val10 = 0;
  // Record bytes 2..4 of the time (hour, minute, second, then a spare byte),
  // valid while Time equals TimeOf.
  uint32_t TimeBytes = 0;
  int32_t TimeOf = -1;
  uint8_t Val12 = 0;
  uint8_t Spare13 = 0;  // record byte 13 is Val13 / 10
  uint16_t Val14 = 0;
  uint16_t Val13 = 0;
  uint8_t Val15 = 0;
  uint8_t Val16 = 0;
  uint16_t Val17 = 0;
  uint16_t Val19 = 0;
  uint16_t Val21 = 0;
  uint16_t Val23 = 0;
  uint16_t PresenceMask = 0;
};
static_assert(offsetof(TRunningValues, Val5) == offsetof(TRunningValues, Time) + 4 &&
              offsetof(TRunningValues, Val8) == offsetof(TRunningValues, Time) + 8 &&
              offsetof(TRunningValues, Val10) == offsetof(TRunningValues, Time) + 12);
static_assert(offsetof(TRunningValues, Val14) == offsetof(TRunningValues, Val12) + 2);
static_assert(offsetof(TRunningValues, Val16) == offsetof(TRunningValues, Val15) + 1 &&
              offsetof(TRunningValues, Val17) == offsetof(TRunningValues, Val15) + 2 &&
              offsetof(TRunningValues, Val19) == offsetof(TRunningValues, Val15) + 4 &&
              offsetof(TRunningValues, Val21) == offsetof(TRunningValues, Val15) + 6 &&
              offsetof(TRunningValues, Val23) == offsetof(TRunningValues, Val15) + 8);

// The one conversion context shared by the engine and the handlers.
class TFmtData : public TRunningValues {
 public:
  std::string Note;
  MemStream* InStream = nullptr;
  MemStream* OutStream = nullptr;
  uint8_t HandlerByteA = 0;
  bool UseVal21Default = false;
  uint16_t Val21Default = 0;
  uint8_t HandlerByteB = 0;
  uint8_t HandlerByteC = 0;
  std::string SourceName;
  int32_t RecLen = 0;
  // The row's codes and mask, as the row holds them (one copy per record).
  uint8_t OutCode = 0;
  uint8_t OutSub = 0;
  uint16_t InitMask = 0;
  uint8_t Raw[kRawSize] = {};
  uint8_t RawSave[kRawSize] = {};
  // Raw[RawUsed..255] are known to be zero (Raw is filled only through
  // ReadRaw), so clearing and saving Raw touch only its used part.
  int RawUsed = kRawSize;
  static constexpr int kRawHead = 32;  // the used part of nearly every record fits
  uint16_t HdrWord208 = 0;
  uint16_t HdrWord210 = 0;
  uint16_t HdrWord214 = 0;
  uint16_t HdrWord216 = 0;
  uint16_t SignalMode = 0;
  uint8_t KeepSignal = 0;
  uint8_t HandlerByteD = 0;
  int32_t StationNo = 0;
  std::string HeaderStationName;
  int32_t StationGroup = 0;
  int32_t HeaderValue25 = 0;
  thead Hdr;
  // The output record: 26 bytes are written; the rest only catches texts
  // that PutTextRaw places past the record end.
  uint8_t Out[kRawSize] = {};

  // While the main loop runs (Gather set), records are gathered in Gathered
  // and appended to OutStream a block at a time. OutputSize counts them.
  RecordBlock Gathered;
  bool Gather = false;

  // Back to the state of a freshly loaded library (streams detached).
  void Reset() { *this = TFmtData(); }

  // ---- reading and checking
  // count bytes from InStream into dest[start..]; see the end-of-input rule.
  void ReadBytes(uint8_t* dest, int highIndex, int count, int start);
  void ReadRaw(int count, int start) {
    // The whole count available in an input of two bytes or more: copied as read.
    MemStream& in = *InStream;
    const std::size_t pos = in.Position(), size = in.Size();
    if (count > 0 && start >= 0 && start + count <= kRawSize && size >= 2 && pos <= size &&
        size - pos >= static_cast<std::size_t>(count)) {
      CopySmall(Raw + start, in.Data().data() + pos, count);
      in.Seek(pos + static_cast<std::size_t>(count));
      if (start + count > RawUsed) RawUsed = start + count;
      return;
    }
    // One byte of an input of two bytes or more: stored as read.
    if (count == 1 && start >= 0 && start < kRawSize && InStream->Size() >= 2 &&
        InStream->ReadByte(Raw[start])) {
      if (start + 1 > RawUsed) RawUsed = start + 1;
      return;
    }
    ReadBytes(Raw, kRawSize - 1, count, start);
    if (count > 0 && start >= 0 && start + count <= kRawSize && start + count > RawUsed) RawUsed = start + count;
  }
  // Checks Raw[0..len-1]; a byte above 0x99 moves the input back onto it.
  bool CheckRecord(int len) {
#if defined(__SSE2__) || defined(_M_X64)
    if (len >= 2 && len <= 33) return CheckShort(len);
#endif
    return CheckLong(len);
  }
#if defined(__SSE2__) || defined(_M_X64)
  bool CheckShort(int len);  // 2 <= len <= 33
#endif
  bool CheckLong(int len);
  // Byte i of a record of len bytes is above 0x99: the input moves back onto
  // it (not at the end of the input); answers false.
  bool CodeByteAt(int i, int len);
  // ReadRaw(len - start, start) then CheckRecord(len), for start 1 or 2.
  // Where the input holds 16 bytes from its position on, the check takes the
  // record's bytes from the input while they are copied into Raw.
  bool ReadChecked(int start, int len) {
    if (start == 1) return ReadCheckedFrom<1>(len);
    if (start == 2) return ReadCheckedFrom<2>(len);
    ReadRaw(len - start, start);
    return CheckRecord(len);
  }
  // ReadChecked for a start of 1 or 2 known where it is called.
  template <int start>
  bool ReadCheckedFrom(int len) {
    RawValues values;
    return ReadCheckedValues<start>(len, values);
  }
  // ReadCheckedFrom, and the BcdByte values of Raw[start..start + 15] as
  // they stand after the read into values.
  template <int start>
  bool ReadCheckedValues(int len, RawValues& values) {
    static_assert(start == 1 || start == 2);
#if defined(__SSE2__) || defined(_M_X64)
    MemStream& in = *InStream;
    const std::size_t pos = in.Position(), size = in.Size();
    const int count = len - start;
    // 1 to 16 bytes, and 16 input bytes from the position on (so an input of
    // two bytes or more): the record's bytes go into Raw as one vector, the
    // bytes of Raw past them kept as they were (zero past RawUsed), and are
    // checked from the same vector.
    if (static_cast<unsigned>(count - 1) < 16u && pos + 16 <= size) {
      const uint8_t* src = in.Data().data() + pos;
      const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record_check::kKeep + 32 - count));
      const __m128i x = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), keep);
      // Raw past RawUsed is zero: a main record's read (Raw just cleared) then
      // loads nothing of Raw, whose cleared bytes would not yet be readable.
      __m128i raw = x;
      if (RawUsed > start)
        raw = _mm_or_si128(x, _mm_andnot_si128(keep, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Raw + start))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Raw + start), raw);
      in.Seek(pos + static_cast<std::size_t>(count));
      if (len > RawUsed) RawUsed = len;
      values = record_check::BcdValues(raw);
      // the record's own values: BcdByte(0) is 0
      return CheckVector<start>(x, _mm_and_si128(values, keep), len);
    }
    // 17 to 32 bytes, and 32 input bytes from the position on: the same with
    // a second vector, whose bytes past the record are Raw's.
    if (static_cast<unsigned>(count - 17) < 16u && pos + 32 <= size) {
      const uint8_t* src = in.Data().data() + pos;
      const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record_check::kKeep + 48 - count));
      const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
      const __m128i x1 = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16)), keep);
      __m128i tail = x1;  // as above
      if (RawUsed > start + 16)
        tail = _mm_or_si128(x1, _mm_andnot_si128(keep, _mm_loadu_si128(reinterpret_cast<const __m128i*>(Raw + start + 16))));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Raw + start), x0);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Raw + start + 16), tail);
      in.Seek(pos + static_cast<std::size_t>(count));
      if (len > RawUsed) RawUsed = len;
      values = record_check::BcdValues(x0);
      return CheckVector2<start>(x0, x1, values, len);
    }
#endif
    return ReadCheckedApart<start>(len, values);
  }
  // ReadCheckedValues near the end of the input or for a record of more than
  // 32 bytes after the code: apart, so that the common path above keeps few
  // registers in the handlers it is inlined into.
  template <int start>
#if defined(_MSC_VER)
  __declspec(noinline)
#elif defined(__GNUC__)
  __attribute__((noinline))
#endif
  bool ReadCheckedApart(int len, RawValues& values) {
    ReadRaw(len - start, start);
    const bool ok = CheckRecord(len);
#if defined(__SSE2__) || defined(_M_X64)
    values = record_check::BcdValues(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Raw + start)));
#else
    (void)values;
#endif
    return ok;
  }
#if defined(__SSE2__) || defined(_M_X64)
  // The check of Raw[start..len-1] of a record of 17 to 32 of them: the first
  // 16 in x0 with their BcdByte values in v0, the rest in x1 (the bytes past
  // them 0).
  template <int start>
  bool CheckVector2(__m128i x0, __m128i x1, __m128i v0, int len) {
    using namespace record_check;
    uint32_t codes = CodeBytes(x0) | CodeBytes(x1) << 16;
    if (start == 1) codes &= ~1u;  // Raw[1] is summed whatever its value
    if (codes != 0) return CodeByteAt(start + std::countr_zero(codes), len);
    // each lane is at most 16 * 165: its low 32 bits are all of it
    const __m128i sums = _mm_add_epi64(_mm_sad_epu8(v0, _mm_setzero_si128()), BcdSums(x1));
    int total = Raw[0] + _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    if (start == 2) total += TPubFunc::BcdByte(Raw[1]);
    return total % 100 == 0;
  }
  // The check of Raw[start..len-1], which are in x (the bytes past them 0),
  // their BcdByte values in v.
  template <int start>
  bool CheckVector(__m128i x, __m128i v, int len) {
    using namespace record_check;
    uint32_t codes = CodeBytes(x);
    if (start == 1) codes &= ~1u;  // Raw[1] is summed whatever its value
    if (codes != 0) return CodeByteAt(start + std::countr_zero(codes), len);
    const __m128i sums = _mm_sad_epu8(v, _mm_setzero_si128());
    int total = Raw[0] + _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    if (start == 2) total += TPubFunc::BcdByte(Raw[1]);
    return total % 100 == 0;
  }
#endif
  // Reads RecLen-2 bytes at start and checks RecLen bytes.
  bool SkipRecord(int start);

  // ---- decoding (on Raw)
  int BcdByte(int i) const { return TPubFunc::BcdByte(Raw[i]); }
  int32_t BcdNumber(int start, int count) const { return TPubFunc::BcdNumberOf(Raw, start, count); }
  int32_t GetTime() const { return BcdByte(2) * 3600 + BcdByte(3) * 60 + BcdByte(4); }
  // The BcdByte values of Raw[k..k+2] as hour | minute << 8 | second << 16.
  uint32_t HmsAt(int k) const {
    uint32_t x;
    if constexpr (std::endian::native == std::endian::little) std::memcpy(&x, Raw + k, sizeof x);
    else x = Raw[k] | Raw[k + 1] << 8 | Raw[k + 2] << 16;
    // high * 10 + low = byte - 6 * high in every byte (at most 165, no borrow)
    return (x - 6 * ((x >> 4) & 0x0F0F0F0Fu)) & 0x00FFFFFFu;
  }
  // Time := hour * 3600 + minute * 60 + second (hms as HmsAt gives it). A
  // minute and second below 60 are the record's time bytes as they stand.
  void SetTime(uint32_t hms) {
    Time = static_cast<int32_t>((hms & 0xFF) * 3600 + ((hms >> 8) & 0xFF) * 60 + (hms >> 16));
    TimeBytes = hms;
    // minute + 68 and second + 68 stay below 128 exactly when both are below 60
    TimeOf = ((hms + 0x00444400u) & 0x00808000u) == 0 ? Time : -1;
  }
  int32_t GetValue8() const { return BcdNumber(5, 4); }
  int32_t GetValue6() const { return BcdNumber(9, 3); }

  // ---- assembling and writing
  // Val21 as a full record carries it: the default where it is switched on or
  // Val21 is above 999, stored back into the running state. Above 999 is as
  // common as not in some recordings: the substitution is a selection, not a
  // branch.
  uint16_t TakeVal21() {
    const uint32_t v21 = UseVal21Default ? Val21Default : Val21;
    const uint32_t over = 0u - static_cast<uint32_t>(v21 > 999);  // all ones when above 999
    Val21 = static_cast<uint16_t>((v21 & ~over) | (uint32_t{Val21Default} & over));
    return Val21;
  }
  void LoadStandard();
  void PlaceHead();
  // Bytes 0..9 (codes, time, Val5, Val8) into o.
  void PlaceHeadInto(uint8_t* o, uint8_t code, uint8_t sub) const;
  void AssembleRecord();
  // AssembleRecord, then WriteRecord.
  void AssembleAndWrite();
  // Writes the running state with other codes and mask, built apart from Out.
  void WriteAssembled(uint8_t code, uint8_t sub, uint16_t mask);
  // The 26 bytes of the running state with other codes and mask into o.
  void AssembleInto(uint8_t* o, uint8_t code, uint8_t sub, uint16_t mask);
  // AssembleInto when Time, Val5, Val8 and Val10 are 0 or above (little-endian hosts).
  // timeCut: TimeBytes known to hold the bytes of Time.
  template <bool timeCut>
  void AssemblePlain(uint8_t* __restrict o, uint8_t code, uint8_t sub, uint16_t mask);
  // AssemblePlain's bytes 0..23 as three little-endian words, for a time already cut.
  void PlainWords(uint64_t& w0, uint64_t& w1, uint64_t& w2);
  // Where AssemblePlain applies.
  bool PlainValues() const {
    if constexpr (std::endian::native != std::endian::little) return false;
#if defined(__SSE2__) || defined(_M_X64)
    // the sign bits of Time, Val5, Val8 and Val10 (TRunningValues) at once
    const uint8_t* running = reinterpret_cast<const uint8_t*>(static_cast<const TRunningValues*>(this));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(running + offsetof(TRunningValues, Time)));
    return (_mm_movemask_epi8(v) & 0x8888) == 0;
#else
    return (Time | Val5 | Val8 | Val10) >= 0;
#endif
  }
  // The rare paths of AssembleAndWrite and WriteAssembled.
  void AssembleAndWriteSigned();
  void WriteAssembledApart(uint8_t code, uint8_t sub, uint16_t mask);
  // WriteUngathered(Out), for AssembleAndWrite: without the argument its
  // common path keeps fewer registers (measured: 1.8 % of the instructions).
  void WriteOutUngathered();
  void WriteRecord();
  void WriteStandard();
  void ClearRecord() {
    // Only the 26 record bytes of Out are ever written to the output.
    std::memset(Out, 0, 32);
    if (RawUsed <= kRawHead) [[likely]] std::memset(Raw, 0, kRawHead);  // past RawUsed already zero
    else if (RawUsed == kRawSize) ZeroArea256(Raw);
    else std::memset(Raw, 0, RawUsed);
    RawUsed = 0;
  }
  // Look-ahead support: saves Raw's used part to RawSave / puts it back.
  // A used part of 32 bytes or less moves as a fixed 32: the bytes past it
  // are zero on both sides.
  int SaveRaw() {
    if (RawUsed <= kRawHead) std::memcpy(RawSave, Raw, kRawHead);
    else std::memcpy(RawSave, Raw, RawUsed);
    return RawUsed;
  }
  void RestoreRaw(int saved) {
    if (saved <= kRawHead) {
      std::memcpy(Raw, RawSave, kRawHead);
      if (RawUsed > kRawHead) std::memset(Raw + kRawHead, 0, RawUsed - kRawHead);
    } else {
      std::memcpy(Raw, RawSave, saved);
      if (RawUsed > saved) std::memset(Raw + saved, 0, RawUsed - saved);
    }
    RawUsed = saved;
  }
  void PutNote();

  // Writes any 26 bytes to the output.
  void WriteBytes(const uint8_t* rec) {
    if (Gather) [[likely]] {
      Gathered.Append(rec, *OutStream);
      return;
    }
    WriteUngathered(rec);
  }
  // WriteBytes outside the main loop, out of line so that a record's write
  // in the loop keeps no registers for it.
  void WriteUngathered(const uint8_t* rec);
  // Appends the gathered records to OutStream.
  void FlushBlock() { Gathered.Flush(*OutStream); }
  // The output's size with the gathered records.
  std::size_t OutputSize() const { return OutStream->Size() + Gathered.Size(); }
};

// The library's one conversion context.
TFmtData& FmtData();

// Appends one line to the daily log beside the host executable.
void WriteLog(const std::string& line);
// The daily log file path (for tests).
std::string LogFilePath();

}  // namespace railfmt
