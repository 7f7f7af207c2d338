// General records A0xx, A5xx, A7xx with layouts of their own and the
// sub-code selection of A008 and A009; operation and set-up records A801..A869.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

TEST(HandlersA0, OwnLayoutsAndSubCodes) {
  RunCases({
      // Vendor Q: raw 12 = 0 keeps the code, 1 gives the second code, others 00 00.
      StdCase(0xA0, 0x08, {0x01}, {StdOut("80 63")}), StdCase(0xA0, 0x09, {0x00}, {StdOut("80 09")}),
      {"A009 1", Std(0xA0, 0x09, {0x01}), {StdOut("80 64")}}, {"A009 2", Std(0xA0, 0x09, {0x02}), {StdOut("00 00")}},
      StdCase(0xA0, 0x13, {0x12, 0x34}, {"F0 3D 0A 14 1E 39 30 00 0C 22"}),
      StdCase(0xA0, 0x38, {0x12, 0x34}, {"80 59 0A 14 1E 39 30 00 C8 00 D2 04"}),
      StdCase(0xA5, 0x01, {0x12, 0x01, 0x23}, {"80 61 0A 14 1E 39 30 00 0C 7B 00"}),
      {"A799", Rec({{0xA7, 0x99, 0x10, 0x20, 0x30, 0x12, 0x34, 0x56, 0x78}}), {"80 62 0A 14 1E D2 04 2E 16"}},
  });
  // Other vendors keep the code and add the value in a supplementary record.
  RawHeader zz;
  zz.Vendor('Z');
  RunCases({StdCase(0xA0, 0x09, {0x12}, {StdOut("80 09"), "21 F0 0C"})}, zz, ClassTZhuZhouNewOrgToFmt());
  // Channel-test records, first and last of each run: their codes (the text is the channel description).
  for (const auto& [c0, c1, sub] : std::vector<std::array<uint8_t, 3>>{
           {0xA0, 0x18, 0x3E}, {0xA0, 0x31, 0x4B}, {0xA4, 0x18, 0x1E}, {0xA4, 0x30, 0x2A}, {0xA4, 0x31, 0x2B}}) {
    const Rec26 r = R(Out(Std(c0, c1, {0x01})).at(0));
    EXPECT_EQ(r[0] << 8 | r[1], 0xF000 | sub) << int(c0) << " " << int(c1);
  }
}

namespace {

Bytes A8(uint8_t c1, std::initializer_list<Bytes> fields) { return Rec(Cat({{0xA8, c1}, Cat(fields)})); }
// The case "A8xx": the time 10:20:30 and the fields, then codes + " 0A 14 1E" + tail.
Case T(uint8_t c1, std::initializer_list<Bytes> fields, const char* codes, const std::string& tail) {
  char name[8];
  std::snprintf(name, sizeof name, "A8%02X", c1);
  Bytes f{kTime.begin(), kTime.end()};
  for (const Bytes& x : fields) f.insert(f.end(), x.begin(), x.end());
  return {name, A8(c1, {f}), {std::string(codes) + " 0A 14 1E" + tail}};
}
const Bytes kWord = {0x12, 0x34};  // 1234 = D2 04
Case Word(uint8_t c1, const char* codes) { return T(c1, {kWord}, codes, " D2 04"); }
Case Small(uint8_t c1, const char* codes) { return T(c1, {{0x05}}, codes, " 05"); }
Case Driver(uint8_t c1, const char* c) { return T(c1, {kNum8}, c, " 4E 61 31 32 33 34 35 36 37 38 00 00 00 00 00 00 00 00 00 BC 00"); }
Case Triple(uint8_t c1, const char* codes) { return T(c1, {{0x12, 0x34, 0x56}}, codes, " 40 E2 01"); }
Case Switch(uint8_t c1, uint8_t s, const char* codes) {
  Case c = T(c1, {kWord, {s}}, codes, " D2 04 0" + std::to_string(s));
  if (s != 1) c.name += " " + std::to_string(s);
  return c;
}
Case Digits12(uint8_t c1, const char* codes) { return T(c1, {{0x12, 0x34, 0x56, 0x78, 0x90, 0x11}}, codes, " 0C 22 38 4E 5A 0B"); }
Case Flag(uint8_t c1, const char* codes) { return T(c1, {kWord, {0x56}}, codes, " D2 04 01 38"); }
Case DatePair(uint8_t c1, const char* codes) { return T(c1, {{0x01, 0x23, 0x45}, {0x06, 0x78, 0x90}}, codes, " 39 30 32 09"); }

class HandlersA8 : public ::testing::Test {
 protected:
  void SetUp() override {
    Tables().StationTable.clear();
    Tables().DriverTable.clear();
  }
  void TearDown() override { SetUp(); }
};

}  // namespace

TEST_F(HandlersA8, EveryCodeConvertsAsHandWritten) {
  const std::vector<Case> cases = {
      Digits12(0x01, "81 01"), {"A802", A8(0x02, {kTime, {0x07, 0x08, 0x09}}), {"81 02 07 08 09 0A 14 1E"}},
      DatePair(0x03, "81 03"), Driver(0x04, "81 04"), T(0x05, {kWord}, "81 05", " D2"),
      T(0x06, {{0x00, 0x07}}, "81 06", " 07 00 30 2D 37 20"), Word(0x07, "81 07"), Word(0x08, "81 08"),
      Word(0x09, "81 09"), Word(0x10, "81 0A"), Word(0x11, "81 0B"), Word(0x12, "81 0C"), Word(0x13, "81 0D"),
      Word(0x14, "81 0E"), Word(0x15, "81 0F"), Word(0x16, "81 10"), Word(0x17, "81 12"), Small(0x18, "81 15"),
      {"A820", A8(0x20, {kTime, kWord, {0x11, 0x22, 0x33, 0x44}, {0x01, 0x23, 0x45}}),
       {"81 25 0A 14 1E 39 30 00 11 22 33 44", "81 24 00 00 00 02 04"}},
      Driver(0x21, "81 11"), {"A822", A8(0x22, {kTime, kNum8, kNum6, kWord}), {"81 49" + kHead + "D2 04"}},
      {"A823", A8(0x23, {kTime, kNum8, kNum6, kWord}), {"81 39" + kHead + "D2 04"}}, Small(0x24, "81 24"),
      {"A825", A8(0x25, {kTime, {0x00, 0x15}}), {"81 18" + kTimeHead + kState0 + "0F 00"}},
      {"A826", {0xA8, 0x26}, {}},  // empty: the next code is read at once
      Triple(0x27, "81 07"), DatePair(0x28, "81 19"), Triple(0x29, "81 08"), Word(0x30, "81 22"),
      Word(0x31, "81 23"), Word(0x32, "81 21"), Word(0x33, "81 20"), Flag(0x34, "81 2A"), Flag(0x35, "81 2B"),
      Flag(0x36, "81 2C"), Small(0x37, "81 2D"), Small(0x38, "81 6A"), Word(0x39, "81 30"), Word(0x40, "81 31"),
      Word(0x41, "81 32"),
      // Bytes 2..14 include the check byte 85.
      T(0x42, {{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}}, "81 7A", " 01 02 03 04 05 06 07 08 09 55"),
      T(0x43, {{0x11, 0x22, 0x33}}, "81 2E", " 0B 16 21"),
      T(0x45, {{0x12, 0x34, 0x56}, {0x00}}, "81 2B",
        " 40 E2 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03"),
      Driver(0x47, "81 57"), Driver(0x48, "81 58"), Driver(0x49, "81 59"), Word(0x50, "81 40"), Small(0x51, "81 41"),
      Digits12(0x52, "81 42"), Word(0x53, "81 43"), Word(0x54, "81 44"), T(0x55, {}, "81 45", ""),
      T(0x56, {}, "81 46", ""), T(0x57, {{0x01, 0x02, 0x03, 0x11, 0x22, 0x33, 0x44}}, "81 47", " 70 68 03 11 22 33 44"),
      Triple(0x58, "81 48"), Switch(0x61, 1, "81 75"), Switch(0x61, 0, "81 65"), Switch(0x62, 1, "81 76"),
      Switch(0x62, 3, "00 00"), Switch(0x63, 1, "81 77"), Switch(0x64, 1, "81 78"), Switch(0x64, 2, "81 88"),
      {"A865", A8(0x65, {kTime, kNum8, kNum6, kWord, {0x00, 0x00, 0x12, 0x34}, {0x02}}),
       {"81 79 0A 14 1E 4E 61 BC D2 04 D2 04 00 02 31 32 33 34 00 00 00 00 00 00 00 01"}},
      {"A865 5", A8(0x65, {kTime, kNum8, kNum6, kWord, {0x00, 0x00, 0x12, 0x34}, {0x05}}),
       {"00 00 0A 14 1E 4E 61 BC D2 04 D2 04 00 05 31 32 33 34 00 00 00 00 00 00 00 01"}},
      Switch(0x66, 1, "81 91"), Switch(0x66, 0, "81 90"), Switch(0x67, 1, "81 94"), Switch(0x67, 2, "81 95"),
      Small(0x68, "81 28"), T(0x69, {kNum8, {0x09}}, "81 29", " 4E 61 BC 00 09"),
  };
  ExpectCovers(FamilyA8(), cases);
  RunCases(cases);
}

TEST_F(HandlersA8, NamesFromTheTables) {
  DriverEntry d;
  StationEntry e;
  d.number = 12345678, d.name = "ZHANG", e.line = 3, e.station = 7, e.name = "  NORTH  ";
  Tables().DriverTable.push_back(d);
  Tables().StationTable.push_back(e);
  // The driver record and A865 name the driver; A806 the station of the line
  // of A818; a rejected A818 leaves the line alone.
  Bytes badLine = A8(0x18, {kTime, {0x03}});
  badLine.back() ^= 0x01;
  EXPECT_EQ(Records(RawHeader(), {A8(0x04, {kTime, kNum8}), A8(0x65, {kTime, kNum8, kNum6, kWord, kNum8, {0x01}}),
                                  badLine, A8(0x06, {kTime, {0x00, 0x07}}), A8(0x18, {kTime, {0x03}}),
                                  A8(0x06, {kTime, {0x00, 0x07}})}),
            Golden({"81 04 0A 14 1E 4E 61 5A 48 41 4E 47 20 20 20 00 00 00 00 00 00 00 00 00 BC 00",
                    "81 69 0A 14 1E 4E 61 BC D2 04 4E 61 BC 01 5A 48 41 4E 47 00 00 00 00 00 00 01",
                    "81 06 0A 14 1E 07 00 30 2D 37 20", "81 15 0A 14 1E 03", "81 06 0A 14 1E 07 00 4E 4F 52 54 48 20"}));
}

TEST_F(HandlersA8, A818WithB810MarksALineChangeForTheLeavingStation) {
  const Bytes b810 = Rec({{0xB8, 0x10}, Prefix(), {0x12, 0x34, 0x05, 0x67}, {0x02, 0x72}, {0x00, 0x05}});
  const Bytes line1 = A8(0x18, {kTime, {0x01}}), line2 = A8(0x18, {kTime, {0x02}});
  const Bytes ce = Rec({{0xCE}, Prefix(), {0x12, 0x34, 0x05, 0x67}, {0x01, 0x23, 0x45}, {0x02},
                        {0x00, 0x01, 0x00}, {0x01}, {0x02, 0x72}, {0x04}});
  const std::string named = Hex(R("20 F0 B3 F6 D5 BE 31 32 33 34 35 20 FF"));
  auto recs = Records(RawHeader(), {b810, line1, line2, ce, ce});
  ASSERT_EQ(recs.size(), 8u);
  EXPECT_EQ(recs[5], Hex(R("20 F0 00 00 00 00 00 00 00 00 00 00 FF")));
  EXPECT_EQ(recs[7], named);  // CE cleared the marks
  // A rejected B810 marks it too.
  Bytes bad810 = b810;
  bad810.back() ^= 0x01;
  EXPECT_EQ(Records(RawHeader(), {bad810, line1, ce}).at(2), Hex(R("20 F0 00 00 00 00 00 00 00 00 00 00 FF")));
  // Without B810, or with the same line again after it, nothing is marked.
  EXPECT_EQ(Records(RawHeader(), {line1, line2, ce}).at(3), named);
  EXPECT_EQ(Records(RawHeader(), {b810, A8(0x18, {kTime, {0x00}}), ce}).at(4), named);
}
