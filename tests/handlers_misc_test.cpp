// B1, B3, B4, B7, B9, DA and FE records, the ZhuZhou replacements against
// the base handlers, and the names each converter class publishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "handlers/common.h"
#include "handlers/families.h"
#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// 0x92 0x19 (BA13, W(12) = 1234), to see where the input stands.
const Bytes kMarker = Std(0xBA, 0x13, {0x12, 0x34});
const char* kMarkerOut = "92 19 0A 14 1E 39 30 00 C8 00 D2 04";
const char* kStdTail = "00 00 00 00 00 08 00 00 00 00 00 00 00 00";

std::string Line(const char* head, const char* mask) {
  return std::string(head) + " " + kStdTail + " " + mask;
}

// ============================================================== B1

TEST(B1Records, SplitRecord42) {
  Bytes r = Rec({{0xB1, 0x01, 0x10, 0x20, 0x30, 0x01, 0x00, 0x11, 0x22, 0x00, 0x50, 0x01},
                 {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
                 {0x00, 0x01, 0x23, 0x45, 0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x00, 0x99},
                 {0x00, 0x01, 0x00, 0x00, 0x99, 0x99, 0x01, 0x23, 0x45}});
  ASSERT_EQ(r.size(), 42u);
  EXPECT_EQ(Out(r),
            Golden({"83 01 0A 14 1E 64 00 0B 16 32 00 02 01 02 03 04 05 06 07 08 39 30 00 00 4E 61",
                    "BC 00 D2 04 63 00 10 27 00 0F 27 39 30 00"}));
  // m = B(11) mod 4: 2 gives 1, 7 gives 3.
  r[1] = 0x18;
  r[11] = 0x02;
  r[41] = CheckByte(Bytes(r.begin(), r.end() - 1));
  EXPECT_EQ(Out(r).at(0),
            Hex(R("83 02 0A 14 1E 64 00 0B 16 32 00 01 01 02 03 04 05 06 07 08 39 30 00 00 4E 61")));
  r[11] = 0x07;
  r[41] = CheckByte(Bytes(r.begin(), r.end() - 1));
  EXPECT_EQ(Out(r).at(0),
            Hex(R("83 02 0A 14 1E 64 00 0B 16 32 00 03 01 02 03 04 05 06 07 08 39 30 00 00 4E 61")));
}

TEST(B1Records, PositionAndValuePairs) {
  EXPECT_EQ(Out(Std(0xB1, 0x05, {0x00, 0x01, 0x23, 0x45})),
            Golden({"8C 08 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "81 50 0A 14 1E 39 30 00 00"}));
  // The other position pairs differ only in their first code.
  for (auto [sub, code] : {std::pair{0x02, "8C 03"}, {0x03, "8C 04"}, {0x04, "8C 05"}, {0x15, "8C 0E"},
                           {0x16, "8C 0F"}})
    EXPECT_EQ(Out(Std(0xB1, static_cast<uint8_t>(sub), {0x00, 0x01, 0x23, 0x45})).at(0),
              Hex(R(std::string(code) + " 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00")));
  EXPECT_EQ(Out(Std(0xB1, 0x12, {0x01, 0x23})),
            Golden({"8C 07 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "81 5A 0A 14 1E 7B"}));
}

TEST(B1Records, B106B107B113) {
  EXPECT_EQ(Out(Std(0xB1, 0x06, {})), Golden({Line("8C 09 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB1, 0x07, {0x42, 0x01, 0x23, 0x45})),
            Golden({"8C 30 0A 14 1E 39 30 00 C8 00", "21 F0 2A 39 30 00"}));
  EXPECT_EQ(Out(Cat({Std(0xB1, 0x13, {0x01, 0x02, 0x03, 0x04}), kMarker})), Golden({kMarkerOut}));
}

// ============================================================== B3, B4

TEST(B3Records, B301IsA014) {
  // v = 1: the 8-digit number takes v, the check byte 0x59 and two zeros.
  const Bytes b301 = Rec({{0xB3, 0x01, 0x10, 0x20, 0x30, 0x01}});
  ASSERT_EQ(b301.size(), 7u);
  EXPECT_EQ(Out(b301), Golden({"F0 50 0A 14 1E F0 42 18 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
                               "21 F0 01"}));
  EXPECT_EQ(Out(Cat({Rec({{0xB3, 0x01, 0x10, 0x20, 0x30, 0x03}}), kMarker})), Golden({kMarkerOut}));
  // The same time as the last start record (A010): nothing.
  EXPECT_EQ(Out(Cat({Std(0xA0, 0x10, {}), b301})),
            Golden({Line("80 0A 0A 14 1E 39 30 00 C8 00", "07 00")}));
}

TEST(B4Records, StandardAndSwitchPairs) {
  EXPECT_EQ(Out(Std(0xB4, 0x02, {})), Golden({Line("F0 62 0A 14 1E 39 30 00 C8 00", "03 00")}));
  const struct {
    uint8_t code, x, y;
    const char* head;
  } cases[] = {
      {0x03, 1, 1, "F0 64"}, {0x03, 1, 0, "F0 63"}, {0x03, 0, 1, "F0 65"}, {0x03, 0, 0, "F0 66"},
      {0x04, 1, 1, "F0 71"}, {0x04, 1, 0, "F0 70"}, {0x04, 0, 1, "F0 72"}, {0x04, 0x10, 2, "F0 73"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Out(Std(0xB4, c.code, {c.x, c.y})),
              Golden({Line((std::string(c.head) + " 0A 14 1E 39 30 00 C8 00").c_str(), "07 00")}))
        << c.head;
  }
}

TEST(B4Records, ChecksAndHeaderRecords) {
  EXPECT_EQ(Out(Cat({Std(0xB4, 0x07, Bytes(7, 0x01)), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({Std(0xB4, 0x12, Bytes(4, 0x01)), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Std(0xB4, 0x13, {0x11, 0x22, 0x33, 0x44})),
            Golden({"F0 86 0A 14 1E 39 30 00 C8 00 0B 16 21 2C"}));
  // B414 keeps the 6-digit number of the record before it in bytes 8..9.
  EXPECT_EQ(Out(Cat({Std(0xB4, 0x01, {}),
                     Rec({{0xB4, 0x14, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x00, 0x00,
                           0x50}})})),
            Golden({Line("F0 61 0A 14 1E 39 30 00 C8 00", "03 00"),
                    "89 06 0A 14 1E 39 30 00 C8 00 64 00 32 00"}));
}

// ============================================================== B7

TEST(B7Records, B701SetsTheSignalModeWord) {
  const Bytes b701 = Std(0xB7, 0x01, {0x00, 0x32});
  const Bytes signal = Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72});
  // Mode word 32 has the pass-through bit: the code 272 stays (low byte 0x10).
  EXPECT_EQ(Out(Cat({b701, signal})),
            Golden({Line("B0 80 0A 14 1E 39 30 00 20 00", "03 00"),
                    "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 10 00 00 00 64 00 32 00 00 17 03"}));
}

TEST(B7Records, B701DroppedAt24HoursAndAtTheLastStartTime) {
  Bytes late = Rec({{0xB7, 0x01, 0x24, 0x00, 0x00, 0x00, 0x01, 0x23, 0x45, 0x00, 0x02, 0x00, 0x00,
                     0x32}});
  ASSERT_EQ(late.size(), 15u);
  EXPECT_EQ(Out(Cat({late, kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({Std(0xA0, 0x10, {}), Std(0xB7, 0x01, {0x00, 0x32})})),
            Golden({Line("80 0A 0A 14 1E 39 30 00 C8 00", "07 00")}));
  // 23:59:59 is written.
  late[2] = 0x23;
  late[3] = 0x59;
  late[4] = 0x59;
  late.back() = CheckByte(Bytes(late.begin(), late.end() - 1));
  EXPECT_EQ(Out(late), Golden({Line("B0 80 17 3B 3B 39 30 00 20 00", "03 00")}));
}

TEST(B7Records, StandardSkipAndSupplementary) {
  EXPECT_EQ(Out(Std(0xB7, 0x02, {})), Golden({Line("B0 30 0A 14 1E 39 30 00 C8 00", "03 00")}));
  EXPECT_EQ(Out(Std(0xB7, 0x05, {})), Golden({Line("86 79 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB7, 0x11, {})), Golden({Line("B0 34 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB7, 0x04, {0x12, 0x34})),
            Golden({Line("86 78 0A 14 1E 39 30 00 C8 00", "07 00"), "21 F0 D2 04"}));
  EXPECT_EQ(Out(Cat({{0xB7, 0x08}, Bytes(6, 0x01), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xB7, 0x03}, kMarker})), Golden({kMarkerOut}));
}

TEST(B7Records, SubCodeEvent) {
  EXPECT_EQ(Out(Std(0xB7, 0x12, {0x01})), Golden({Line("86 C0 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB7, 0x12, {0x04})), Golden({Line("86 B9 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB7, 0x13, {0x02})), Golden({Line("86 C3 0A 14 1E 39 30 00 C8 00", "07 00")}));
  // Any other value: codes 0x00 0x00, still written.
  EXPECT_EQ(Out(Std(0xB7, 0x13, {0x05})), Golden({Line("00 00 0A 14 1E 39 30 00 C8 00", "07 00")}));
}

// The locomotive: type code 25 (h[56..57]), number 123 (h[20..21]).
RawHeader Loco() {
  RawHeader h;
  h.PutBcd(56, 25, 2).PutBcd(20, 123, 2);
  return h;
}
void SetDepot(int16_t type, int16_t w4, int16_t w6, int16_t w8) {
  ZhuDuanRecord rec{};
  rec.type_code = type;
  rec.loco_number = 123;
  const int16_t words[3] = {w4, w6, w8};
  std::memcpy(rec.depot, words, sizeof rec.depot);
  SetZhuDuanTable(&rec, 0);
}
// The second code byte that B7 code writes for s = raw 12 (empty: nothing).
std::string LocoSub(uint8_t code, uint8_t s) {
  auto out = Out(Std(0xB7, code, {s}), Loco());
  if (out.empty()) return "";
  EXPECT_EQ(out.size(), 1u);
  const Rec26 r = R(out[0]);
  Rec26 expected = R(Line("86 00 0A 14 1E 39 30 00 C8 00", "07 00"));
  expected[1] = r[1];  // everything but the second code byte is fixed
  EXPECT_EQ(Hex(r), Hex(expected));
  return TPubFunc::Hex2(r[1]);
}

class LocoTypeEvent : public ::testing::Test {
 protected:
  void TearDown() override { SetDepot(0, 0, 0, 0); }
};

TEST_F(LocoTypeEvent, NoRecordReadsTheDepotWordsAsZero) {
  SetDepot(0, 2, 1, 1);  // type code 0: absent
  EXPECT_EQ(LocoSub(0x50, 0), "CA");
  EXPECT_EQ(LocoSub(0x50, 1), "C9");
  EXPECT_EQ(LocoSub(0x51, 0), "B2");
  EXPECT_EQ(LocoSub(0x51, 1), "B1");
  EXPECT_EQ(LocoSub(0x52, 0), "CC");
  EXPECT_EQ(LocoSub(0x53, 1), "CD");
  EXPECT_EQ(LocoSub(0x54, 0), "B4");
  EXPECT_EQ(LocoSub(0x54, 1), "B3");
}

TEST_F(LocoTypeEvent, DepotWord4Is2) {
  SetDepot(25, 2, 0, 0);
  EXPECT_EQ(LocoSub(0x50, 0), "");  // nothing is written
  EXPECT_EQ(LocoSub(0x50, 1), "CA");
  EXPECT_EQ(LocoSub(0x51, 0), "");
  EXPECT_EQ(LocoSub(0x51, 1), "B1");
  // The record after a dropped one is read normally.
  EXPECT_EQ(Out(Cat({Std(0xB7, 0x50, {0x00}), kMarker}), Loco()), Golden({kMarkerOut}));
}

TEST_F(LocoTypeEvent, DepotWords6And8) {
  SetDepot(25, 0, 1, 1);
  EXPECT_EQ(LocoSub(0x50, 1), "CA");
  EXPECT_EQ(LocoSub(0x50, 0), "C9");
  EXPECT_EQ(LocoSub(0x51, 0), "B1");
  EXPECT_EQ(LocoSub(0x51, 1), "B2");
  EXPECT_EQ(LocoSub(0x52, 0), "CB");
  EXPECT_EQ(LocoSub(0x52, 1), "CC");
  EXPECT_EQ(LocoSub(0x53, 0), "CD");
  EXPECT_EQ(LocoSub(0x54, 1), "B4");
  EXPECT_EQ(LocoSub(0x54, 0), "B3");
  // s is raw 12 = 1 as a plain byte: 0x10 is not 1.
  EXPECT_EQ(LocoSub(0x54, 0x10), "B3");
}

TEST(B7Records, B795TakesAStationOnTheCurrentLine) {
  RawHeader h;
  h.h[17] = 0x07;  // line 7
  const Bytes b795 = Rec({{0xB7, 0x95, 0x10, 0x20, 0x30, 0x04, 0x56, 0, 0, 0, 0, 0, 0}});
  ASSERT_EQ(b795.size(), 14u);
  EXPECT_EQ(Out(b795, h), Golden({"20 F0 37 2D 34 35 36 00 00 00 00 00 C8"}));
}

TEST(B7Records, B796WithoutLookAhead) {
  EXPECT_EQ(Out(Std(0xB7, 0x96, {0x01, 0x00, 0x00, 0x50, 0x05, 0x87, 0x01, 0x23, 0x42})),
            Golden({"8C 31 0A 14 1E 39 30 00 C8 00 00 00 00 3A 7B 08 00 00 00 64 00 32 00 00 47 13",
                    "21 F0 2A"}));
}

// ============================================================== B9, DA

TEST(B9Records, ModeSwitchAndSpeedPairs) {
  auto b9 = [](uint8_t code, uint8_t n) {
    return Rec({{0xB9, code, 0x10, 0x20, 0x30, 0x05, 0x87, 0x01, 0x23, n, 0x42}});
  };
  const char* tail = "0A 14 1E 00 00 00 00 00 00 00 00 3A 7B 08 00 00 00 00 00 00 00 00 01 10";
  auto line = [&](const char* codes) { return std::string(codes) + " " + tail; };
  EXPECT_EQ(Out(b9(0x01, 0x10)), Golden({line("86 DF"), "21 F0 0A 2A"}));
  EXPECT_EQ(Out(b9(0x01, 0x21)).at(0), Hex(R(line("86 D0"))));
  EXPECT_EQ(Out(b9(0x01, 0x05)).at(0), Hex(R(line("86 1F"))));
  EXPECT_EQ(Out(b9(0x02, 0x00)).at(0), Hex(R(line("86 DE"))));
  EXPECT_EQ(Out(b9(0x02, 0x01)).at(0), Hex(R(line("86 DD"))));
  EXPECT_EQ(Out(b9(0x02, 0x12)).at(0), Hex(R(line("86 1E"))));
  EXPECT_EQ(Out(Rec({{0xB9, 0x05, 0x10, 0x20, 0x30, 0x05, 0x87, 0x01, 0x23}})),
            Golden({line("86 32")}));
}

TEST(B9Records, StandardLongAndHeaderRecords) {
  EXPECT_EQ(Out(Std(0xB9, 0x08, {})), Golden({Line("87 40 0A 14 1E 39 30 00 C8 00", "07 00")}));
  EXPECT_EQ(Out(Std(0xB9, 0x20, {0x00, 0x01, 0x23, 0x45})),
            Golden({Line("87 48 0A 14 1E 39 30 00 C8 00", "07 00"), "21 F0 39 30 00 00"}));
  EXPECT_EQ(Out(Std(0xB9, 0x21, {0x12, 0x34, 0x56, 0x78, 0x11, 0x22})),
            Golden({Line("87 49 0A 14 1E 39 30 00 C8 00", "07 00"), "21 F0 4E 61 BC 00 0B 16"}));
  EXPECT_EQ(Out(Std(0xB9, 0x23, {})),
            Golden({"87 51 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(DARecords, DA01DA02DA03) {
  EXPECT_EQ(Out(Std(0xDA, 0x01, {0x01, 0x23, 0x45, 0x11, 0x22, 0x00})),
            Golden({Line("93 10 0A 14 1E 39 30 00 C8 00", "07 00"), "21 F0 39 30 00 0B 16"}));
  EXPECT_EQ(Out(Std(0xDA, 0x02, {0x12, 0x34})),
            Golden({Line("8B 11 0A 14 1E 39 30 00 C8 00", "07 00"), "21 F0 D2 04"}));
  EXPECT_EQ(Out(Std(0xDA, 0x03, {0x01, 0x00, 0x00, 0x50, 0x42, 0x00, 0x00, 0x00, 0x00})),
            Golden({"8C 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 47 13",
                    "21 F0 2A"}));
}

// ============================================================== FE

Bytes Seq(int from, int to) {
  Bytes b;
  for (int i = from; i <= to; ++i) b.push_back(static_cast<uint8_t>(i));
  return b;
}

TEST(FEBlocks, FE01WithL25) {
  Bytes payload = Seq(1, 19);
  payload[0] = 0xAA;  // copied unchanged
  EXPECT_EQ(Out(Cat({{0xFE, 0x01, 0x00, 0x25, 0x10, 0x20, 0x30}, payload, {0x00}, kMarker})),
            Golden({"92 23 0A 14 1E 13 00 AA 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13",
                    kMarkerOut}));
}

TEST(FEBlocks, FE01WithL60) {
  EXPECT_EQ(Out(Cat({{0xFE, 0x01, 0x00, 0x60, 0x10, 0x20, 0x30}, Seq(1, 54), {0x00}, kMarker})),
            Golden({"92 23 0A 14 1E 36 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13",
                    "14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D",
                    "2E 2F 30 31 32 33 34 35 36", kMarkerOut}));
}

TEST(FEBlocks, FE03PayloadOverTwoRecords) {
  EXPECT_EQ(Out(Cat({{0xFE, 0x03, 0x00, 0x53, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23,
                      0x45},
                     Seq(1, 40), {0x00}, kMarker})),
            Golden({"92 22 0A 14 1E 39 30 00 39 30 28 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E",
                    "0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28",
                    kMarkerOut}));
}

TEST(FEBlocks, LengthsBelowTheFixedPartGiveAnEmptyPayload) {
  EXPECT_EQ(Out(Cat({{0xFE, 0x01, 0x00, 0x03, 0x10, 0x20, 0x30, 0x00}, kMarker})),
            Golden({"92 23 0A 14 1E 00 00", kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xFE, 0x01, 0x00, 0x00, 0x10, 0x20, 0x30, 0x00}, kMarker})),
            Golden({"92 23 0A 14 1E 00 00", kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xFE, 0x02, 0x00, 0x05, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23,
                      0x45, 0x00},
                     kMarker})),
            Golden({"92 21 0A 14 1E 39 30 00 39 30 00 00", kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xFE, 0x03, 0x00, 0x12, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23,
                      0x45, 0x00},
                     kMarker})),
            Golden({"92 22 0A 14 1E 39 30 00 39 30 00 00", kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xFE, 0x04, 0x00, 0x02, 0x10, 0x20, 0x30, 0x00}, kMarker})),
            Golden({kMarkerOut}));
}

TEST(FEBlocks, HugeLengths) {
  // FE01 cut at the input end: the rest of the count gives cleared records.
  auto out = Out(Cat({{0xFE, 0x01, 0x99, 0x99, 0x10, 0x20, 0x30}, Seq(1, 5)}));
  ASSERT_EQ(out.size(), 1u + 384);
  EXPECT_EQ(out[0], Hex(R("92 23 0A 14 1E 09 27 01 02 03 04 05")));
  for (std::size_t i = 1; i < out.size(); ++i) ASSERT_EQ(out[i], Hex(Rec26{})) << i;
  // FE02 whose payload the input cannot hold: dropped after its fixed part.
  EXPECT_EQ(Out(Cat({{0xFE, 0x02, 0x99, 0x99, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23,
                      0x45},
                     kMarker})),
            Golden({kMarkerOut}));
  // FE04 longer than the raw record: its payload is passed over, not read as codes.
  Bytes records;
  for (int i = 0; i < 22; ++i) records = Cat({records, Std(0xB6, 0x31, {})});
  EXPECT_EQ(Out(Cat({{0xFE, 0x04, 0x03, 0x00, 0x10, 0x20, 0x30}, records, Bytes(8, 0x00), {0x00},
                     kMarker})),
            Golden({kMarkerOut}));
  EXPECT_TRUE(Out(Cat({{0xFE, 0x04, 0x99, 0x99, 0x10, 0x20, 0x30}, records})).empty());
  // Fewer than 12 bytes left: FE02..FE04 read nothing more.
  EXPECT_TRUE(Out(Bytes{0xFE, 0x02, 0x00, 0x20, 0x10}).empty());
  EXPECT_TRUE(Out(Bytes{0xFE, 0x04, 0x00, 0x20, 0x10}).empty());
}

TEST(FEBlocks, FE04PassesOverItsBlock) {
  EXPECT_EQ(Out(Cat({{0xFE, 0x04, 0x00, 0x19, 0x10, 0x20, 0x30}, Std(0xB6, 0x31, {}), Bytes(6, 0),
                     {0x00}, kMarker})),
            Golden({kMarkerOut}));
}

// ============================================================== ZhuZhou

TEST(ZhuZhouMisc, ReplacementsOnlyConsumeTheirRecord) {
  const struct {
    uint16_t code;
    int zzLen;    // ZhuZhou record length
    int baseLen;  // base record length, 0 when the base has no handler
  } cases[] = {
      {0xB107, 17, 17}, {0xB301, 8, 7},   {0xB302, 8, 0},   {0xB303, 8, 0},
      {0xB304, 9, 0},   {0xB405, 15, 21}, {0xB406, 15, 21}, {0xB407, 15, 20},
      {0xB409, 15, 17}, {0xB411, 15, 17}, {0xB715, 8, 0},   {0xB607, 14, 0},
  };
  const auto& zz = Resolve(ClassTZhuZhouNewOrgToFmt());
  for (const auto& c : cases) {
    // Time 10:20:30, a 1 (A014's value), and room for the longest record.
    const Bytes raw = Cat({{static_cast<uint8_t>(c.code >> 8), static_cast<uint8_t>(c.code)},
                           {0x10, 0x20, 0x30, 0x01},
                           Bytes(30, 0x00)});
    EXPECT_EQ(Consumed(raw, ClassTZhuZhouNewOrgToFmt()), std::size_t(c.zzLen)) << c.code;
    EXPECT_EQ(zz.two[c.code]->step, &hs::ReadAndCheck) << c.code;
    // Without a base handler only the code pair is read.
    EXPECT_EQ(Consumed(raw, ClassT102NewToFmt()),
              std::size_t(c.baseLen == 0 ? 2 : c.baseLen))
        << c.code;
  }
}

TEST(ZhuZhouMisc, SameBytesBothDialects) {
  RawHeader zz;
  zz.Vendor('Z');
  // B107 record: the base writes a header record and a supplementary one,
  // ZhuZhou only checks it.
  const Bytes b107 = Std(0xB1, 0x07, {0x42, 0x01, 0x23, 0x45});
  EXPECT_EQ(Out(Cat({b107, kMarker}), zz), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({b107, kMarker}), zz, 101, "Q"),
            Golden({"8C 30 0A 14 1E 39 30 00 C8 00", "21 F0 2A 39 30 00", kMarkerOut}));
  // A 15-byte B405 under ZhuZhou; 0xB7 0x15 consumed silently there, logged elsewhere.
  const Bytes b405 = Rec({{0xB4, 0x05, 0x10, 0x20, 0x30}, Bytes(9, 0x01)});
  const Bytes b715 = Rec({{0xB7, 0x15, 0x10, 0x20, 0x30, 0x00, 0x00}});
  const Bytes body = Cat({b405, b715, kMarker});
  EXPECT_EQ(Out(body, zz), Golden({kMarkerOut}));
  EXPECT_EQ(Unhandled(EventFile(zz, body), ClassTZhuZhouNewOrgToFmt()), "");
  EXPECT_EQ(Unhandled(EventFile(zz, body), ClassTNewToFmt()), "B715;");
}

// ============================================================== names

std::vector<std::string> Names(std::span<const HandlerRow> rows) {
  std::vector<std::string> n;
  for (const HandlerRow& r : rows) n.push_back(r.name);
  return n;
}

TEST(HandlerNames, OwnFamiliesHaveOneRowPerName) {
  std::set<std::string> all;
  std::size_t rows = 0;
  for (auto fam : {FamilyB6, FamilyB5, FamilyBA, FamilyMisc}) {
    for (const std::string& n : Names(fam())) all.insert(n), ++rows;
  }
  EXPECT_EQ(rows, all.size());
  EXPECT_EQ(Names(FamilyB6()).size(), 50u);
  EXPECT_EQ(Names(FamilyB5()).size(), 23u);
  EXPECT_EQ(Names(FamilyBA()).size(), 68u);
  EXPECT_EQ(Names(FamilyMisc()).size(), 75u);
  EXPECT_EQ(Names(FamilyZhuZhouB6()), std::vector<std::string>{"B607"});
  EXPECT_EQ(Names(FamilyZhuZhouMisc()),
            (std::vector<std::string>{"B107", "B301", "B302", "B303", "B304", "B405", "B406", "B407",
                                      "B409", "B411", "B715"}));
}

TEST(HandlerNames, EachClassPublishes) {
  const auto& base = Resolve(ClassTNewToFmt());
  const auto& v102 = Resolve(ClassT102NewToFmt());
  const auto& zz = Resolve(ClassTZhuZhouNewOrgToFmt());
  EXPECT_EQ(base.names.size(), 465u);
  // T102NewToFmt replaces EB and EE and adds nothing.
  EXPECT_EQ(v102.names, base.names);
  EXPECT_NE(v102.one[0xEB], base.one[0xEB]);
  EXPECT_NE(v102.one[0xEE], base.one[0xEE]);
  // TZhuZhouNewOrgToFmt adds six names and replaces eleven more.
  std::vector<std::string> added;
  std::set_difference(zz.names.begin(), zz.names.end(), base.names.begin(), base.names.end(),
                      std::back_inserter(added));
  EXPECT_EQ(added, (std::vector<std::string>{"B297", "B302", "B303", "B304", "B607", "B715"}));
  EXPECT_EQ(zz.names.size(), 471u);
  EXPECT_TRUE(std::includes(zz.names.begin(), zz.names.end(), base.names.begin(), base.names.end()));
  for (int code : {0xB829, 0xB405, 0xB406, 0xB407, 0xB409, 0xB411, 0xB201, 0xB301, 0xB289, 0xB107})
    EXPECT_NE(zz.two[code], base.two[code]) << std::hex << code;
  EXPECT_NE(zz.one[0xCC], base.one[0xCC]);
  EXPECT_EQ(zz.one[0xEB], v102.one[0xEB]);
  EXPECT_EQ(zz.one[0xEE], v102.one[0xEE]);
}

}  // namespace

// Edge cases of the B6, B5, BA..BF and B1..FE families: the order in which
// the default value of Val21 takes effect, fixed mask bytes over an attached
// state record, FE02 blocks at the input end, and failed checks that leave the running state alone.
namespace family_edges {

namespace {

// Short F0 of a vendor-Q file: Val13 580, Val14 123 / 10, Val17 456.
const Bytes kF0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
// The state-change record that kF0 writes after a record with the standard head.
const char* kF0Out = "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10";
// 0x95 0x01: a record that shows the running state.
const Bytes kB631 = Std(0xB6, 0x31, {});

TEST(B6Edges, DefaultValueEventTakesItsDefaultAfterItsOwnRecord) {
  const Bytes body = Cat({Std(0xB6, 0x37, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00}),  // default 80
                          Std(0xB6, 0x38, {0x02}),                                 // switched on
                          Std(0xB6, 0x35, {0x01, 0x23, 0x03, 0x00, 0x00, 0x07}),  // default 300
                          kB631});
  EXPECT_EQ(Out(body),
            Golden({"95 07 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "22 F0 0A 14 1E 00 00 50 00 00 00",
                    "95 08 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "22 F0 00 00 00 02",
                    // B635's own record still carries the default of B637
                    "95 05 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 50 00 00 07 00",
                    "22 F0 0A 14 1E 7B 00 2C 01 07 00",
                    "95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 2C 01 00 07 00"}));
}

TEST(B6Edges, FailedEMURecordWritesNothingAndKeepsTheInput) {
  Bytes bad = Std(0xB6, 0x10, {0x12, 0x34});
  bad.back() ^= 0x01;
  EXPECT_EQ(Out(Cat({bad, kB631})),
            Golden({"95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(B6Edges, B680AndB681TakeAnAttachedStateRecord) {
  EXPECT_EQ(Out(Cat({Rec({0xB6, 0x80, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33}), kF0})),
            Golden({"8B 06 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 32 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C1 10",
                    "22 F0 0B 16 21"}));
  EXPECT_EQ(Out(Cat({Bytes{0xB6, 0x81, 0x10, 0x20, 0x30, 0x77}, kF0})),
            Golden({"8B 06 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 33 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C6 10"}));
}

TEST(MaskEdges, FixedMaskBytesOverAnAttachedStateRecord) {
  // SwitchPairEvent: byte 24 := 7 after assembly, byte 25 keeps the F0 bit.
  EXPECT_EQ(Out(Cat({Std(0xB4, 0x03, {0x01, 0x01}), kF0})),
            Golden({kF0Out,
                    "F0 64 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 07 10"}));
  // PositionPairEvent: byte 24 := 3.
  EXPECT_EQ(Out(Cat({Std(0xB1, 0x02, {0x00, 0x01, 0x23, 0x45}), kF0})),
            Golden({kF0Out,
                    "8C 03 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 03 10",
                    "81 50 0A 14 1E 39 30 00 00"}));
  // VersionedValueEvent keeps the mask, WordEvent15 clears bytes 12..25.
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x17, {0x12, 0x34}), kF0})),
            Golden({kF0Out, "92 1D 0A 14 1E 39 30 00 C8 00 D2 04 00 00 00 00 00 00 00 00 00 00 00 00 DF 10"}));
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x13, {0x12, 0x34}), kF0})),
            Golden({kF0Out, "92 19 0A 14 1E 39 30 00 C8 00 D2 04"}));
}

// FE02 with L = 15: P = 2 payload bytes must still be in the input.
Bytes FE02Head() {
  return {0xFE, 0x02, 0x00, 0x15, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x01, 0x23, 0x45};
}

TEST(FEEdges, FE02NeedsItsWholePayloadInTheInput) {
  EXPECT_EQ(Out(Cat({FE02Head(), {0x01, 0x02}})),
            Golden({"92 21 0A 14 1E 39 30 00 39 30 02 00 01 02"}));
  // One byte short: dropped; the byte left is not a code.
  EXPECT_TRUE(Out(Cat({FE02Head(), {0x01}})).empty());
}

// E0 drops the pass-through bit before its record is read: an E0 that fails
// its check still leaves signal codes converted.
TEST(FailedCheck, E0DropsThePassThroughBitEvenWhenItFails) {
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

TEST(FailedCheck, LeavesSignalModeAndKeepSignalAlone) {
  const Bytes signal = Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72});
  const char* signalOut =
      "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 17 03";
  // A B701 with mode word 32 (pass-through) that fails its check.
  Bytes b701 = Std(0xB7, 0x01, {0x00, 0x32});
  b701.back() ^= 0x01;
  EXPECT_EQ(Out(Cat({b701, signal})), Golden({signalOut}));
  // A BA03 with the keep bits that fails its check.
  Bytes ba03 = Std(0xBA, 0x03, {0x01, 0x92});
  ba03.back() ^= 0x01;
  EXPECT_EQ(Out(Cat({ba03, signal})), Golden({signalOut}));
}

}  // namespace

}  // namespace family_edges
