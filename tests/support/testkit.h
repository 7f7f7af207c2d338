// The test kit of every test file: raw records with computed check bytes,
// raw headers and the standard raw fields, conversion shortcuts, the
// golden-record helpers and the engine set-up.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fmtdata.h"
#include "handlers/families.h"

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

// "80 08 01 02 03" -> those bytes (any separators, either case).
Bytes HexBytes(std::string_view hex);
// "80 08 01 02 03" -> 26 bytes (missing bytes are 0).
Rec26 R(std::string_view hex);
// Records one after the other.
Bytes Concat(std::initializer_list<Rec26> recs);
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

// ---------------------------------------------------------------- event records
// Raw fields used throughout the handler tests: time 10:20:30, 8-digit
// number 12345678, 6-digit number 123456.
inline const Bytes kTime = {0x10, 0x20, 0x30};
inline const Bytes kNum8 = {0x12, 0x34, 0x56, 0x78};
inline const Bytes kNum6 = {0x12, 0x34, 0x56};
inline Bytes Prefix() { return Cat({kTime, kNum8, kNum6}); }

// Record bytes 2..9 for that time and those numbers.
inline const std::string kHead = " 0A 14 1E 4E 61 BC 40 E2 ";
// Record bytes 2..9 for that time when Val5 and Val8 are still 0.
inline const std::string kTimeHead = " 0A 14 1E 00 00 00 00 00 ";
// Record bytes 10..23 of the running state right after start-up (signal
// code 0 gives aspect 8).
inline const std::string kState0 = " 00 00 00 00 00 08 00 00 00 00 00 00 00 00 ";

// Raw bytes k = from..to holding the BCD digits of k (raw 12 = 0x12 ...).
Bytes Fill(int from, int to);

// Code pair, time 10:20:30, 8-digit number 12345, 6-digit number 200.
// The formatted record carries them as "0A 14 1E 39 30 00 C8 00".
inline Bytes Std(uint8_t c0, uint8_t c1) {
  return {c0, c1, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x00, 0x02, 0x00};
}
inline Bytes Std(uint8_t c0, uint8_t c1, const Bytes& own) { return Rec(Cat({Std(c0, c1), own})); }

// A bare record D7 after every case: it shows that the case consumed exactly
// its own bytes.
inline Bytes Sentinel() { return Rec({{0xD7}, {0x12, 0x34, 0x56}}); }
inline const char* kSentinelOut = "87 62 40 E2 01";

// ---------------------------------------------------------------- golden records
// One hex line per record.
std::vector<std::string> HexRecords(const std::vector<Rec26>& recs);
// Hand-written records ("80 08 01 ...") in the form HexRecords answers.
std::vector<std::string> Golden(std::initializer_list<std::string_view> recs);
std::vector<std::string> Golden(const std::vector<std::string>& recs);
// The event records of a conversion, one hex line each (start-up records
// counted from the header).
std::vector<std::string> Out(const Bytes& body, const RawHeader& h = RawHeader(), int version = 101,
                             std::string_view vendor = "");
// The records after the usual 28 start-up records, for a whole event body.
std::vector<std::string> Records(const RawHeader& h, std::initializer_list<Bytes> recs);

// ---------------------------------------------------------------- engine set-up
// The library's engine context set up as a conversion starts it: context
// and run-wide values reset, the streams placed on the input and an empty
// output. The context is reset again at the end.
struct EngineRun {
  TFmtData& d;
  MemStream in;
  MemStream out;
  explicit EngineRun(const Bytes& input);
  ~EngineRun();
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;
};

// Bytes of the input that the handler of `raw` consumes, run alone on a
// fresh context under the given converter class.
std::size_t Consumed(const Bytes& raw, const ConverterClass& cls);
// Runs the file through one converter class and answers the names of the
// codes it met without a handler (the log goes to a private folder).
std::string Unhandled(const Bytes& file, const ConverterClass& cls);

// One handler case: a whole raw record and every record it writes.
struct Case {
  std::string name;
  Bytes raw;
  std::vector<std::string> expected;
};
// Converts each case followed by the sentinel, once at the end of the input
// and once with zero bytes after it, and compares all records.
void RunCases(const std::vector<Case>& cases, const RawHeader& h = RawHeader(),
              const ConverterClass& cls = ClassTNewToFmt());
// Every row of a family has a case.
void ExpectCovers(std::span<const HandlerRow> family, const std::vector<Case>& cases);

// ---------------------------------------------------------------- rows of Std records
// The full record of Std(c0, c1): codes, the standard head "0A 14 1E 39 30 00
// C8 00", the running state (kState0 by default) and the mask.
std::string StdOut(const std::string& codes, const std::string& mask = "07 00",
                   const std::string& state = kState0);
// A case named after its code pair ("B632") for Std(c0, c1, own).
Case StdCase(uint8_t c0, uint8_t c1, const Bytes& own, std::vector<std::string> expected);


// ---------------------------------------------------------------- threads
// The threads of the process, counted once a thread has been started and
// joined (a sanitizer's runtime starts a helper thread of its own then).
int ThreadCount();
}  // namespace railfmt::test
