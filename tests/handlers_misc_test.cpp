// B1, B3, B4, B7, B9, DA and FE records, the ZhuZhou replacements against
// the base handlers, the names each converter class publishes, and the
// records that change how later records are converted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// 0x92 0x19 (BA13, W(12) = 1234), to see where the input stands.
const Bytes kMarker = Std(0xBA, 0x13, {0x12, 0x34});
const char* kMarkerOut = "92 19 0A 14 1E 39 30 00 C8 00 D2 04";
const Bytes kQ12345 = {0x00, 0x01, 0x23, 0x45};

Case S(uint8_t c0, uint8_t c1, const char* codes, const char* mask = "07 00") {
  return StdCase(c0, c1, {}, {StdOut(codes, mask)});
}
Case Check(uint8_t c0, uint8_t c1, int len) { return StdCase(c0, c1, Bytes(len - 13, 0x01), {}); }
Case Named(const char* name, Case c) { return {name, c.raw, c.expected}; }
// Position pair: byte 24 := 3, then 0x81 0x50 with Q(12) = 12345.
Case Position(uint8_t c1, const char* codes) {
  return StdCase(0xB1, c1, kQ12345, {StdOut(codes, "03 00"), "81 50 0A 14 1E 39 30 00 00"});
}
Case Switch(const char* name, uint8_t c1, uint8_t x, uint8_t y, const char* codes) {
  return Named(name, StdCase(0xB4, c1, {x, y}, {StdOut(codes)}));
}
Case Loco(uint8_t c1, uint8_t s, const char* codes) {
  Case c = StdCase(0xB7, c1, {s}, {StdOut(codes)});
  if (s) c.name += " 1";
  return c;
}
// 42 bytes: m = raw 11 mod 4 gives byte 11 (1 -> 2, 2 -> 1, otherwise m).
Case Split(uint8_t c1, uint8_t raw11, const char* codes) {
  char name[8];
  std::snprintf(name, sizeof name, "B1%02X", c1);
  return {name,
          Rec({{0xB1, c1, 0x10, 0x20, 0x30, 0x01, 0x00, 0x11, 0x22, 0x00, 0x50, raw11},
               {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
               {0x00, 0x01, 0x23, 0x45, 0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x00, 0x99},
               {0x00, 0x01, 0x00, 0x00, 0x99, 0x99, 0x01, 0x23, 0x45}}),
          {codes, "BC 00 D2 04 63 00 10 27 00 0F 27 39 30 00"}};
}
// B9 records: time, W(5) = 587, W(7) = 123, then raw 9 = n.
Bytes B9(uint8_t c1, const Bytes& n) { return Rec(Cat({{0xB9, c1, 0x10, 0x20, 0x30, 0x05, 0x87, 0x01, 0x23}, n})); }
std::string B9Out(const char* codes) {
  return std::string(codes) + " 0A 14 1E 00 00 00 00 00 00 00 00 3A 7B 08 00 00 00 00 00 00 00 00 01 10";
}
Bytes Seq(int from, int to) {
  Bytes b;
  for (int i = from; i <= to; ++i) b.push_back(static_cast<uint8_t>(i));
  return b;
}
// FE02/FE03 fixed part: L, time, Q(7) = 12345, T(11) = 12345.
Bytes FeHead(uint8_t c1, uint8_t l0, uint8_t l1) {
  return {0xFE, c1, l0, l1, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23, 0x45};
}

}  // namespace

TEST(HandlersMisc, EveryCodeConvertsAsHandWritten) {
  const std::vector<Case> cases = {
      Split(0x01, 0x01, "83 01 0A 14 1E 64 00 0B 16 32 00 02 01 02 03 04 05 06 07 08 39 30 00 00 4E 61"),
      Split(0x18, 0x02, "83 02 0A 14 1E 64 00 0B 16 32 00 01 01 02 03 04 05 06 07 08 39 30 00 00 4E 61"),
      Split(0x10, 0x07, "83 03 0A 14 1E 64 00 0B 16 32 00 03 01 02 03 04 05 06 07 08 39 30 00 00 4E 61"),
      Position(0x02, "8C 03"), Position(0x03, "8C 04"), Position(0x04, "8C 05"), Position(0x05, "8C 08"),
      Position(0x15, "8C 0E"), Position(0x16, "8C 0F"), S(0xB1, 0x06, "8C 09"),
      StdCase(0xB1, 0x07, {0x42, 0x01, 0x23, 0x45}, {"8C 30 0A 14 1E 39 30 00 C8 00", "21 F0 2A 39 30 00"}),
      StdCase(0xB1, 0x11, {0x01, 0x23}, {StdOut("8C 06", "03 00"), "81 5A 0A 14 1E 7B"}),
      StdCase(0xB1, 0x12, {0x01, 0x23}, {StdOut("8C 07", "03 00"), "81 5A 0A 14 1E 7B"}),
      Check(0xB1, 0x13, 17), Check(0xB1, 0x14, 17), Check(0xB1, 0x17, 17),
      // A014: the 8-digit number takes v = 1, the check byte 0x59 and zeros.
      {"B301", Rec({{0xB3, 0x01, 0x10, 0x20, 0x30, 0x01}}),
       {"F0 50 0A 14 1E F0 42 18 00 00" + kState0 + "01 00", "21 F0 01"}},
      {"B301 3", Rec({{0xB3, 0x01, 0x10, 0x20, 0x30, 0x03}}), {}},
      S(0xB4, 0x01, "F0 61", "03 00"), S(0xB4, 0x02, "F0 62", "03 00"),
      Switch("B403", 3, 1, 1, "F0 64"), Switch("B403 10", 3, 1, 0, "F0 63"), Switch("B403 01", 3, 0, 1, "F0 65"),
      Switch("B403 00", 3, 0, 0, "F0 66"), Switch("B404", 4, 1, 1, "F0 71"), Switch("B404 10", 4, 1, 0, "F0 70"),
      Switch("B404 01", 4, 0, 1, "F0 72"), Switch("B404 other", 4, 0x10, 2, "F0 73"),
      Check(0xB4, 0x05, 21), Check(0xB4, 0x06, 21), Check(0xB4, 0x07, 20), Check(0xB4, 0x08, 17),
      Check(0xB4, 0x09, 17), Check(0xB4, 0x10, 17), Check(0xB4, 0x11, 17), Check(0xB4, 0x12, 17),
      StdCase(0xB4, 0x13, {0x11, 0x22, 0x33, 0x44}, {"F0 86 0A 14 1E 39 30 00 C8 00 0B 16 21 2C"}),
      {"B414", Rec({{0xB4, 0x14, 0x10, 0x20, 0x30}, kQ12345, {0x01, 0x00, 0x00, 0x50}}),
       {"89 06 0A 14 1E 39 30 00 00 00 64 00 32 00"}},
      StdCase(0xB7, 0x01, {0x00, 0x32}, {"B0 80 0A 14 1E 39 30 00 20 00" + kState0 + "03 00"}),
      S(0xB7, 0x02, "B0 30", "03 00"), {"B703", {0xB7, 0x03}, {}},
      StdCase(0xB7, 0x04, {0x12, 0x34}, {StdOut("86 78"), "21 F0 D2 04"}),
      S(0xB7, 0x05, "86 79"), S(0xB7, 0x06, "86 76"), S(0xB7, 0x07, "86 77"),
      {"B708", Cat({{0xB7, 0x08}, Bytes(6, 0x01)}), {}},
      S(0xB7, 0x09, "B0 32"), S(0xB7, 0x10, "B0 33"), S(0xB7, 0x11, "B0 34"),
      Named("B712", StdCase(0xB7, 0x12, {0x01}, {StdOut("86 C0")})),
      Named("B712 4", StdCase(0xB7, 0x12, {0x04}, {StdOut("86 B9")})),
      Named("B713", StdCase(0xB7, 0x13, {0x02}, {StdOut("86 C3")})),
      Named("B713 5", StdCase(0xB7, 0x13, {0x05}, {StdOut("00 00")})),
      // No locomotive record: the depot words read as zero.
      Loco(0x50, 0, "86 CA"), Loco(0x50, 1, "86 C9"), Loco(0x51, 0, "86 B2"), Loco(0x51, 1, "86 B1"),
      Loco(0x52, 0, "86 CC"), Loco(0x52, 1, "86 CB"), Loco(0x53, 0, "86 CE"), Loco(0x53, 1, "86 CD"),
      Loco(0x54, 0, "86 B4"), Loco(0x54, 1, "86 B3"),
      // Station 456 on line 0: "0-456", station number low byte C8.
      {"B795", Rec({{0xB7, 0x95, 0x10, 0x20, 0x30, 0x04, 0x56, 0, 0, 0, 0, 0, 0}}),
       {"20 F0 30 2D 34 35 36 00 00 00 00 00 C8"}},
      StdCase(0xB7, 0x96, {0x01, 0x00, 0x00, 0x50, 0x05, 0x87, 0x01, 0x23, 0x42},
              {"8C 31 0A 14 1E 39 30 00 C8 00 00 00 00 3A 7B 08 00 00 00 64 00 32 00 00 47 13", "21 F0 2A"}),
      {"B901", B9(0x01, {0x10, 0x42}), {B9Out("86 DF"), "21 F0 0A 2A"}},
      {"B901 1", B9(0x01, {0x21, 0x42}), {B9Out("86 D0"), "21 F0 15 2A"}},
      {"B901 5", B9(0x01, {0x05, 0x42}), {B9Out("86 1F"), "21 F0 05 2A"}},
      {"B902", B9(0x02, {0x00, 0x42}), {B9Out("86 DE"), "21 F0 00 2A"}},
      {"B902 1", B9(0x02, {0x01, 0x42}), {B9Out("86 DD"), "21 F0 01 2A"}},
      {"B902 2", B9(0x02, {0x12, 0x42}), {B9Out("86 1E"), "21 F0 0C 2A"}},
      {"B903", B9(0x03, {}), {B9Out("86 30")}}, {"B904", B9(0x04, {}), {B9Out("86 31")}},
      {"B905", B9(0x05, {}), {B9Out("86 32")}},
      S(0xB9, 0x06, "87 46"), S(0xB9, 0x07, "87 47"), S(0xB9, 0x08, "87 40"), S(0xB9, 0x09, "87 41"),
      S(0xB9, 0x10, "87 42"), S(0xB9, 0x11, "87 43"), S(0xB9, 0x12, "87 44"), S(0xB9, 0x13, "87 45"),
      StdCase(0xB9, 0x20, kQ12345, {StdOut("87 48"), "21 F0 39 30 00 00"}),
      StdCase(0xB9, 0x21, {0x12, 0x34, 0x56, 0x78, 0x11, 0x22}, {StdOut("87 49"), "21 F0 4E 61 BC 00 0B 16"}),
      StdCase(0xB9, 0x22, {}, {"87 50 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07 00"}),
      StdCase(0xB9, 0x23, {}, {"87 51 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07 00"}),
      StdCase(0xDA, 0x01, {0x01, 0x23, 0x45, 0x11, 0x22, 0x00}, {StdOut("93 10"), "21 F0 39 30 00 0B 16"}),
      StdCase(0xDA, 0x02, {0x12, 0x34}, {StdOut("8B 11"), "21 F0 D2 04"}),
      StdCase(0xDA, 0x03, {0x01, 0x00, 0x00, 0x50, 0x42, 0x00, 0x00, 0x00, 0x00},
              {"8C 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 47 13", "21 F0 2A"}),
      // L = 25: 19 payload bytes copied unchanged; one byte skipped after them.
      {"FE01", Cat({{0xFE, 0x01, 0x00, 0x25, 0x10, 0x20, 0x30, 0xAA}, Seq(2, 19), {0x00}}),
       {"92 23 0A 14 1E 13 00 AA 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13"}},
      {"FE01 60", Cat({{0xFE, 0x01, 0x00, 0x60, 0x10, 0x20, 0x30}, Seq(1, 54), {0x00}}),
       {"92 23 0A 14 1E 36 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13",
        "14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D", "2E 2F 30 31 32 33 34 35 36"}},
      {"FE01 3", {0xFE, 0x01, 0x00, 0x03, 0x10, 0x20, 0x30, 0x00}, {"92 23 0A 14 1E 00 00"}},
      {"FE02", Cat({FeHead(0x02, 0x00, 0x15), {0x01, 0x02, 0x00}}), {"92 21 0A 14 1E 39 30 00 39 30 02 00 01 02"}},
      {"FE02 5", Cat({FeHead(0x02, 0x00, 0x05), {0x00}}), {"92 21 0A 14 1E 39 30 00 39 30 00 00"}},
      {"FE03", Cat({FeHead(0x03, 0x00, 0x53), Seq(1, 40), {0x00}}),
       {"92 22 0A 14 1E 39 30 00 39 30 28 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E",
        "0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28"}},
      {"FE03 12", Cat({FeHead(0x03, 0x00, 0x12), {0x00}}), {"92 22 0A 14 1E 39 30 00 39 30 00 00"}},
      // FE04 passes over its block: a record inside it is not converted.
      {"FE04", Cat({{0xFE, 0x04, 0x00, 0x19, 0x10, 0x20, 0x30}, Std(0xB6, 0x31, {}), {0x00}}), {}},
  };
  ExpectCovers(FamilyMisc(), cases);
  RunCases(cases);
}

TEST(HandlersMisc, RecordsThatDependOnTheRecordBefore) {
  const std::string a010 = StdOut("80 0A");
  const Bytes f0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  const std::string f0State = " 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 ", f0Out = StdOut("8B 06", "47 10", f0State);
  const Bytes signal = Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72});
  const std::string signalOut = "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 17 03";
  Bytes bad701 = Std(0xB7, 0x01, {0x00, 0x32}), bad03 = Std(0xBA, 0x03, {0x01, 0x92});
  bad701.back() ^= 0x01;
  bad03.back() ^= 0x01;
  const std::vector<Case> rows = {
      {"B301 at the last start time", Cat({Std(0xA0, 0x10, {}), Rec({{0xB3, 0x01, 0x10, 0x20, 0x30, 0x01}})}), {a010}},
      {"B701 at the last start time", Cat({Std(0xA0, 0x10, {}), Std(0xB7, 0x01, {0x00, 0x32})}), {a010}},
      {"B701 at 24:00:00", Cat({Rec({{0xB7, 0x01, 0x24, 0x00, 0x00}, kQ12345, {0x00, 0x02, 0x00, 0x00, 0x32}}), kMarker}),
       {kMarkerOut}},
      {"B701 at 23:59:59", Rec({{0xB7, 0x01, 0x23, 0x59, 0x59}, kQ12345, {0x00, 0x02, 0x00, 0x00, 0x32}}),
       {"B0 80 17 3B 3B 39 30 00 20 00" + kState0 + "03 00"}},
      // Mode word 32 has the pass-through bit: the signal code 272 stays (low byte 0x10).
      {"B701 mode word", Cat({Std(0xB7, 0x01, {0x00, 0x32}), Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72})}),
       {"B0 80 0A 14 1E 39 30 00 20 00" + kState0 + "03 00",
        "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 10 00 00 00 64 00 32 00 00 17 03"}},
      {"B414 keeps the 6-digit number before it",
       Cat({Std(0xB4, 0x01, {}), Rec({{0xB4, 0x14, 0x10, 0x20, 0x30}, kQ12345, {0x01, 0x00, 0x00, 0x50}})}),
       {StdOut("F0 61", "03 00"), "89 06 0A 14 1E 39 30 00 C8 00 64 00 32 00"}},
      // A B701 with the pass-through bit or a BA03 with the keep bits that fails its check changes nothing.
      {"bad B701", Cat({bad701, signal}), {signalOut}}, {"bad BA03", Cat({bad03, signal}), {signalOut}},
      // Fixed mask bytes over an attached state record: SwitchPairEvent sets byte 24 := 7 after
      // assembly (byte 25 keeps the F0 bit), PositionPairEvent byte 24 := 3; VersionedValueEvent keeps
      // the mask, WordEvent15 clears bytes 12..25.
      {"B403 F0", Cat({Std(0xB4, 0x03, {0x01, 0x01}), f0}), {f0Out, StdOut("F0 64", "07 10", f0State)}},
      {"B102 F0", Cat({Std(0xB1, 0x02, kQ12345), f0}), {f0Out, StdOut("8C 03", "03 10", f0State), "81 50 0A 14 1E 39 30 00 00"}},
      {"BA17 F0", Cat({Std(0xBA, 0x17, {0x12, 0x34}), f0}),
       {f0Out, "92 1D 0A 14 1E 39 30 00 C8 00 D2 04 00 00 00 00 00 00 00 00 00 00 00 00 DF 10"}},
      {"BA13 F0", Cat({kMarker, f0}), {f0Out, kMarkerOut}},
      {"FE04 length 2", Cat({{0xFE, 0x04, 0x00, 0x02, 0x10, 0x20, 0x30, 0x00}, kMarker}), {kMarkerOut}},
      {"FE01 length 0", Cat({{0xFE, 0x01, 0x00, 0x00, 0x10, 0x20, 0x30, 0x00}, kMarker}),
       {"92 23 0A 14 1E 00 00", kMarkerOut}},
      {"FE02 one payload byte short", Cat({FeHead(0x02, 0x00, 0x15), {0x01}}), {}},
      {"FE02 payload past the input", Cat({FeHead(0x02, 0x99, 0x99), kMarker}), {kMarkerOut}},
      {"FE02 under 12 bytes", {0xFE, 0x02, 0x00, 0x20, 0x10}, {}},
      {"FE04 under 12 bytes", {0xFE, 0x04, 0x00, 0x20, 0x10}, {}},
  };
  for (const Case& k : rows) EXPECT_EQ(Out(k.raw), Golden(k.expected)) << k.name;
  RawHeader line7;
  line7.h[17] = 0x07;
  EXPECT_EQ(Out(Rec({{0xB7, 0x95, 0x10, 0x20, 0x30, 0x04, 0x56, 0, 0, 0, 0, 0, 0}}), line7),
            Golden({"20 F0 37 2D 34 35 36 00 00 00 00 00 C8"}));
  // FE01 cut at the input end: the rest of the count gives cleared records.
  auto out = Out(Cat({{0xFE, 0x01, 0x99, 0x99, 0x10, 0x20, 0x30}, Seq(1, 5)}));
  ASSERT_EQ(out.size(), 1u + 384);
  EXPECT_EQ(out[0], Hex(R("92 23 0A 14 1E 09 27 01 02 03 04 05")));
  for (std::size_t i = 1; i < out.size(); ++i) ASSERT_EQ(out[i], Hex(Rec26{})) << i;
  // FE04 longer than the raw record: its payload is passed over, not read as codes.
  Bytes records;
  for (int i = 0; i < 22; ++i) records = Cat({records, Std(0xB6, 0x31, {})});
  EXPECT_EQ(Out(Cat({{0xFE, 0x04, 0x03, 0x00, 0x10, 0x20, 0x30}, records, Bytes(9, 0x00), kMarker})),
            Golden({kMarkerOut}));
  EXPECT_TRUE(Out(Cat({{0xFE, 0x04, 0x99, 0x99, 0x10, 0x20, 0x30}, records})).empty());
}

namespace {
void SetDepot(int16_t type, int16_t w4, int16_t w6, int16_t w8) {
  ZhuDuanRecord rec{};
  rec.type_code = type, rec.loco_number = 123;
  const int16_t words[3] = {w4, w6, w8};
  std::memcpy(rec.depot, words, sizeof rec.depot);
  SetZhuDuanTable(&rec, 0);
}
}  // namespace

TEST(HandlersMisc, LocoTypeEventByDepotWords) {
  // The locomotive: type code 25 (h[56..57]), number 123 (h[20..21]).
  RawHeader h;
  h.PutBcd(56, 25, 2).PutBcd(20, 123, 2);
  const struct {
    int16_t type, w4, w6, w8;
    uint8_t c1, s;
    const char* sub;  // empty: nothing is written
  } rows[] = {
      {0, 2, 1, 1, 0x50, 0, "CA"}, {0, 2, 1, 1, 0x51, 1, "B1"},  // type code 0: no record
      {25, 2, 0, 0, 0x50, 0, ""},  {25, 2, 0, 0, 0x50, 1, "CA"}, {25, 2, 0, 0, 0x51, 0, ""},
      {25, 2, 0, 0, 0x51, 1, "B1"}, {25, 0, 1, 1, 0x50, 1, "CA"}, {25, 0, 1, 1, 0x50, 0, "C9"},
      {25, 0, 1, 1, 0x51, 0, "B1"}, {25, 0, 1, 1, 0x51, 1, "B2"}, {25, 0, 1, 1, 0x52, 0, "CB"},
      {25, 0, 1, 1, 0x52, 1, "CC"}, {25, 0, 1, 1, 0x53, 0, "CD"}, {25, 0, 1, 1, 0x54, 1, "B4"},
      {25, 0, 1, 1, 0x54, 0, "B3"}, {25, 0, 1, 1, 0x54, 0x10, "B3"},  // raw 12 = 0x10 is not 1
  };
  for (const auto& r : rows) {
    SetDepot(r.type, r.w4, r.w6, r.w8);
    std::vector<std::string> want = {kMarkerOut};
    if (*r.sub) want.insert(want.begin(), StdOut(std::string("86 ") + r.sub));
    EXPECT_EQ(Out(Cat({Std(0xB7, r.c1, {r.s}), kMarker}), h), Golden(want)) << int(r.c1) << " " << int(r.s);
  }
  SetDepot(0, 0, 0, 0);
}

TEST(HandlersMisc, ZhuZhouReplacementsOnlyCheckTheirRecord) {
  auto rec = [](uint8_t c0, uint8_t c1, int len) {  // time 10:20:30, then 1s (A014 would write for 1)
    char name[8];
    std::snprintf(name, sizeof name, "%02X%02X", c0, c1);
    return Case{name, Rec({{c0, c1, 0x10, 0x20, 0x30}, Bytes(len - 6, 0x01)}), {}};
  };
  const std::vector<Case> cases = {rec(0xB1, 0x07, 17), rec(0xB3, 0x01, 8),  rec(0xB3, 0x02, 8),  rec(0xB3, 0x03, 8),
                                   rec(0xB3, 0x04, 9),  rec(0xB4, 0x05, 15), rec(0xB4, 0x06, 15), rec(0xB4, 0x07, 15),
                                   rec(0xB4, 0x09, 15), rec(0xB4, 0x11, 15), rec(0xB7, 0x15, 8)};
  ExpectCovers(FamilyZhuZhouMisc(), cases);
  RawHeader zz;
  zz.Vendor('Z');
  RunCases(cases, zz, ClassTZhuZhouNewOrgToFmt());
  // The same B107 in a vendor-Q file is converted (numbers 1010101 and 10101);
  // B715 is logged there.
  EXPECT_EQ(Out(Cat({cases[0].raw, kMarker}), zz, 101, "Q"),
            Golden({"8C 30 0A 14 1E B5 69 0F 75 27", "21 F0 01 75 27 00", kMarkerOut}));
  EXPECT_EQ(Unhandled(EventFile(zz, Cat({cases[10].raw, kMarker})), ClassTNewToFmt()), "B715;");
}

TEST(HandlersMisc, SignalModeChangesEvenWhenTheCheckFails) {
  // E0 drops the pass-through bit before its record is read: an E0 that
  // fails its check still leaves signal codes converted.
  RawHeader h;
  h.Put(5, {0x08}).Put(17, {0x03});
  const Bytes b701 = HexBytes("B7 01 10 00 00 00 00 00 01 00 00 00 94 48 63");  // SignalMode 9448
  const Bytes e0 = HexBytes("E0 10 00 05 00 00 00 01 00 00 00 F5 00 00 00 00 00 00");
  const Bytes b531 = HexBytes("B5 31 10 00 10 00 00 00 01 00 00 00 00 50 00 80 10 36 00 00 00 00 91");
  // Signal code 1036: group 4, two lamps, aspect 49.
  EXPECT_EQ(Out(Cat({b701, e0, b531}), h),
            Golden({"B0 80 0A 00 00 01 00 00 E8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "99 31 0A 00 0A 01 00 00 00 00 00 00 00 00 00 31 00 00 00 32 00 50 00 00 37 05"}));
}
