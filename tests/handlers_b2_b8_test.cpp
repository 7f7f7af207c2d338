// Large measurement records B2xx and run and station records B8xx, with
// their ZhuZhou forms.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

Bytes Fields(uint8_t c0, uint8_t c1, std::initializer_list<Bytes> fields) { return Rec(Cat({{c0, c1}, Cat(fields)})); }
// The standard prefix, then raw k = BCD k from raw 12 up to the check byte.
Bytes Filled(uint8_t c0, uint8_t c1, int len) { return Fields(c0, c1, {Prefix(), Fill(12, len - 2)}); }
// The same with raw 14 = 04h: Val19 1213, Val21 0415 (below the 999 limit).
Bytes Pair2(uint8_t c0, uint8_t c1, int len) {
  Bytes b(Cat({{c0, c1}, Prefix(), Fill(12, len - 2)}));
  b[14] = 0x04;
  return Rec(b);
}
// Running state of the filled records; with the signal 1617 (group 6, three lamps): aspect 69.
const std::string kPairFill = " 00 00 00 00 00 08 00 00 00 BD 04 9F 01 00 ";
const std::string kSigFill = " 00 00 00 00 00 45 00 00 00 BD 04 9F 01 00 ";
// Val10 121314 (low 16 bits), Val12 15.
const std::string kStateWordFill = " E2 D9 0F 00 00 08 00 00 00 00 00 00 00 00 ";
const std::string kPairTimeState = " 00 00 00 00 00 08 00 00 00 D2 04 37 02 00 ";
const char* kB201Supp = "21 F0 12 15 EE 02 74 64 03 19 1A 1B 1C 72 0B";

std::string Main(const char* codes, const std::string& state, const char* mask) { return codes + kHead + state + mask; }
Case Pair(const char* name, uint8_t c1, const char* codes) { return {name, Pair2(0xB8, c1, 17), {Main(codes, kPairFill, "07 03")}}; }
Case Signal(const char* name, uint8_t c1, const char* codes) { return {name, Pair2(0xB8, c1, 19), {Main(codes, kSigFill, "17 03")}}; }
Case StateWord(const char* name, uint8_t c1, const char* codes) {
  return {name, Filled(0xB8, c1, 17), {Main(codes, kStateWordFill, "0F 00")}};
}
// The 3-byte value at raw 17 ends in the check byte (raw 19): 17 18 cc.
Case StateWordLong(const char* name, uint8_t c1, const char* codes, const char* supp) {
  return {name, Filled(0xB8, c1, 20), {Main(codes, kStateWordFill, "0F 00"), supp}};
}
Case Standard(const char* name, uint8_t c1, const char* codes) { return {name, Filled(0xB8, c1, 13), {Main(codes, kState0, "07 00")}}; }
Case PairTime(const char* name, uint8_t c1, const char* codes) {
  return {name, Fields(0xB8, c1, {kTime, {0x12, 0x34}, {0x05, 0x67}}), {codes + kTimeHead + kPairTimeState + "01 03"}};
}
Case Small(const char* name, uint8_t c1, const char* codes) {
  return {name, Fields(0xB8, c1, {kTime, {0x05}}), {std::string(codes) + " 0A 14 1E 05"}};
}

class HandlersB8 : public ::testing::Test {
 protected:
  void SetUp() override { Tables().StationTable.clear(); }
  void TearDown() override { SetUp(); }
};

}  // namespace

TEST(HandlersB2, EveryCodeConvertsOneRecord) {
  const std::vector<Case> cases = {
      {"B201", Pair2(0xB2, 0x01, 32), {Main("8C 1C", kSigFill, "17 03"), kB201Supp}},
      {"B202", Pair2(0xB2, 0x02, 35), {Main("8C 1D", " B6 77 13 00 00 4F 00 00 00 BD 04 9F 01 00 ", "1F 03"),
        "21 F0 74 64 03 D3 DA 03 1C 1D 1E 1F A1 0C"}},
      {"B203", Pair2(0xB2, 0x03, 22), {Main("8C 1E", " B6 77 13 00 00 08 00 00 00 BD 04 9F 01 00 ", "0F 03"), "21 F0 14"}},
      // Val5 takes in the check byte (12) and the zero past the record.
      {"B204", Fields(0xB2, 0x04, {kTime, {0x12, 0x34}}),
       {"8C 1F 0A 14 1E D0 4F BC 00 00" + kState0 + "03 00", "21 F0 0C 22"}},
      {"B205", Fields(0xB2, 0x05, {kTime, {0x12, 0x34}}),
       {"8C 20 0A 14 1E 6C 4F BC 00 00" + kState0 + "03 00", "21 F0 0C 22"}},
      {"B206", Fields(0xB2, 0x06, {kTime, kNum8}), {"8C 21 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00"}},
      {"B207", Pair2(0xB2, 0x07, 32), {Main("8C 22", kSigFill, "17 03"), kB201Supp}},
      {"B208", Fields(0xB2, 0x08, {kTime, {0x12}}), {"8C 23 0A 14 1E A0 83 BD 00 00" + kState0 + "01 00", "21 F0 0C"}},
      {"B209", Filled(0xB2, 0x09, 19), {Main("8C 24", kState0, "07 00"), "21 F0 E2 D9 01 41 50 02"}},
      {"B210", Filled(0xB2, 0x10, 22), {Main("8C 25", kState0, "07 00"), "21 F0 E2 D9 01 41 50 02 12 13 14"}},
      {"B211", Filled(0xB2, 0x11, 21), {Main("8C 26", kState0, "07 00"), "21 F0 BD 04 CC 28 02 2B 9F 02"}},
      {"B219", Fields(0xB2, 0x19, {kTime, kNum8, {0x00, 0x01, 0x23, 0x45}}),
       {"8C 10 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00", "21 F0 39 30 00 00"}},
      {"B283", Filled(0xB2, 0x83, 19), {Main("8C 35", kState0, "07 00"), "21 F0 BD 04 CC 28 02 11"}},
      {"B285", Fields(0xB2, 0x85, {kTime, kNum8}), {"8C 34 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00"}},
      {"B287", Pair2(0xB2, 0x87, 26),
       {Main("8C 33", " 15 EE 00 00 00 08 00 00 00 BD 04 9F 01 00 ", "0F 03"), "21 F0 B6 77 02 16 14 09"}},
      {"B289", Filled(0xB2, 0x89, 18), {Main("8C 37", kState0, "07 00"), "21 F0 BD 04 0E EC 05"}},
      {"B291", Filled(0xB2, 0x91, 15), {Main("8C 36", kState0, "07 00"), "21 F0 BD 04"}},
      {"B293", Filled(0xB2, 0x93, 13), {Main("8C 38", kState0, "07 00")}},
      {"B295", Pair2(0xB2, 0x95, 31),
       {Main("8C 32", kPairFill, "07 03"), "21 F0 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D"}},
  };
  ExpectCovers(FamilyB2(), cases);
  RunCases({{"B295 raw order",
             Rec({{0xB2, 0x95}, Prefix(), {0x12, 0x34, 0x05, 0x67},
                  {0x99, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x20, 0x30, 0x40}}),
             {Main("8C 32", " 00 00 00 00 00 08 00 00 00 D2 04 37 02 00 ", "07 03"),
              "21 F0 63 01 02 03 04 05 06 07 08 09 0A 14 1E 28"}}});
  RunCases(cases);
}

TEST(HandlersB2, ZhuZhouRecords) {
  // B829: 11 bytes, always 0x2A; check byte 35: Val8 = 12 35 00 = 123500, low 16 bits 6C E2.
  const Bytes b829 = Fields(0xB8, 0x29, {kTime, kNum8, {0x12}}), b829one = Fields(0xB8, 0x29, {kTime, kNum8, {0x01}});
  ASSERT_EQ(b829.back(), 0x35);
  RawHeader zz;
  zz.Vendor('Z');
  const Bytes tail13 = Rec({{0xB2, 0x01}, Prefix()});
  const Bytes tail(tail13.begin() + 2, tail13.end());  // 11 bytes after B201
  const Bytes b201 = Pair2(0xB2, 0x01, 32);
  const std::string main = Main("8C 1C", kSigFill, "17 03");
  RunCases({{"B201", Cat({b201, tail}), {main, kB201Supp, Main("8C 39", kSigFill, "07 00")}},
            {"B289", Filled(0xB2, 0x89, 18), {}}, {"B297", Filled(0xB2, 0x97, 35), {}},
            {"B829", b829, {"86 2A 0A 14 1E 4E 61 BC 6C E2" + kState0 + "07 00"}},
            {"B829 1", b829one, {"86 2A 0A 14 1E 4E 61 BC 08 39" + kState0 + "07 00"}}},
           zz, ClassTZhuZhouNewOrgToFmt());
  // The base B829 reads 14 bytes: the same record runs into the next one and
  // is rejected; the next record is converted.
  EXPECT_EQ(Records(RawHeader(), {b829, Sentinel(), Sentinel()}), Golden({kSentinelOut, kSentinelOut}));
  // The base handler reads the 32-byte record only; the tail bytes are skipped.
  EXPECT_EQ(Records(RawHeader(), {b201, tail, Sentinel()}), Golden({main, kB201Supp, kSentinelOut}));
  // A bad tail adds nothing; a base record with a bad check byte writes
  // nothing, but its tail is still read and checked (start-up state: no lamp).
  Bytes badTail = tail, bad = b201;
  badTail.back() ^= 0x01;
  bad.back() ^= 0x01;
  EXPECT_EQ(Records(zz, {b201, badTail, Sentinel()}), Golden({main, kB201Supp, kSentinelOut}));
  EXPECT_EQ(Consumed(Cat({bad, tail}), ClassTZhuZhouNewOrgToFmt()), 43u);
  EXPECT_EQ(Records(zz, {bad, tail, Sentinel()}),
            Golden({"8C 39" + kHead + kState0 + "07 00", kSentinelOut}));
}

TEST_F(HandlersB8, EveryCodeConvertsOneRecord) {
  const std::vector<Case> cases = {
      {"B801", Filled(0xB8, 0x01, 21), {Main("86 01", " E2 D9 0F A1 B5 08 00 00 00 00 00 00 00 00 ", "4F 00"), "20 F0 30 2D 30"}},
      StateWord("B802", 0x02, "86 02"), StateWord("B803", 0x03, "86 03"), StateWord("B804", 0x04, "86 05"),
      Pair("B805", 0x05, "86 07"), Pair("B806", 0x06, "86 08"),
      {"B807", Pair2(0xB8, 0x07, 20), {Main("86 06", kSigFill, "17 03")}},  // B(18) = 18: not listed
      {"B808", Pair2(0xB8, 0x08, 20), {Main("86 0A", kSigFill, "17 03")}},
      Signal("B809", 0x09, "86 0B"),
      {"B810", Pair2(0xB8, 0x10, 21), {Main("8B 0C", kSigFill, "17 03"), "86 0C 1B"}},
      {"B811", Pair2(0xB8, 0x11, 21), {Main("8B 0C", kSigFill, "17 03"), "86 0D 1B"}},
      Pair("B813", 0x13, "86 10"), Signal("B814", 0x14, "86 0E"), Signal("B815", 0x15, "86 0F"),
      PairTime("B816", 0x16, "86 11"), PairTime("B817", 0x17, "86 12"), Signal("B818", 0x18, "86 13"),
      StateWord("B819", 0x19, "86 14"), StateWord("B820", 0x20, "86 15"), StateWord("B821", 0x21, "86 16"),
      Standard("B822", 0x22, "86 17"), Standard("B823", 0x23, "86 18"),
      {"B824", Filled(0xB8, 0x24, 17), {Main("86 19", kState0, "07 00"), "21 F0 57 1C B9 00"}},
      {"B825", Pair2(0xB8, 0x25, 23), {Main("8B 0C", kPairFill, "07 03"), "86 1A 51 06 1B 07 00 00"}},
      {"B826", Pair2(0xB8, 0x26, 25), {Main("86 1B", kPairFill, "07 03"), "81 50 0A 14 1E 2B C3 F6 00 FF 69 34 01"}},
      Pair("B827", 0x27, "86 1C"),
      {"B828", Filled(0xB8, 0x28, 14), {Main("86 2B", kState0, "07 00")}},  // B(12) = 12: not listed
      {"B829", Filled(0xB8, 0x29, 14), {Main("86 2A", kState0, "07 00")}},
      Standard("B834", 0x34, "86 34"), Standard("B835", 0x35, "86 35"), Pair("B836", 0x36, "86 36"),
      Small("B837", 0x37, "86 37"), Small("B838", 0x38, "86 38"),
      PairTime("B839", 0x39, "86 39"), PairTime("B840", 0x40, "86 40"), Standard("B841", 0x41, "86 7C"),
      Signal("B842", 0x42, "86 42"),
      {"B843", Fields(0xB8, 0x43, {kTime, {0x05}, {0x12, 0x34}, {0x56, 0x78}}),
       {"86 86 0A 14 1E 00 00 00 00 00 05 D2 04 2E 16"}},
      {"B844", Fields(0xB8, 0x44, {kTime, {0x12, 0x34}}), {"86 7E" + kTimeHead + kState0 + "01 00", "21 F0 D2 04"}},
      {"B845", Fields(0xB8, 0x45, {kTime, {0x12, 0x34}}), {"86 7F" + kTimeHead + kState0 + "01 00", "21 F0 D2 04"}},
      {"B846", Pair2(0xB8, 0x46, 22), {Main("86 80", kSigFill, "17 03"), "21 F0 12 80 07"}},
      {"B847", Pair2(0xB8, 0x47, 24), {Main("86 85", kSigFill, "17 03"), "21 F0 12 4A 00 25 01"}},
      Signal("B848", 0x48, "86 81"),
      {"B849", Pair2(0xB8, 0x49, 23), {Main("86 82", kSigFill, "17 03"), "21 F0 95 96 15 01"}},
      {"B850", Pair2(0xB8, 0x50, 23), {Main("86 84", kSigFill, "17 03"), "21 F0 95 96 15 01"}},
      Pair("B851", 0x51, "81 52"), Pair("B852", 0x52, "81 53"), Pair("B854", 0x54, "87 61"),
      {"B855", Filled(0xB8, 0x55, 14), {Main("86 83", kState0, "07 00"), "21 F0 0C"}},
      Signal("B856", 0x56, "86 90"), Signal("B857", 0x57, "86 91"),
      {"B858", Pair2(0xB8, 0x58, 25), {Main("86 E3", kSigFill, "17 03"), "21 F0 95 96 15 01 AF 08"}},
      {"B859", Pair2(0xB8, 0x59, 21), {Main("86 E4", kSigFill, "17 03"), "21 F0 1B 07"}},
      {"B860", Fields(0xB8, 0x60, {Prefix(), {0x02}}), {Main("86 D2", kState0, "07 00")}},
      Signal("B890", 0x90, "86 C6"), Signal("B891", 0x91, "86 C7"), Signal("B892", 0x92, "86 C8"),
      {"B895", Pair2(0xB8, 0x95, 19), {Main("86 E1", kPairFill, "07 03"), "21 F0 51 06"}},
      {"B896", Pair2(0xB8, 0x96, 20), {Main("86 E2", kPairFill, "07 03"), "21 F0 B6 77 02"}},
      StateWordLong("B897", 0x97, "86 92", "21 F0 60 9F 02"),  // 171872, check byte 72
      StateWordLong("B898", 0x98, "86 93", "21 F0 5F 9F 02"),  // 171871
      StateWordLong("B899", 0x99, "86 94", "21 F0 5E 9F 02"),  // 171870
  };
  ExpectCovers(FamilyB8(), cases);
  RunCases(cases);
}

TEST_F(HandlersB8, SecondCodeBySubValue) {
  // B807, B808 by raw 18; B828, B829 by raw 12; B860 keeps the code of the
  // record before for an unlisted value (plain 16 is not BCD 10).
  auto sub = [](uint8_t c1, uint8_t s) {
    Bytes b(Cat({{0xB8, c1}, Prefix(), Fill(12, 18)}));
    b[c1 < 0x10 ? 18 : 12] = s;
    b.resize(c1 < 0x10 ? 19 : 13);
    return R(Records(RawHeader(), {Pair2(0xB8, 0x05, 17), Rec(b)}).at(1))[1];
  };
  for (const auto& [c1, s, want] : std::vector<std::tuple<uint8_t, uint8_t, uint8_t>>{
           {0x07, 0x01, 0xA0}, {0x07, 0x04, 0xA1}, {0x07, 0x10, 0xA4}, {0x07, 0x07, 0x06}, {0x07, 0x05, 0x06},
           {0x08, 0x05, 0xAA}, {0x08, 0x12, 0xB0}, {0x08, 0x02, 0x0A}, {0x08, 0x07, 0x0A}, {0x28, 1, 0x6D},
           {0x28, 2, 0x6B}, {0x28, 3, 0x2B}, {0x29, 1, 0x6A}, {0x29, 2, 0x6C}, {0x29, 0, 0x2A}, {0x60, 0x01, 0xD1},
           {0x60, 0x03, 0xD3}, {0x60, 0x05, 0x07}, {0x60, 0x10, 0x07}})
    EXPECT_EQ(sub(c1, s), want) << int(c1) << " " << int(s);
  // A rejected B805 changes nothing: B860 keeps 0xA0 of the B807 before it.
  const Bytes b807 = Rec({{0xB8, 0x07}, Prefix(), {0x12, 0x34, 0x04, 0x15}, {0x16, 0x17}, {0x01}});
  Bytes bad805 = Pair2(0xB8, 0x05, 17);
  bad805.back() ^= 0x01;
  EXPECT_EQ(Records(RawHeader(), {b807, bad805, Fields(0xB8, 0x60, {Prefix(), {0x05}})}),
            Golden({Main("86 A0", " 00 00 00 00 00 45 00 00 00 D2 04 9F 01 00 ", "17 03"),
                    Main("86 A0", " 00 00 00 00 00 45 00 00 00 D2 04 9F 01 00 ", "07 00")}));
}

TEST_F(HandlersB8, B801StationAndFirstValue) {
  StationEntry e;
  e.line = 0, e.station = 7, e.name = "ABCDEFGHIJKL";
  Tables().StationTable.push_back(e);
  const Bytes b801 = Filled(0xB8, 0x01, 21);
  Bytes out = Convert(EventFile(RawHeader(), {Rec({{0xA8, 0x06}, kTime, {0x00, 0x07}}), b801, b801}));
  EXPECT_EQ(HexRecords(EventRecords(out)).at(2), Hex(R("20 F0 41 42 43 44 45 46 47 48 49 4A 07")));
  EXPECT_EQ(out[41], 0xA1);  // 1617 / 10 from the first B801
  // The first value is taken before the attached state; the state change comes first.
  out = Convert(EventFile(RawHeader(), {b801, Rec({{0xF0}, {0x05, 0x87}, {0x01, 0x23}, {0x00, 0x00}})}));
  EXPECT_EQ(out[41], 0xA1);
  EXPECT_EQ(HexRecords(EventRecords(out)).at(1),
            Hex(R(Main("86 01", " E2 D9 0F 3A 0C 08 00 00 00 00 00 00 00 00 ", "CF 10"))));
  // After BA02 B801 carries its station and clears the mark: D0 with m = 1 gives 0x19, else 0x18.
  const Bytes ba02 = Rec({{0xBA, 0x02}, kTime, {0x00, 0x00}, {0x03}, {0x00, 0x07}, {0x00, 0x00}});
  const Bytes d0 = Rec({{0xD0}, Prefix(), {0x01, 0x23, 0x45}, {0x01}, {0x02, 0x72}, {0x05, 0x87, 0x01, 0x23}, {0x01, 0x28}});
  auto recs = Records(RawHeader(), {ba02, b801, d0});
  EXPECT_EQ(recs.at(2), Hex(R("20 F0 33 2D 37 00 00 00 00 00 00 00 07")));
  EXPECT_EQ(R(recs.at(3))[1], 0x19);
  EXPECT_EQ(R(Records(RawHeader(), {ba02, d0}).at(1))[1], 0x18);
}

TEST_F(HandlersB8, LookAheadOrderAndRejectedRecords) {
  const Bytes f0 = Rec({{0xF0}, {0x05, 0x87}, {0x01, 0x23}, {0x00, 0x00}});
  // The state change carries the pair of the record being converted.
  const std::string f0Out = "8B 06" + kHead + " 00 00 00 3A 0C 08 00 00 00 BD 04 9F 01 00 47 10";
  // B805 takes the attached state; B895 and B896 do not look ahead.
  EXPECT_EQ(Records(RawHeader(), {Pair2(0xB8, 0x05, 17), f0}),
            Golden({f0Out, Main("86 07", " 00 00 00 3A 0C 08 00 00 00 BD 04 9F 01 00 ", "C7 13")}));
  EXPECT_EQ(Records(RawHeader(), {Pair2(0xB8, 0x95, 19), f0}),
            Golden({Main("86 E1", kPairFill, "07 03"), "21 F0 51 06", f0Out}));
  // Rejected records write neither record.
  for (const auto& [c0, c1, len] : std::vector<std::tuple<uint8_t, uint8_t, int>>{
           {0xB8, 0x01, 21}, {0xB8, 0x10, 21}, {0xB8, 0x25, 23}, {0xB8, 0x26, 25}, {0xB8, 0x46, 22}, {0xB8, 0x95, 19}, {0xB2, 0x01, 32}}) {
    Bytes b = Pair2(c0, c1, len);
    b.back() ^= 0x01;
    EXPECT_EQ(Records(RawHeader(), {b, Sentinel()}), Golden({kSentinelOut})) << int(c1);
  }
}

// Records that take the event time only keep the header numbers (A822 loads
// 12345678 / 123456; A804, A806, A825 and B844 take the time only; B206
// takes Val5 only and keeps the 6-digit number of the B209 before it).
TEST(StateRulesA8B8, EventTimeRecordsKeepTheHeaderNumbers) {
  Tables().StationTable.clear();
  Tables().DriverTable.clear();
  const Bytes kTime2 = {0x11, 0x11, 0x11};  // 11:11:11 = 0B 0B 0B
  EXPECT_EQ(Records(RawHeader(), {Rec({{0xA8, 0x22}, kTime, kNum8, kNum6, {0x12, 0x34}}),
                                  Rec({{0xA8, 0x04}, kTime2, {0x87, 0x65, 0x43, 0x21}}),
                                  Rec({{0xA8, 0x06}, kTime, {0x00, 0x07}}), Rec({{0xA8, 0x25}, kTime2, {0x00, 0x07}}),
                                  Rec({{0xB8, 0x44}, kTime2, {0x12, 0x34}})}),
            Golden({"81 49 0A 14 1E 4E 61 BC 40 E2 D2 04",
                    "81 04 0B 0B 0B B1 7F 38 37 36 35 34 33 32 31 00 00 00 00 00 00 00 00 00 39 05",
                    "81 06 0A 14 1E 07 00 30 2D 37 20",
                    "81 18 0B 0B 0B 4E 61 BC 40 E2 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "86 7E 0B 0B 0B 4E 61 BC 40 E2 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00", "21 F0 D2 04"}));
  EXPECT_EQ(Records(RawHeader(), {Filled(0xB2, 0x09, 19), Fields(0xB2, 0x06, {kTime, {0x11, 0x22, 0x33, 0x44}})}).at(2),
            Hex(R("8C 21 0A 14 1E 30 41 AB 40 E2" + kState0 + "03 00")));
}
