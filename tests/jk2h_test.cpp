// JK2H converter: golden conversions of small files, one row per fixed code.
#include <gtest/gtest.h>

#include "format/stream.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "support/earlier_formats.h"
#include "support/testkit.h"

using namespace railfmt::test;

namespace {

class Jk2h : public EarlierFormats {};

// A record that ends exactly at the input end is not translated, so the
// files of these tests end with one filler byte.
Bytes Convert2H(const Bytes& body, bool trailingFiller = true) {
  Bytes file = body;
  if (trailingFiller) file.push_back(0x00);
  railfmt::MemStream in(file), out;
  railfmt::ConvertJK2H(in, out);
  return out.Data();
}

// C6h: 08:30:00, position 12349990, distance 5000, Val19 60, kind 2,
// signal code 12 (aspect 4).
Bytes C6() {
  return {0xC6, 0x08, 0x30, 0x00, 0x12, 0x34, 0x99, 0x90, 0x00,
          0x50, 0x00, 0x00, 0x60, 0x20, 0x00, 0x00, 0x0C};
}

}  // namespace

// Every code whose output pair is fixed, with a zero body of the code's
// length: the codes of the records it writes (a longer body would reach the
// input end and write nothing).
TEST_F(Jk2h, FixedCodesWriteTheirPairs) {
  const struct {
    uint8_t code;
    int body;
    std::vector<std::string> out;
  } kCases[] = {
      {0x9B, 1, {"80 03"}}, {0x9C, 1, {"80 20"}}, {0x9D, 1, {"80 0C"}}, {0xBF, 0, {"80 0A"}},
      {0xCD, 0, {"80 0B"}}, {0xD8, 0, {"80 08"}}, {0xD9, 0, {"80 09"}}, {0x9E, 18, {"8A 05"}},
      {0xA6, 2, {"81 07"}}, {0xAF, 2, {"81 10"}}, {0xB0, 3, {"86 26"}}, {0xB1, 3, {"86 26"}},
      {0xB2, 7, {"86 0E"}}, {0xB3, 7, {"86 0F"}}, {0xBA, 7, {"86 17"}}, {0xBB, 7, {"86 18"}},
      {0xB4, 2, {"86 11"}}, {0xB5, 2, {"86 12"}}, {0xB6, 9, {"8B 0C", "8D 02"}},
      {0xC1, 10, {"86 03"}}, {0xC2, 10, {"86 04"}}, {0xC3, 10, {"86 05"}}, {0xC6, 16, {"86 0C"}},
      {0xC7, 10, {"87 03"}}, {0xC8, 7, {"86 1C"}}, {0xC9, 0, {"87 04"}}, {0xCA, 0, {"87 05"}},
      {0xCB, 0, {"87 31"}}, {0xCF, 10, {"86 0A"}}, {0xD0, 16, {"87 11"}}, {0xD3, 0, {"87 32"}},
      {0xD4, 8, {"8A 01"}}, {0xD5, 0, {"87 12"}}, {0xD6, 7, {"8B 0C", "87 07"}}, {0xD7, 10, {"87 08"}},
      {0xE0, 8, {"87 17"}}, {0xE1, 8, {"87 19"}}, {0xE2, 8, {"87 18"}}, {0xE3, 8, {"87 16"}},
      {0xE4, 10, {"87 1B"}}, {0xE5, 10, {"87 1D"}}, {0xE6, 10, {"87 1C"}}, {0xE7, 10, {"87 1E"}},
      {0xEA, 7, {"87 09"}}, {0xEB, 7, {"87 0A"}}, {0xEC, 16, {"89 01"}}, {0xED, 16, {"87 14"}},
      {0xEE, 5, {"86 1E"}}, {0xEF, 16, {"89 02"}}, {0xF7, 16, {"89 03"}}, {0xF1, 2, {"8B 02"}},
      {0xF2, 1, {"8B 06"}}, {0xF3, 1, {"8A 03"}}, {0xF4, 7, {"8B 0C"}}, {0xF5, 4, {"8B 0C"}},
      {0xF6, 3, {"8B 08"}}, {0xFD, 9, {"8B 08"}}, {0xFE, 6, {"8B 08"}},
  };
  for (const auto& c : kCases) {
    railfmt::legacy::ResetCarriedValues();
    Bytes rec(1 + c.body, 0x00);
    rec[0] = c.code;
    std::vector<std::string> got;
    for (const Rec26& r : AllRecords(Convert2H(rec))) got.push_back(Hex(r).substr(0, 5));
    EXPECT_EQ(got, c.out) << Hex(&c.code, 1);
  }
}

TEST_F(Jk2h, FileWithoutCodeBytesGivesTheHeaderAlone) {
  Bytes out = Convert2H({0x01, 0x02, 0x9A}, false);
  const Bytes header = {0xA6, 0x6A, '0', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                        0,    0,    0,   0,   0,   0,   0,   0,   0,   0,   '2', 'H',
                        0,    0,    0,   0,   0,   0,   26,  3,   15,  0,   0,   0,
                        0,    0,    0,   0,   0,   0,   0,   0,   3,   0,   0,   0,
                        0,    0,    0,   0xAA};
  EXPECT_EQ(Hex(out), Hex(header));
}

TEST_F(Jk2h, Record9FAloneIsConsumedWithoutOutput) {
  EXPECT_EQ(Convert2H({0x9F}).size(), 52u);
  EXPECT_EQ(Convert2H({0x9F, 0x9F, 0x05}).size(), 52u);
}

TEST_F(Jk2h, FullC6Record) {
  Bytes out = Convert2H(C6());
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("86 0C 08 1E 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 3C 00 00 00 00 1F 01")));
}

TEST_F(Jk2h, C6CutByACodeByteWritesNothingAndTheCodeIsLost) {
  const Bytes full = C6();
  const Bytes cut(full.begin(), full.begin() + 11);  // code + 10 body bytes
  // The C0h that cuts it would be a full start record; its body bytes are
  // then skipped as filler.
  Bytes c0 = {0xC0, 0x08, 0x31, 0x00, 0x12, 0x34, 0x99, 0x90, 0x00, 0x50, 0x00, 0x00, 0x60, 0x10, 0x07};
  Bytes out = Convert2H(Cat({cut, c0}));
  EXPECT_EQ(out.size(), 52u) << Hex(out);
  // A complete record after it converts again.
  out = Convert2H(Cat({cut, c0, C6()}));
  EXPECT_EQ(AllRecords(out).size(), 1u);
}

TEST_F(Jk2h, ShortPositionWrapsUpwardWhenPositionsGrow) {
  Bytes c9 = {0xC9};
  Bytes c4 = {0xC4, 0x31, 0x00, 0x00, 0x10, 0x00, 0x70};
  auto recs = AllRecords(Convert2H(Cat({C6(), c9, c4})));
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(Hex(recs[1]), Hex(R("87 04 08 1E 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 3C 00 00 00 00 00 00")));
  // 12340010 + 10000; distance 5000 - 20.
  EXPECT_EQ(Hex(recs[2]), Hex(R("86 06 08 1F 00 3A 72 BC 74 13 00 00 02 00 00 04 00 00 00 46 00 00 00 00 07 01")));
}

TEST_F(Jk2h, ShortPositionWrapsDownwardWhenPositionsFall) {
  Bytes c9 = {0xC9};
  Bytes up = {0xC4, 0x31, 0x00, 0x00, 0x10, 0x00, 0x70};
  Bytes ca = {0xCA};
  Bytes down = {0xF8, 0x32, 0x00, 0x99, 0x90, 0x00, 0x80};
  auto recs = AllRecords(Convert2H(Cat({C6(), c9, up, ca, down})));
  ASSERT_EQ(recs.size(), 5u);
  EXPECT_EQ(recs[3][0], 0x87);
  EXPECT_EQ(recs[3][1], 0x05);
  // 12359990 - 10000 = 12349990: back at the last full position.
  EXPECT_EQ(Hex(recs[4]), Hex(R("86 10 08 20 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 50 00 00 00 00 07 01")));
}

TEST_F(Jk2h, ShortPositionWithoutWrap) {
  // Flag bit 0 clear, new digits within 5000 of the old: no correction.
  Bytes c4 = {0xC4, 0x31, 0x00, 0x99, 0x00, 0x00, 0x70};
  auto recs = AllRecords(Convert2H(Cat({C6(), c4})));
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(Hex(Bytes(recs[1].begin() + 5, recs[1].begin() + 10)), "CC 71 BC 2E 13");  // 12349900, 4910
}

TEST_F(Jk2h, A0YearRuleAroundTheCurrentDate) {
  // 15 March 2026 is today: 0315 keeps 26, 0316 lies after it and gives 25.
  struct Case {
    uint8_t month, day, year;
  } cases[] = {{0x03, 0x15, 26}, {0x03, 0x16, 25}, {0x01, 0x01, 26}, {0x12, 0x31, 25}};
  for (const auto& c : cases) {
    Bytes out = Convert2H({0xA0, c.month, c.day});
    auto recs = AllRecords(out);
    ASSERT_EQ(recs.size(), 1u);
    const int m = (c.month >> 4) * 10 + (c.month & 15), d = (c.day >> 4) * 10 + (c.day & 15);
    Rec26 want{};
    want[0] = 0x81;
    want[1] = 0x01;
    want[5] = want[8] = c.year;
    want[6] = want[9] = static_cast<uint8_t>(m);
    want[7] = want[10] = static_cast<uint8_t>(d);
    EXPECT_EQ(Hex(recs[0]), Hex(want));
    EXPECT_EQ(out[30], c.year);
    EXPECT_EQ(out[31], m);
    EXPECT_EQ(out[32], d);
  }
  // New Year's Day as today: 31 December belongs to the year before.
  railfmt::platform::Hooks().today = {2100, 1, 1};
  Bytes out = Convert2H({0xA0, 0x12, 0x31});
  EXPECT_EQ(out[30], 99);
}

TEST_F(Jk2h, A0AfterTheStartRecordLeavesTheHeaderDate) {
  Bytes c0 = {0xC0, 0x08, 0x31, 0x00, 0x12, 0x34, 0x99, 0x90, 0x00, 0x50, 0x00, 0x00, 0x60, 0x10, 0x07};
  Bytes out = Convert2H(Cat({c0, {0xA0, 0x01, 0x02}}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 3u) << Hex(out);
  EXPECT_EQ(recs[0][0], 0x86);
  EXPECT_EQ(recs[0][1], 0x01);
  // "进站" + "7", space-filled, attribute 255.
  EXPECT_EQ(Hex(recs[1]), Hex(R("20 F0 BD F8 D5 BE 37 20 20 20 20 20 FF BD F8 D5 BE 37 20 20 20 20 20 FF 0F 01")));
  EXPECT_EQ(recs[2][0], 0x81);
  EXPECT_EQ(Hex(out.data() + 30, 3), "1A 03 0F");  // still today's date
}

TEST_F(Jk2h, SubCodedRecords) {
  // DBh 02h (13 bytes) is a state record 8Ah 04h; FBh 30h no output; an
  // unknown DBh sub-code skips the code and its sub-code only.
  Bytes db02 = {0xDB, 0x02, 0x09, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00};
  Bytes out = Convert2H(Cat({db02, {0xFB, 0x30, 0x01}, {0xDB, 0x55}}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("8A 04 09 00 00 E8 03 00 D0 07 00 00 00 00 00 09 00 00 00 00 00 00 00 00 0F 01")));
}

TEST_F(Jk2h, RecordEndingAtTheInputEndIsNotTranslated) {
  EXPECT_EQ(AllRecords(Convert2H(C6(), false)).size(), 0u);
  EXPECT_EQ(AllRecords(Convert2H(C6(), true)).size(), 1u);
  Bytes cut = C6();
  cut.pop_back();
  EXPECT_EQ(Convert2H(cut).size(), 52u);
}

TEST_F(Jk2h, TrackCircuitRecordsNameTheirKind) {
  Bytes b8 = C6();
  b8[0] = 0xB8;
  b8[15] = 0x12;
  Bytes b9 = b8;
  b9[0] = 0xB9;
  b9[14] = 0x01;
  auto recs = AllRecords(Convert2H(Cat({b8, b9})));
  ASSERT_EQ(recs.size(), 4u);
  EXPECT_EQ(recs[0][0], 0x8B);
  EXPECT_EQ(recs[0][1], 0x0C);
  // "移频" H 12 / UM71 H 12, number 12 also in byte 2.
  EXPECT_EQ(Hex(recs[1]), Hex(R("86 0D 0C 00 00 D2 C6 C6 B5 48 31 32 20 20 20")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("8A 02 0C 00 00 55 4D 37 31 48 31 32 20 20 20")));
}

TEST_F(Jk2h, DriverAndStationRecords) {
  // A5h: route 12, station 34; A2h: driver 5678 at the running time.
  Bytes out = Convert2H(Cat({C6(), {0xA5, 0x12, 0x34}, {0xA2, 0x56, 0x78}}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 4u) << Hex(out);
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 15 00 00 00 0C")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("81 06 00 00 00 22 00 31 32 2D 33 34 20 20 20 20")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("81 11 08 1E 00 2E 16 35 36 37 38 20 20 20 20")));
}

TEST_F(Jk2h, ConvertsThroughTheSingleFileDriver) {
  TempDir dir;
  const Bytes a4 = {0xA4, 0x00, 0x12, 0x34, 0x56, 0x00};
  WriteFile(dir / "x.2h", Cat({a4, {0xA0, 0x03, 0x15}, C6(), Bytes(10, 0x00)}));
  ASSERT_EQ(railfmt::NewFmtFileImpl(dir / "x.2h", dir / "x.fmt"), 0);
  Bytes out = ReadFile(dir / "x.fmt");
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 3u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 25 00 00 00 20 B2 00")));  // 345600 mod 100000
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 01 00 00 00 1A 03 0F 1A 03 0F")));
  EXPECT_EQ(recs[2][0], 0x86);
  EXPECT_EQ(Hex(out.data(), 2), "A6 6A");
}
