// Single-byte event records C0..EF.
#include <gtest/gtest.h>

#include <cstdio>

#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

const Bytes kPair = {0x12, 0x34, 0x05, 0x67};   // Val19 1234, Val21 567
const Bytes kSig = {0x02, 0x72};                // signal 272: group 1, lamp 10h -> aspect 14
const Bytes kSpeed = {0x05, 0x87, 0x01, 0x23};  // Val13 587 (byte 58), Val14 123 / 10

const std::string kPairState = " 00 00 00 00 00 08 00 00 00 D2 04 37 02 00 ";
const std::string kSigState = " 00 00 00 00 00 0E 00 00 00 D2 04 37 02 00 ";
const std::string kSpeedState = " 00 00 00 3A 0C 0E 00 00 00 D2 04 37 02 00 ";

Bytes One(uint8_t code, std::initializer_list<Bytes> fields) { return Rec(Cat({{code}, Cat(fields)})); }

std::string Std(const char* codes, const std::string& state, const char* mask) { return codes + kHead + state + mask; }

Bytes CeRecord(uint8_t kind, uint8_t b22 = 0x01) {
  return One(0xCE, {Prefix(), kPair, {0x01, 0x23, 0x45}, {kind}, {0x00, 0x01, 0x00}, {b22}, kSig,
                    {0x04}});
}
const std::string kCeState(uint8_t kind) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X", kind);
  return std::string(" 39 30 ") + b + " 00 00 0E 00 00 00 D2 04 37 02 FF ";
}

}  // namespace

TEST(HandlersSingleByte, EveryCodeConvertsOneRecord) {
  const Bytes p = Prefix();
  const std::vector<Case> cases = {
      {"C0", One(0xC0, {p}), {Std("87 01", kState0, "07 00")}},
      // 23:99:99 is 23 * 3600 + 99 * 60 + 99 = 88839 s: 24 h 40 min 39 s.
      {"C0 minute and second above 59", One(0xC0, {{0x23, 0x99, 0x99}, kNum8, kNum6}),
       {"87 01 18 28 27 4E 61 BC 40 E2" + kState0 + "07 00"}},
      {"C1", One(0xC1, {kTime, {0x11, 0x22, 0x33}}), {"87 02" + kTimeHead + kState0 + "01 00"}},
      {"C2", One(0xC2, {p}), {Std("87 03", kState0, "07 00")}},
      // C3 and C4 take the header numbers from raw 4..10: the check byte and zeros.
      {"C3", One(0xC3, {kTime}), {"87 04 0A 14 1E 40 A5 AE 00 00" + kState0 + "01 00"}},
      {"C4", One(0xC4, {kTime}), {"87 05 0A 14 1E 00 63 9F 00 00" + kState0 + "01 00"}},
      {"C5", One(0xC5, {p, {0x00, 0x10, 0x05}}), {Std("87 06", kState0, "07 00"), "96 01 FB FF"}},
      // 1999 is -999; 1000 is not above 1000.
      {"C5 1999", One(0xC5, {p, {0x00, 0x19, 0x99}}), {Std("87 06", kState0, "07 00"), "96 01 19 FC"}},
      {"C5 1000", One(0xC5, {p, {0x00, 0x10, 0x00}}), {Std("87 06", kState0, "07 00"), "96 01 E8 03"}},
      {"C5 999", One(0xC5, {p, {0x00, 0x09, 0x99}}), {Std("87 06", kState0, "07 00"), "96 01 E7 03"}},
      {"C6", One(0xC6, {p, {0x10, 0x20, 0x00}}), {Std("8B 0C", kState0, "07 00"), "87 07 EC FF"}},
      {"C7", One(0xC7, {p, kPair}), {Std("87 08", kPairState, "07 03")}},
      {"C8", One(0xC8, {p, kPair, kSig}), {Std("87 09", kSigState, "17 03")}},
      {"C9", One(0xC9, {p, kPair, kSig}), {Std("87 0A", kSigState, "17 03")}},
      {"CA", One(0xCA, {p, kPair, kSig, kSpeed}), {Std("87 0B", kSpeedState, "57 03")}},
      {"CB", One(0xCB, {p, kPair, kSig, kSpeed}), {Std("87 0C", kSpeedState, "57 03")}},
      {"CC", One(0xCC, {p, kPair, {0x01}}), {Std("87 0D", kPairState, "07 03")}},
      {"CC 2", One(0xCC, {p, kPair, {0x02}}), {Std("87 0E", kPairState, "07 03")}},
      {"CD", One(0xCD, {{0x12, 0x34, 0x56, 0x78, 0x90, 0x11}}), {"81 A0 0C 22 38 4E 5A 0B"}},
      {"CE", CeRecord(2), {Std("87 10", kCeState(2), "1F 03"), "20 F0 B3 F6 D5 BE 31 32 33 34 35 20 FF"}},
      {"CF", One(0xCF, {kTime}), {"87 12" + kTimeHead + kState0 + "01 00"}},
      {"D0", One(0xD0, {p, {0x01, 0x23, 0x45}, {0x04}, kSig, kSpeed, {0x01, 0x28}}),
            {Std("87 17", " 39 30 04 3A 0C 0E 00 00 00 00 00 00 00 00 ", "5F 10")}},
      {"D1", One(0xD1, {p, kPair, {0x01, 0x23, 0x45}, {0x03}, kSig, kSpeed, {0x01, 0x28}}),
            {Std("87 1D", " 39 30 03 3A 0C 0E 00 00 00 D2 04 37 02 00 ", "5F 03")}},
      // Mode word 0, 16, 32 instead of 128.
      {"D1 0", One(0xD1, {p, kPair, {0x01, 0x23, 0x45}, {0x03}, kSig, kSpeed, {0x00, 0x00}}),
            {Std("87 2D", " 39 30 03 3A 0C 0E 00 00 00 D2 04 37 02 00 ", "5F 03")}},
      {"D1 16", One(0xD1, {p, kPair, {0x01, 0x23, 0x45}, {0x03}, kSig, kSpeed, {0x00, 0x16}}),
            {Std("87 1A", " 39 30 03 3A 0C 0E 00 00 00 D2 04 37 02 00 ", "5F 03")}},
      {"D1 32", One(0xD1, {p, kPair, {0x01, 0x23, 0x45}, {0x03}, kSig, kSpeed, {0x00, 0x32}}),
            {Std("87 1E", " 39 30 03 3A 0C 0E 00 00 00 D2 04 37 02 00 ", "5F 03")}},
      {"D2", One(0xD2, {p, kPair}), {Std("87 1F", kPairState, "07 03")}},
      {"D3", One(0xD3, {p, kPair}), {Std("87 20", kPairState, "07 03")}},
      {"D4", One(0xD4, {p, kPair}), {Std("87 21", kPairState, "07 03")}},
      {"D5", One(0xD5, {p, kPair}), {Std("87 22", kPairState, "07 03")}},
      {"D6", One(0xD6, {kTime, kPair, {0x11}, {0x22}, {0x33, 0x44}, {0x01, 0x23, 0x45}, {0x00, 0x00, 0x07}}),
            {"87 52" + kTimeHead + kPairState + "01 03", "21 F0 0B 16 10 0D 39 30 00 07 00 00 30 2D 37"}},
      {"D7", One(0xD7, {{0x12, 0x34, 0x56}}), {"87 62 40 E2 01"}},
      {"DB", One(0xDB, {p, kPair, kSig, kSpeed}), {Std("89 01", kSpeedState, "57 13")}},
      {"DC", One(0xDC, {p, kPair, kSig, kSpeed}), {Std("89 02", kSpeedState, "57 13")}},
      {"DD", One(0xDD, {p, kPair, kSig, kSpeed}), {Std("89 03", kSpeedState, "57 13")}},
      {"DE", One(0xDE, {p, kPair, kSig}), {Std("89 04", kSigState, "17 03")}},
      {"DF", One(0xDF, {p, kPair, kSig}), {Std("89 05", kSigState, "17 03")}},
      {"E0", One(0xE0, {p, kPair, kSig}), {Std("8A 01", kSigState, "17 03")}},
      {"E1", One(0xE1, {p, kPair, {0x42}}), {Std("8B 0C", kPairState, "07 03"), "8A 02 2A"}},
      {"E2", One(0xE2, {p, {0x12, 0x34}}), {Std("8B 0C", kState0, "07 00"), "8B 22 D2 04"}},
      {"E3", One(0xE3, {p, kPair, {0x02, 0x58}}),
            {Std("8A 03", " 00 00 00 00 00 08 02 00 00 D2 04 37 02 00 ", "27 03")}},
      {"E4", One(0xE4, {p, kPair, kSig}), {Std("8A 04", kSigState, "17 03")}},
      {"E5", One(0xE5, {p, kPair, {0x21}}), {Std("8A 05", " 00 00 00 00 00 15 00 00 00 D2 04 37 02 00 ", "17 03")}},
      {"E6", One(0xE6, {p, kPair}), {Std("8B 01", kPairState, "07 03")}},
      {"E7", One(0xE7, {p, {0x12, 0x34}}), {Std("8B 02", " 00 00 00 00 00 08 00 D2 04 00 00 00 00 00 ", "87 00")}},
      {"E8", One(0xE8, {p, {0x12, 0x34}}),
            {Std("8B 0C", " 00 00 00 00 00 08 00 D2 04 00 00 00 00 00 ", "07 00"), "8B 03 D2 04"}},
      {"E9", One(0xE9, {p, {0x12, 0x34}}), {Std("8B 0C", kState0, "07 00"), "8B 04 D2 04 00"}},
      {"EA", One(0xEA, {p, {0x12, 0x34}}), {Std("8B 0C", kState0, "07 00"), "8B 05 D2 04"}},
      {"EB", One(0xEB, {p, kSpeed}), {Std("8B 06", " 00 00 00 3A 0C 08 00 00 00 00 00 00 00 00 ", "47 10")}},
      {"EC", One(0xEC, {p, kPair}), {Std("8B 07", kPairState, "07 03")}},
      {"ED", One(0xED, {p, kPair, kSig, {0x02, 0x58}, kSpeed, {0x00, 0x12}, {0x00, 0x34}, Bytes(8, 0),
                             {0x12, 0x34}, {0x00, 0x00}}),
            {Std("8B 08", " 00 00 00 3A 0C 0E 02 D2 04 D2 04 37 02 00 ", "F7 1F"),
             "8B 0A 0A 14 1E 0C 00 22 00"}},
      {"EE", One(0xEE, {p, {0x00}, {0x05, 0x87}, {0x00}}),
            {Std("8B 10", " 00 00 00 3A 00 08 00 00 00 00 00 00 00 00 ", "47 10")}},
      {"EF", One(0xEF, {p, {0x00, 0x12}, {0x00, 0x34}}),
            {Std("8B 0C", kState0, "07 00"), "8B 0A 0A 14 1E 0C 00 22 00 E2" + kState0 + "07 00"}},
  };
  ExpectCovers(FamilySingleByte(), cases);
  RunCases(cases);
}

TEST(HandlersSingleByte, RecordsThatDependOnTheRecordBefore) {
  const Bytes p = Prefix();
  const Bytes c0 = One(0xC0, {p}), c1 = One(0xC1, {kTime, {0x11, 0x22, 0x33}}), cf = One(0xCF, {kTime});
  const Bytes e5 = One(0xE5, {p, kPair, {0x21}}), a014 = Rec({{0xA0, 0x14}, kTime, {0x01}});
  const Bytes ef = One(0xEF, {p, {0x00, 0x12}, {0x00, 0x34}});
  const std::string c1Out = "87 02" + kTimeHead + kState0 + "01 00";
  const std::string e5Out = Std("8A 05", " 00 00 00 00 00 15 00 00 00 D2 04 37 02 00 ", "17 03");
  const std::string efOut = Std("8B 0C", kState0, "07 00");
  const std::vector<Case> rows = {
      // C3: check byte 45h, so Val5 = 45000000 (40 A5 AE) and Val8 = 0 replace
      // the numbers of the C0 before it; the CF after it keeps them.
      {"C3 reloads, CF keeps", Cat({c0, One(0xC3, {kTime}), cf}),
       {Std("87 01", kState0, "07 00"), "87 04 0A 14 1E 40 A5 AE 00 00" + kState0 + "01 00",
        "87 12 0A 14 1E 40 A5 AE 00 00" + kState0 + "01 00"}},
      {"C0 sets the last start time", Cat({c0, a014}), {Std("87 01", kState0, "07 00")}},
      {"C1 sets the last start time", Cat({c1, e5}), {c1Out}},
      {"C0 before E5", Cat({c0, e5}), {Std("87 01", kState0, "07 00")}},
      // E5 dropped at the last start time still takes its time: the lone F0
      // after it writes its state change at 10:20:30.
      {"E5 dropped keeps its time", Cat({c1, One(0xCF, {{0x11, 0x00, 0x00}}), e5, Rec({{0xF0}, kSpeed, {0x00, 0x00}})}),
       {c1Out, "87 12 0B 00 00 00 00 00 00 00" + kState0 + "01 00",
        "8B 06 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 00 00 00 00 00 00 00 47 10"}},
      // CC with an unlisted value keeps the second code of the record before.
      {"CC unlisted", Cat({One(0xC9, {p, kPair, kSig}), One(0xCC, {p, kPair, {0x05}})}),
       {Std("87 0A", kSigState, "17 03"), Std("87 0A", kSigState, "07 03")}},
      // D0 with m = 8 likewise.
      {"D0 m 8", Cat({One(0xC7, {p, kPair}), One(0xD0, {p, {0x01, 0x23, 0x45}, {0x08}, kSig, kSpeed, {0x01, 0x28}})}),
       {Std("87 08", kPairState, "07 03"), Std("87 08", " 39 30 08 3A 0C 0E 00 00 00 00 00 37 02 00 ", "5F 10")}},
      // The pair record of EF only when the pair changes.
      {"EF pair twice", Cat({ef, ef, One(0xEF, {p, {0x00, 0x12}, {0x00, 0x35}})}),
       {efOut, "8B 0A 0A 14 1E 0C 00 22 00 E2" + kState0 + "07 00", efOut, efOut,
        "8B 0A 0A 14 1E 0C 00 23 00 E2" + kState0 + "07 00"}},
      {"ED then EF with the same pair",
       Cat({One(0xED, {p, kPair, kSig, {0x02, 0x58}, kSpeed, {0x00, 0x12}, {0x00, 0x34}, Bytes(8, 0), {0x12, 0x34},
                   {0x00, 0x00}}),
            ef}),
       {Std("8B 08", " 00 00 00 3A 0C 0E 02 D2 04 D2 04 37 02 00 ", "F7 1F"), "8B 0A 0A 14 1E 0C 00 22 00",
        Std("8B 0C", " 00 00 00 3A 0C 0E 02 D2 04 D2 04 37 02 00 ", "07 00")}},
  };
  for (const Case& k : rows) EXPECT_EQ(Out(k.raw), Golden(k.expected)) << k.name;
  // The pair of the raw header counts as already reported.
  RawHeader h;
  h.Put(208, {0x00, 0x12, 0x00, 0x34});
  EXPECT_EQ(Records(h, {ef}), Golden({efOut}));
  // E5 in a file dated 2007-09-05 .. 2007-09-10 right after C1: the first is
  // dropped. Not after the 10th, not without C1, not for other vendors.
  for (const auto& [date, vendor, withC1, count] : std::vector<std::tuple<uint8_t, char, bool, std::size_t>>{
           {0x05, 'Q', true, 1}, {0x10, 'Q', true, 1}, {0x11, 'Q', true, 2}, {0x05, 'Q', false, 2}, {0x05, 'Z', true, 2}}) {
    RawHeader d;
    d.Put(58, {0x20, 0x07, 0x09, date}).Vendor(vendor);
    const Bytes c1At10 = One(0xC1, {{0x10, 0x00, 0x00}, {0x11, 0x22, 0x33}});
    std::vector<std::string> want(count, Hex(R(e5Out)));
    if (withC1) want.insert(want.begin(), Hex(R("87 02 0A 00 00 00 00 00 00 00" + kState0 + "01 00")));
    EXPECT_EQ(withC1 ? Records(d, {c1At10, e5, e5}) : Records(d, {e5, e5}), want) << int(date) << vendor;
  }
}

TEST(HandlersSingleByte, D0SecondCodeAndModeWord) {
  const Bytes p = Prefix();
  auto d0 = [&](uint8_t m, Bytes mode) { return One(0xD0, {p, {0x01, 0x23, 0x45}, {m}, kSig, kSpeed, mode}); };
  // Bit 80h with m (HandlerByteA clear), 20h, 40h, 10h, none.
  for (const auto& [m, mode, sub] : std::vector<std::tuple<uint8_t, Bytes, uint8_t>>{
           {1, {0x01, 0x28}, 0x19}, {2, {0x01, 0x28}, 0x18}, {3, {0x01, 0x28}, 0x19}, {0x10, {0x01, 0x28}, 0x17},
           {4, {0x00, 0x32}, 0x16}, {4, {0x00, 0x64}, 0x16}, {4, {0x00, 0x16}, 0x13}, {4, {0x00, 0x00}, 0x2E}})
    EXPECT_EQ(R(Records(RawHeader(), {d0(m, mode)}).at(0))[1], sub) << int(m);
  // Mode word 32 lets signal codes of CA pass (272 -> 10h); C8 always
  // converts; E0 clears the pass-through bit.
  const Bytes ca = One(0xCA, {p, kPair, kSig, kSpeed});
  auto recs = Records(RawHeader(), {d0(4, {0x00, 0x32}), ca, One(0xC8, {p, kPair, kSig}), One(0xE0, {p, kPair, kSig}), ca});
  ASSERT_EQ(recs.size(), 5u);
  // (Val10 12345 and Val12 4 of the D0 stay.)
  EXPECT_EQ(recs[1], Hex(R(Std("87 0B", " 39 30 04 3A 0C 10 00 00 00 D2 04 37 02 00 ", "57 03"))));
  EXPECT_EQ(recs[4], Hex(R(Std("87 0B", " 39 30 04 3A 0C 0E 00 00 00 D2 04 37 02 00 ", "57 03"))));
}

TEST(HandlersSingleByte, CeKindsAndFirstValue) {
  auto recs = [](uint8_t kind) { return Records(RawHeader(), {CeRecord(kind)}); };
  EXPECT_EQ(recs(1), Golden({Std("87 60", kCeState(1), "1F 03"), "20 F0"}));
  EXPECT_EQ(recs(3), Golden({Std("87 0F", kCeState(3), "1F 03"), "20 F0 BD F8 D5 BE 31 32 33 34 35 20 FF"}));
  EXPECT_EQ(recs(4), Golden({Std("87 11", kCeState(4), "1F 03")}));
  // Raw 22 of 3 or more: the station record stays empty.
  EXPECT_EQ(Records(RawHeader(), {CeRecord(2, 0x03)}).at(1), Hex(R("20 F0")));
  // The state change of an attached F0 comes first; header byte 41 takes
  // 587 / 10 from the first station record only.
  const Bytes out = Convert(EventFile(RawHeader(), {CeRecord(2), Rec({{0xF0}, kSpeed, {0x00, 0x00}}), CeRecord(3),
                                                    Rec({{0xF0}, {0x09, 0x99}, {0x01, 0x23}, {0x00, 0x00}})}));
  EXPECT_EQ(out[41], 58);
  EXPECT_EQ(HexRecords(EventRecords(out)).at(1), Hex(R("87 10" + kHead + " 39 30 02 3A 0C 0E 00 00 00 D2 04 37 02 FF 1F 03")));
}

class HandlersSingleByteTables : public ::testing::Test {
 protected:
  void SetUp() override { Tables().StationTable.clear(); }
  void TearDown() override { Tables().StationTable.clear(); }
  static void Add(uint16_t line, uint16_t station, std::string name, int32_t c4, int32_t c5, int32_t c6, int32_t c7) {
    StationEntry e;
    e.line = line, e.station = station, e.name = std::move(name);
    e.czbm04 = c4, e.czbm05 = c5, e.czbm06 = c6, e.czbm07 = c7;
    Tables().StationTable.push_back(e);
  }
};

TEST_F(HandlersSingleByteTables, CeStationRecordFromTheStationTable) {
  Add(0, 0x0105, "LEAVE", 0, 0, 12345, 0);
  Add(0, 0x0203, "ENTER", 12345, 0, 0, 0);
  Add(0, 0x0309, "SECOND", 0, 12345, 0, 0);
  Add(7, 0x0203, "LINE7", 12345, 0, 0, 0);
  EXPECT_EQ(Records(RawHeader(), {CeRecord(2)}).at(1), Hex(R("20 F0 4C 45 41 56 45 20 20 20 20 20 05")));
  EXPECT_EQ(Records(RawHeader(), {CeRecord(3)}).at(1), Hex(R("20 F0 45 4E 54 45 52 20 20 20 20 20 03")));
  // An odd value of start-up record 0x81 0x25 selects the second code system only.
  RawHeader odd;
  odd.Put(14, {0x00, 0x00, 0x01});
  EXPECT_EQ(Records(odd, {CeRecord(3)}).at(1), Hex(R("20 F0 53 45 43 4F 4E 44 20 20 20 20 09")));
  // Kind 3 takes the line of a following line record; the records looked at
  // are converted in their turn.
  const Bytes a805 = Rec({{0xA8, 0x05}, kTime, {0x12, 0x34}}), a818 = Rec({{0xA8, 0x18}, kTime, {0x07}});
  const std::string ce = Std("87 0F", kCeState(3), "1F 03"), line7 = "20 F0 4C 49 4E 45 37 20 20 20 20 20 03";
  EXPECT_EQ(Records(RawHeader(), {CeRecord(3), a818, Sentinel()}), Golden({ce, line7, "81 15 0A 14 1E 07", kSentinelOut}));
  EXPECT_EQ(Records(RawHeader(), {CeRecord(3), a805, a818, Sentinel()}),
            Golden({ce, line7, "81 05 0A 14 1E D2", "81 15 0A 14 1E 07", kSentinelOut}));
}

TEST(HandlersSingleByte, ZhuZhouAndVersion102Records) {
  RawHeader zz;
  zz.Vendor('Z');
  // CC: 16 bytes under ZhuZhou; the 17-byte record of the base handler gives nothing there.
  // EB and EE: the 14-byte records of version 102, with one value each (587 and 123).
  RunCases({{"CC", One(0xCC, {Prefix(), kPair}), {}},
            {"EB", One(0xEB, {Prefix(), {0x05, 0x87}}), {Std("8B 06", " 00 00 00 3A 00 08 00 00 00 00 00 00 00 00 ", "47 00")}},
            {"EE", One(0xEE, {Prefix(), {0x01, 0x23}}), {Std("8B 10", " 00 00 00 00 0C 08 00 00 00 00 00 00 00 00 ", "07 10")}}},
           zz, ClassTZhuZhouNewOrgToFmt());
  EXPECT_TRUE(Records(zz, {One(0xCC, {Prefix(), kPair, {0x02}})}).empty());
}

TEST(HandlersSingleByte, RejectedRecordsWriteNothingAndResynchronise) {
  const Bytes c8 = One(0xC8, {Prefix(), kPair, kSig});
  const Bytes cut(c8.begin(), c8.begin() + 9);  // cut short by the next code byte or the input end
  Bytes bad = c8, ce = CeRecord(2);
  // D6 writes its supplementary record from the raw bytes even for a
  // rejected record; its main record is not written.
  Bytes d6 = One(0xD6, {kTime, kPair, {0x11}, {0x22}, {0x33, 0x44}, {0x01, 0x23, 0x45}, {0x00, 0x00, 0x07}});
  for (Bytes* b : {&bad, &ce, &d6}) b->back() ^= 0x01;
  EXPECT_EQ(Records(RawHeader(), {bad, Sentinel()}), Golden({kSentinelOut}));
  EXPECT_EQ(Records(RawHeader(), {cut, Sentinel(), Sentinel(), Sentinel()}),
            Golden({kSentinelOut, kSentinelOut, kSentinelOut}));
  EXPECT_TRUE(Records(RawHeader(), {cut}).empty());
  EXPECT_EQ(Records(RawHeader(), {d6, Sentinel()}), Golden({"21 F0 0B 16 10 0D 39 30 00 07 00 00 30 2D 37", kSentinelOut}));
  // A rejected station record leaves the input after its bytes.
  EXPECT_EQ(Records(RawHeader(), {ce, Sentinel()}), Golden({kSentinelOut}));
}

namespace {
// BA02: station 7 on line 3 ("3-7" without a table).
Bytes Ba02() { return Rec({{0xBA, 0x02}, kTime, {0x00, 0x00}, {0x03}, {0x00, 0x07}, {0x00, 0x00}}); }
// B795: station 9 on the current line.
Bytes B795() { return Rec({{0xB7, 0x95}, kTime, {0x00, 0x09}, Bytes(6, 0)}); }
}  // namespace

TEST(HandlersSingleByte, CeFollowedByAStationRecordConvertsItFirst) {
  const std::string ba02Out = "20 F0 33 2D 37 00 00 00 00 00 00 00 07";
  EXPECT_EQ(Records(RawHeader(), {CeRecord(2), Ba02(), Sentinel()}),
            Golden({ba02Out, Std("87 10", kCeState(2), "1F 03"), "20 F0 33 2D 37 20 20 20 20 20 20 20 07", kSentinelOut}));
  // Kind 3 keeps the station mark for a following D0 (m = 1 gives 0x18), kind 2 clears it.
  const Bytes d0 = One(0xD0, {Prefix(), {0x01, 0x23, 0x45}, {0x01}, kSig, kSpeed, {0x01, 0x28}});
  EXPECT_EQ(R(Records(RawHeader(), {CeRecord(3), Ba02(), d0}).at(3))[1], 0x18);
  EXPECT_EQ(R(Records(RawHeader(), {CeRecord(2), Ba02(), d0}).at(3))[1], 0x19);
  // B795 only in ZhuZhou files; for vendor Q it is converted after the station record.
  RawHeader zz;
  zz.Vendor('Z');
  const std::string b795Out = "20 F0 30 2D 39 00 00 00 00 00 00 00 09", ce1 = Std("87 60", kCeState(1), "1F 03");
  EXPECT_EQ(Records(zz, {CeRecord(1), B795(), Sentinel()}),
            Golden({b795Out, ce1, "20 F0 30 2D 39 20 20 20 20 20 20 20 09", kSentinelOut}));
  EXPECT_EQ(Records(RawHeader(), {CeRecord(1), B795(), Sentinel()}), Golden({ce1, "20 F0", b795Out, kSentinelOut}));
}

TEST(HandlersSingleByte, KeepSignalLeavesVal15Alone) {
  // BA03 with value 192 (C0h: bits 7 and 6 set, bit 3 clear) sets KeepSignal.
  const Bytes ba03 = Rec({{0xBA, 0x03}, Prefix(), {0x01, 0x92}});
  const Bytes e5 = One(0xE5, {Prefix(), kPair, {0x21}});
  const Bytes c8 = One(0xC8, {Prefix(), kPair, kSig});
  auto recs = Records(RawHeader(), {ba03, e5, c8, CeRecord(2)});
  ASSERT_EQ(recs.size(), 5u);
  EXPECT_EQ(R(recs[1])[15], 0x15);  // E5 places its byte in the record only
  EXPECT_EQ(R(recs[2])[15], 0x08);  // Val15 still holds the start-up aspect
  EXPECT_EQ(R(recs[3])[15], 0x08);
}
