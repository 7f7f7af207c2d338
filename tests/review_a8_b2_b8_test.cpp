// Running-state rules shared by the A8, B2 and B8 records: records that take
// the event time only keep the header numbers, B860 keeps the second code of
// the record before it, and a held signal code is not touched.
#include <gtest/gtest.h>

#include "support/testkit.h"
#include "tables/bridge.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

const Bytes kTime2 = {0x11, 0x11, 0x11};  // 11:11:11 = 0B 0B 0B

}  // namespace

TEST(StateRulesA8B2B8, EventTimeRecordsKeepTheHeaderNumbers) {
  Tables().StationTable.clear();
  Tables().DriverTable.clear();
  // A822 loads 12345678 / 123456; A804, A806, A825 and B844 take the time only.
  const Bytes a822 = Rec({{0xA8, 0x22}, kTime, kNum8, kNum6, {0x12, 0x34}});
  const Bytes a804 = Rec({{0xA8, 0x04}, kTime2, {0x87, 0x65, 0x43, 0x21}});
  const Bytes a806 = Rec({{0xA8, 0x06}, kTime, {0x00, 0x07}});
  const Bytes a825 = Rec({{0xA8, 0x25}, kTime2, {0x00, 0x07}});
  const Bytes b844 = Rec({{0xB8, 0x44}, kTime2, {0x12, 0x34}});
  EXPECT_EQ(Records(RawHeader(), {a822, a804, a806, a825, b844}),
            Golden({"81 49 0A 14 1E 4E 61 BC 40 E2 D2 04",
                    "81 04 0B 0B 0B B1 7F 38 37 36 35 34 33 32 31 00 00 00 00 00 00 00 00 00 39 05",
                    "81 06 0A 14 1E 07 00 30 2D 37 20",
                    "81 18 0B 0B 0B 4E 61 BC 40 E2 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00",
                    "86 7E 0B 0B 0B 4E 61 BC 40 E2 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
                    "21 F0 D2 04"}));
}

TEST(StateRulesA8B2B8, B860KeepsTheSecondCodeOfTheRecordBefore) {
  // B807 with sub-value 1 writes 0x86 0xA0; a rejected B805 changes nothing;
  // B860 with an unlisted value keeps 0xA0.
  const Bytes b807 = Rec({{0xB8, 0x07}, Prefix(), {0x12, 0x34, 0x04, 0x15}, {0x16, 0x17}, {0x01}});
  Bytes bad805 = Rec({{0xB8, 0x05}, Prefix(), {0x12, 0x34, 0x04, 0x15}});
  bad805.back() = static_cast<uint8_t>(bad805.back() ^ 0x01);
  const Bytes b860 = Rec({{0xB8, 0x60}, Prefix(), {0x05}});
  EXPECT_EQ(Records(RawHeader(), {b807, bad805, b860}),
            Golden({"86 A0 0A 14 1E 4E 61 BC 40 E2 00 00 00 00 00 45 00 00 00 D2 04 9F 01 00 17 03",
                    "86 A0 0A 14 1E 4E 61 BC 40 E2 00 00 00 00 00 45 00 00 00 D2 04 9F 01 00 07 00"}));
}

TEST(StateRulesA8B2B8, HeldSignalCodeIsNotConverted) {
  // BA03 with the signal bits set (192) holds the start-up code 08; B809
  // carries signal 1617 (aspect 45h when converted) but keeps 08.
  const Bytes ba03 = Rec({{0xBA, 0x03}, kTime, kNum8, kNum6, {0x01, 0x92}});
  const Bytes b809 = Rec({{0xB8, 0x09}, Prefix(), {0x12, 0x34, 0x04, 0x15}, {0x16, 0x17}});
  const Bytes b809again = b809;
  auto recs = Records(RawHeader(), {ba03, b809});
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[1], Hex(R("86 0B 0A 14 1E 4E 61 BC 40 E2 00 00 00 00 00 08 00 00 00 D2 04 9F 01 00 17 03")));
  // Without BA03 the same record converts its signal.
  EXPECT_EQ(Records(RawHeader(), {b809again}).at(0),
            Hex(R("86 0B 0A 14 1E 4E 61 BC 40 E2 00 00 00 00 00 45 00 00 00 D2 04 9F 01 00 17 03")));
}
