// Operation and set-up records A801..A869.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

Bytes A8(uint8_t c1, std::initializer_list<Bytes> fields) {
  Bytes b{0xA8, c1};
  for (const Bytes& f : fields) b.insert(b.end(), f.begin(), f.end());
  return Rec(b);
}

const Bytes kWord = {0x12, 0x34};  // 1234 = D2 04

struct Sized {
  int len;
  Case c;
};

std::vector<Case> Checked(const std::vector<Sized>& list) {
  std::vector<Case> out;
  for (const Sized& s : list) {
    EXPECT_EQ(static_cast<int>(s.c.raw.size()), s.len) << s.c.name;
    out.push_back(s.c);
  }
  return out;
}

Sized Word(const char* name, uint8_t c1, const char* codes) {
  return {8, {name, A8(c1, {kTime, kWord}), {std::string(codes) + " 0A 14 1E D2 04"}}};
}
Sized Small(const char* name, uint8_t c1, const char* codes) {
  return {7, {name, A8(c1, {kTime, {0x05}}), {std::string(codes) + " 0A 14 1E 05"}}};
}
Sized Driver(const char* name, uint8_t c1, const char* codes) {
  return {10, {name, A8(c1, {kTime, kNum8}),
               {std::string(codes) +
                " 0A 14 1E 4E 61 31 32 33 34 35 36 37 38 00 00 00 00 00 00 00 00 00 BC 00"}}};
}
Sized Triple(const char* name, uint8_t c1, const char* codes) {
  return {9, {name, A8(c1, {kTime, {0x12, 0x34, 0x56}}), {std::string(codes) + " 0A 14 1E 40 E2 01"}}};
}
Sized Switch(const char* name, uint8_t c1, const char* codes) {
  return {9, {name, A8(c1, {kTime, kWord, {0x01}}), {std::string(codes) + " 0A 14 1E D2 04 01"}}};
}
Sized Digits12(const char* name, uint8_t c1, const char* codes) {
  return {12, {name, A8(c1, {kTime, {0x12, 0x34, 0x56, 0x78, 0x90, 0x11}}),
               {std::string(codes) + " 0A 14 1E 0C 22 38 4E 5A 0B"}}};
}
Sized Flag(const char* name, uint8_t c1, const char* codes) {
  return {9, {name, A8(c1, {kTime, kWord, {0x56}}), {std::string(codes) + " 0A 14 1E D2 04 01 38"}}};
}
Sized DatePair(const char* name, uint8_t c1, const char* codes) {
  return {12, {name, A8(c1, {kTime, {0x01, 0x23, 0x45}, {0x06, 0x78, 0x90}}),
               {std::string(codes) + " 0A 14 1E 39 30 32 09"}}};
}

class HandlersA8 : public ::testing::Test {
 protected:
  void SetUp() override {
    Tables().StationTable.clear();
    Tables().DriverTable.clear();
  }
  void TearDown() override { SetUp(); }
};

}  // namespace

TEST_F(HandlersA8, EveryCodeConvertsOneRecord) {
  const std::vector<Case> cases = Checked({
      Digits12("A801", 0x01, "81 01"),
      {9, {"A802", A8(0x02, {kTime, {0x07, 0x08, 0x09}}), {"81 02 07 08 09 0A 14 1E"}}},
      DatePair("A803", 0x03, "81 03"),
      Driver("A804", 0x04, "81 04"),
      {8, {"A805", A8(0x05, {kTime, kWord}), {"81 05 0A 14 1E D2"}}},
      {8, {"A806", A8(0x06, {kTime, {0x00, 0x07}}), {"81 06 0A 14 1E 07 00 30 2D 37 20"}}},
      Word("A807", 0x07, "81 07"), Word("A808", 0x08, "81 08"), Word("A809", 0x09, "81 09"),
      Word("A810", 0x10, "81 0A"), Word("A811", 0x11, "81 0B"), Word("A812", 0x12, "81 0C"),
      Word("A813", 0x13, "81 0D"), Word("A814", 0x14, "81 0E"), Word("A815", 0x15, "81 0F"),
      Word("A816", 0x16, "81 10"), Word("A817", 0x17, "81 12"),
      Small("A818", 0x18, "81 15"),
      {15, {"A820", A8(0x20, {kTime, kWord, {0x11, 0x22, 0x33, 0x44}, {0x01, 0x23, 0x45}}),
            {"81 25 0A 14 1E 39 30 00 11 22 33 44", "81 24 00 00 00 02 04"}}},
      Driver("A821", 0x21, "81 11"),
      {15, {"A822", A8(0x22, {kTime, kNum8, kNum6, kWord}), {"81 49" + kHead + "D2 04"}}},
      {15, {"A823", A8(0x23, {kTime, kNum8, kNum6, kWord}), {"81 39" + kHead + "D2 04"}}},
      Small("A824", 0x24, "81 24"),
      {8, {"A825", A8(0x25, {kTime, {0x00, 0x15}}), {"81 18" + kTimeHead + kState0 + "0F 00"}}},
      {2, {"A826", {0xA8, 0x26}, {}}},
      Triple("A827", 0x27, "81 07"),
      DatePair("A828", 0x28, "81 19"),
      Triple("A829", 0x29, "81 08"),
      Word("A830", 0x30, "81 22"), Word("A831", 0x31, "81 23"), Word("A832", 0x32, "81 21"),
      Word("A833", 0x33, "81 20"),
      Flag("A834", 0x34, "81 2A"), Flag("A835", 0x35, "81 2B"), Flag("A836", 0x36, "81 2C"),
      Small("A837", 0x37, "81 2D"), Small("A838", 0x38, "81 6A"),
      Word("A839", 0x39, "81 30"), Word("A840", 0x40, "81 31"), Word("A841", 0x41, "81 32"),
      // Bytes 2..14 include the check byte 85.
      {15, {"A842", A8(0x42, {kTime, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}}),
            {"81 7A 0A 14 1E 01 02 03 04 05 06 07 08 09 55"}}},
      {9, {"A843", A8(0x43, {kTime, {0x11, 0x22, 0x33}}), {"81 2E 0A 14 1E 0B 16 21"}}},
      {10, {"A845", A8(0x45, {kTime, {0x12, 0x34, 0x56}, {0x00}}),
            {"81 2B 0A 14 1E 40 E2 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03"}}},
      Driver("A847", 0x47, "81 57"), Driver("A848", 0x48, "81 58"), Driver("A849", 0x49, "81 59"),
      Word("A850", 0x50, "81 40"),
      Small("A851", 0x51, "81 41"),
      Digits12("A852", 0x52, "81 42"),
      Word("A853", 0x53, "81 43"), Word("A854", 0x54, "81 44"),
      {6, {"A855", A8(0x55, {kTime}), {"81 45 0A 14 1E"}}},
      {6, {"A856", A8(0x56, {kTime}), {"81 46 0A 14 1E"}}},
      {13, {"A857", A8(0x57, {kTime, {0x01, 0x02, 0x03, 0x11, 0x22, 0x33, 0x44}}),
            {"81 47 0A 14 1E 70 68 03 11 22 33 44"}}},
      Triple("A858", 0x58, "81 48"),
      Switch("A861", 0x61, "81 75"), Switch("A862", 0x62, "81 76"), Switch("A863", 0x63, "81 77"),
      Switch("A864", 0x64, "81 78"),
      {20, {"A865", A8(0x65, {kTime, kNum8, kNum6, kWord, {0x00, 0x00, 0x12, 0x34}, {0x02}}),
            {"81 79 0A 14 1E 4E 61 BC D2 04 D2 04 00 02 31 32 33 34 00 00 00 00 00 00 00 01"}}},
      Switch("A866", 0x66, "81 91"), Switch("A867", 0x67, "81 94"),
      Small("A868", 0x68, "81 28"),
      {11, {"A869", A8(0x69, {kTime, kNum8, {0x09}}), {"81 29 0A 14 1E 4E 61 BC 00 09"}}},
  });
  ExpectCovers(FamilyA8(), cases);
  RunCases(cases);
}

TEST_F(HandlersA8, SwitchRecordCodesBySwitchState) {
  auto rec = [](uint8_t c1, uint8_t s) {
    return Records(RawHeader(), {A8(c1, {kTime, kWord, {s}})}).at(0);
  };
  EXPECT_EQ(rec(0x61, 0), Hex(R("81 65 0A 14 1E D2 04 00")));
  EXPECT_EQ(rec(0x64, 2), Hex(R("81 88 0A 14 1E D2 04 02")));
  EXPECT_EQ(rec(0x66, 0), Hex(R("81 90 0A 14 1E D2 04 00")));
  EXPECT_EQ(rec(0x67, 2), Hex(R("81 95 0A 14 1E D2 04 02")));
  EXPECT_EQ(rec(0x62, 3), Hex(R("00 00 0A 14 1E D2 04 03")));
}

TEST_F(HandlersA8, A865UnlistedValueGivesCodesZero) {
  const Bytes a865 = A8(0x65, {kTime, kNum8, kNum6, kWord, {0x00, 0x00, 0x12, 0x34}, {0x05}});
  EXPECT_EQ(Records(RawHeader(), {a865}).at(0),
            Hex(R("00 00 0A 14 1E 4E 61 BC D2 04 D2 04 00 05 31 32 33 34 00 00 00 00 00 00 00 01")));
}

TEST_F(HandlersA8, DriverRecordNamesTheDriverFromTheTable) {
  DriverEntry e;
  e.number = 12345678;
  e.name = "ZHANG";
  Tables().DriverTable.push_back(e);
  EXPECT_EQ(Records(RawHeader(), {A8(0x04, {kTime, kNum8})}).at(0),
            Hex(R("81 04 0A 14 1E 4E 61 5A 48 41 4E 47 20 20 20 00 00 00 00 00 00 00 00 00 BC 00")));
  // A865 asks for the same name.
  const Bytes a865 = A8(0x65, {kTime, kNum8, kNum6, kWord, kNum8, {0x01}});
  EXPECT_EQ(Records(RawHeader(), {a865}).at(0),
            Hex(R("81 69 0A 14 1E 4E 61 BC D2 04 4E 61 BC 01 5A 48 41 4E 47 00 00 00 00 00 00 01")));
}

TEST_F(HandlersA8, A827ByteOrder) {
  const Bytes a827 = A8(0x27, {kTime, {0x12, 0x34, 0x56}});
  EXPECT_EQ(Records(RawHeader(), {a827}).at(0), Hex(R("81 07 0A 14 1E 40 E2 01")));
}

TEST_F(HandlersA8, A826IsEmptyAndTheNextCodeIsConverted) {
  const Bytes a008 = Rec({{0xA0, 0x08}, kTime, kNum8, kNum6, {0x00}});
  auto recs = Records(RawHeader(), {{0xA8, 0x26}, a008});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(R(recs[0])[1], 0x08);
}

TEST_F(HandlersA8, A818WithB810MarksALineChangeForTheLeavingStation) {
  const Bytes b810 = Rec({{0xB8, 0x10}, Prefix(), {0x12, 0x34, 0x05, 0x67}, {0x02, 0x72}, {0x00, 0x05}});
  const Bytes line1 = A8(0x18, {kTime, {0x01}});
  const Bytes line2 = A8(0x18, {kTime, {0x02}});
  const Bytes ce = Rec({{0xCE}, Prefix(), {0x12, 0x34, 0x05, 0x67}, {0x01, 0x23, 0x45}, {0x02},
                        {0x00, 0x01, 0x00}, {0x01}, {0x02, 0x72}, {0x04}});
  const std::string named = Hex(R("20 F0 B3 F6 D5 BE 31 32 33 34 35 20 FF"));
  const std::string unnamed = Hex(R("20 F0 00 00 00 00 00 00 00 00 00 00 FF"));

  auto recs = Records(RawHeader(), {b810, line1, line2, ce, ce});
  ASSERT_EQ(recs.size(), 8u);
  EXPECT_EQ(recs[5], unnamed);
  EXPECT_EQ(recs[7], named);  // CE cleared the marks

  // Without B810 a line change marks nothing.
  recs = Records(RawHeader(), {line1, line2, ce});
  ASSERT_EQ(recs.size(), 4u);
  EXPECT_EQ(recs[3], named);

  // After B810 the same line again marks nothing.
  recs = Records(RawHeader(), {b810, A8(0x18, {kTime, {0x00}}), ce});
  ASSERT_EQ(recs.size(), 5u);
  EXPECT_EQ(recs[4], named);
}

TEST_F(HandlersA8, A806NamesTheStationOfTheCurrentLine) {
  StationEntry e;
  e.line = 3;
  e.station = 7;
  e.name = "  NORTH  ";
  Tables().StationTable.push_back(e);
  const Bytes line3 = A8(0x18, {kTime, {0x03}});
  const Bytes a806 = A8(0x06, {kTime, {0x00, 0x07}});
  auto recs = Records(RawHeader(), {line3, a806});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[1], Hex(R("81 06 0A 14 1E 07 00 4E 4F 52 54 48 20")));
}

TEST_F(HandlersA8, RejectedRecordChangesNothing) {
  Bytes line = A8(0x18, {kTime, {0x07}});
  line.back() = static_cast<uint8_t>(line.back() ^ 0x01);
  const Bytes a806 = A8(0x06, {kTime, {0x00, 0x07}});
  // The line of the rejected record is not taken: the station stays on line 0.
  auto recs = Records(RawHeader(), {line, a806});
  ASSERT_EQ(recs.size(), 1u);
  EXPECT_EQ(recs[0], Hex(R("81 06 0A 14 1E 07 00 30 2D 37 20")));
}
