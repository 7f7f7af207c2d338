// LKJ93 converter: golden conversions of small files, one row per state code.
#include <gtest/gtest.h>

#include "format/stream.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "support/earlier_formats.h"
#include "support/testkit.h"
#include "platform/platform.h"

using namespace railfmt::test;

namespace {

class Lkj93 : public EarlierFormats {};

Bytes Convert93(const Bytes& file, uint8_t option = 0) {
  railfmt::MemStream in(file), out;
  railfmt::ConvertLKJ93(in, out, option);
  return out.Data();
}

Bytes Filler() { return Bytes(16, 0xFF); }

// A state record: 08:30:15, position 1234h, signal-machine kind in b[7]
// bits 4..6, Val10 300, Val8 500, Val19 60, Val21 80, Val13 45, Val17 70.
Bytes StateRec(uint8_t code, uint8_t b7 = 0x10) {
  return {code, 0x8F, 0x87, 0x00, 0x34, 0x12, 0x00, b7,
          0x2C, 0x01, 0xF4, 0x01, 0x3C, 0x50, 0x2D, 0x07};
}

// The running state of StateRec with kind 1 after the record code (bytes
// 2..23), and its mask 13FFh.
constexpr const char* kState = "08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13";

Rec26 State(const char* code) { return R(std::string(code) + " " + kState); }

}  // namespace

TEST_F(Lkj93, FillerOnlyGivesTheHeaderAlone) {
  Bytes out = Convert93(Cat({Filler(), Filler(), Filler()}));
  const Bytes header = {0xA5, 0x5A, '0', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                        '0',  '0',  '0', '0', '0', '0', '0', '0', 0,   0,   '9', '3',
                        0,    0,    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
                        0,    0,    0,   0,   0,   0,   0,   0,   48,  0,   0,   0,
                        0,    0,    0,   0xAA};
  EXPECT_EQ(Hex(out), Hex(header));
}

TEST_F(Lkj93, FirstB0WritesTheStartHeaderAndASecondWritesNothing) {
  const Bytes b0 = {0xB0, 0x67, 0x34, 0x42, 0xD2, 0x04, 0x05, 0x09,
                    0xE9, 0x03, 0xD2, 0x07, 0x02, 0x01, 0x0B, 0x16};
  Bytes second = b0;
  second[4] = 0x11;
  second[6] = 0x07;
  Bytes out = Convert93(Cat({b0, second}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 4u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 15 00 00 00 05")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 06 00 00 00 09 00 35 2D 39 20 20 20 20 20 20")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("81 11 00 00 00 E9 03 31 30 30 31 20 20 20 20")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("81 04 00 00 00 D2 07 32 30 30 32 20 20 20 20")));
  // Header: bytes 20..21, 24..25, 27, 28..29, the date 30..32 and 43.
  EXPECT_EQ(Hex(out.data() + 20, 12), "02 01 39 33 0B 16 00 02 D2 04 1A 03");
  EXPECT_EQ(out[32], 7);
  EXPECT_EQ(out[43], 1);
}

TEST_F(Lkj93, PendingFlagOf85IsTakenByTheNext84Only) {
  Bytes out = Convert93(Cat({StateRec(0x85), StateRec(0x84), StateRec(0x84)}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 3u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(State("86 15")));
  EXPECT_EQ(Hex(recs[1]), Hex(State("86 16")));
  EXPECT_EQ(Hex(recs[2]), Hex(State("86 14")));
}

// Every code that writes its state record under the pair of the code table,
// one record per file: the whole record is that pair and the decoded state.
TEST_F(Lkj93, StateCodesWriteTheirPairOfTheCodeTable) {
  const struct {
    uint8_t code;
    const char* pair;
  } kPairs[] = {
      {0x81, "86 06"}, {0x82, "86 07"}, {0x83, "86 08"}, {0x87, "86 03"}, {0x88, "86 13"}, {0x8A, "86 24"},
      {0x8B, "86 10"}, {0x8C, "89 05"}, {0x8D, "86 1D"}, {0x8E, "86 1F"}, {0x8F, "86 1E"}, {0x90, "80 03"},
      {0x91, "80 20"}, {0x92, "80 21"}, {0x93, "80 22"}, {0x94, "87 1F"}, {0x95, "87 21"}, {0x96, "80 23"},
      {0x97, "80 24"}, {0x98, "80 25"}, {0x99, "80 26"}, {0x9A, "87 30"}, {0x9B, "80 27"}, {0x9C, "86 0E"},
      {0x9D, "86 0F"}, {0x9E, "87 09"}, {0x9F, "87 0A"}, {0xA0, "87 28"}, {0xA1, "87 29"}, {0xA2, "8A 04"},
      {0xA3, "87 03"}, {0xA6, "89 02"}, {0xA7, "89 01"}, {0xA9, "87 08"}, {0xAA, "87 0D"}, {0xAB, "87 0E"},
      {0xAC, "87 12"}, {0xAD, "80 07"}, {0xAF, "8B 0D"}, {0xB5, "87 04"}, {0xB6, "87 05"}, {0xC0, "8C 01"},
      {0xC1, "8C 02"}, {0xC2, "8C 05"}, {0xC3, "87 3B"}, {0xC4, "8C 06"}, {0xC5, "92 40"}, {0xC6, "92 41"},
      {0xC7, "92 42"}, {0xC8, "8D 03"}, {0xC9, "8D 04"}, {0xCA, "92 43"}, {0xCB, "8B 0E"}, {0xCC, "8B 01"},
      {0xCD, "8B 07"}, {0xCE, "8B 06"}, {0xCF, "8B 02"}, {0xD0, "8A 30"}, {0xD4, "8A 34"}, {0xD5, "8A 35"},
      {0xD9, "8A 39"}, {0xDD, "8A 3D"}, {0xDE, "8A 3E"}, {0xDF, "8A 3F"},
  };
  for (const auto& c : kPairs) {
    railfmt::legacy::ResetCarriedValues();
    const auto recs = AllRecords(Convert93(Cat({StateRec(c.code), Filler()})));
    ASSERT_EQ(recs.size(), 1u) << Hex(&c.code, 1);
    EXPECT_EQ(Hex(recs[0]), Hex(State(c.pair))) << Hex(&c.code, 1);
  }
  // The lamp codes E0h..EFh all write 8A 01 (their aspect is the lamp test's).
  for (int code = 0xE0; code <= 0xEF; ++code) {
    railfmt::legacy::ResetCarriedValues();
    const auto recs = AllRecords(Convert93(Cat({StateRec(static_cast<uint8_t>(code)), Filler()})));
    ASSERT_EQ(recs.size(), 1u) << code;
    EXPECT_EQ(Hex(recs[0]).substr(0, 5), "8A 01") << code;
  }
}

TEST_F(Lkj93, LampRecordMapsTheCodeToTheSignal) {
  Bytes out = Convert93(Cat({StateRec(0xE3), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("8A 01 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 04 01 46 00 3C 00 50 00 50 FF 13")));
}

TEST_F(Lkj93, StartRecordWritesTheStationTextRecord) {
  Bytes out = Convert93(Cat({StateRec(0x80), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 2u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(State("86 01")));
  // "进站" + "300" in GBK, space-filled to 10, attribute 255 (no table).
  EXPECT_EQ(Hex(recs[1]), Hex(R("20 F0 BD F8 D5 BE 33 30 30 20 20 20 FF "
                                "BD F8 D5 BE 33 30 30 20 20 20 FF FF 13")));
  EXPECT_EQ(out[41], 45);  // Val13 of the start record
}

TEST_F(Lkj93, Record86IsTranslatedAgainAsA8) {
  Bytes out = Convert93(Cat({StateRec(0x86, 0x00), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 2u) << Hex(out);
  EXPECT_EQ(recs[0][0], 0x86);
  EXPECT_EQ(recs[0][1], 0x02);
  // Kind 0: no station, 87h 11h with mask 021Fh.
  EXPECT_EQ(Hex(recs[1]), Hex(R("87 11 08 1E 0F 34 12 00 F4 01 2C 01 00 2D 00 09 01 46 00 3C 00 50 00 50 1F 02")));
}

TEST_F(Lkj93, StationAreaLeftAfter870FWrites8710First) {
  // A8h with kind 2: 87h 0Fh + text; then a kind-1 record closes the area.
  Bytes out = Convert93(Cat({StateRec(0xA8, 0x20), StateRec(0x82, 0x10), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 5u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 0F 08 1E 0F 34 12 00 F4 01 2C 01 02 2D 00 09 01 46 00 3C 00 50 00 50 FF 3F")));
  const std::string text = "20 F0 B3 F6 D5 BE 33 30 30 20 20 20 FF B3 F6 D5 BE 33 30 30 20 20 20 FF FF 3F";
  EXPECT_EQ(Hex(recs[1]), Hex(R(text)));
  EXPECT_EQ(Hex(recs[2]), Hex(R("87 10 08 1E 0F 34 12 00 F4 01 2C 01 02 2D 00 09 01 46 00 3C 00 50 00 50 FF 3F")));
  EXPECT_EQ(Hex(recs[3]), Hex(R(text)));
  EXPECT_EQ(Hex(recs[4]), Hex(State("86 07")));
}

TEST_F(Lkj93, LaterLayoutStartsWithB0F0) {
  Bytes third = {0xB2, 0x11, 0x22, 0x33, 0x44, 0x05, 0x06, 0x77, 0x88, 0, 0, 0, 0, 0, 0, 0};
  Bytes out = Convert93(Cat({Filler(), Filler(), third}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("B0 F0 00 00 00 00 00 00 00 00 00 00 00 00 00 11 22 33 44 77 88")));
}

TEST_F(Lkj93, B2NearTheStartSetsSignalAndVal16) {
  // b[1] = 3 gives signal 4; b[2] = 0Ah gives 5, odd, so 4.
  Bytes b2 = {0xB2, 0x03, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes out = Convert93(Cat({b2, StateRec(0x82)}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u) << Hex(out);
  EXPECT_EQ(recs[0][15], 4);
  EXPECT_EQ(recs[0][16], 4);
}

TEST_F(Lkj93, EachConversionStartsClean) {
  // A pending 85h of one file does not reach the next one.
  Convert93(Cat({StateRec(0x85), Filler()}));
  Bytes out = Convert93(Cat({StateRec(0x84), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(Hex(recs[0]), Hex(State("86 14")));
}

TEST_F(Lkj93, ShortTailsAndOddLengths) {
  // 15 bytes: too short for a record start (size - 14 = 1, position 0 < 1:
  // one record of 15 bytes, the missing byte read as 0).
  Bytes rec = StateRec(0x82);
  Bytes out = Convert93(Bytes(rec.begin(), rec.begin() + 15));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0][17], 0);  // Val17 from the missing byte
  // 14 bytes: nothing read.
  EXPECT_EQ(Convert93(Bytes(rec.begin(), rec.begin() + 14)).size(), 52u);
  EXPECT_EQ(Convert93({}).size(), 52u);
  EXPECT_EQ(Convert93({0x80}).size(), 52u);
}

TEST_F(Lkj93, LaterVersionMarkWithOptionTurns81Into8687) {
  const Bytes b2 = {0xB2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const Bytes be = {0xBE, 1, 2, 3, 4, 5, 6, 7, 8, 0x5A, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
  const Bytes file = Cat({Filler(), Filler(), b2, be, StateRec(0x81)});
  Bytes out = Convert93(file, 1);
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 9u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("B0 F0")));
  const char* fields[] = {"84 22 00 00 00 01 02", "84 23 00 00 00 03 04", "84 03 00 00 00 05 06",
                          "84 21 00 00 00 07 08", "84 60 00 00 00 0A 0B", "84 61 00 00 00 0C 0D",
                          "84 62 00 00 00 0E 0F"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(Hex(recs[1 + i]), Hex(R(fields[i])));
  EXPECT_EQ(Hex(recs[8]), Hex(State("86 87")));
  EXPECT_EQ(out[50], 1);

  // Without the option the table's pair stays; the mark carries to the next
  // file until the folder workflow resets it.
  out = Convert93(file, 0);
  EXPECT_EQ(Hex(AllRecords(out)[8]), Hex(State("86 06")));
  EXPECT_EQ(out[50], 0);
  const Bytes plain = Cat({Filler(), Filler(), b2, StateRec(0x81)});
  EXPECT_EQ(Hex(AllRecords(Convert93(plain, 1))[1]), Hex(State("86 87")));
  railfmt::legacy::ResetCarriedValues();
  EXPECT_EQ(Hex(AllRecords(Convert93(plain, 1))[1]), Hex(State("86 06")));
}

TEST_F(Lkj93, B1SetsHeaderByte50AndItsStartRecords) {
  const Bytes b1 = {0xB1, 0x11, 0x22, 0x33, 0x44, 0x00, 0x55, 0x00,
                    0x66, 0x77, 0x00, 0x2A, 0xA0, 0x05, 0xA2, 0x00};
  Bytes out = Convert93(Cat({b1, Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 5u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 05 00 00 00 11")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 07 00 00 00 22 33")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("81 10 00 00 00 44 00")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("81 0F 00 00 00 55")));
  EXPECT_EQ(Hex(recs[4]), Hex(R("81 03 00 00 00 00 00 66 77")));
  EXPECT_EQ(out[50], 5);
  EXPECT_EQ(Hex(out.data() + 12, 8), "34 32 20 20 20 20 20 20");  // type 42 as text
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0x44);
}

TEST_F(Lkj93, HighCodesByTheirTimeFields) {
  Bytes bad = StateRec(0xF2);
  bad[1] = 0xBF;  // 63 seconds
  Bytes out = Convert93(Cat({StateRec(0xF2), StateRec(0xF3), bad}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 4u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(State("8D 07")));
  const std::string raw = " 08 1E 0F 8F 87 00 34 12 00 10 2C 01 F4 01 3C 50 2D 07";
  EXPECT_EQ(Hex(recs[1]), Hex(R("92 44" + raw)));
  EXPECT_EQ(Hex(recs[2]), Hex(R("F1 F3" + raw)));
  EXPECT_EQ(Hex(recs[3]), Hex(R("F1 F2 08 1E 0F BF 87 00 34 12 00 10 2C 01 F4 01 3C 50 2D 07")));
}

TEST_F(Lkj93, ConvertsThroughTheSingleFileDriver) {
  TempDir dir;
  const Bytes b0 = {0xB0, 0x67, 0x34, 0x02, 0xD2, 0x04, 0x05, 0x09,
                    0xE9, 0x03, 0xD2, 0x07, 0x02, 0x01, 0x0B, 0x16};
  const Bytes b1 = {0xB1, 0x11, 0x22, 0x33, 0x44, 0x00, 0x55, 0x00,
                    0x66, 0x77, 0x00, 0x2A, 0xA0, 0x05, 0xA2, 0x00};
  WriteFile(dir / "x.lkj", Cat({b0, b1, StateRec(0x80), Filler()}));
  ASSERT_EQ(railfmt::NewFmtFileImpl(dir / "x.lkj", dir / "x.fmt"), 0);
  Bytes out = ReadFile(dir / "x.fmt");
  ASSERT_EQ(out.size(), 52u + 11 * 26);
  EXPECT_EQ(out[0], 0xA5);
  EXPECT_EQ(out[50], 5);
  auto recs = AllRecords(out);
  EXPECT_EQ(Hex(recs[9]), Hex(State("86 01")));
  EXPECT_EQ(recs[10][0], 0x20);
}

// Rules of the LKJ93 and JK2H converters: the position rule with the
// direction flag, FFh start headers, the station-area follow-up before a
// filler, DBh C4h, F0h values.
namespace lkj_rules {

namespace {

class Lkj93Jk2hRules : public EarlierFormats {};

Bytes Lkj(const Bytes& f) {
  railfmt::MemStream in(f), out;
  railfmt::ConvertLKJ93(in, out, 0);
  return out.Data();
}

Bytes Jk(const Bytes& f) {
  railfmt::MemStream in(f), out;
  railfmt::ConvertJK2H(in, out);
  return out.Data();
}

Bytes Filler() { return Bytes(16, 0xFF); }

// 08:30:15, position 1234h, kind in b[7], Val10 300, w = Val8 500, Val19 60,
// Val21 80, Val13 45, Val17 70.
Bytes Rec(uint8_t code, uint8_t b6 = 0x00, uint8_t b7 = 0x10, uint8_t w0 = 0xF4, uint8_t w1 = 0x01) {
  return {code, 0x8F, 0x87, 0x00, 0x34, 0x12, b6, b7, 0x2C, 0x01, w0, w1, 0x3C, 0x50, 0x2D, 0x07};
}

}  // namespace

TEST_F(Lkj93Jk2hRules, PositionFollowsTheDirectionFlagAfterTheStart) {
  Bytes out = Lkj(Cat({Rec(0x80), Rec(0x9C), Rec(0x9C, 0x80), Rec(0x9C, 0x00, 0x10, 0x00, 0x80),
                       Rec(0x9D), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 6u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("86 01 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
  EXPECT_EQ(recs[1][0], 0x20);
  // 1234h + 500 = 1428h.
  EXPECT_EQ(Hex(recs[2]), Hex(R("86 0E 08 1E 0F 28 14 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
  // Bit 7 of b[6]: 1234h - 500 = 1040h.
  EXPECT_EQ(Hex(recs[3]), Hex(R("86 0E 08 1E 0F 40 10 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
  // w = 32768: 4660 + 32768 - 65536 = -28108, written as FF9234h.
  EXPECT_EQ(Hex(recs[4]), Hex(R("86 0E 08 1E 0F 34 92 FF 00 80 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
  // 9Dh clears the flag before its own position: the plain value.
  EXPECT_EQ(Hex(recs[5]), Hex(R("86 0F 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
}

TEST_F(Lkj93Jk2hRules, FFhRecordNearTheStartIsTheStartHeaderLaterItIsTranslated) {
  const Bytes ff = {0xFF, 0x67, 0x34, 0x42, 0xD2, 0x04, 0x05, 0x09,
                    0xE9, 0x03, 0xD2, 0x07, 0x02, 0x01, 0x0B, 0x16};
  Bytes out = Lkj(Cat({ff, Filler(), Filler(), Rec(0xFF)}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 5u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("81 15 00 00 00 05")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("81 06 00 00 00 09 00 35 2D 39 20 20 20 20 20 20")));
  EXPECT_EQ(Hex(recs[2]), Hex(R("81 11 00 00 00 E9 03 31 30 30 31 20 20 20 20")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("81 04 00 00 00 D2 07 32 30 30 32 20 20 20 20")));
  EXPECT_EQ(Hex(recs[4]), Hex(R("86 0A 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13")));
  EXPECT_EQ(Hex(out.data() + 28, 2), "D2 04");
}

TEST_F(Lkj93Jk2hRules, Record86ThenASkippedBlockIsTakenAsA8Again) {
  // The skipped block leaves the 86h record in the buffer: A8h again.
  Bytes out = Lkj(Cat({Bytes(16, 0xFF), HexBytes("86 05 0A 08 45 23 01 00 34 12 00 00 07 09 03 04"),
                       Bytes(16, 0x00)}));
  auto recs = AllRecords(out);
  const std::string a8 = "87 11 00 28 05 45 23 01 00 00 34 12 00 03 00 09 01 28 00 07 00 09 00 09 1F 02";
  EXPECT_EQ(std::vector<std::string>({Hex(recs.at(0)), Hex(recs.at(1)), Hex(recs.at(2))}),
            std::vector<std::string>(
                {Hex(R("86 02 00 28 05 45 23 01 00 00 34 12 00 03 00 09 01 28 00 07 00 09 00 09 FF 13")),
                 Hex(R(a8)), Hex(R(a8))}));
  EXPECT_EQ(recs.size(), 3u);
}

// AFh writes its 81h 10h record and leaves the restriction tolerance as the
// start cleared it.
TEST_F(Lkj93Jk2hRules, Jk2hAfDoesNotSetTheTolerance) {
  railfmt::Lookups().RestrictionTolerance = 0;
  Bytes out = Jk(Cat({{0xAF, 0x00, 0x44, 0x00}, {0x00}}));
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0);
  ASSERT_FALSE(AllRecords(out).empty());
}

TEST_F(Lkj93Jk2hRules, StationAreaIsClosedBeforeAFillerRecordIsSkipped) {
  Bytes out = Lkj(Cat({Rec(0xA8, 0x00, 0x30), Filler()}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 4u) << Hex(out);
  // Kind 3: 87h 0Fh with the entering name; the filler (kind 7) closes it.
  const std::string text = "20 F0 BD F8 D5 BE 33 30 30 20 20 20 FF BD F8 D5 BE 33 30 30 20 20 20 FF FF 3F";
  EXPECT_EQ(Hex(recs[0]), Hex(R("87 0F 08 1E 0F 34 12 00 F4 01 2C 01 03 2D 00 09 01 46 00 3C 00 50 00 50 FF 3F")));
  EXPECT_EQ(Hex(recs[1]), Hex(R(text)));
  EXPECT_EQ(Hex(recs[2]), Hex(R("87 10 08 1E 0F 34 12 00 F4 01 2C 01 03 2D 00 09 01 46 00 3C 00 50 00 50 FF 3F")));
  EXPECT_EQ(Hex(recs[3]), Hex(R(text)));
}

TEST_F(Lkj93Jk2hRules, Jk2hSubCodedShortPositionAndF0Values) {
  const Bytes c6 = {0xC6, 0x08, 0x30, 0x00, 0x12, 0x34, 0x99, 0x90, 0x00,
                    0x50, 0x00, 0x00, 0x60, 0x20, 0x00, 0x00, 0x0C};
  Bytes out = Jk(Cat({c6, {0xDB, 0xC4, 0x31, 0x00, 0x99, 0x00, 0x00, 0x70}, {0xF0, 0x12, 0x34, 0x56}, {0x00}}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 3u) << Hex(out);
  // 08:31:00, 12349900, 5000 - 90 = 4910, Val19 70.
  EXPECT_EQ(Hex(recs[1]), Hex(R("86 06 08 1F 00 CC 71 BC 2E 13 00 00 02 00 00 04 00 00 00 46 00 00 00 00 07 01")));
  // Val19 12 x 10 + 3 = 123; Val21 4 x 100 + 56 = 456, so Val23 255.
  EXPECT_EQ(Hex(recs[2]), Hex(R("8B 01 08 1F 00 CC 71 BC 2E 13 00 00 02 00 00 04 00 00 00 7B 00 C8 01 FF 00 03")));
}

TEST_F(Lkj93Jk2hRules, LaterLayoutSignalKindAndDirectionFromEachRecord) {
  const Bytes third = {0xB2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Bytes lamp = Rec(0x82, 0x00, 0x0C);
  lamp[8] = 0x0E;  // signal 14 -> 18, Val10 010Eh
  Bytes out = Lkj(Cat({Filler(), Filler(), third, lamp, Rec(0x80, 0x00, 0x08)}));
  auto recs = AllRecords(out);
  ASSERT_EQ(recs.size(), 4u) << Hex(out);
  EXPECT_EQ(Hex(recs[0]), Hex(R("B0 F0")));
  EXPECT_EQ(Hex(recs[1]), Hex(R("86 07 08 1E 0F 34 12 00 F4 01 0E 01 80 2D 00 12 01 46 00 3C 00 50 00 50 FF 13")));
  // The start record clears the flag, bit 3 sets it again: 1234h + 500.
  EXPECT_EQ(Hex(recs[2]), Hex(R("86 01 08 1E 0F 28 14 00 F4 01 2C 01 00 2D 00 12 01 46 00 3C 00 50 00 50 FF 13")));
  EXPECT_EQ(Hex(recs[3]), Hex(R("20 F0 BD F8 D5 BE 33 30 30 20 20 20 FF BD F8 D5 BE 33 30 30 20 20 20 FF FF 13")));
}

}  // namespace lkj_rules
