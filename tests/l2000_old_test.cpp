// Whole small files of the earlier L2000 format through the record loop:
// start-up records, the code table, short forms and damaged input, distance
// modes, state records and their followers, long records and B6h sub-records.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/code_tables.h"
#include "legacy/l2000.h"
#include "support/earlier_formats.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

class L2000Old : public EarlierFormats {};

// The converter called as its entry calls it.
Bytes ConvertOld(const Bytes& file) {
  MemStream in(file);
  MemStream out;
  legacy::Work().ResetForConversion(in, out);
  legacy::Work().ReadFixed(0, 128);
  legacy::ConvertL2000Old(legacy::Work());
  return out.Data();
}

// An old-format header: version 0100, start 08:30:00; h194 sets the distance mode.
RawHeader Old(char vendor = 'Q', uint8_t h194 = 0) {
  RawHeader h;
  h.Version(100).Vendor(vendor);
  h.h[194] = h194;
  return h;
}

// Block 2 seeds Val19 55, Val21 66, Val13 47, Val17 9 (distance mode 1).
RawHeader Seeded() {
  RawHeader h = Old('Q', 0x20);
  h.PutBcd(196, 55, 2).PutBcd(198, 66, 2).PutBcd(204, 470, 2).PutBcd(220, 9, 2);
  return h;
}

// "C0 09 00 00" is a record given its check byte; "=C0 09" stands as written.
Bytes In(std::string_view s) { return s[0] == '=' ? HexBytes(s.substr(1)) : Rec(HexBytes(s)); }

// The records after the 25 start-up records, one hex line each.
std::vector<std::string> Loop(const RawHeader& h, const Bytes& body) {
  Lookups() = LookupState();
  const auto all = AllRecords(ConvertOld(EventFile(h, body)));
  EXPECT_GE(all.size(), 25u);
  return HexRecords(std::vector<Rec26>(all.begin() + std::min<std::ptrdiff_t>(25, std::ssize(all)), all.end()));
}
// The same for records given as In() reads them. A filler byte ends the file
// (its last byte never completes a record).
std::vector<std::string> After(const RawHeader& h, const std::vector<std::string>& recs, bool filler = true) {
  Bytes f;
  for (const std::string& r : recs) {
    const Bytes b = In(r);
    f.insert(f.end(), b.begin(), b.end());
  }
  if (filler) f.push_back(0x00);
  return Loop(h, f);
}

const char* kC3 = "C3 09 00 00";
const char* kC3Out = "87 04 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00";
const char* kF0 = "F0 00 20 00 00 70 00 90 04 50 01 20 00 33";  // Val8 2000, 19 70, 21 90, 13 45, 14 12, 17 33
const char* kF0Out = "8B 08 09 00 00 39 30 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13";
const char* kDE = "DE 09 00 00 00 01 23 45 00 10 00 00 60 00 00 00 80";  // 12345, own 1000, 19 60, 21 80
const char* kDEOut = "89 04 09 00 00 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 17 03";
const char* kC0At = "87 01 09 00 00 39 30 00 C7 CF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00";

struct Case {
  const char* name;
  RawHeader head;
  std::vector<std::string> in, out;
};

// ED whose first 22 bytes pass as a short record (Val8 500, 19 120, 21 45); its long check fails.
const char* kEDShort = "ED 09 00 00 00 01 23 45 00 05 00 01 20 00 45 00 00 00 00 00 00";
const char* kEDBadTail = "=11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 00";
// B1 01 cut after 34 bytes; its full form goes on to 28.
const std::string kB1 =
    "B1 01 10 20 30 12 34 05 06 07 89 01 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23";

// Whole output records worked out from the format for small runs of records.
const Case kCases[] = {
    {"C0 after DE at the same position keeps D", Old(), {kDE, "C0 09 00 10 00 01 23 45"},
     {kDEOut, "87 01 09 00 0A 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 03 00"}},
    // 12495 = 30CFh; D - d = 1000 - 150 = 850 = 0352h.
    {"distance mode 0 counts down", Old('Q', 0x80), {kDE, "C0 09 00 10 00 01 24 95"},
     {kDEOut, "87 01 09 00 0A CF 30 00 52 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 03 00"}},
    // Mode 1: the own value only while |Val8| = |D|; 1000 - 50 = 950 = 03B6h.
    {"distance mode 1", Old('Q', 0x40),
     {"DE 09 00 00 00 01 23 45 00 10 00 00 00 00 00 00 00", "C0 09 00 00 00 01 23 95",
      "DE 09 00 00 00 01 23 95 00 77 77 00 00 00 00 00 00"},
     {"89 04 09 00 00 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 17 03",
      "87 01 09 00 00 6B 30 00 B6 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
      "89 04 09 00 00 6B 30 00 B6 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 17 03"}},
    {"B8 14 switches to distance mode 1", Old(),
     {"B8 14 09 00 00 00 00", "DE 09 00 00 00 01 23 45 00 10 00 00 00 00 00 00 00", "C0 09 00 00 00 01 23 95",
      "DE 09 00 00 00 01 23 95 00 77 77 00 00 00 00 00 00"},
     {"86 0E 09 00 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 11 00",
      "89 04 09 00 00 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 17 03",
      "87 01 09 00 00 6B 30 00 B6 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
      "89 04 09 00 00 6B 30 00 B6 03 00 00 00 00 00 08 00 00 00 00 00 00 00 00 17 03"}},
    {"two F0 after one state record: one written", Old(), {"C0 09 00 00 00 01 23 45", kF0, kF0},
     {kC0At, kF0Out}},
    {"a position mark clears the written flag", Old(), {"C0 09 00 10 00 01 23 45", "A0 40 09 00 00 00 00 07 77", kF0},
     {"87 01 09 00 0A 39 30 00 C7 CF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00",
      "A0 40 09 00 00 09 03 00 C7 CF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00"}},
    {"code 9A clears the written flag", Old(), {kC3, "=9A", kF0}, {kC3Out}},
    {"F1 full form", Old(), {"C0 09 00 00 00 01 23 45", "F1 00 20 00 00 70 00 90 04 50 01 20 00 33 12 34 43 21"},
     {kC0At, kF0Out, "8B 12 00 D2 04 E1 10"}},
    {"F1 cut after 14 bytes: no Val17, no 8B 12", Old(),
     {"C0 09 00 00 00 01 23 45", "F1 00 20 00 00 70 00 90 04 50 01 20 00 33", kC3},
     {kC0At, "8B 08 09 00 00 39 30 00 D0 07 00 00 00 2D 0C 00 00 00 00 46 00 5A 00 5A C4 13",
      "87 04 09 00 00 39 30 00 D0 07 00 00 00 2D 0C 00 00 00 00 46 00 5A 00 5A 01 00"}},
    {"EB divides once", Old(), {"EB 09 00 00 00 01 23 45 05 87 03 00"},
     {"8B 06 09 00 00 39 30 00 C7 CF 00 00 00 3A 1E 00 00 00 00 00 00 00 00 00 43 10"}},
    // ED failing its check whose first 22 bytes pass: 8B 08 for vendors other than Q.
    {"ED short fallback", Old('Z'), {kEDShort, kEDBadTail},
     {"8B 08 09 00 00 39 30 00 F4 01 00 00 00 00 00 00 00 00 00 78 00 2D 00 00 07 03"}},
    {"ED short fallback, vendor Q", Old(), {kEDShort, kEDBadTail}, {}},
    // bcd(39, 2) = 200 names C8h: 87 09; Val16 5, Val17 33.
    {"ED names its output code", Old(),
     {"ED 09 00 00 00 01 23 45 00 05 00 00 60 00 80 00 00 00 05 04 50 01 20 00 11 00 22 00 00 00 00 00 00 00 00 00 "
      "33 00 00 02 00"},
     {"87 09 09 00 00 39 30 00 F4 01 00 00 00 2D 0C 08 05 21 00 3C 00 50 00 50 F7 13", "8B 0A 09 00 00 0B 00 16 00"}},
    {"B1 01 is one unit with its continuation", Old(),
     {kB1 + " 24 25 26 27 28"},
     {"83 01 0A 14 1E D2 04 05 06 15 03 02 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E",
      "0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C"}},
    {"B1 01 cut after 34 bytes", Old(),
     {kB1, kC3},
     {"83 01 0A 14 1E D2 04 05 06 15 03 02 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E",
      "0F 10 11 12 13 14 15 16 17", kC3Out}},
    {"bad check dropped, data skipped", Old(), {"=C0 09 00 10 00 01 23 45 00", "=12 34", kC3}, {kC3Out}},
    {"unknown codes and sub-codes skipped", Old(),
     {"=A2 10 20", "=B1 07 11", "=F5", "=F2", "=A8 C3", "=09 00 00 96", "=A9", kC3}, {kC3Out}},
    {"a code byte as sub-code or B6 type starts nothing", Old(),
     {"=A0 C1 08 11 00 00 00 00 88 00", "=B6 C1 08 11 00 00 00 00 88 00"}, {}},
    {"E3 remembers bit 6", Old('Z'),
     {"E3 09 00 00 00 01 23 45 00 00 10 00 60 00 64", "E3 09 00 00 00 01 23 45 00 00 10 00 60 00 64",
      "E3 09 00 00 00 01 23 45 00 00 10 00 60 00 01"},
     {"86 7B 09 00 00 39 30 00 0A 00 00 00 00 00 00 00 40 00 00 3C 00 00 00 00 27 02",
      "8A 03 09 00 00 39 30 00 0A 00 00 00 00 00 00 00 40 00 00 3C 00 00 00 00 27 02",
      "86 7A 09 00 00 39 30 00 0A 00 00 00 00 00 00 00 01 00 00 3C 00 00 00 00 27 02"}},
    {"E3 of vendor Q", Old(), {"E3 09 00 00 00 01 23 45 00 00 10 00 60 00 64"},
     {"8A 03 09 00 00 39 30 00 0A 00 00 00 00 00 00 00 40 00 00 3C 00 00 00 00 27 02"}},
    {"A0 08 cut after 8 bytes", Old(), {"A0 08 09 00 00 00 01 23 45", kC3}, {"80 08 09 00 00 39 30 00", kC3Out}},
    {"A8 05 cut after 5 bytes", Old(), {"A8 05 09 00 00 42", kC3}, {"81 05 09 00 00 2A", kC3Out}},
    {"B8 25 and its 11-byte form", Old(),
     {"B8 25 09 00 00 00 00 00 00 00 55 12 34", "B8 25 09 00 00 00 00 00 00 00 55 12", kC3},
     {"8B 0C 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 37 00 00 00 00 03 02", "86 1A 09 00 00 D2 04",
      "8B 0C 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 37 00 00 00 00 03 02", "86 1A 09 00 00 0C",
      "87 04 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 37 00 00 00 00 01 00"}},
    {"E2 writes its value", Old(), {"E2 09 00 00 00 00 00 00 12 34"},
     {"8B 0C 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00", "8B 22 09 00 00 D2 04"}},
    {"C5 writes the negative value", Old(), {"C5 09 00 00 00 00 00 00 10 05 00"},
     {"87 06 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00", "96 01 09 00 00 FB FF"}},
    {"EF writes its pair", Old(), {"EF 09 00 00 00 00 00 00 12 34 00 56"},
     {"8B 0C 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00", "8B 0A 09 00 00 D2 04 38 00"}},
    // Position 12345678 kept to 24 bits, low byte of 1234.
    {"B7 01", Old(), {"B7 01 09 00 00 12 34 56 78 12 34"}, {"B0 80 09 00 00 4E 61 BC D2"}},
    {"D1 takes its values from their places", Old(),
     {"D1 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 00 00 04 50 01 20"},
     {"87 1B 09 00 00 00 00 00 00 00 00 00 05 2D 0C 08 00 00 00 00 00 00 00 00 5F 12"}},
    {"B9 02 by the low nibble of b[9]", Old(), {"B9 02 09 00 00 04 50 01 20 01 00", "B9 02 09 00 00 04 50 01 20 02 00"},
     {"86 DD 09 00 00 00 00 00 00 00 00 00 00 2D 0C 00 00 00 00 00 00 00 00 00 41 10",
      "86 1E 09 00 00 00 00 00 00 00 00 00 00 2D 0C 00 00 00 00 00 00 00 00 00 41 10"}},
    {"the six-byte group clears the written flag", Old(),
     {"C0 09 00 00 00 00 00 00", "A8 07 09 00 00 12 34", "A8 34 09 00 00 00 07",
      "F0 00 00 00 00 00 00 00 00 00 00 00 00 00"},
     {"87 01 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00", "81 07 09 00 00 D2 04",
      "81 2A 09 00 00 07 00"}},
    {"A0 12 takes the sub-code as BCD", Old(), {"A0 12 09 00 00 00 00 00 00"},
     {"80 0C 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00"}},
    {"A8 02", Old(), {"A8 02 09 10 11 12 13 14"}, {"81 02 0C 0D 0E 09 0A 0B"}},
    {"A8 04 names the driver", Old(), {"A8 04 09 00 00 00 12 34"}, {"81 04 09 00 00 D2 04 31 32 33 34 20 20 20 20"}},
    {"A8 57", Old(), {"A8 57 09 00 00 00 00 00 21 12 34 56"}, {"81 47 09 00 00 40 E2 01 21 12 34 56"}},
    {"BC 50", Old(), {"BC 50 09 00 00 12 34 00 56 00 78 00 90"}, {"93 0A 09 00 00 D2 04 38 00 4E 00 5A 00"}},
    {"CD: bytes 1..6 as numbers", Old(), {"CD 12 34 56 78 90 11"}, {"81 A0 0C 22 38 4E 5A 0B"}},
    {"A5 01: bytes 5..11 as numbers", Old(), {"A5 01 09 00 00 12 34 56 78 90 11 22"},
     {"B0 10 09 00 00 0C 22 38 4E 5A 0B 16"}},
    {"A8 61-64 choose their code", Old(),
     {"A8 62 09 00 00 00 05 01", "A8 62 09 00 00 00 05 05", "A8 61 09 00 00 12 34 03"},
     {"81 76 09 00 00 05 00 01", "81 66 09 00 00 05 00 05", "81 65 09 00 00 D2 04 03"}},
    {"A8 65 writes three records", Old(), {"A8 65 08 10 00 00 00 12 34 00 05 00 00 12 34 01"},
     {"81 69 08 0A 00 D2 04 00 05 00 D2 04 00 01 31 32 33 34 00 00 00 00 00 00 00 01",
      "81 79 08 0A 00 D2 04 00 05 00 D2 04 00 01 31 32 33 34 00 00 00 00 00 00 00 01",
      "81 89 08 0A 00 D2 04 00 05 00 D2 04 00 01 31 32 33 34 00 00 00 00 00 00 00 01"}},
    // Kind 2: 87 10, station 7 of route 0 ("0-7", attribute 199); kind 0: 87 11.
    {"CE writes its text record", Old(),
     {"CE 09 00 00 00 00 00 00 00 00 00 00 00 00 07 00 02 00 00 00 00 00 00",
      "CE 08 10 00 00 00 12 34 00 05 00 00 20 00 00 00 00 00 00 00 00 00 01"},
     {"87 10 09 00 00 00 00 00 00 00 00 00 02 00 00 08 00 00 00 00 00 00 00 00 FF 3F",
      "20 F0 30 2D 37 20 20 20 20 20 20 20 C7",
      "87 11 08 0A 00 D2 04 00 F4 01 00 00 00 00 00 00 00 00 00 14 00 00 00 00 1F 02",
      "20 F0 30 2D 30 20 20 20 20 20 20 20 C7"}},
    {"BA keeps its own bytes from 8 on", Old(), {"BA 03 09 00 00 00 45 67 12 34"},
     {"92 10 09 00 00 D7 11 00 0C 22 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00"}},
    // A8 20 reads without stopping: its check byte C0h belongs to it.
    {"A8 20 check byte above 99h", Old(),
     {"=A8 20 09 00 00 00 01 00 00 00 00 00 00 82 C0", "=09 00 10 00 00 12 34 43", kC3},
     {"81 25 09 00 00 52", "81 24 09 00 00 01", kC3Out}},
    {"channel texts follow the channel kind", Old(),
     {"A0 19 09 00 00 00 00 03 00 02", "A0 20 09 00 00 00 00 03 00 02", "A4 30 09 00 00 00 00 03 00 00",
      "A0 28 09 00 00 00 00 03 00 00", "A4 27 09 00 00 00 00 03 00 00", "A0 23 09 00 00 00 00 03 00 03",
      "A0 25 09 00 00 00 00 03 00 06"},
     {"F0 3F 09 00 00 2C 01 00 02 32 2D BE F9 B8 D7 D1 B9 C1 A6 31 20 20 20 20 20 20",  // 2-均缸压力1
      "F0 40 09 00 00 2C 01 00 02 32 2D BB C6 B5 C6 20 20 20 20 20 20 20 20 20 20 20",  // 2-黄灯
      "F0 2A 09 00 00 2C 01 00 00 43 41 4E 41 BD D3 CA D5 B3 AC CA B1 20 20 20 20 20",  // CANA接收超时
      "F0 48 09 00 00 2C 01 00 00 B3 CC D0 F2 52 4F 4D 20 20 20 20 20 20 20 20 20 20",  // 程序ROM
      "F0 27 09 00 00 2C 01 00 00 D0 C5 CF A2 B0 E5 41 20 20 20 20 20 20 20 20 20 20",  // 信息板A
      "F0 43 09 00 00 2C 01 00 03 33 2D C7 A3 D2 FD 20 20 20 20 20 20 20 20 20 20 20",  // 3-牵引
      "F0 45 09 00 00 2C 01 00 06 36 2D BD F4 BC B1 20 20 20 20 20 20 20 20 20 20 20"}},  // 6-紧急
    // ---- B6h sub-records
    // The same cut by a code byte: nothing, even though its check over the old bytes passes.
    {"B6 02 kind 68 digits", Old(),
     {"B6 02 09 00 00 00 68 00 49 00 50 00 51 00 52", "=B6 02 09 00 00 00 68 00 49", kC3},
     {"B6 63 09 00 00 00 00 00 D2 04",
      "87 04 09 00 00 00 00 00 D2 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00"}},
    {"B6 02 kind 68, a byte not a digit", Old(), {"B6 02 09 00 00 00 68 00 49 00 50 00 60 00 52"}, {"B6 63 09 00 00"}},
    {"B6 02 kind 75", Old(), {"B6 02 09 00 00 00 75 00 51 00 52 00 50"},
     {"B6 61 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 56 01"}},
    {"B6 02 kind 69, not validated", Old(), {"=B6 02 09 00 00 00 69 00 07 00", kC3},
     {"B6 66 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07 00", kC3Out}},
    {"B6 02 unlisted kind: the next code starts", Old(), {"=B6 02 09 00 00 00 70 11 22 33", kC3}, {kC3Out}},
    {"B6 07 writes nothing, B6 03 reads no further", Old(), {"B6 07 12 34 56 78 00 00 12 34", "=B6 03", kC3}, {kC3Out}},
    // Val5 05060708 to 24 bits; Val8 (21h mod 16) * 10000 + 2223 = 12223; Val10
    // 141516 mod 65536 = 10444; Val13 910 mod 256 = 142; Val15 3839 mod 256 = 255.
    {"B6 06 writes two records", Old(),
     {kC3, "B6 06 09 00 00 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 "
           "35 36 37 38 39"},
     {kC3Out, "B6 06 09 00 00 64 38 4D BF 2F CC 28 0D 8E 00 FF 00 00 00 00 00 00 00 00 01 00",
      "B6 65 0B 0C 12 13 14 15 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26"}},
    // Code and time are taken before the kind is known: an unlisted kind or a
    // failed check leaves the time for an F0h that follows.
    {"B6 02 unlisted kind keeps its time", Old(), {kC3, "=B6 02 10 00 00 00 70 11", kF0},
     {kC3Out, "8B 08 0A 00 00 00 00 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13"}},
    {"B6 02 failed check keeps its time", Old(),
     {kC3, "=B6 02 11 00 00 00 68 00 49 00 50 00 51 00 52 00", kF0},
     {kC3Out, "8B 08 0B 00 00 00 00 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13"}},
    // ---- the running record seeded by block 2; Val23 is set only by the restriction step and B7 02.
    {"restriction step only where listed", Seeded(),
     {"B8 02 09 00 00 00 00 00 00 00 00 00 00 00 00 00", "B9 03 09 00 00 00 00 00 00",
      "E3 09 00 00 00 00 00 00 00 00 00 00 00 00 00"},
     {"86 02 09 00 00 00 00 00 00 00 00 00 00 2F 00 00 00 09 00 37 00 42 00 00 0F 00",
      "86 30 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 09 00 37 00 42 00 00 41 10",
      "8A 03 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 09 00 00 00 42 00 42 27 02"}},
    {"B7 02 takes Val23 from Val21", Seeded(), {"B7 02 09 00 00 00 00 00 00"},
     {"87 30 09 00 00 00 00 00 00 00 00 00 00 2F 00 00 00 09 00 37 00 42 00 42 03 00"}},
};

TEST_F(L2000Old, Records) {
  for (const Case& c : kCases) EXPECT_EQ(After(c.head, c.in), Golden(c.out)) << c.name;
}

TEST_F(L2000Old, B6Type1EndingTheFileWritesNothing) {
  const std::vector<std::string> r = {"B6 01 09 00 00 00 12 00 34"};
  EXPECT_EQ(After(Old(), r, false), Golden({}));
  EXPECT_EQ(After(Old(), r), Golden({"B6 01 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 0C 00 22 00"}));
}

TEST_F(L2000Old, StartupRecordsOfBlockOne) {
  Tables().DriverTable.push_back(
      {.number = 1234, .text1 = "", .name = "WANG", .flag16 = 1, .value20 = 0x21, .text3 = "", .value28 = 0x22});
  RawHeader h = Old();
  h.Put(22, {0x00, 0x12, 0x34});  // a driver the table knows
  h.Put(94, {0x07}).Put(104, {0x05, 0x17, 0x08, 0x30});  // slot 2: bytes 104..107
  h.Put(95, {0x01}).Put(120, {0x05, 0x17, 0x25, 0x30});  // slot 1 of the second group, hour 25h
  h.Put(86, {0x03}).Put(25, {0x10});
  const auto all = HexRecords(AllRecords(ConvertOld(EventFile(h, Cat({In(kC3), {0x00}})))));
  ASSERT_EQ(all.size(), 27u);
  EXPECT_EQ(all[4], Hex(R("81 05 00 00 00 36 00")));
  EXPECT_EQ(all[6], Hex(R("81 11 00 00 00 D2 04 57 41 4E 47 20 20 20 20")));
  EXPECT_EQ(all[20], Hex(R("91 01 05 11 08 1E")));
  EXPECT_EQ(all[26], Hex(R(kC3Out)));  // the driver's attributes leave the running record alone
}

TEST_F(L2000Old, FileOfExactlyTheHeaderGivesBlockOneOnly) {
  RawHeader h = Old();
  h.PutBcd(54, 1234, 2).PutBcd(49, 123456, 3);
  const Bytes out = ConvertOld(h.bytes());
  ASSERT_EQ(out.size(), 52u + 20 * 26);
  EXPECT_EQ(Hex(Bytes(out.begin(), out.begin() + 27)),
            "A6 6A 31 32 33 34 20 20 20 20 20 20 30 20 20 20 20 20 20 20 00 00 32 4B 40 E2 01");
  EXPECT_EQ(out[51], 'Q');
  EXPECT_EQ(Hex(AllRecords(out)[0]), Hex(R("B0 01 00 00 00 08 1E 00")));
}

TEST_F(L2000Old, BlockTwoRecords) {
  const auto all = HexRecords(AllRecords(ConvertOld(EventFile(Seeded(), Bytes{0x00}))));
  ASSERT_EQ(all.size(), 25u);
  EXPECT_EQ(std::vector(all.begin() + 22, all.begin() + 24),
            Golden({"B0 02 00 00 20 00 37 00 42 00 00 00 00 00 D6 01", "B0 03 00 00 00 00 00 00 00 00 09 00"}));
}

// The entry hands older files to the record loop. A file shorter than the
// header gives the header and what it holds, whatever was converted before.
TEST_F(L2000Old, EntryAndFilesShorterThanTheHeader) {
  auto convert = [](const Bytes& f) {
    MemStream in(f);
    MemStream out;
    ConvertL2000(in, out, "x.dat");
    return out.Data();
  };
  const Bytes file = EventFile(Old(), Cat({In(kC3), {0x00}}));
  const Bytes out = convert(file);
  ASSERT_EQ(out.size(), 52u + 26 * 26);
  EXPECT_EQ(Hex(AllRecords(out)[25]), Hex(R(kC3Out)));
  const Bytes later = EventFile(RawHeader(), {Rec({{0xC3}, {0x09, 0x00, 0x00}})});  // version 0101
  for (std::size_t n : {0, 60, 100, 128, 200, 255}) {
    const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
    const Bytes alone = convert(part);
    EXPECT_EQ(alone.size(), n <= 128 ? 52u : 52u + 20 * 26) << n;
    convert(later);
    EXPECT_EQ(convert(part), alone) << n;
  }
}

// One case per row of the code table (both ends of a sub-code range, and the
// first unlisted sub-code after some): the code and sub-code with a zero body
// of the row's length, and the output codes it writes. Where the row has a
// presence mask, bytes 24..25 follow the code ("87 01 03 00": 87h 01h, mask
// 0003h). Zero values choose the first code of the records whose code depends
// on their values (vendor Q).
struct CodeCase {
  Bytes code;
  int body;
  std::vector<std::string> out;
};

const CodeCase kCodeCases[] = {
    // code      body  output
    {{0xA0, 0x40}, 8, {"A0 40"}}, {{0xA0, 0x41}, 8, {"A0 41"}}, {{0xA0, 0x08}, 9, {"80 08"}},
    {{0xA0, 0x09}, 9, {"80 09"}}, {{0xA0, 0x60}, 9, {"80 3C"}}, {{0xA0, 0x10}, 8, {"80 0A 03 00"}},
    {{0xA0, 0x12}, 8, {"80 0C 03 00"}}, {{0xA0, 0x13}, 10, {"F0 3D"}}, {{0xA0, 0x59}, 10, {"F0 3C"}},
    {{0xA0, 0x14}, 8, {"F0 3B"}}, {{0xA0, 0x18}, 9, {"F0 3E"}}, {{0xA0, 0x31}, 9, {"F0 4B"}},
    {{0xA0, 0x32}, 8, {"F0 4C 03 00"}}, {{0xA0, 0x33}, 8, {"F0 4D 03 00"}}, {{0xA0, 0x36}, 12, {"F0 4F"}},
    {{0xA0, 0x37}, 12, {"F0 4E"}}, {{0xA1, 0x77}, 8, {}}, {{0xA4, 0x40}, 8, {"A4 40"}}, {{0xA4, 0x18}, 9, {"F0 1E"}},
    {{0xA4, 0x31}, 9, {"F0 2B"}}, {{0xA4, 0x32}, 8, {"F0 2C 03 00"}}, {{0xA4, 0x33}, 8, {"F0 2D 03 00"}},
    {{0xA4, 0x36}, 12, {"F0 2F"}}, {{0xA4, 0x37}, 12, {"F0 2E"}}, {{0xA5, 0x01}, 11, {"B0 10"}},
    {{0xA8, 0x01}, 10, {"81 01"}}, {{0xA8, 0x52}, 10, {"81 42"}}, {{0xA8, 0x02}, 7, {"81 02"}},
    {{0xA8, 0x03}, 10, {"81 03"}}, {{0xA8, 0x04}, 7, {"81 04"}}, {{0xA8, 0x21}, 7, {"81 11"}},
    {{0xA8, 0x05}, 6, {"81 05"}}, {{0xA8, 0x06}, 6, {"81 06"}}, {{0xA8, 0x07}, 6, {"81 07"}},
    {{0xA8, 0x16}, 6, {"81 10"}}, {{0xA8, 0x17}, 6, {"81 12"}}, {{0xA8, 0x30}, 6, {"84 22"}},
    {{0xA8, 0x31}, 6, {"84 23"}}, {{0xA8, 0x32}, 6, {"84 21"}}, {{0xA8, 0x33}, 6, {"81 20"}},
    {{0xA8, 0x34}, 6, {"81 2A"}}, {{0xA8, 0x36}, 6, {"81 2C"}}, {{0xA8, 0x39}, 6, {"81 30"}},
    {{0xA8, 0x41}, 6, {"81 32"}}, {{0xA8, 0x50}, 6, {"81 40"}}, {{0xA8, 0x54}, 6, {"81 44"}},
    {{0xA8, 0x18}, 5, {"81 15"}}, {{0xA8, 0x19}, 5, {"81 16"}}, {{0xA8, 0x24}, 5, {"81 24"}},
    {{0xA8, 0x51}, 5, {"81 41"}}, {{0xA8, 0x53}, 5, {"81 43"}}, {{0xA8, 0x20}, 13, {"81 25", "81 24"}},
    {{0xA8, 0x25}, 6, {"A8 25"}}, {{0xA8, 0x27}, 7, {"81 2B"}}, {{0xA8, 0x29}, 7, {"81 08"}},
    {{0xA8, 0x45}, 7, {"81 07"}}, {{0xA8, 0x38}, 5, {"81 6A"}}, {{0xA8, 0x42}, 14, {"81 7A"}},
    {{0xA8, 0x55}, 4, {"81 45"}}, {{0xA8, 0x56}, 4, {"81 46"}}, {{0xA8, 0x57}, 11, {"81 47"}},
    {{0xA8, 0x58}, 7, {"81 48"}}, {{0xA8, 0x61}, 7, {"81 65"}}, {{0xA8, 0x64}, 7, {"81 68"}},
    {{0xA8, 0x65}, 15, {"81 69", "81 79", "81 89"}}, {{0xB1, 0x01}, 39, {"83 01", "00 00"}},
    {{0xB1, 0x02}, 11, {"8C 03 03 00", "81 50"}}, {{0xB1, 0x04}, 11, {"8C 05 03 00", "81 50"}},
    {{0xB1, 0x05}, 11, {"8C 08 03 00", "81 50"}}, {{0xB1, 0x06}, 8, {"8C 09 03 00"}}, {{0xB1, 0x07}, 8, {}},
    {{0xB2, 0x11}, 10, {"8C 06 03 00", "81 5A"}}, {{0xB2, 0x12}, 10, {"8C 07 03 00", "81 5A"}},
    {{0xB2, 0x13}, 11, {"8C 0C 03 00", "81 50"}}, {{0xB2, 0x16}, 11, {"8C 0F 03 00", "81 50"}},
    {{0xB2, 0x17}, 11, {"8C 0A 03 00", "81 50"}}, {{0xB2, 0x19}, 11, {"8C 10 03 00", "81 50"}},
    {{0xB2, 0x18}, 39, {"83 02", "00 00"}}, {{0xB4, 0x01}, 8, {"F0 61 03 00"}}, {{0xB4, 0x02}, 8, {"F0 62 03 00"}},
    {{0xB4, 0x03}, 10, {"F0 66 03 00"}}, {{0xB4, 0x04}, 10, {"F0 73 03 00"}}, {{0xB7, 0x01}, 10, {"B0 80"}},
    {{0xB7, 0x02}, 8, {"87 30 03 00"}}, {{0xB7, 0x03}, 8, {}}, {{0xB7, 0x04}, 10, {"86 78 03 00"}},
    {{0xB7, 0x05}, 8, {"86 79 03 00"}}, {{0xB7, 0x06}, 8, {"86 76 03 00"}}, {{0xB7, 0x07}, 8, {"86 77 03 00"}},
    {{0xB8, 0x01}, 19, {"86 01 4F 10", "20 F0"}}, {{0xB8, 0x02}, 15, {"86 02 0F 00"}},
    {{0xB8, 0x03}, 15, {"86 03 0F 00"}}, {{0xB8, 0x04}, 15, {"86 05 0F 00"}}, {{0xB8, 0x05}, 9, {"86 07 05 02"}},
    {{0xB8, 0x06}, 9, {"86 08 05 02"}}, {{0xB8, 0x36}, 9, {"86 36 05 02"}}, {{0xB8, 0x48}, 9, {"86 48 05 02"}},
    {{0xB8, 0x07}, 15, {"86 06 17 02"}}, {{0xB8, 0x08}, 15, {"86 0A 17 02"}}, {{0xB8, 0x09}, 15, {"86 0B 17 02"}},
    {{0xB8, 0x18}, 15, {"86 13 17 02"}}, {{0xB8, 0x42}, 15, {"86 42 17 02"}}, {{0xB8, 0x44}, 15, {"86 44 17 02"}},
    {{0xB8, 0x46}, 15, {"86 46 17 02"}}, {{0xB8, 0x10}, 17, {"8B 0C 17 02", "86 0C"}},
    {{0xB8, 0x11}, 17, {"8B 0C 17 02", "86 0D"}}, {{0xB8, 0x13}, 13, {"86 10 07 02"}},
    {{0xB8, 0x27}, 13, {"86 1C 07 02"}}, {{0xB8, 0x14}, 6, {"86 0E 11 00"}}, {{0xB8, 0x15}, 6, {"86 0F 11 00"}},
    {{0xB8, 0x16}, 4, {"86 11 01 00"}}, {{0xB8, 0x17}, 4, {"86 12 01 00"}}, {{0xB8, 0x19}, 12, {"86 14 0B 00"}},
    {{0xB8, 0x21}, 12, {"86 16 0B 00"}}, {{0xB8, 0x22}, 8, {"86 17 03 00"}}, {{0xB8, 0x24}, 8, {"86 19 03 00"}},
    {{0xB8, 0x34}, 8, {"86 34 03 00"}}, {{0xB8, 0x35}, 8, {"86 35 03 00"}},
    {{0xB8, 0x25}, 12, {"8B 0C 03 02", "86 1A"}}, {{0xB8, 0x26}, 13, {"86 1B 03 02", "81 50"}},
    {{0xB8, 0x29}, 9, {"86 2A 03 00"}}, {{0xB8, 0x37}, 5, {"86 37"}}, {{0xB8, 0x38}, 5, {"86 38"}},
    {{0xB8, 0x39}, 4, {"86 39 01 00"}}, {{0xB8, 0x40}, 4, {"86 40 01 00"}}, {{0xB9, 0x01}, 10, {"86 DF 41 10"}},
    {{0xB9, 0x02}, 10, {"86 DE 41 10"}}, {{0xB9, 0x03}, 8, {"86 30 41 10"}}, {{0xB9, 0x05}, 8, {"86 32 41 10"}},
    {{0xB9, 0x06}, 8, {"87 46 03 00"}}, {{0xB9, 0x07}, 8, {"87 47 03 00"}}, {{0xB9, 0x08}, 8, {"87 40 03 00"}},
    {{0xB9, 0x13}, 8, {"87 45 03 00"}}, {{0xBA, 0x02}, 11, {}}, {{0xBA, 0x03}, 9, {"92 10"}},
    {{0xBA, 0x04}, 17, {"92 11"}}, {{0xBA, 0x05}, 9, {"92 12"}}, {{0xBA, 0x06}, 10, {"92 13"}},
    {{0xBA, 0x07}, 15, {"92 14"}}, {{0xBA, 0x08}, 8, {"92 15"}}, {{0xBA, 0x09}, 8, {"92 16"}},
    {{0xBA, 0x11}, 15, {"92 17"}}, {{0xBA, 0x12}, 15, {"92 18"}}, {{0xBA, 0x13}, 9, {"92 19"}},
    {{0xBA, 0x14}, 7, {"92 1A"}}, {{0xBA, 0x16}, 7, {"92 1C"}}, {{0xBA, 0x17}, 9, {"92 1D"}},
    {{0xBA, 0x20}, 9, {"92 20"}}, {{0xBA, 0x21}, 9, {"92 24"}}, {{0xBA, 0x22}, 9, {"92 25"}},
    {{0xBC, 0x30}, 8, {"86 7A 03 00"}}, {{0xBC, 0x50}, 12, {"93 0A"}}, {{0xBC, 0x51}, 5, {"93 0B"}},
    {{0xBC, 0x52}, 5, {}}, {{0xB8, 0x49}, 9, {}}, {{0xFE, 0x01}, 5, {"92 23"}}, {{0xFE, 0x02}, 8, {"92 21"}},
    {{0xFE, 0x03}, 9, {"92 22"}}, {{0xC0}, 8, {"87 01 03 00"}}, {{0xC1}, 7, {"87 02 01 00"}},
    {{0xC2}, 11, {"87 03 07 00"}}, {{0xC3}, 4, {"87 04 01 00"}}, {{0xC4}, 4, {"87 05 01 00"}},
    {{0xCF}, 4, {"87 12 01 00"}}, {{0xC5}, 11, {"87 06 03 00", "96 01"}}, {{0xC6}, 11, {"8B 0C 03 00", "87 07"}},
    {{0xC7}, 13, {"87 08 07 02"}}, {{0xC8}, 15, {"87 09 17 02"}}, {{0xC9}, 15, {"87 0A 17 02"}},
    {{0xD6}, 15, {"87 39 17 02"}}, {{0xD7}, 15, {"87 3A 17 02"}}, {{0xDF}, 15, {"89 05 17 02"}},
    {{0xE0}, 15, {"8A 01 17 02"}}, {{0xE3}, 15, {"8A 03 27 02"}}, {{0xE4}, 15, {"8A 04 17 02"}},
    {{0xCA}, 19, {"87 0B 57 12"}}, {{0xCB}, 19, {"87 0C 57 12"}}, {{0xCC}, 10, {"87 0D 03 02"}},
    {{0xD2}, 10, {"87 1F 03 02"}}, {{0xD3}, 10, {"87 20 03 02"}}, {{0xD4}, 10, {"87 21 03 02"}},
    {{0xD5}, 10, {"87 22 03 02"}}, {{0xD8}, 10, {"87 25 03 02"}}, {{0xD9}, 10, {"87 26 03 02"}},
    {{0xDA}, 10, {"87 27 03 02"}}, {{0xE6}, 10, {"8B 01 03 02"}}, {{0xE7}, 10, {"8B 02 83 00"}},
    {{0xCD}, 7, {"81 A0"}}, {{0xCE}, 23, {"87 11 1F 02", "20 F0"}}, {{0xD0}, 21, {"87 2E 5F 13"}},
    {{0xD1}, 23, {"87 2D 5F 12"}}, {{0xDB}, 21, {"89 01 57 13"}}, {{0xDC}, 21, {"89 02 57 13"}},
    {{0xDD}, 21, {"89 03 57 13"}}, {{0xDE}, 17, {"89 04 17 03"}}, {{0xE1}, 14, {"8B 0C 07 02", "8A 02"}},
    {{0xE5}, 14, {"8A 05 17 02"}}, {{0xE2}, 10, {"8B 0C 03 00", "8B 22"}}, {{0xE8}, 10, {"8B 0C 03 00", "8B 03"}},
    {{0xEA}, 10, {"8B 0C 03 00", "8B 05"}}, {{0xE9}, 11, {"8B 0C 03 00", "8B 04"}}, {{0xEB}, 12, {"8B 06 43 10"}},
    {{0xEC}, 12, {"8B 07 03 03"}}, {{0xED}, 41, {"8B 08", "8B 0A"}}, {{0xEE}, 41, {"8B 10", "8B 0A"}},
    {{0xEF}, 12, {"8B 0C 03 00", "8B 0A"}}, {{0xF0}, 14, {}}, {{0xF1}, 18, {}},
};

TEST_F(L2000Old, EveryCodeHasItsBodyAndOutput) {
  for (const CodeCase& c : kCodeCases) {
    Bytes r = c.code;
    r.resize(c.code.size() + c.body - 1, 0x00);
    std::vector<std::string> got;
    const auto recs = Loop(Old(), Cat({Rec(r), {0x00}}));
    for (std::size_t i = 0; i < recs.size(); ++i) {
      const bool mask = i < c.out.size() && c.out[i].size() > 5;
      got.push_back(recs[i].substr(0, 5) + (mask ? " " + recs[i].substr(72, 5) : ""));
    }
    EXPECT_EQ(got, c.out) << Hex(c.code);
  }
}

// A record cut by a code byte after k bytes, the last of them a passing check
// byte, is dropped and the code byte starts the next record; only the short
// forms are taken. The zero bytes after it let the reads see 16 bytes ahead.
TEST_F(L2000Old, CutRecordsAreDroppedExceptTheShortForms) {
  const std::vector<std::string> shortForms = {"A0 08 8", "A0 09 8", "A0 60 8", "A8 05 5",  "B1 01 34",
                                               "B1 01 35", "B2 18 34", "B8 25 11", "F1 14", "F1 16"};
  for (const CodeCase& c : kCodeCases) {
    for (int k = 1; k < c.body && Hex(c.code) != "A8 20"; ++k) {  // A8 20 reads through code bytes
      const std::string form = Hex(c.code) + " " + std::to_string(k);
      if (std::find(shortForms.begin(), shortForms.end(), form) != shortForms.end()) continue;
      Bytes cut = c.code;
      cut.resize(c.code.size() + k - 1, 0x00);
      EXPECT_EQ(Loop(Old(), Cat({In(kC3), Rec(cut), In(kC3), Bytes(64, 0x00)})), Golden({kC3Out, kC3Out})) << form;
    }
  }
}

// The record reference: records built byte by byte carry no presence mask,
// and name their fields by the bytes they fill.
TEST(L2000CodeReference, SecondAreaRecords) {
  std::map<uint16_t, std::string> fields;
  for (const EarlierRecord& e : L2000CodeTable()) {
    if (e.fields.empty()) continue;
    EXPECT_EQ(e.mask, 0) << std::hex << e.in;
    for (const EarlierField& f : e.fields)
      fields[e.out] += std::to_string(f.from) + "-" + std::to_string(f.to) + " " + f.type + " " + f.name + ";";
  }
  EXPECT_EQ(fields[0xF03D], "2-4 time time;5-7 number value;8-9 data data;");
  EXPECT_EQ(fields[0x8104], "2-4 time time;5-6 number driver number;7-18 text driver name;");
  EXPECT_EQ(fields[0x930A], "2-4 time time;5-6 number value;7-8 number value;9-10 number value;11-12 number value;");
}

}  // namespace
