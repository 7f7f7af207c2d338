#include <gtest/gtest.h>

#include "support/testkit.h"

using namespace railfmt::test;

TEST(EngineSmoke, HeaderOnlyGivesHeaderAndStartupRecords) {
  RawHeader h;
  Bytes out = Convert(h.bytes());
  EXPECT_EQ(out.size(), 52u + 28 * 26);
  h.h[78] = 0x40;
  out = Convert(h.bytes());
  EXPECT_EQ(out.size(), 52u + 31 * 26);
}

TEST(EngineSmoke, A010WithAttachedF0) {
  RawHeader h;
  Bytes a010 = Rec({{0xA0, 0x10}, Bcd(83000, 3), Bcd(12345678, 4), Bcd(123456, 3)});
  Bytes f0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  Bytes out = Convert(EventFile(h, {a010, f0}));
  auto recs = EventRecords(out);
  ASSERT_EQ(recs.size(), 2u) << Hex(out);
  EXPECT_EQ(recs[0][0], 0x8B);
  EXPECT_EQ(recs[1][0], 0x80);
  EXPECT_EQ(recs[1][1], 0x0A);
}
