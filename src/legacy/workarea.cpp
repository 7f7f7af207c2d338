#include "legacy/workarea.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "tables/bridge.h"
#include "platform/platform.h"

namespace railfmt::legacy {

namespace {
// Eight bytes of v, lowest first.
inline void StoreLE64(uint8_t* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &v, 8);
  } else {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  }
}
}  // namespace

WorkArea& Work() {
  static WorkArea* w = new WorkArea();
  return *w;
}

void ResetCarriedValues() {
  WorkArea& w = Work();
  w.currentLine = 255;
  w.toggle = 0;
  w.counter1 = 0;
  w.counter2 = 0;
  w.laterVersionMark = 0;
  Lookups().RestrictionTolerance = 0;
}

int32_t WorkArea::BcdAtEdge(int i, int n) const {
  if (i < 0 || i > 127 || n > 4 || n < 1) return 0;
  int32_t v = 0;
  for (int k = 0; k < n && i + k < 128; ++k) v = v * 100 + TPubFunc::BcdByte(b[i + k]);
  return v;
}

int WorkArea::ReadFixed(int start, int count) {
  for (int k = 0; k < count && start + k < 128; ++k) {
    uint8_t x;
    if (!in->ReadByte(x)) break;
    b[start + k] = x;
  }
  return 0;
}

int WorkArea::Read(int start, int count, bool stop) {
  // The input's position is kept in a local while the bytes are stored (a
  // byte store could alias the stream's own fields, which would reload
  // them for every byte).
  const uint8_t* data = in->Data().data();
  const std::size_t size = in->Size();
  std::size_t pos = in->Position();
#if defined(__SSE2__) || defined(_M_X64)
  // The whole count in the input (16 bytes readable past every group of 16)
  // and in b: the bytes are looked at 16 at a time and copied at once.
  if (count > 0 && start >= 0 && start + count <= 128 && pos <= size &&
      size - pos >= static_cast<std::size_t>(count) + 16) {
    int k = count;  // bytes stored
    if (stop) {
      for (int j = 0; j < count; j += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos + j));
        uint32_t codes = record_check::CodeBytes(x);  // bytes of 0x9A and above
        if (count - j < 16) codes &= (1u << (count - j)) - 1;
        if (codes != 0) {
          k = j + std::countr_zero(codes);
          break;
        }
      }
    }
    if (k > 0) CopySmall(b + start, data + pos, k);
    return EndVectorRead(pos, k, count);
  }
#endif
  int result = 0;
  for (int k = 0; k < count; ++k) {
    if (pos >= size) {
      result = 153;
      break;
    }
    const uint8_t x = data[pos++];
    lookahead = x;
    if (stop && x >= 0x9A) {
      result = 170 + k;  // k bytes stored before it
      break;
    }
    if (start + k < 128) b[start + k] = x;
  }
  in->Seek(pos);
  return result;
}

int WorkArea::ReadIntoCleared(int start, int count) {
#if defined(__SSE2__) || defined(_M_X64)
  const uint8_t* data = in->Data().data();
  const std::size_t size = in->Size();
  const std::size_t pos = in->Position();
  if (count > 0 && count <= 16 && start >= 0 && start + 16 <= 128 && pos <= size &&
      size - pos >= static_cast<std::size_t>(count) + 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos));
    const uint32_t codes = record_check::CodeBytes(x) & ((1u << count) - 1);  // bytes of 0x9A and above
    const int k = codes != 0 ? std::countr_zero(codes) : count;               // bytes stored
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(record_check::kKeep + 32 - k));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b + start), _mm_and_si128(x, keep));
    return EndVectorRead(pos, k, count);
  }
#endif
  return Read(start, count, true);
}

int WorkArea::EndVectorRead(std::size_t pos, int k, int count) {
  const uint8_t* data = in->Data().data();
  if (k < count) {
    lookahead = data[pos + k];
    in->Seek(pos + k + 1);
    return 170 + k;  // k bytes stored before it
  }
  lookahead = data[pos + count - 1];
  in->Seek(pos + count);
  return 0;
}

bool WorkArea::Checksum(int n) const {
  int s = b[0] % 100;
  int i = 1;
#if defined(__SSE2__) || defined(_M_X64)
  // b[1..n+1] (at most b[127]) summed 16 bytes at a time while 16 lie in b,
  // the bytes past the record masked to 0.
  const int last = n + 1 < 127 ? n + 1 : 127;
  while (i <= last && i + 16 <= 128) {
    const int left = last - i + 1;
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    if (left < 16) x = _mm_and_si128(x, _mm_loadu_si128(reinterpret_cast<const __m128i*>(record_check::kKeep + 32 - left)));
    const __m128i sums = record_check::BcdSums(x);
    s += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
    i += 16;
  }
#endif
  for (; i <= n + 1 && i < 128; ++i) s += TPubFunc::BcdByte(b[i]);
  return s % 100 == 0;
}

void WorkArea::Assemble(uint8_t* o) const {
  const RunningRecord& r = run;
  // Hours, minutes, seconds: unsigned arithmetic where the time is not
  // negative (the same quotients, fewer instructions).
  uint32_t h, m, s;
  if (r.Time >= 0) {
    const uint32_t t = static_cast<uint32_t>(r.Time), minutes = t / 60;
    h = t / 3600;
    m = minutes % 60;
    s = t - minutes * 60;
  } else {
    h = static_cast<uint32_t>(r.Time / 3600);
    m = static_cast<uint32_t>((r.Time / 60) % 60);
    s = static_cast<uint32_t>(r.Time % 60);
  }
  // Val5 as 24 bits (a value below 0 as its 24-bit complement: the same low
  // bytes); Val8 as 16 bits the same way, 0 below -65536.
  const uint64_t v8 = r.Val8 < -65536 ? 0 : static_cast<uint32_t>(r.Val8) & 0xFFFFu;
  // The record in three words and a half-word (little-endian byte order).
  const uint64_t w0 = uint64_t{r.Code} | uint64_t{r.Sub} << 8 | uint64_t{h & 0xFFu} << 16 |
                      uint64_t{m & 0xFFu} << 24 | uint64_t{s & 0xFFu} << 32 |
                      uint64_t{static_cast<uint32_t>(r.Val5) & 0xFFFFFFu} << 40;
  uint64_t w1, w2;
  if constexpr (std::endian::native == std::endian::little) {
    // Val12..Val15 and Val17..Val23 lie in the record's byte order already
    // (see RunningRecord): one load each.
    uint32_t v12;
    uint64_t v17;
    std::memcpy(&v12, &r.Val12, 4);
    std::memcpy(&v17, &r.Val17, 8);
    w1 = v8 | uint64_t{static_cast<uint32_t>(r.Val10) & 0xFFFFu} << 16 | uint64_t{v12} << 32;
    w2 = uint64_t{r.Val16} | v17 << 8;  // the byte past Val23 is shifted out
  } else {
    w1 = v8 | uint64_t{static_cast<uint32_t>(r.Val10) & 0xFFFFu} << 16 | uint64_t{r.Val12} << 32 |
         uint64_t{r.Val13} << 40 | uint64_t{r.Val14} << 48 | uint64_t{r.Val15} << 56;
    w2 = uint64_t{r.Val16} | uint64_t{r.Val17} << 8 | uint64_t{r.Val19} << 24 | uint64_t{r.Val21} << 40 |
         uint64_t{r.Val23} << 56;
  }
  StoreLE64(o, w0);
  StoreLE64(o + 8, w1);
  StoreLE64(o + 16, w2);
  o[24] = static_cast<uint8_t>(r.PresenceMask);
  o[25] = static_cast<uint8_t>(r.PresenceMask >> 8);
}

void WorkArea::WriteRunning() {
  // Assembled in its place in the block.
  Assemble(gathered.Next());
  gathered.Placed(*out);
}

void WorkArea::WriteSecond() {
  Append(second);
  std::memset(second, 0, sizeof second);
}

void WorkArea::ResetForConversion(MemStream& input, MemStream& output) {
  in = &input;
  out = &output;
  gathered.Clear();
  std::memset(b, 0, sizeof b);
  lookahead = 0;
  ResetRunning();
  std::memset(second, 0, sizeof second);
  std::memset(headerImage, 0, sizeof headerImage);
  header = thead();
  startDay = startTime = 0;
  distanceMode = 2;
  directionFlag1 = directionFlag2 = 0;
  written = 0;
  lastPosition = lastDistance = 0;
  routeNumber = 0;
  Lookups().RestrictionTolerance = 0;
}

std::string DriverName(uint8_t fill, int32_t number) {
  DriverFound d = FindDriver(number);
  if (d.found && fill != 0) std::memcpy(Work().headerImage + 47, d.attributes.data(), d.attributes.size());
  return std::move(d.name);
}

}  // namespace railfmt::legacy
