// General records A0xx, A5xx, A7xx with layouts of their own, and the
// sub-code selection of A008 and A009.
#include <gtest/gtest.h>

#include "support/testkit.h"

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
}
