// B5xx records: counters in supplementary records, direct signal records
// (no look-ahead) and the sub-value records B536, B537.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Time 10:20:30 and the 8-digit number 12345 (raw 2..8).
Bytes TimeValue(uint8_t sub) { return {0xB5, sub, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45}; }
// Val19 100, Val21 50, signal code 272 (group 1, lamp 10h: aspect 14).
const Bytes kPairSignal = {0x01, 0x00, 0x00, 0x50, 0x02, 0x72};
const std::string kSignalState = " 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 ";
// Short F0 of a vendor-Q file: Val13 580, Val14 12, Val17 456.
const Bytes kF0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
const char* kCounterHead = " 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00";

Case Sig(uint8_t c1) {
  char sub[4];
  std::snprintf(sub, sizeof sub, "%02X", c1);
  return StdCase(0xB5, c1, kPairSignal, {StdOut(std::string("99 ") + sub, "17 03", kSignalState)});
}
// Time only: the header numbers keep their start values.
Case SigVal(uint8_t c1, const char* sub) {
  return StdCase(0xB5, c1, Cat({kPairSignal, {0x00, 0x00, 0x05, 0x87}}),
                 {std::string("99 ") + sub + " 0A 14 1E 00 00 00 00 00 00 00 00 3A 00 0E 00 00 00 64 00 32 00 00 37 05"});
}
Bytes B536(uint8_t sel) { return Rec({{0xB5, 0x36, 0x10, 0x20, 0x30}, {0x00, 0x00, 0x12, 0x34}, {sel}}); }
Bytes B537(uint8_t sel) { return Rec({{0xB5, 0x37, 0x10, 0x20, 0x30}, {sel}}); }

}  // namespace

TEST(HandlersB5, EveryCodeConvertsAsHandWritten) {
  const std::vector<Case> cases = {
      {"B501", Rec({TimeValue(0x01), {0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x99, 0x99,
                              0x99, 0x99, 0x99, 0x00, 0x01, 0x00, 0x00, 0x42}}),
       {std::string("99 01") + kCounterHead, "21 F0 4E 61 BC 64 00 00 63 00 00 FF E0 F5 10 27 00 2A"}},
      // Byte 17 reads past the end of the record.
      {"B502", Rec({TimeValue(0x02), {0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x99, 0x55}}),
       {std::string("99 02") + kCounterHead, "21 F0 4E 61 BC 00 00 00 00 00 00 64 00 00 63 00 00 00"}},
      {"B503", Rec({TimeValue(0x03), {0x12, 0x34, 0x00, 0x99}}), {std::string("99 03") + kCounterHead, "21 F0 D2 04 63 00"}},
      {"B504", Rec({TimeValue(0x04), {0x00, 0x01, 0x00, 0x00, 0x77}}),
       {std::string("99 04") + kCounterHead, "21 F0 10 27 00 4D"}},
      {"B505", Rec({TimeValue(0x05), {0x00, 0x00, 0x02, 0x56}}), {std::string("99 05") + kCounterHead, "21 F0 00 01 00"}},
      Sig(0x11), Sig(0x12), Sig(0x13), Sig(0x14), Sig(0x15), Sig(0x16), Sig(0x17), Sig(0x18), Sig(0x19), Sig(0x20),
      SigVal(0x30, "30"), SigVal(0x31, "31"), SigVal(0x32, "32"), SigVal(0x35, "33"),
      // Event time; Val13 1234 from raw 5..8. Other selectors write nothing.
      {"B536", B536(1), {"99 35 0A 14 1E 00 00 00 00 00 00 00 00 7B 00 08 00 00 00 00 00 00 00 00 41 00"}},
      {"B536 2", B536(2), {"99 36 0A 14 1E 00 00 00 00 00 00 00 00 7B 00 08 00 00 00 00 00 00 00 00 41 00"}},
      {"B536 3", B536(3), {}}, {"B536 10", B536(0x10), {}},
      {"B537", B537(0), {"99 37 0A 14 1E 00 00 00 00 00" + kState0 + "01 00"}},
      {"B537 1", B537(1), {"99 38 0A 14 1E 00 00 00 00 00" + kState0 + "01 00"}},
      {"B537 2", B537(2), {}},
      StdCase(0xB5, 0x41, {}, {StdOut("99 41")}), StdCase(0xB5, 0x42, {}, {StdOut("99 42")}),
  };
  ExpectCovers(FamilyB5(), cases);
  RunCases(cases);
}

TEST(HandlersB5, NoLookAheadAndFailedChecks) {
  // The F0 after the record is converted on its own, after it.
  const std::string f0Out = "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 0E 00 C8 01 64 00 32 00 00 47 10";
  EXPECT_EQ(Out(Cat({Std(0xB5, 0x11, kPairSignal), kF0})),
            Golden({StdOut("99 11", "17 03", kSignalState), f0Out}));
  EXPECT_EQ(Out(Cat({Std(0xB5, 0x41, {}), kF0})),
            Golden({StdOut("99 41"), "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10"}));
  // A rejected record writes neither record; an unknown selector leaves Val13.
  for (Bytes r : {Rec({TimeValue(0x01), Bytes(22, 0x01)}), Rec({TimeValue(0x03), {0x12, 0x34, 0x00, 0x99}})}) {
    r.back() ^= 0x01;
    EXPECT_EQ(Out(Cat({r, Sentinel()})), Golden({kSentinelOut}));
  }
  EXPECT_EQ(Out(Cat({B536(3), Std(0xB5, 0x41, {})})), Golden({StdOut("99 41")}));
}
