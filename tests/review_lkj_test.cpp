// LKJ93 and JK2H converters: golden checks of rules the family tests leave
// open (the position rule with the direction flag, FFh start headers, the
// station-area follow-up before a filler, DBh C4h, F0h values).
#include <gtest/gtest.h>

#include "format/stream.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt::test;

namespace {

class ReviewLkj : public ::testing::Test {
 protected:
  void SetUp() override {
    railfmt::Tables() = railfmt::ReferenceTables();
    railfmt::legacy::ResetCarriedValues();
    railfmt::platform::Hooks().today = {2026, 3, 15};
  }
  void TearDown() override {
    railfmt::platform::Hooks().today = {};
    railfmt::legacy::ResetCarriedValues();
  }
};

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

TEST_F(ReviewLkj, PositionFollowsTheDirectionFlagAfterTheStart) {
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

TEST_F(ReviewLkj, FFhRecordNearTheStartIsTheStartHeaderLaterItIsTranslated) {
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

TEST_F(ReviewLkj, Record86ThenASkippedBlockIsTakenAsA8Again) {
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
TEST_F(ReviewLkj, Jk2hAfDoesNotSetTheTolerance) {
  railfmt::Lookups().RestrictionTolerance = 0;
  Bytes out = Jk(Cat({{0xAF, 0x00, 0x44, 0x00}, {0x00}}));
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0);
  ASSERT_FALSE(AllRecords(out).empty());
}

TEST_F(ReviewLkj, StationAreaIsClosedBeforeAFillerRecordIsSkipped) {
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

TEST_F(ReviewLkj, Jk2hSubCodedShortPositionAndF0Values) {
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

TEST_F(ReviewLkj, LaterLayoutSignalKindAndDirectionFromEachRecord) {
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
