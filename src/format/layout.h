// The byte layouts that every converter shares: the sizes of the formatted
// header and record, the raw-header offsets, BCD, byte placement, and the
// driver and station records 81 04, 81 06 and 81 11.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "format/stream.h"

namespace railfmt {

constexpr int kHeaderSize = 52;       // the formatted file header
constexpr int kRawHeaderSize = 256;   // the raw event-file header

// Offsets in the raw event-file header.
constexpr int kRawVendorPos = 77;     // the vendor letter ('Q' ...)
constexpr int kRawProtocolPos = 87;   // the BCD protocol version, two bytes (87..88)

// BCD: high nibble * 10 + low nibble of every byte value (above 0x99 too).
inline constexpr std::array<uint8_t, 256> kBcdValue = [] {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = static_cast<uint8_t>((b >> 4) * 10 + (b & 0x0F));
  return t;
}();
inline int BcdByte(uint8_t b) { return kBcdValue[b]; }

// The two bytes at p as a little-endian word (p[0] low).
inline uint32_t BcdLoad16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
// BcdByte of every byte of a word at once: high * 10 + low = byte - 6 * high
// (no byte borrows from its neighbour).
inline uint32_t BcdBytes(uint32_t w) { return w - ((w >> 4) & 0x0F0F0F0Fu) * 6; }
// BcdByte(b0) * 100 + BcdByte(b1) of a word b0 | b1 << 8.
inline int32_t BcdPair(uint32_t w) {
  const uint32_t v = BcdBytes(w);
  return static_cast<int32_t>((v & 0xFFu) * 100 + (v >> 8));
}
// The four bytes at p, most significant first (at most 166666665).
inline int32_t BcdQuad(const uint8_t* p) {
  const uint32_t w = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                     static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  const uint32_t v = BcdBytes(w);
  // 16-bit lanes: BcdByte(p[0]) * 100 + BcdByte(p[1]) and the same of p[2], p[3]
  const uint32_t pairs = (v & 0x00FF00FFu) * 100 + ((v >> 8) & 0x00FF00FFu);
  return static_cast<int32_t>((pairs & 0xFFFFu) * 10000 + (pairs >> 16));
}

// The decimal number in a[start..start+count-1], most significant first.
inline int32_t BcdNumberOf(const uint8_t* a, int start, int count) {
  // Exact integer form of the sum over i of BcdByte(a[start+count-1-i]) * 100^i,
  // cut to 32 bits as the integer result is. Two to four bytes (the counts
  // of the records) are decoded together from one word: below 2^31, no cut.
  if (count == 2) return BcdPair(BcdLoad16(a + start));
  if (count == 3) return BcdPair(BcdLoad16(a + start)) * 100 + BcdByte(a[start + 2]);
  if (count == 4) return BcdQuad(a + start);
  int64_t v = 0;
  for (int i = 0; i < count; ++i) v = v * 100 + BcdByte(a[start + i]);
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// Byte k of a value cut as the engine cuts it: (v div 256^k) mod 256 with
// truncating division, low 8 bits.
inline uint8_t ByteOf(int64_t v, int k) {
  // For a value of 0 or above the cut is a plain shift.
  if (v >= 0 && k >= 0 && k < 8) return static_cast<uint8_t>(v >> (8 * k));
  int64_t q = v;
  for (int i = 0; i < k; ++i) q /= 256;
  return static_cast<uint8_t>(q % 256);
}

// Little-endian placement of the low 2, 3 or 4 bytes (cut as ByteOf cuts).
inline void Put16(uint8_t* out, int pos, int64_t v) {
  out[pos] = ByteOf(v, 0);
  out[pos + 1] = ByteOf(v, 1);
}
inline void Put24(uint8_t* out, int pos, int64_t v) {
  Put16(out, pos, v);
  out[pos + 2] = ByteOf(v, 2);
}
inline void Put32(uint8_t* out, int pos, int64_t v) {
  Put24(out, pos, v);
  out[pos + 3] = ByteOf(v, 3);
}

// ------------------------------------------------ driver and station records
// The name field of the records 81 04 (driver), 81 11 (driver) and 81 06
// (station): `spaced` characters from byte `at` on, spaces where the name is
// shorter, then its further characters where present, through byte `last`.
struct NameField {
  int at;
  int spaced;
  int last;
};
// The usual fields: 8 + 4 characters for a driver, 9 + 3 for a station.
inline constexpr NameField kDriverName{7, 8, 18};
inline constexpr NameField kStationName{7, 9, 18};
// Variants. The event start-up's station record spaces 8 characters, not 9.
// The event records A804 and A821 let a long driver name run on through
// byte 25, over the number's high bytes.
inline constexpr NameField kStartupStationName{7, 8, 18};
inline constexpr NameField kEventDriverName{7, 8, 25};

void PlaceName(uint8_t* rec, std::string_view name, NameField field);

// How a driver record holds its number: spread over 5, 6, 24, 25 (bits 0..15,
// 16..23, 24..31), or, in the L2000 converters, only its low 16 bits in 5..6.
enum class DriverNumber { kSpread32, kLow16 };

// The body of a driver record (bytes 5, 6, 24, 25 and the name field); the
// code, sub-code and time are the caller's.
void PlaceDriverRecord(uint8_t* rec, int64_t number, std::string_view name,
                       NameField field = kDriverName, DriverNumber form = DriverNumber::kSpread32);
// The body of a station record 81 06: the station number in 5..6 and the name.
void PlaceStationRecord(uint8_t* rec, int64_t station, std::string_view name,
                        NameField field = kStationName);

}  // namespace railfmt
