// Test kit: raw records with computed check bytes, raw headers, conversion
// shortcuts and golden-record helpers.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fmtdata.h"

namespace railfmt::test {

using Bytes = std::vector<uint8_t>;
using Rec26 = std::array<uint8_t, 26>;

// A fresh conversion context reading from the given input.
struct Ctx {
  TFmtData d;
  MemStream in;
  explicit Ctx(Bytes input) : in(std::move(input)) { d.InStream = &in; }
};

// Packed BCD of value in n bytes, most significant first.
Bytes Bcd(uint64_t value, int n);
// The BCD check byte that brings the record's decimal sum to 0 mod 100
// (first byte counted by its plain value, the others as BCD).
uint8_t CheckByte(const Bytes& withoutCheck);
// The record: the given bytes followed by their check byte.
Bytes Rec(const Bytes& withoutCheck);
Bytes Rec(std::initializer_list<Bytes> parts);
// Concatenation.
Bytes Cat(std::initializer_list<Bytes> parts);

// A 256-byte raw event-file header.
struct RawHeader {
  std::array<uint8_t, 256> h{};
  RawHeader();  // B0 F0 start, vendor Q, protocol version 0101, time 08:30:00
  RawHeader& Vendor(char v);
  RawHeader& Version(int v);          // BCD into h[87..88]
  RawHeader& Put(int pos, const Bytes& b);
  RawHeader& PutBcd(int pos, uint64_t v, int n) { return Put(pos, Bcd(v, n)); }
  Bytes bytes() const { return Bytes(h.begin(), h.end()); }
};

// Header followed by records.
Bytes EventFile(const RawHeader& h, std::initializer_list<Bytes> records);
Bytes EventFile(const RawHeader& h, const Bytes& body);

// Converts through the engine; vendor empty = the header's letter.
Bytes Convert(const Bytes& file, int version = 101, std::string_view vendor = "");
// Number of start-up records for a header (28, or 31 with bit 6 of h[78]).
int StartupCount(const Bytes& file);
// The 26-byte records after the header and the start-up records.
std::vector<Rec26> EventRecords(const Bytes& out, int startupCount = 28);
// All 26-byte records after the 52-byte header.
std::vector<Rec26> AllRecords(const Bytes& out);

// "80 08 01 02 03" -> 26 bytes (missing bytes are 0).
Rec26 R(std::string_view hex);
// "B7 01 10 00" -> those bytes.
Bytes HexBytes(std::string_view hex);
std::string Hex(const uint8_t* p, std::size_t n);
inline std::string Hex(const Rec26& r) { return Hex(r.data(), r.size()); }
inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }

// A private temporary folder, removed at destruction.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

void WriteFile(const std::string& path, const Bytes& b);
Bytes ReadFile(const std::string& path);

}  // namespace railfmt::test
