// B5xx records: counters in supplementary records, direct signal records
// (no look-ahead) and the sub-value records B536, B537.
#include <gtest/gtest.h>

#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Time 10:20:30 and the 8-digit number 12345 (raw 2..8).
Bytes TimeValue(uint8_t sub) { return {0xB5, sub, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45}; }
// Val19 100, Val21 50, signal code 272 (group 1, lamp 10h: aspect 14).
const Bytes kPairSignal = {0x01, 0x00, 0x00, 0x50, 0x02, 0x72};
// Short F0 of a vendor-Q file: Val13 580, Val14 12, Val17 456.
const Bytes kF0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});

TEST(B5Counters, B501FiveCountersAndAByte) {
  Bytes r = Rec({TimeValue(0x01),
                 {0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x99, 0x99, 0x99,
                  0x99, 0x99, 0x00, 0x01, 0x00, 0x00, 0x42}});
  ASSERT_EQ(r.size(), 31u);
  EXPECT_EQ(Out(r),
            Golden({"99 01 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "21 F0 4E 61 BC 64 00 00 63 00 00 FF E0 F5 10 27 00 2A"}));
}

TEST(B5Counters, B502ThreeCountersAndNothingPastItsEnd) {
  Bytes r = Rec({TimeValue(0x02),
                 {0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x99, 0x55}});
  ASSERT_EQ(r.size(), 23u);
  EXPECT_EQ(Out(r),
            Golden({"99 02 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "21 F0 4E 61 BC 00 00 00 00 00 00 64 00 00 63 00 00 00"}));
}

TEST(B5Counters, B503B504B505) {
  EXPECT_EQ(Out(Rec({TimeValue(0x03), {0x12, 0x34, 0x00, 0x99}})),
            Golden({"99 03 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "21 F0 D2 04 63 00"}));
  EXPECT_EQ(Out(Rec({TimeValue(0x04), {0x00, 0x01, 0x00, 0x00, 0x77}})),
            Golden({"99 04 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "21 F0 10 27 00 4D"}));
  EXPECT_EQ(Out(Rec({TimeValue(0x05), {0x00, 0x00, 0x02, 0x56}})),
            Golden({"99 05 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00",
                    "21 F0 00 01 00"}));
}

TEST(B5Signal, SignalEventDirect) {
  for (uint8_t code : {0x11, 0x15, 0x19, 0x20}) {
    auto out = Out(Std(0xB5, code, kPairSignal));
    ASSERT_EQ(out.size(), 1u);
    Rec26 expected = R("99 00 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 17 03");
    expected[1] = code;
    EXPECT_EQ(out[0], Hex(expected));
  }
}

TEST(B5Signal, B511FollowedByF0CarriesTheStateFromBefore) {
  EXPECT_EQ(Out(Cat({Std(0xB5, 0x11, kPairSignal), kF0})),
            Golden({"99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 17 03",
                    // the F0 on its own: Val13 changed, a state-change record
                    "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 0E 00 C8 01 64 00 32 00 00 47 10"}));
}

TEST(B5Signal, SignalValueEventDirect) {
  const Bytes own = Cat({kPairSignal, {0x00, 0x00, 0x05, 0x87}});
  EXPECT_EQ(Out(Cat({Std(0xB5, 0x30, own), Std(0xB5, 0x35, own)})),
            Golden({// time only: the header numbers keep their start values
                    "99 30 0A 14 1E 00 00 00 00 00 00 00 00 3A 00 0E 00 00 00 64 00 32 00 00 37 05",
                    "99 33 0A 14 1E 00 00 00 00 00 00 00 00 3A 00 0E 00 00 00 64 00 32 00 00 37 05"}));
}

TEST(B5SubValue, B536) {
  auto b536 = [](uint8_t sel) {
    return Rec({{0xB5, 0x36, 0x10, 0x20, 0x30}, {0x00, 0x00, 0x12, 0x34}, {sel}});
  };
  ASSERT_EQ(b536(1).size(), 11u);
  // Event time only; Val13 1234 from raw 5..8.
  EXPECT_EQ(Out(b536(1)),
            Golden({"99 35 0A 14 1E 00 00 00 00 00 00 00 00 7B 00 08 00 00 00 00 00 00 00 00 41 00"}));
  EXPECT_EQ(Out(b536(2)),
            Golden({"99 36 0A 14 1E 00 00 00 00 00 00 00 00 7B 00 08 00 00 00 00 00 00 00 00 41 00"}));
  // Unknown sub-value: read and checked, nothing written, Val13 untouched.
  EXPECT_EQ(Out(Cat({b536(3), Std(0xB5, 0x41, {})})),
            Golden({"99 41 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
  EXPECT_EQ(Out(Cat({b536(0x10), Std(0xB5, 0x42, {})})),
            Golden({"99 42 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(B5SubValue, B537) {
  auto b537 = [](uint8_t sel) { return Rec({{0xB5, 0x37, 0x10, 0x20, 0x30}, {sel}}); };
  ASSERT_EQ(b537(0).size(), 7u);
  EXPECT_EQ(Out(b537(0)),
            Golden({"99 37 0A 14 1E 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00"}));
  EXPECT_EQ(Out(b537(1)),
            Golden({"99 38 0A 14 1E 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00"}));
  EXPECT_EQ(Out(Cat({b537(2), Std(0xB5, 0x41, {})})),
            Golden({"99 41 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(B5Direct, B541WithoutLookAhead) {
  EXPECT_EQ(Out(Cat({Std(0xB5, 0x41, {}), kF0})),
            Golden({"99 41 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10"}));
}

TEST(B5Direct, FailedCheckWritesNothing) {
  Bytes r = Rec({TimeValue(0x03), {0x12, 0x34, 0x00, 0x99}});
  r.back() ^= 0x01;
  EXPECT_TRUE(Out(r).empty());
}

}  // namespace
