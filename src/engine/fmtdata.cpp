#include "engine/fmtdata.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "texts/gbk.h"

#if defined(_MSC_VER)
#define NOINLINE __declspec(noinline)
#elif defined(__GNUC__)
#define NOINLINE __attribute__((noinline))
#else
#define NOINLINE
#endif

namespace railfmt {

TFmtData& FmtData() {
  static TFmtData* ctx = new TFmtData();  // lives as long as the library
  return *ctx;
}

// ------------------------------------------------------------------ TPubFunc

void TPubFunc::PutText(uint8_t* dest, std::string_view text, int width, int start) {
  if (text.empty()) return;
  if (start + static_cast<int>(text.size()) - 1 >= 255) return;
  for (int i = 0; i < width; ++i)
    dest[start + i] = i < static_cast<int>(text.size()) ? static_cast<uint8_t>(text[i]) : ' ';
}

void TPubFunc::PutTextRaw(uint8_t* dest, std::string_view text, int start) {
  if (text.empty()) return;
  if (start + static_cast<int>(text.size()) - 1 >= 255) return;
  std::memcpy(dest + start, text.data(), text.size());
}

// ------------------------------------------------------------------ header

std::array<uint8_t, kHeaderSize> HeaderBytes(const thead& h) {
  std::array<uint8_t, kHeaderSize> b{};
  b[0] = h.Magic[0];
  b[1] = h.Magic[1];
  TPubFunc::PutText(b.data(), std::to_string(h.Number), 10, 2);
  TPubFunc::PutText(b.data(), std::string_view(h.TypeName).substr(0, 8), 8, 12);
  b[20] = ByteOf(h.Word20, 0);
  b[21] = ByteOf(h.Word20, 1);
  TPubFunc::PutText(b.data(), std::string_view(h.ShortText).substr(0, 2), 2, 22);
  std::memcpy(&b[24], h.B24, 3);
  b[27] = h.B27;
  b[28] = ByteOf(h.Word28, 0);
  b[29] = ByteOf(h.Word28, 1);
  std::memcpy(&b[30], h.Date, 3);
  std::memcpy(&b[33], h.B33, 4);
  std::memcpy(&b[37], h.B37, 4);
  b[41] = h.B41;
  b[42] = h.B42;
  b[43] = h.B43;
  std::memcpy(&b[44], h.Size, 3);
  b[47] = h.B47;
  b[48] = h.B48;
  b[49] = h.B49;
  b[50] = h.B50;
  b[51] = static_cast<uint8_t>(h.Vendor);
  return b;
}

// ------------------------------------------------------------------ TFmtData

void TFmtData::ReadBytes(uint8_t* dest, int highIndex, int count, int start) {
  if (start + count > highIndex + 1 || count <= 0 || start < 0) return;
  MemStream& in = *InStream;
  const std::size_t size = in.Size();
  // A byte is stored when the count delivered (1 for a byte read, 0 past the
  // end) is below the stream's size: past the end zeros are stored, and in a
  // one-byte input the byte read is not.
  uint8_t* to = dest + start;
  std::size_t n = static_cast<std::size_t>(count);
  if (size >= 2) {
    const std::size_t got = in.Read(to, n);
    to += got;
    n -= got;
  } else {
    // The byte of a one-byte input is consumed without being stored.
    const std::size_t got = in.AtEnd() ? 0 : std::min(n, size - in.Position());
    in.SeekBy(static_cast<int64_t>(got));
    to += got;
    n -= got;
  }
  if (size >= 1 && n > 0) std::memset(to, 0, n);
}

namespace {
constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t kHigh1 = 0x8080808080808080ull;
constexpr uint64_t kNibble = 0x0F0F0F0F0F0F0F0Full;
constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;

// True when one of the eight bytes is 0x9A or above: bit 7 set and the
// low seven bits 0x1A or above (0x66 added to them carries into bit 7).
inline bool AnyCodeByte(uint64_t x) { return (((x & kLow7) + 0x6666666666666666ull) & x & kHigh1) != 0; }

// Sum of the eight BcdByte values (each high nibble * 10 + low nibble, at
// most 165, so no lane overflows).
inline int BcdSum8(uint64_t x) {
  const uint64_t v = ((x >> 4) & kNibble) * 10 + (x & kNibble);
  const uint64_t pairs = (v & kEvenBytes) + ((v >> 8) & kEvenBytes);
  return static_cast<int>((pairs * 0x0001000100010001ull) >> 48);
}

// Mask of the first n (below 8) bytes of a word as memcpy loads it.
inline uint64_t FirstBytes(int n) {
  const uint64_t low = (uint64_t{1} << (8 * n)) - 1;
  return std::endian::native == std::endian::little ? low : ~(~uint64_t{0} >> (8 * n));
}
}  // namespace

#if defined(__SSE2__) || defined(_M_X64)
using namespace record_check;

// Records of 2 to 33 bytes (all the engine's records): Raw[1..len-1] in two
// vectors, the bytes past the record masked to 0.
bool TFmtData::CheckShort(int len) {
  const int n = len - 1;  // Raw[1..len-1]
  const __m128i x0 = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Raw + 1)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 32 - n)));
  if (n <= 16) {
    const uint32_t codes = CodeBytes(x0) & ~1u;
    if (codes != 0) return CodeByteAt(1 + std::countr_zero(codes), len);
    const __m128i sums = BcdSums(x0);
    const int total = _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    return (Raw[0] + total) % 100 == 0;
  }
  const __m128i x1 = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Raw + 17)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 48 - n)));
  // Raw[1] is summed whatever its value; from Raw[2] on a byte above 0x99 stops the check.
  const uint32_t codes = (CodeBytes(x0) & ~1u) | (CodeBytes(x1) << 16);
  if (codes != 0) return CodeByteAt(1 + std::countr_zero(codes), len);
  const __m128i sums = _mm_add_epi64(BcdSums(x0), BcdSums(x1));
  // each lane is at most 16 * 165: its low 32 bits are all of it
  const int total = _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
  return (Raw[0] + total) % 100 == 0;
}
#endif

bool TFmtData::CodeByteAt(int i, int len) {
  MemStream& in = *InStream;
  if (in.Position() < in.Size()) in.SeekBy(static_cast<int64_t>(i) - len);
  return false;
}

bool TFmtData::CheckLong(int len) {
  if (len > kRawSize) len = kRawSize;
  // The decimal sum mod 100; a byte above 0x99 in the body can only be the
  // next record's code: the input moves back onto it.
  int s = Raw[0] % 100 + TPubFunc::BcdByte(Raw[1]);
  int i = 2;
  while (i < len && i + 8 <= kRawSize) {
    uint64_t x;
    std::memcpy(&x, Raw + i, sizeof x);
    if (len - i < 8) x &= FirstBytes(len - i);  // the bytes past the record count 0
    if (AnyCodeByte(x)) break;                  // found byte by byte below
    s += BcdSum8(x);
    i += 8;
  }
  if (i > len) i = len;
  for (; i < len; ++i) {
    const uint8_t b = Raw[i];
    if (b > 0x99) return CodeByteAt(i, len);
    s += TPubFunc::BcdByte(b);
  }
  return s % 100 == 0;
}

bool TFmtData::SkipRecord(int start) {
  ReadRaw(RecLen - 2, start);
  return CheckRecord(RecLen);
}

void TFmtData::PlaceHeadInto(uint8_t* o, uint8_t code, uint8_t sub) const {
  o[0] = code;
  o[1] = sub;
  o[2] = static_cast<uint8_t>(Time / 3600);
  o[3] = static_cast<uint8_t>((Time / 60) % 60);
  o[4] = static_cast<uint8_t>(Time % 60);
  Put24(o, 5, Val5);
  Put16(o, 8, Val8);
}

void TFmtData::PlaceHead() { PlaceHeadInto(Out, Code, Sub); }

void TFmtData::LoadStandard() {
  Code = static_cast<uint8_t>(OutCode);
  Sub = static_cast<uint8_t>(OutSub);
  SetTime(HmsAt(2));
  Val5 = GetValue8();
  Val8 = GetValue6();
  PlaceHead();
}

template <bool timeCut>
inline void TFmtData::AssemblePlain(uint8_t* __restrict o, uint8_t code, uint8_t sub, uint16_t mask) {
  // No value below 0: every cut is the value's own low bytes, stored field
  // by field.
  const uint16_t val21 = TakeVal21();
  // Hour, minute and second: as the time was set, or cut from Time once for
  // every time value.
  uint32_t hms = TimeBytes;
  if (!timeCut && Time != TimeOf) {
    const uint32_t t = static_cast<uint32_t>(Time);
    const uint32_t minutes = t / 60;
    hms = (t / 3600 & 0xFF) | (minutes % 60) << 8 | (t - minutes * 60) << 16;
    TimeBytes = hms;
    TimeOf = Time;
  }
  const uint32_t v5 = static_cast<uint32_t>(Val5);
  const uint16_t v8 = static_cast<uint16_t>(Val8), v10 = static_cast<uint16_t>(Val10);
  // bytes 12..15 and 15..22 as they lie in the running values (TRunningValues)
  const uint8_t* running = reinterpret_cast<const uint8_t*>(static_cast<const TRunningValues*>(this));
  uint32_t b12;
  uint64_t b15;
  std::memcpy(&b12, running + offsetof(TRunningValues, Val12), 4);
  std::memcpy(&b15, running + offsetof(TRunningValues, Val15), 8);
  const uint8_t b13 = static_cast<uint8_t>(Val13 / 10), b23 = static_cast<uint8_t>(Val23);
  o[0] = code;
  o[1] = sub;
  std::memcpy(o + 2, &hms, 4);  // byte 5 follows with Val5
  std::memcpy(o + 5, &v5, 4);
  std::memcpy(o + 8, &v8, 2);
  std::memcpy(o + 10, &v10, 2);
  std::memcpy(o + 12, &b12, 4);
  o[13] = b13;
  std::memcpy(o + 15, &b15, 8);
  std::memcpy(o + 21, &val21, 2);
  o[23] = b23;
  std::memcpy(o + 24, &mask, 2);
}

void TFmtData::AssembleInto(uint8_t* o, uint8_t code, uint8_t sub, uint16_t mask) {
  if (PlainValues()) {
    AssemblePlain<false>(o, code, sub, mask);
    return;
  }
  PlaceHeadInto(o, code, sub);
  Put16(o, 10, Val10);
  o[12] = Val12;
  o[13] = static_cast<uint8_t>(Val13 / 10);
  o[14] = static_cast<uint8_t>(Val14);
  o[15] = Val15;
  o[16] = Val16;
  Put16(o, 17, Val17);
  Put16(o, 19, Val19);
  Put16(o, 21, TakeVal21());
  o[23] = static_cast<uint8_t>(Val23);
  Put16(o, 24, mask);
}

void TFmtData::AssembleRecord() { AssembleInto(Out, Code, Sub, PresenceMask); }

// The rare paths of AssembleAndWrite, apart so that its common path calls
// nothing but the block's flush and keeps no register across a call.
NOINLINE void TFmtData::AssembleAndWriteSigned() {
  AssembleInto(Out, Code, Sub, PresenceMask);
  WriteBytes(Out);
}
NOINLINE void TFmtData::WriteOutUngathered() { OutStream->AppendRecord(Out); }

// The plain record (AssemblePlain's bytes) for a time already cut, built in
// registers as bytes 0..7, 8..15 and 16..23; each field is loaded as it was
// stored, and the record's bytes are stored as words only.
inline void TFmtData::PlainWords(uint64_t& w0, uint64_t& w1, uint64_t& w2) {
  const uint16_t val21 = TakeVal21();
  w0 = uint64_t{Code} | uint64_t{Sub} << 8 | uint64_t{TimeBytes & 0xFFFFFFu} << 16 |
         (uint64_t{static_cast<uint32_t>(Val5)} & 0xFFFFFFu) << 40;
  w1 = uint64_t{static_cast<uint16_t>(Val8)} | uint64_t{static_cast<uint16_t>(Val10)} << 16 |
         uint64_t{Val12} << 32 | uint64_t{static_cast<uint8_t>(Val13 / 10)} << 40 |
         uint64_t{static_cast<uint8_t>(Val14)} << 48 | uint64_t{Val15} << 56;
  w2 = uint64_t{Val16} | uint64_t{Val17} << 8 | uint64_t{Val19} << 24 | uint64_t{val21} << 40 |
         uint64_t{static_cast<uint8_t>(Val23)} << 56;
}

void TFmtData::AssembleAndWrite() {
  if (!PlainValues()) return AssembleAndWriteSigned();
  if (!Gather || Time != TimeOf) {
    AssemblePlain<false>(Out, Code, Sub, PresenceMask);
    if (!Gather) return WriteOutUngathered();
    Gathered.Append(Out, *OutStream);
    return;
  }
  // Out and the block both from the words: a copy of Out into the block
  // would load Out's bytes right after their narrow stores and wait for them.
  uint64_t w0, w1, w2;
  PlainWords(w0, w1, w2);
  const uint16_t mask = PresenceMask;
  for (uint8_t* o : {Out, Gathered.Next()}) {  // each word stored as it is, never through memory
    std::memcpy(o, &w0, 8);
    std::memcpy(o + 8, &w1, 8);
    std::memcpy(o + 16, &w2, 8);
    std::memcpy(o + 24, &mask, 2);
  }
  Gathered.Placed(*OutStream);
}

NOINLINE void TFmtData::WriteAssembledApart(uint8_t code, uint8_t sub, uint16_t mask) {
  uint8_t r[kRecordSize];
  AssembleInto(r, code, sub, mask);
  WriteBytes(r);
}

void TFmtData::WriteAssembled(uint8_t code, uint8_t sub, uint16_t mask) {
  // A time not yet cut goes the rare way too: the common path then saves
  // fewer registers.
  if (!Gather || !PlainValues() || Time != TimeOf) return WriteAssembledApart(code, sub, mask);
  // assembled in its place in the block
  AssemblePlain<true>(Gathered.Next(), code, sub, mask);
  Gathered.Placed(*OutStream);
}

void TFmtData::WriteRecord() { WriteBytes(Out); }

NOINLINE void TFmtData::WriteUngathered(const uint8_t* rec) { OutStream->AppendRecord(rec); }

void TFmtData::WriteStandard() {
  Code = static_cast<uint8_t>(OutCode);
  Sub = static_cast<uint8_t>(OutSub);
  SetTime(HmsAt(2));
  Val5 = GetValue8();
  Val8 = GetValue6();
  PresenceMask = static_cast<uint16_t>(InitMask);
  AssembleRecord();
  WriteRecord();
}

void TFmtData::PutNote() {
  if (Note.empty() || Note.size() > 15) return;
  Out[11] = static_cast<uint8_t>(Note.size());
  for (std::size_t i = 0; i < Note.size() && 12 + i < kRecordSize; ++i)
    Out[12 + i] = static_cast<uint8_t>(Note[i]);
}

// ------------------------------------------------------------------ log

std::string LogFilePath() {
  platform::LocalDate d = platform::Today();
  char md[16];
  std::snprintf(md, sizeof md, "%.2d%.2d", d.month, d.day);
  return platform::ExecutableDir() + "log\\" + "OrgErrorOrNotDeal" + md + ".txt";
}

void WriteLog(const std::string& line) {
  std::string dir = platform::ExecutableDir();
  if (dir.empty()) return;
  dir += "log\\";
  if (!platform::DirExists(dir) && !platform::CreateDir(dir)) return;
  platform::AppendLine(LogFilePath(), line);
}

}  // namespace railfmt
