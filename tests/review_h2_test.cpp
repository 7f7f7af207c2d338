// Edge cases of the B6, B5, BA..BF and B1..FE families that the family
// tests leave open: the order in which the default value of Val21 takes
// effect, fixed mask bytes over an attached state record, FE02 blocks at the
// input end, and failed checks that leave the running state alone.
#include <gtest/gtest.h>

#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Short F0 of a vendor-Q file: Val13 580, Val14 123 / 10, Val17 456.
const Bytes kF0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
// The state-change record that kF0 writes after a record with the standard head.
const char* kF0Out = "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10";
// 0x95 0x01: a record that shows the running state.
const Bytes kB631 = Std(0xB6, 0x31, {});

TEST(ReviewB6, DefaultValueEventTakesItsDefaultAfterItsOwnRecord) {
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

TEST(ReviewB6, FailedEMURecordWritesNothingAndKeepsTheInput) {
  Bytes bad = Std(0xB6, 0x10, {0x12, 0x34});
  bad.back() ^= 0x01;
  EXPECT_EQ(Out(Cat({bad, kB631})),
            Golden({"95 01 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(ReviewB6, B680AndB681TakeAnAttachedStateRecord) {
  EXPECT_EQ(Out(Cat({Rec({0xB6, 0x80, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33}), kF0})),
            Golden({"8B 06 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 32 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C1 10",
                    "22 F0 0B 16 21"}));
  EXPECT_EQ(Out(Cat({Bytes{0xB6, 0x81, 0x10, 0x20, 0x30, 0x77}, kF0})),
            Golden({"8B 06 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 33 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C6 10"}));
}

TEST(ReviewMasks, FixedMaskBytesOverAnAttachedStateRecord) {
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

TEST(ReviewFE, FE02NeedsItsWholePayloadInTheInput) {
  EXPECT_EQ(Out(Cat({FE02Head(), {0x01, 0x02}})),
            Golden({"92 21 0A 14 1E 39 30 00 39 30 02 00 01 02"}));
  // One byte short: dropped; the byte left is not a code.
  EXPECT_TRUE(Out(Cat({FE02Head(), {0x01}})).empty());
}

// E0 drops the pass-through bit before its record is read: an E0 that fails
// its check still leaves signal codes converted.
TEST(ReviewFailedCheck, E0DropsThePassThroughBitEvenWhenItFails) {
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

TEST(ReviewFailedCheck, LeavesSignalModeAndKeepSignalAlone) {
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
