// B6xx records: the second record 0x22 0xF0, the default value of Val21,
// the multiple-unit records and the ZhuZhou B607.
#include <gtest/gtest.h>

#include "support/testkit.h"
#include "handlers/families.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// A pair record (0x92 0x31) whose Val19 is 99 and whose Val21 is v.
Bytes PairWithVal21(int v) { return Std(0xBB, 0x01, Cat({Bcd(99, 2), Bcd(v, 2)})); }

struct Case {
  const char* what;
  Bytes body;
  std::vector<std::string_view> golden;
};
// Test lists show the case by its name, not as raw object bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class B6Records : public ::testing::TestWithParam<Case> {};

TEST_P(B6Records, ConvertAsHandWritten) {
  const Case& c = GetParam();
  std::vector<std::string> expected;
  for (std::string_view g : c.golden) expected.push_back(Hex(R(g)));
  EXPECT_EQ(Out(c.body), expected) << c.what;
}

// Default running state after start-up: bytes 10..23 all zero except the
// signal code 8 (no lamp) in byte 15.
INSTANTIATE_TEST_SUITE_P(
    Steps, B6Records,
    ::testing::Values(
        Case{"StandardEvent B631", Std(0xB6, 0x31, {}),
             {"95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}},
        Case{"ExtraByteEvent B650", Std(0xB6, 0x50, {0x42}),
             {"95 14 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 2A"}},
        Case{"ExtraTwoByteEvent B665", Std(0xB6, 0x65, {0x42, 0x17}),
             {"95 23 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 2A 11"}},
        Case{"ExtraFourByteEvent B653", Std(0xB6, 0x53, {0x01, 0x02, 0x10, 0x99}),
             {"95 17 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 01 02 0A 63"}},
        Case{"ExtraByte5Event B639", Std(0xB6, 0x39, {0x42}),
             {"95 09 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 00 00 00 2A"}},
        Case{"DefaultValueEvent B636", Std(0xB6, 0x36, {0x01, 0x23, 0x00, 0x80, 0x00, 0x07}),
             {"95 06 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 0A 14 1E 7B 00 50 00 07 00"}},
        // B651 and B655 copy their check byte too (0x70 and 0x54 here).
        Case{"B651 twelve bytes",
             Std(0xB6, 0x51, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11}),
             {"95 15 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 01 02 03 04 05 06 07 08 09 0A 0B 46"}},
        Case{"B655 thirteen bytes",
             Std(0xB6, 0x55, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11, 0x12}),
             {"95 19 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 36"}},
        Case{"B659 three bytes", Std(0xB6, 0x59, {0x21, 0x22, 0x23}),
             {"95 1D 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "22 F0 15 16 17"}},
        Case{"B652 is read and checked only",
             Cat({Std(0xB6, 0x52, {0x01, 0x02, 0x03, 0x04}), Std(0xB6, 0x70, {})}),
             {"95 28 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}},
        Case{"B661 reads nothing", Cat({{0xB6, 0x61}, Std(0xB6, 0x42, {})}),
             {"95 0C 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}},
        Case{"B680 time only", Rec({0xB6, 0x80, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33}),
             {"95 32 0A 14 1E 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
              "22 F0 0B 16 21"}},
        // Hours from the second code byte 0x81; the 8-digit number takes
        // raw 4 (0x30) and the check byte (0x77): 30770000 = 0x1D58350.
        Case{"B681 one-byte layout", Bytes{0xB6, 0x81, 0x10, 0x20, 0x30, 0x77},
             {"95 33 51 0A 14 50 83 D5 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 06 00"}},
        Case{"EMURecord B610, 15 bytes", Std(0xB6, 0x10, {0x12, 0x34}),
             {"98 10 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "21 F0 D2 04"}},
        Case{"EMURecord B615, 14 bytes", Std(0xB6, 0x15, {0x42}),
             {"98 15 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "21 F0 2A 00"}},
        Case{"EMURecord B618, 14 bytes", Std(0xB6, 0x18, {0x99}),
             {"98 18 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
              "21 F0 63 00"}},
        Case{"EMURecord B619 reads nothing more", Cat({{0xB6, 0x19}, Std(0xB6, 0x31, {})}),
             {"95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}},
        Case{"failed check writes neither record",
             [] {
               Bytes r = Std(0xB6, 0x50, {0x42});
               r.back() ^= 0x01;
               return r;
             }(),
             {}}));

TEST(B6DefaultValue, B635With1200BecomesTheDefault) {
  Bytes body = Cat({Std(0xB6, 0x35, {0x01, 0x23, 0x12, 0x00, 0x00, 0x80}), PairWithVal21(1000)});
  EXPECT_EQ(Out(body),
            Golden({"95 05 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "22 F0 0A 14 1E 7B 00 B0 04 50 00",
                    // Val21 1000 is out of range: the default 1200 takes its place.
                    "92 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 63 00 B0 04 00 07 03"}));
}

TEST(B6DefaultValue, B638SwitchesTheDefaultOnAndOff) {
  Bytes body = Cat({Std(0xB6, 0x37, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00}),  // default 80
                    Std(0xB6, 0x38, {0x02}), PairWithVal21(500),             // on
                    Std(0xB6, 0x38, {0x05}), PairWithVal21(500),             // unchanged
                    Std(0xB6, 0x38, {0x00}), PairWithVal21(500)});           // off
  auto out = Out(body);
  ASSERT_EQ(out.size(), 2u + 3 * 3);
  EXPECT_EQ(out[3], Hex(R("22 F0 00 00 00 02")));
  const std::string withDefault =
      Hex(R("92 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 63 00 50 00 00 07 03"));
  const std::string with500 =
      Hex(R("92 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 63 00 F4 01 00 07 03"));
  EXPECT_EQ(out[4], withDefault);
  EXPECT_EQ(out[7], withDefault);
  EXPECT_EQ(out[10], with500);
}

TEST(B6DefaultValue, B640AndB641SwitchTheDefaultOff) {
  for (uint8_t code : {0x40, 0x41}) {
    Bytes body = Cat({Std(0xB6, 0x37, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00}),
                      Std(0xB6, 0x38, {0x02}), Std(0xB6, code, {}), PairWithVal21(500)});
    auto out = Out(body);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[4], Hex(R(code == 0x40
                                ? "95 0A 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 50 00 00 07 00"
                                : "95 0B 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 50 00 00 07 00")));
    EXPECT_EQ(out[5],
              Hex(R("92 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 63 00 F4 01 00 07 03")));
  }
}

TEST(B6DefaultValue, AFailedB638LeavesTheSwitchAlone) {
  Bytes bad = Std(0xB6, 0x38, {0x02});
  bad.back() ^= 0x01;
  Bytes body = Cat({Std(0xB6, 0x37, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00}), bad, PairWithVal21(500)});
  auto out = Out(body);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[2],
            Hex(R("92 31 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 63 00 F4 01 00 07 03")));
}

TEST(B6EMURecord, B619IsAHandledCodePair) {
  Bytes file = EventFile(RawHeader(), Cat({{0xB6, 0x19}, Std(0xB6, 0x31, {})}));
  EXPECT_EQ(Unhandled(file, ClassTNewToFmt()), "");
  Bytes unknown = EventFile(RawHeader(), Cat({{0xB6, 0x20}, Std(0xB6, 0x31, {})}));
  EXPECT_EQ(Unhandled(unknown, ClassTNewToFmt()), "B620;");
}

TEST(B6EMURecord, AttachedStateReachesTheMainRecordOnly) {
  // Short F0 (vendor Q, format 1.1): Val13 580, Val14 123 / 10, Val17 456.
  Bytes f0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  auto out = Out(Cat({Std(0xB6, 0x11, {0x00, 0x07}), f0}));
  EXPECT_EQ(out,
            Golden({"8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "98 11 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C7 10",
                    "21 F0 07 00"}));
}

TEST(ZhuZhouB6, B607IsConsumedAndChecked) {
  RawHeader h;
  h.Vendor('Z');
  Bytes b607 = Std(0xB6, 0x07, {0x01});
  ASSERT_EQ(b607.size(), 14u);
  Bytes body = Cat({b607, Std(0xB6, 0x31, {})});
  EXPECT_EQ(Out(body, h),
            Golden({"95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
  EXPECT_EQ(Unhandled(EventFile(h, body), ClassTZhuZhouNewOrgToFmt()), "");
  // The base dialect has no B607: its code pair is logged.
  EXPECT_EQ(Unhandled(EventFile(h, body), ClassT102NewToFmt()), "B607;");
}

TEST(ZhuZhouB6, OtherB6RecordsAsInTheBaseDialect) {
  RawHeader h;
  h.Vendor('Z');
  Bytes body = Cat({Std(0xB6, 0x50, {0x42}), Std(0xB6, 0x10, {0x12, 0x34})});
  EXPECT_EQ(Out(body, h), Out(body));
}

}  // namespace
