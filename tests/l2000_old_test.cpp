// Whole small files of the earlier L2000 format through the record loop:
// start-up records, distance modes, state records and their followers,
// long records, B6h sub-records and damaged input.
#include <gtest/gtest.h>

#include <cstring>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/l2000.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

class L2000Old : public ::testing::Test {
 public:
  void SetUp() override {
    Tables() = ReferenceTables();
    Lookups() = LookupState();
    legacy::Work().toggle = 0;
  }

  // The converter called as its entry calls it.
  static Bytes ConvertOld(const Bytes& file) {
    MemStream in(file);
    MemStream out;
    legacy::Work().ResetForConversion(in, out);
    legacy::Work().ReadFixed(0, 128);
    legacy::ConvertL2000Old(legacy::Work());
    return out.Data();
  }

  // An old-format header: version 0100, start 08:30:00, nothing else set.
  static RawHeader OldHeader(char vendor = 'Q') {
    RawHeader h;
    h.Version(100).Vendor(vendor);
    return h;
  }

  // Records after the header and the 25 start-up records (both slots invalid).
  static std::vector<Rec26> After(const Bytes& out) {
    auto all = AllRecords(out);
    EXPECT_GE(all.size(), 25u);
    return std::vector<Rec26>(all.begin() + 25, all.end());
  }

  // A file: header + records + one filler byte (the last byte of a file
  // never completes a record).
  static Bytes File(const RawHeader& h, std::initializer_list<Bytes> recs) {
    Bytes f = EventFile(h, recs);
    f.push_back(0x00);
    return f;
  }

  // The records after the start-up records of a vendor-Q file holding recs;
  // h194 is the header's distance-mode byte.
  static std::vector<Rec26> Run(std::initializer_list<Bytes> recs, uint8_t h194 = 0) {
    RawHeader h = OldHeader();
    h.h[194] = h194;
    return After(ConvertOld(File(h, recs)));
  }
};

const Bytes kT9 = {0x09, 0x00, 0x00};   // 09:00:00
const Bytes kT9b = {0x09, 0x00, 0x10};  // 09:00:10

// DE: time, position 12345, own distance 1000, Val19 60, signal 0, Val21 80.
Bytes DE(uint64_t pos = 12345, uint64_t dist = 1000) {
  return Rec({{0xDE}, kT9, Bcd(pos, 4), Bcd(dist, 3), Bcd(60, 2), Bcd(0, 2), Bcd(80, 2)});
}
Bytes C0(uint64_t pos, const Bytes& t = kT9b) { return Rec({{0xC0}, t, Bcd(pos, 4)}); }
Bytes F0() { return Rec({{0xF0}, Bcd(2000, 3), Bcd(70, 2), Bcd(90, 2), Bcd(450, 2), Bcd(120, 2), Bcd(33, 2)}); }

TEST_F(L2000Old, C0AfterDeWithSamePositionKeepsTheDistance) {
  auto recs = Run({DE(), C0(12345)});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("89 04 09 00 00 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 17 03")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("87 01 09 00 0A 39 30 00 E8 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 03 00")));
}

TEST_F(L2000Old, DistanceModeZeroCountsDown) {
  RawHeader h = OldHeader();
  h.h[194] = 0x80;  // distance mode 0
  auto recs = After(ConvertOld(File(h, {DE(), C0(12495)})));
  ASSERT_EQ(recs.size(), 2u);
  // 12495 = 0x30CF; 1000 - 150 = 850 = 0x0352.
  EXPECT_EQ(Hex(recs[1]), Hex(R("87 01 09 00 0A CF 30 00 52 03 00 00 00 00 00 08 00 00 00 3C 00 50 00 50 03 00")));
}

TEST_F(L2000Old, DistanceModeTwoCountsUpByDirection) {
  auto recs = Run({DE(), C0(12495)});
  ASSERT_EQ(recs.size(), 2u);
  // Direction sign -1 (no flag, Val16 0): 1000 - 150.
  EXPECT_EQ(recs[1][8], 0x52);
  EXPECT_EQ(recs[1][9], 0x03);
}

TEST_F(L2000Old, TwoF0AfterOneStateRecordWriteOnce) {
  auto recs = Run({C0(12345, kT9), F0(), F0()});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0][0], 0x87);
  // Val8 2000, Val13 45, Val14 12, Val17 33, Val19 70, Val21 90, Val23 = Val21.
  EXPECT_EQ(Hex(recs[1]), Hex(R("8B 08 09 00 00 39 30 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13")));
}

TEST_F(L2000Old, PositionMarkClearsTheWrittenFlag) {
  Bytes mark = Rec({{0xA0, 0x40}, kT9, Bcd(777, 4)});
  auto recs = Run({C0(12345), mark, F0()});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[1]), Hex(R("A0 40 09 00 00 09 03 00 C7 CF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00")));
}

TEST_F(L2000Old, EbIsNotDividedTwice) {
  Bytes eb = Rec({{0xEB}, kT9, Bcd(12345, 4), Bcd(587, 2), Bcd(300, 2)});
  auto recs = Run({eb});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("8B 06 09 00 00 39 30 00 C7 CF 00 00 00 3A 1E 00 00 00 00 00 00 00 00 00 43 10")));
}

// ED whose long check fails while its first 22 bytes pass.
Bytes BrokenLong() {
  Bytes head = Rec({{0xED}, kT9, Bcd(12345, 4), Bcd(500, 3), {0x01, 0x20}, {0x00, 0x45}, Bcd(0, 6)});
  EXPECT_EQ(head.size(), 22u);
  Bytes tail(19, 0x11);
  tail.push_back(0x00);  // wrong check byte
  return Cat({head, tail});
}

TEST_F(L2000Old, LongRecordFallsBackToShortStateForOtherVendors) {
  auto recs = After(ConvertOld(File(OldHeader('Z'), {BrokenLong()})));
  ASSERT_EQ(recs.size(), 1u);
  // Val8 500, Val19 1 * 100 + 20, Val21 0 * 100 + 45.
  EXPECT_EQ(Hex(recs[0]), Hex(R("8B 08 09 00 00 39 30 00 F4 01 00 00 00 00 00 00 00 00 00 78 00 2D 00 00 07 03")));
  auto q = After(ConvertOld(File(OldHeader('Q'), {BrokenLong()})));
  EXPECT_EQ(q.size(), 0u);
}

TEST_F(L2000Old, LongRecordNamesItsOutputCode) {
  Bytes body = Cat({{0xED}, kT9, Bcd(12345, 4), Bcd(500, 3), Bcd(60, 2), Bcd(80, 2), Bcd(0, 2), Bcd(5, 2),
                    Bcd(450, 2), Bcd(120, 2), Bcd(11, 2), Bcd(22, 2), Bcd(0, 8), Bcd(33, 2), Bcd(0, 2), Bcd(200, 2)});
  ASSERT_EQ(body.size(), 41u);
  auto recs = Run({Rec(body)});
  ASSERT_EQ(recs.size(), 2u);
  // 200 names C8h: 87 09; Val16 5, Val17 33.
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 09 09 00 00 39 30 00 F4 01 00 00 00 2D 0C 08 05 21 00 3C 00 50 00 50 F7 13")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("8B 0A 09 00 00 0B 00 16 00")));
}

Bytes LongB101(int bodyBytes) {
  Bytes r = {0xB1, 0x01, 0x10, 0x20, 0x30, 0x12, 0x34, 0x05, 0x06, 0x07, 0x89, 0x01};
  for (int i = 0; static_cast<int>(r.size()) < bodyBytes + 1; ++i) r.push_back(Bcd(i + 1, 1)[0]);
  return Rec(r);
}

TEST_F(L2000Old, LongB101IsOneUnitWithItsContinuation) {
  auto recs = Run({LongB101(39)});
  ASSERT_EQ(recs.size(), 2u);
  // Bytes 12..39 carry 1..28, the rest of the unit is zero.
  EXPECT_EQ(Hex(recs[0]), Hex(R("83 01 0A 14 1E D2 04 05 06 15 03 02 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 00 00 00 00 00 00 00 00 00 00 00 00")));
}

TEST_F(L2000Old, ShortB101CutByACodeByteKeepsTheCode) {
  Bytes c3 = Rec({{0xC3}, kT9});
  auto recs = Run({LongB101(34), c3});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0][12], 0x01);
  EXPECT_EQ(recs[0][25], 0x0E);
  EXPECT_EQ(Hex(recs[1]), Hex(R("0F 10 11 12 13 14 15 16 17 00")));
  EXPECT_EQ(recs[2][0], 0x87);
  EXPECT_EQ(recs[2][1], 0x04);
}

TEST_F(L2000Old, RecordCutByACodeByteIsDroppedAndTheCodeStarts) {
  Bytes cut = {0xC0, 0x09, 0x00, 0x00, 0x01};
  Bytes c3 = Rec({{0xC3}, kT9});
  auto recs = Run({cut, c3});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x04);
}

TEST_F(L2000Old, BadCheckIsDroppedAndScanningGoesOn) {
  Bytes bad = C0(12345);
  bad.back() ^= 0x01;
  Bytes c3 = Rec({{0xC3}, kT9});
  auto recs = Run({bad, {0x12, 0x34}, c3});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x04);
}

TEST_F(L2000Old, E3RemembersBitSixForOtherVendors) {
  auto e3 = [](uint64_t v16) {
    return Rec({{0xE3}, kT9, Bcd(12345, 4), Bcd(10, 3), Bcd(60, 2), Bcd(v16, 2)});
  };
  auto recs = After(ConvertOld(File(OldHeader('Z'), {e3(64), e3(64), e3(1)})));
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 5), "86 7B");
  EXPECT_EQ(Hex(recs[1]).substr(0, 5), "8A 03");
  EXPECT_EQ(Hex(recs[2]).substr(0, 5), "86 7A");
  EXPECT_EQ(recs[0][16], 64);
  auto q = After(ConvertOld(File(OldHeader('Q'), {e3(64)})));
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(Hex(q[0]).substr(0, 5), "8A 03");
}

TEST_F(L2000Old, A805ShortFormCutByACode) {
  Bytes a805 = Rec({{0xA8, 0x05}, kT9, {0x42}});
  Bytes c3 = Rec({{0xC3}, kT9});
  auto recs = Run({a805, c3});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 05 09 00 00 2A")));
  EXPECT_EQ(recs[1][1], 0x04);
}

TEST_F(L2000Old, F1FullAndShortForms) {
  Bytes f1 = Rec({{0xF1}, Bcd(2000, 3), Bcd(70, 2), Bcd(90, 2), Bcd(450, 2), Bcd(120, 2), Bcd(33, 2),
                  Bcd(1234, 2), Bcd(4321, 2)});
  auto recs = Run({C0(12345, kT9), f1});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[1][17], 33);
  EXPECT_EQ(Hex(recs[2]), Hex(R("8B 12 00 D2 04 E1 10")));

  Bytes shortF1 = Rec({{0xF1}, Bcd(2000, 3), Bcd(70, 2), Bcd(90, 2), Bcd(450, 2), Bcd(120, 2), Bcd(33, 2)});
  Bytes c3 = Rec({{0xC3}, kT9});
  recs = Run({C0(12345, kT9), shortF1, c3});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[1][0], 0x8B);
  EXPECT_EQ(recs[1][17], 0);  // no Val17 in the short form
  EXPECT_EQ(recs[2][1], 0x04);
}

TEST_F(L2000Old, StartupRecordsOfBlockOne) {
  RawHeader h = OldHeader();
  h.h[94] = 0x07;  // slot 2: bytes 104..107
  h.Put(104, {0x05, 0x17, 0x08, 0x30});
  h.h[95] = 0x01;  // slot 1 of the second group: bytes 120..123, hour 25h
  h.Put(120, {0x05, 0x17, 0x25, 0x30});
  h.h[86] = 0x03;
  h.h[25] = 0x10;
  auto all = AllRecords(ConvertOld(File(h, {})));
  ASSERT_EQ(all.size(), 26u);
  EXPECT_EQ(Hex(all[4]), Hex(R("81 05 00 00 00 36 00")));
  EXPECT_EQ(Hex(all[20]), Hex(R("91 01 05 11 08 1E")));
  EXPECT_EQ(Hex(all[21]).substr(0, 5), "81 07");
}

TEST_F(L2000Old, FileOfExactlyTheHeaderGivesBlockOneOnly) {
  RawHeader h = OldHeader();
  h.PutBcd(54, 1234, 2);
  Bytes out = ConvertOld(h.bytes());
  ASSERT_EQ(out.size(), 52u + 20 * 26);
  EXPECT_EQ(Hex(Bytes(out.begin(), out.begin() + 24)),
            "A6 6A 31 32 33 34 20 20 20 20 20 20 30 20 20 20 20 20 20 20 00 00 32 4B");
  EXPECT_EQ(out[51], 'Q');
  EXPECT_EQ(Hex(AllRecords(out)[0]), Hex(R("B0 01 00 00 00 08 1E 00")));
}

TEST_F(L2000Old, InputShorterThanTheHeaderDoesNotCrash) {
  for (int n : {0, 1, 100, 128, 129, 200, 255}) {
    Bytes f = OldHeader().bytes();
    f.resize(n);
    Bytes out = ConvertOld(f);
    EXPECT_GE(out.size(), 52u) << n;
  }
}

TEST_F(L2000Old, BlockTwoSeedsTheRunningRecord) {
  RawHeader h = OldHeader();
  h.h[194] = 0x20;  // distance mode 1
  h.PutBcd(196, 55, 2).PutBcd(198, 66, 2).PutBcd(204, 470, 2).PutBcd(220, 9, 2);
  auto all = AllRecords(ConvertOld(File(h, {Rec({{0xC3}, kT9})})));
  ASSERT_EQ(all.size(), 26u);
  EXPECT_EQ(Hex(all[22]), Hex(R("B0 02 00 00 20 00 37 00 42 00 00 00 00 00 D6 01")));
  // Val13 47, Val17 9, Val19 55, Val21 66, Val23 from Val21.
  EXPECT_EQ(Hex(all[25]), Hex(R("87 04 09 00 00 00 00 00 00 00 00 00 00 2F 00 00 00 09 00 37 00 42 00 42 01 00")));
}

// ---- B6h sub-records

Bytes B602(int kind, const Bytes& rest) {
  return Cat({{0xB6, 0x02}, kT9, Bcd(kind / 100, 1), Bcd(kind % 100, 1), rest});
}

TEST_F(L2000Old, B6Kind68Digits) {
  Bytes r = Rec(B602(68, {0x00, 0x49, 0x00, 0x50, 0x00, 0x51, 0x00, 0x52}));
  auto recs = Run({r});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 29), "B6 63 09 00 00 00 00 00 D2 04");
  Bytes bad = Rec(B602(68, {0x00, 0x49, 0x00, 0x50, 0x00, 0x60, 0x00, 0x52}));
  recs = Run({bad});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][8], 0);
  EXPECT_EQ(recs[0][9], 0);
}

TEST_F(L2000Old, B6UnknownKindFallsBackToTheNextCode) {
  Bytes r = Cat({B602(70, {0x11, 0x22, 0x33}), Rec({{0xC3}, kT9})});
  auto recs = Run({r});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x04);
}

TEST_F(L2000Old, B6Type1AtTheVeryEndWritesNothing) {
  Bytes r = Rec({{0xB6, 0x01}, kT9, Bcd(12, 2), Bcd(34, 2)});
  Bytes f = EventFile(OldHeader(), {r});
  EXPECT_EQ(After(ConvertOld(f)).size(), 0u);
  f.push_back(0x00);
  auto recs = After(ConvertOld(f));
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 14), "B6 01 09 00 00");
  EXPECT_EQ(recs[0][19], 12);
  EXPECT_EQ(recs[0][21], 34);
}

TEST_F(L2000Old, B6Type7WritesNothingAndType3ReadsNoFurther) {
  Bytes t7 = Rec({{0xB6, 0x07}, Bcd(12345678, 4), Bcd(1234, 4)});
  Bytes t3 = {0xB6, 0x03};
  auto recs = Run({t7, t3, Rec({{0xC3}, kT9})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][1], 0x04);
}

TEST_F(L2000Old, B6Type6WritesTwoRecords) {
  Bytes body = {0xB6, 0x06};
  body.reserve(64);  // (growing from two bytes trips a false -Warray-bounds in GCC 12)
  body.insert(body.end(), kT9.begin(), kT9.end());
  for (int i = 5; i <= 39; ++i) body.push_back(Bcd(i, 1)[0]);
  auto recs = Run({Rec(body)});
  ASSERT_EQ(recs.size(), 2u);
  // Val5 = 05060708; Val8 = (0x21 mod 16) * 10000 + 2200 + 23 = 12223.
  EXPECT_EQ(Hex(recs[0]).substr(0, 29), "B6 06 09 00 00 64 38 4D BF 2F");
  EXPECT_EQ(Hex(recs[1]), Hex(R("B6 65 0B 0C 12 13 14 15 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26")));
}

const Bytes kT = {0x09, 0x00, 0x00};

TEST_F(L2000Old, C5WritesTheNegativeValueRecord) {
  auto recs = Run({Rec({{0xC5}, kT, Bcd(0, 4), {0x10, 0x05, 0x00}})});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 5), "87 06");
  EXPECT_EQ(Hex(recs[1]), Hex(R("96 01 09 00 00 FB FF")));
}

// Values taken from their own places: B7h 01h (position 12345678 kept to 24
// bits, low byte of 1234) and D1h (Val12 5 from b[16] into record byte 12).
TEST_F(L2000Old, B701AndD1TakeTheirValuesFromTheirPlaces) {
  auto recs = Run({Rec({{0xB7, 0x01}, kT, Bcd(12345678, 4), Bcd(1234, 2)})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("B0 80 09 00 00 4E 61 BC D2")));
  // D1h: Val13 450 div 10 = 45 (2Dh) and Val14 120 div 10 = 12 (0Ch) too.
  recs = Run({Rec({{0xD1}, kT, Bcd(0, 4), Bcd(0, 3), Bcd(0, 2), Bcd(0, 3), {0x05}, Bcd(0, 2), Bcd(450, 2),
                   Bcd(120, 2)})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]).substr(36, 8), "05 2D 0C");
}

TEST_F(L2000Old, SixByteGroupWritesItsValueAndClearsTheFlag) {
  Bytes c0 = Rec({{0xC0}, kT, Bcd(0, 4)});
  Bytes a807 = Rec({{0xA8, 0x07}, kT, Bcd(1234, 2)});
  Bytes a834 = Rec({{0xA8, 0x34}, kT, Bcd(7, 2)});
  Bytes f0 = Rec({{0xF0}, Bcd(0, 13)});
  auto recs = Run({c0, a807, a834, f0});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 07 09 00 00 D2 04")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("81 2A 09 00 00 07 00")));
}

TEST_F(L2000Old, A010TakesTheSubCodeAsBcd) {
  auto recs = Run({Rec({{0xA0, 0x12}, kT, Bcd(0, 4)})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 5), "80 0C");
  EXPECT_EQ(recs[0][24], 0x03);
}

TEST_F(L2000Old, ChannelTestCarriesItsText) {
  auto recs = Run({Rec({{0xA0, 0x19}, kT, Bcd(300, 4), {0x02}})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 26), "F0 3F 09 00 00 2C 01 00 02");
  EXPECT_EQ(recs[0][9], '2');
  EXPECT_EQ(recs[0][10], '-');
}

TEST_F(L2000Old, SwitchRecordsChooseTheirCode) {
  auto recs = Run({Rec({{0xA8, 0x62}, kT, Bcd(5, 2), {0x01}}), Rec({{0xA8, 0x62}, kT, Bcd(5, 2), {0x05}})});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 76 09 00 00 05 00 01")));
  // s = 5 is outside 0..2: the first group.
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 66 09 00 00 05 00 05")));
}

// Whole records after the start-up records of a vendor-S file of protocol
// 0099 with start 08:00:00 and route 3.
std::vector<std::string> EarlierRecords(const std::string& body) {
  RawHeader h;
  h.Version(99).Vendor('S').Put(3, {0x03, 0x05}).Put(5, {0x08, 0x00, 0x00}).Put(17, {0x03});
  auto all = AllRecords(L2000Old::ConvertOld(EventFile(h, HexBytes(body))));
  return HexRecords(std::vector<Rec26>(all.begin() + 25, all.end()));
}

TEST_F(L2000Old, CodeByteAsSubCodeOrB6TypeStartsNothing) {
  EXPECT_EQ(EarlierRecords("A0 C1 08 11 00 00 00 00 88 00"), Golden({}));
  EXPECT_EQ(EarlierRecords("B6 C1 08 11 00 00 00 00 88 00"), Golden({}));
}

TEST_F(L2000Old, A861WithSOutsideItsGroupsKeepsCode81) {
  EXPECT_EQ(EarlierRecords("A8 61 08 10 00 12 34 03 04 00"),
            Golden({"81 65 08 0A 00 D2 04 03"}));
}

TEST_F(L2000Old, A865WritesThreeRecords) {
  const char* rest = " 08 0A 00 D2 04 00 05 00 D2 04 00 01 31 32 33 34 00 00 00 00 00 00 00 01";
  EXPECT_EQ(EarlierRecords("A8 65 08 10 00 00 00 12 34 00 05 00 00 12 34 01 51 00"),
            Golden({std::string("81 69") + rest, std::string("81 79") + rest, std::string("81 89") + rest}));
}

TEST_F(L2000Old, CeOfAnyKindWritesItsTextRecord) {
  // Kind 0: 87 11 with mask 021F, signal code 1 (lamp 01h, aspect 0); the
  // text names station 0 of route 3.
  EXPECT_EQ(EarlierRecords("CE 08 10 00 00 00 12 34 00 05 00 00 20 00 00 00 00 00 00 00 00 00 01 04 00"),
            Golden({"87 11 08 0A 00 D2 04 00 F4 01 00 00 00 00 00 00 00 00 00 14 00 00 00 00 1F 02",
                    "20 F0 33 2D 30 20 20 20 20 20 20 20 C7"}));
}

TEST_F(L2000Old, BaRecordKeepsItsOwnBytesFromEightOn) {
  auto recs = Run({Rec({{0xBA, 0x03}, kT, Bcd(4567, 3), {0x12, 0x34}})});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("92 10 09 00 00 D7 11 00 0C 22 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00")));
}

TEST_F(L2000Old, DistanceModeOneUsesOwnValueOnlyWhenInStep) {
  Bytes de1 = Rec({{0xDE}, kT, Bcd(12345, 4), Bcd(1000, 3), Bcd(0, 6)});
  Bytes c0 = Rec({{0xC0}, kT, Bcd(12395, 4)});
  Bytes de2 = Rec({{0xDE}, kT, Bcd(12395, 4), Bcd(7777, 3), Bcd(0, 6)});
  auto recs = Run({de1, c0, de2}, 0x40);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0][8] | recs[0][9] << 8, 1000);
  EXPECT_EQ(recs[1][8] | recs[1][9] << 8, 950);
  EXPECT_EQ(recs[2][8] | recs[2][9] << 8, 950);
  // The same records in distance mode 2 take the own value.
  recs = Run({de1, c0, de2});
  EXPECT_EQ(recs[2][8] | recs[2][9] << 8, 7777);
}

TEST_F(L2000Old, B814SwitchesToDistanceModeOne) {
  Bytes b814 = Rec({{0xB8, 0x14}, kT, Bcd(0, 2)});
  Bytes de1 = Rec({{0xDE}, kT, Bcd(12345, 4), Bcd(1000, 3), Bcd(0, 6)});
  Bytes c0 = Rec({{0xC0}, kT, Bcd(12395, 4)});
  Bytes de2 = Rec({{0xDE}, kT, Bcd(12395, 4), Bcd(7777, 3), Bcd(0, 6)});
  auto recs = Run({b814, de1, c0, de2});
  ASSERT_EQ(recs.size(), 4u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 5), "86 0E");
  EXPECT_EQ(recs[3][8] | recs[3][9] << 8, 950);
}

TEST_F(L2000Old, StationRecordWritesItsTextRecord) {
  Bytes ce = Rec({{0xCE}, kT, Bcd(0, 4), Bcd(0, 3), Bcd(0, 2), Bcd(7, 2), {0x00, 0x02}, Bcd(0, 6)});
  auto recs = Run({ce});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]).substr(0, 5), "87 10");
  EXPECT_EQ(recs[0][12], 2);
  EXPECT_EQ(recs[0][24], 0xFF);
  EXPECT_EQ(recs[0][25], 0x3F);
  // No table entry: "0-7", space-filled, attribute 199.
  EXPECT_EQ(Hex(recs[1]), Hex(R("20 F0 30 2D 37 20 20 20 20 20 20 20 C7")));
}

TEST_F(L2000Old, UnknownCodesAndSubCodesAreSkipped) {
  Bytes c3 = Rec({{0xC3}, kT});
  auto recs = Run({{0xA2, 0x10, 0x20}, {0xB1, 0x07, 0x11}, {0xF5}, {0xF2}, {0xA8, 0xC3}, {0x09, 0x00, 0x00, 0x96}, {0xA9}, c3});
  // A8 followed by a code byte: the C3 is A8's (unlisted) sub-code and starts
  // nothing; the bytes after it are skipped up to the last record. A9h is
  // followed by nothing it reads: the C3h right after it starts a record.
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 04 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00")));
}

TEST(L2000OldEntry, EntryHandsOlderFilesToTheRecordLoop) {
  Tables() = ReferenceTables();
  Lookups() = LookupState();
  RawHeader h;
  h.Version(100);
  Bytes f = EventFile(h, {Rec({{0xC3}, {0x09, 0x00, 0x00}})});
  f.push_back(0x00);
  MemStream in(f);
  MemStream out;
  ConvertL2000(in, out, "x.dat");
  auto all = AllRecords(out.Data());
  ASSERT_EQ(all.size(), 26u);
  EXPECT_EQ(out.Data()[0], 0xA6);
  EXPECT_EQ(Hex(all[25]).substr(0, 14), "87 04 09 00 00");
}

// One case per row of the code table (both ends of a sub-code range): the
// code and sub-code with a zero body of the row's length, and the output
// codes it writes. Where the row has a presence mask, bytes 24..25 follow the
// code ("87 01 03 00": 87h 01h, mask 0003h). Zero values choose the first
// code of the records whose code depends on their values (vendor Q).
struct CodeCase {
  Bytes code;
  int body;
  std::vector<std::string> out;
};

const CodeCase kCodeCases[] = {
    // code      body  output
    {{0xA0, 0x40}, 8, {"A0 40"}}, {{0xA0, 0x41}, 8, {"A0 41"}},
    {{0xA0, 0x08}, 9, {"80 08"}}, {{0xA0, 0x09}, 9, {"80 09"}}, {{0xA0, 0x60}, 9, {"80 3C"}},
    {{0xA0, 0x10}, 8, {"80 0A 03 00"}}, {{0xA0, 0x12}, 8, {"80 0C 03 00"}},
    {{0xA0, 0x13}, 10, {"F0 3D"}}, {{0xA0, 0x59}, 10, {"F0 3C"}}, {{0xA0, 0x14}, 8, {"F0 3B"}},
    {{0xA0, 0x18}, 9, {"F0 3E"}}, {{0xA0, 0x31}, 9, {"F0 4B"}},
    {{0xA0, 0x32}, 8, {"F0 4C 03 00"}}, {{0xA0, 0x33}, 8, {"F0 4D 03 00"}},
    {{0xA0, 0x36}, 12, {"F0 4F"}}, {{0xA0, 0x37}, 12, {"F0 4E"}}, {{0xA1, 0x77}, 8, {}},
    {{0xA4, 0x40}, 8, {"A4 40"}}, {{0xA4, 0x18}, 9, {"F0 1E"}}, {{0xA4, 0x31}, 9, {"F0 2B"}},
    {{0xA4, 0x32}, 8, {"F0 2C 03 00"}}, {{0xA4, 0x33}, 8, {"F0 2D 03 00"}},
    {{0xA4, 0x36}, 12, {"F0 2F"}}, {{0xA4, 0x37}, 12, {"F0 2E"}}, {{0xA5, 0x01}, 11, {"B0 10"}},
    {{0xA8, 0x01}, 10, {"81 01"}}, {{0xA8, 0x52}, 10, {"81 42"}}, {{0xA8, 0x02}, 7, {"81 02"}},
    {{0xA8, 0x03}, 10, {"81 03"}}, {{0xA8, 0x04}, 7, {"81 04"}}, {{0xA8, 0x21}, 7, {"81 11"}},
    {{0xA8, 0x05}, 6, {"81 05"}}, {{0xA8, 0x06}, 6, {"81 06"}},
    {{0xA8, 0x07}, 6, {"81 07"}}, {{0xA8, 0x16}, 6, {"81 10"}}, {{0xA8, 0x17}, 6, {"81 12"}},
    {{0xA8, 0x30}, 6, {"84 22"}}, {{0xA8, 0x31}, 6, {"84 23"}}, {{0xA8, 0x32}, 6, {"84 21"}},
    {{0xA8, 0x33}, 6, {"81 20"}}, {{0xA8, 0x34}, 6, {"81 2A"}}, {{0xA8, 0x36}, 6, {"81 2C"}},
    {{0xA8, 0x39}, 6, {"81 30"}}, {{0xA8, 0x41}, 6, {"81 32"}}, {{0xA8, 0x50}, 6, {"81 40"}},
    {{0xA8, 0x54}, 6, {"81 44"}}, {{0xA8, 0x18}, 5, {"81 15"}}, {{0xA8, 0x19}, 5, {"81 16"}},
    {{0xA8, 0x24}, 5, {"81 24"}}, {{0xA8, 0x51}, 5, {"81 41"}}, {{0xA8, 0x53}, 5, {"81 43"}},
    {{0xA8, 0x20}, 13, {"81 25", "81 24"}}, {{0xA8, 0x25}, 6, {"A8 25"}},
    {{0xA8, 0x27}, 7, {"81 2B"}}, {{0xA8, 0x29}, 7, {"81 08"}}, {{0xA8, 0x45}, 7, {"81 07"}},
    {{0xA8, 0x38}, 5, {"81 6A"}}, {{0xA8, 0x42}, 14, {"81 7A"}}, {{0xA8, 0x55}, 4, {"81 45"}},
    {{0xA8, 0x56}, 4, {"81 46"}}, {{0xA8, 0x57}, 11, {"81 47"}}, {{0xA8, 0x58}, 7, {"81 48"}},
    {{0xA8, 0x61}, 7, {"81 65"}}, {{0xA8, 0x64}, 7, {"81 68"}}, {{0xA8, 0x65}, 15, {"81 69", "81 79", "81 89"}},
    {{0xB1, 0x01}, 39, {"83 01", "00 00"}}, {{0xB1, 0x02}, 11, {"8C 03 03 00", "81 50"}},
    {{0xB1, 0x04}, 11, {"8C 05 03 00", "81 50"}}, {{0xB1, 0x05}, 11, {"8C 08 03 00", "81 50"}},
    {{0xB1, 0x06}, 8, {"8C 09 03 00"}}, {{0xB1, 0x07}, 8, {}},
    {{0xB2, 0x11}, 10, {"8C 06 03 00", "81 5A"}}, {{0xB2, 0x12}, 10, {"8C 07 03 00", "81 5A"}},
    {{0xB2, 0x13}, 11, {"8C 0C 03 00", "81 50"}}, {{0xB2, 0x16}, 11, {"8C 0F 03 00", "81 50"}},
    {{0xB2, 0x17}, 11, {"8C 0A 03 00", "81 50"}}, {{0xB2, 0x19}, 11, {"8C 10 03 00", "81 50"}},
    {{0xB2, 0x18}, 39, {"83 02", "00 00"}},
    {{0xB4, 0x01}, 8, {"F0 61 03 00"}}, {{0xB4, 0x02}, 8, {"F0 62 03 00"}},
    {{0xB4, 0x03}, 10, {"F0 66 03 00"}}, {{0xB4, 0x04}, 10, {"F0 73 03 00"}},
    {{0xB7, 0x01}, 10, {"B0 80"}}, {{0xB7, 0x02}, 8, {"87 30 03 00"}}, {{0xB7, 0x03}, 8, {}},
    {{0xB7, 0x04}, 10, {"86 78 03 00"}}, {{0xB7, 0x05}, 8, {"86 79 03 00"}},
    {{0xB7, 0x06}, 8, {"86 76 03 00"}}, {{0xB7, 0x07}, 8, {"86 77 03 00"}},
    {{0xB8, 0x01}, 19, {"86 01 4F 10", "20 F0"}},
    {{0xB8, 0x02}, 15, {"86 02 0F 00"}}, {{0xB8, 0x03}, 15, {"86 03 0F 00"}}, {{0xB8, 0x04}, 15, {"86 05 0F 00"}},
    {{0xB8, 0x05}, 9, {"86 07 05 02"}}, {{0xB8, 0x06}, 9, {"86 08 05 02"}},
    {{0xB8, 0x36}, 9, {"86 36 05 02"}}, {{0xB8, 0x48}, 9, {"86 48 05 02"}},
    {{0xB8, 0x07}, 15, {"86 06 17 02"}}, {{0xB8, 0x08}, 15, {"86 0A 17 02"}}, {{0xB8, 0x09}, 15, {"86 0B 17 02"}},
    {{0xB8, 0x18}, 15, {"86 13 17 02"}}, {{0xB8, 0x42}, 15, {"86 42 17 02"}},
    {{0xB8, 0x44}, 15, {"86 44 17 02"}}, {{0xB8, 0x46}, 15, {"86 46 17 02"}},
    {{0xB8, 0x10}, 17, {"8B 0C 17 02", "86 0C"}}, {{0xB8, 0x11}, 17, {"8B 0C 17 02", "86 0D"}},
    {{0xB8, 0x13}, 13, {"86 10 07 02"}}, {{0xB8, 0x27}, 13, {"86 1C 07 02"}},
    {{0xB8, 0x14}, 6, {"86 0E 11 00"}}, {{0xB8, 0x15}, 6, {"86 0F 11 00"}},
    {{0xB8, 0x16}, 4, {"86 11 01 00"}}, {{0xB8, 0x17}, 4, {"86 12 01 00"}},
    {{0xB8, 0x19}, 12, {"86 14 0B 00"}}, {{0xB8, 0x21}, 12, {"86 16 0B 00"}},
    {{0xB8, 0x22}, 8, {"86 17 03 00"}}, {{0xB8, 0x24}, 8, {"86 19 03 00"}},
    {{0xB8, 0x34}, 8, {"86 34 03 00"}}, {{0xB8, 0x35}, 8, {"86 35 03 00"}},
    {{0xB8, 0x25}, 12, {"8B 0C 03 02", "86 1A"}}, {{0xB8, 0x26}, 13, {"86 1B 03 02", "81 50"}},
    {{0xB8, 0x29}, 9, {"86 2A 03 00"}}, {{0xB8, 0x37}, 5, {"86 37"}}, {{0xB8, 0x38}, 5, {"86 38"}},
    {{0xB8, 0x39}, 4, {"86 39 01 00"}}, {{0xB8, 0x40}, 4, {"86 40 01 00"}},
    {{0xB9, 0x01}, 10, {"86 DF 41 10"}}, {{0xB9, 0x02}, 10, {"86 DE 41 10"}},
    {{0xB9, 0x03}, 8, {"86 30 41 10"}}, {{0xB9, 0x05}, 8, {"86 32 41 10"}},
    {{0xB9, 0x06}, 8, {"87 46 03 00"}}, {{0xB9, 0x07}, 8, {"87 47 03 00"}},
    {{0xB9, 0x08}, 8, {"87 40 03 00"}}, {{0xB9, 0x13}, 8, {"87 45 03 00"}},
    {{0xBA, 0x02}, 11, {}}, {{0xBA, 0x03}, 9, {"92 10"}}, {{0xBA, 0x04}, 17, {"92 11"}},
    {{0xBA, 0x05}, 9, {"92 12"}}, {{0xBA, 0x06}, 10, {"92 13"}}, {{0xBA, 0x07}, 15, {"92 14"}},
    {{0xBA, 0x08}, 8, {"92 15"}}, {{0xBA, 0x09}, 8, {"92 16"}}, {{0xBA, 0x11}, 15, {"92 17"}},
    {{0xBA, 0x12}, 15, {"92 18"}}, {{0xBA, 0x13}, 9, {"92 19"}}, {{0xBA, 0x14}, 7, {"92 1A"}},
    {{0xBA, 0x16}, 7, {"92 1C"}}, {{0xBA, 0x17}, 9, {"92 1D"}}, {{0xBA, 0x20}, 9, {"92 20"}},
    {{0xBA, 0x21}, 9, {"92 24"}}, {{0xBA, 0x22}, 9, {"92 25"}},
    {{0xBC, 0x30}, 8, {"86 7A 03 00"}}, {{0xBC, 0x50}, 12, {"93 0A"}}, {{0xBC, 0x51}, 5, {"93 0B"}},
    {{0xFE, 0x01}, 5, {"92 23"}}, {{0xFE, 0x02}, 8, {"92 21"}}, {{0xFE, 0x03}, 9, {"92 22"}},
    {{0xC0}, 8, {"87 01 03 00"}}, {{0xC1}, 7, {"87 02 01 00"}}, {{0xC2}, 11, {"87 03 07 00"}},
    {{0xC3}, 4, {"87 04 01 00"}}, {{0xC4}, 4, {"87 05 01 00"}}, {{0xCF}, 4, {"87 12 01 00"}},
    {{0xC5}, 11, {"87 06 03 00", "96 01"}}, {{0xC6}, 11, {"8B 0C 03 00", "87 07"}},
    {{0xC7}, 13, {"87 08 07 02"}}, {{0xC8}, 15, {"87 09 17 02"}}, {{0xC9}, 15, {"87 0A 17 02"}},
    {{0xD6}, 15, {"87 39 17 02"}}, {{0xD7}, 15, {"87 3A 17 02"}}, {{0xDF}, 15, {"89 05 17 02"}},
    {{0xE0}, 15, {"8A 01 17 02"}}, {{0xE3}, 15, {"8A 03 27 02"}}, {{0xE4}, 15, {"8A 04 17 02"}},
    {{0xCA}, 19, {"87 0B 57 12"}}, {{0xCB}, 19, {"87 0C 57 12"}},
    {{0xCC}, 10, {"87 0D 03 02"}}, {{0xD2}, 10, {"87 1F 03 02"}}, {{0xD3}, 10, {"87 20 03 02"}},
    {{0xD4}, 10, {"87 21 03 02"}}, {{0xD5}, 10, {"87 22 03 02"}}, {{0xD8}, 10, {"87 25 03 02"}},
    {{0xD9}, 10, {"87 26 03 02"}}, {{0xDA}, 10, {"87 27 03 02"}}, {{0xE6}, 10, {"8B 01 03 02"}},
    {{0xE7}, 10, {"8B 02 83 00"}}, {{0xCD}, 7, {"81 A0"}}, {{0xCE}, 23, {"87 11 1F 02", "20 F0"}},
    {{0xD0}, 21, {"87 2E 5F 13"}}, {{0xD1}, 23, {"87 2D 5F 12"}},
    {{0xDB}, 21, {"89 01 57 13"}}, {{0xDC}, 21, {"89 02 57 13"}}, {{0xDD}, 21, {"89 03 57 13"}},
    {{0xDE}, 17, {"89 04 17 03"}}, {{0xE1}, 14, {"8B 0C 07 02", "8A 02"}}, {{0xE5}, 14, {"8A 05 17 02"}},
    {{0xE2}, 10, {"8B 0C 03 00", "8B 22"}}, {{0xE8}, 10, {"8B 0C 03 00", "8B 03"}},
    {{0xEA}, 10, {"8B 0C 03 00", "8B 05"}}, {{0xE9}, 11, {"8B 0C 03 00", "8B 04"}},
    {{0xEB}, 12, {"8B 06 43 10"}}, {{0xEC}, 12, {"8B 07 03 03"}},
    {{0xED}, 41, {"8B 08", "8B 0A"}}, {{0xEE}, 41, {"8B 10", "8B 0A"}}, {{0xEF}, 12, {"8B 0C 03 00", "8B 0A"}},
};

TEST_F(L2000Old, EveryCodeHasItsBodyAndOutput) {
  for (const CodeCase& c : kCodeCases) {
    Tables() = ReferenceTables();
    Lookups() = LookupState();
    Bytes r = c.code;
    r.resize(c.code.size() + c.body - 1, 0x00);
    const auto recs = Run({Rec(r)});
    std::vector<std::string> got;
    for (std::size_t i = 0; i < recs.size(); ++i) {
      const std::string hex = Hex(recs[i]);
      const bool mask = i < c.out.size() && c.out[i].size() > 5;
      got.push_back(hex.substr(0, 5) + (mask ? " " + hex.substr(72, 5) : ""));
    }
    EXPECT_EQ(got, c.out) << Hex(c.code);
  }
}

// ---- running-record side effects and framing after a record

// B6h 02h takes code and time into the running record before it knows the
// kind: an unlisted kind (the loop's fallback) or a failed check still
// leaves the record's time for an F0h that follows.
TEST_F(L2000Old, B6KindRecordTakesItsTimeBeforeTheKindIsKnown) {
  Bytes c3 = Rec({{0xC3}, kT9});
  Bytes unlisted = Cat({{0xB6, 0x02}, {0x10, 0x00, 0x00}, Bcd(0, 1), Bcd(70, 1), {0x11}});
  auto recs = Run({c3, unlisted, F0()});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 04 09 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("8B 08 0A 00 00 00 00 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13")));

  // Kind 68 with a wrong check byte: no B6h record, but its time stays.
  Bytes badCheck = Cat({{0xB6, 0x02}, {0x11, 0x00, 0x00}, Bcd(0, 1), Bcd(68, 1),
                        {0x00, 0x49, 0x00, 0x50, 0x00, 0x51, 0x00, 0x52, 0x00}});
  recs = Run({c3, badCheck, F0()});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(recs[1]), Hex(R("8B 08 0B 00 00 00 00 00 D0 07 00 00 00 2D 0C 00 00 21 00 46 00 5A 00 5A C4 13")));
}

// A8h 20h reads its body without stopping at code bytes: a check byte of
// 9Ah or above belongs to the record, and scanning goes on after it.
TEST_F(L2000Old, A820CheckByteAboveNinetyNineIsNotTheNextCode) {
  // 68 + 20 + (9 + 1 + 82) + bcd(C0h) = 120 gives 300.
  Bytes a820 = {0xA8, 0x20, 0x09, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x82, 0xC0};
  // The bytes after it would pass as a C0h body if C0h were taken as a code.
  Bytes tail = {0x09, 0x00, 0x10, 0x00, 0x00, 0x12, 0x34, 0x43};
  Bytes c3 = Rec({{0xC3}, kT9});
  auto recs = Run({a820, tail, c3});
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 25 09 00 00 52 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 24 09 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")));
  EXPECT_EQ(Hex(recs[2]).substr(0, 14), "87 04 09 00 00");
}

// Channel tests carry the text of the channel kind their output code has in
// the event records: 18/19 analogue channel, 20/21 signal input, 22/23
// handle, 24/25 brake, 26/27 board, 28/29 self-test item, 30/31 CAN fault.
TEST_F(L2000Old, ChannelTestTextsFollowTheChannelKind) {
  const Bytes kT9 = {0x09, 0x00, 0x00};
  auto recs = Run({Rec({{0xA0, 0x20}, kT9, Bcd(300, 4), {0x02}}), Rec({{0xA4, 0x30}, kT9, Bcd(300, 4), {0x00}}),
                   Rec({{0xA0, 0x28}, kT9, Bcd(300, 4), {0x00}}), Rec({{0xA4, 0x27}, kT9, Bcd(300, 4), {0x00}}),
                   Rec({{0xA0, 0x23}, kT9, Bcd(300, 4), {0x03}}), Rec({{0xA0, 0x25}, kT9, Bcd(300, 4), {0x06}})});
  ASSERT_EQ(recs.size(), 6u);
  // "2-黄灯"
  EXPECT_EQ(Hex(recs[0]), Hex(R("F0 40 09 00 00 2C 01 00 02 32 2D BB C6 B5 C6 20 20 20 20 20 20 20 20 20 20 20")));
  // "CANA接收超时"
  EXPECT_EQ(Hex(recs[1]), Hex(R("F0 2A 09 00 00 2C 01 00 00 43 41 4E 41 BD D3 CA D5 B3 AC CA B1 20 20 20 20 20")));
  // "程序ROM"
  EXPECT_EQ(Hex(recs[2]), Hex(R("F0 48 09 00 00 2C 01 00 00 B3 CC D0 F2 52 4F 4D 20 20 20 20 20 20 20 20 20 20")));
  // "信息板A"
  EXPECT_EQ(Hex(recs[3]), Hex(R("F0 27 09 00 00 2C 01 00 00 D0 C5 CF A2 B0 E5 41 20 20 20 20 20 20 20 20 20 20")));
  // "3-牵引", "6-紧急"
  EXPECT_EQ(Hex(recs[4]).substr(0, 50), "F0 43 09 00 00 2C 01 00 03 33 2D C7 A3 D2 FD 20 20");
  EXPECT_EQ(Hex(recs[5]).substr(0, 50), "F0 45 09 00 00 2C 01 00 06 36 2D BD F4 BC B1 20 20");
}

}  // namespace
