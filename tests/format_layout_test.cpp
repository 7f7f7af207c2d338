// The shared layout of the driver and station records and its named variants.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "format/layout.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

std::string Placed(void (*place)(uint8_t*)) {
  Rec26 r{};
  place(r.data());
  return Hex(r);
}

}  // namespace

TEST(FormatLayout, DriverRecordSpreadsTheNumberAndSpacesEightCharacters) {
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "AB"); }),
            Hex(R("00 00 00 00 00 0D 0C 41 42 20 20 20 20 20 20 00 00 00 00 00 00 00 00 00 0B 0A")));
  // Characters 9..12 where present, nothing beyond byte 18.
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceDriverRecord(r, 1, "ABCDEFGHIJKLMN"); }),
            Hex(R("00 00 00 00 00 01 00 41 42 43 44 45 46 47 48 49 4A 4B 4C 00 00 00 00 00 00 00")));
  // The L2000 form keeps the low 16 bits only.
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "", kDriverName, DriverNumber::kLow16); }),
            Hex(R("00 00 00 00 00 0D 0C 20 20 20 20 20 20 20 20")));
}

TEST(FormatLayout, StationRecordSpacesNineCharactersAndTheStartUpVariantEight) {
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceStationRecord(r, 0x0102, "S"); }),
            Hex(R("00 00 00 00 00 02 01 53 20 20 20 20 20 20 20 20")));
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceStationRecord(r, 0x0102, "S", kStartupStationName); }),
            Hex(R("00 00 00 00 00 02 01 53 20 20 20 20 20 20 20 00")));
}

TEST(FormatLayout, EventDriverNameRunsOnThroughByte25) {
  EXPECT_EQ(Placed([](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "ABCDEFGHIJKLMNOPQRSTU", kEventDriverName); }),
            Hex(R("00 00 00 00 00 0D 0C 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53")));
}
