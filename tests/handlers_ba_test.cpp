// BA, BB, BC, BD, BE and BF records: the versioned BA layouts, the station
// record of BA02, the signal switch of BA03 and the bare records.
#include <gtest/gtest.h>

#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Record-format version text: header bytes 49, 50 as decimal texts.
RawHeader Format(int v) {
  RawHeader h;
  h.Version(v);
  return h;
}
// 0x92 0x19: WordEvent15 with W(12) = 1234, to see where the input stands.
const Bytes kMarker = Std(0xBA, 0x13, {0x12, 0x34});
const char* kMarkerOut = "92 19 0A 14 1E 39 30 00 C8 00 D2 04";
// 0x99 0x41: a record that shows the running state without look-ahead.
const Bytes kState = Std(0xB5, 0x41, {});

TEST(BAVersioned, BA11ReadsBySecondLayoutFromVersion34) {
  const Bytes shortRec = Std(0xBA, 0x11, {0x12, 0x34, 0x56, 0x78, 0x00, 0x99, 0x99, 0x99});
  const Bytes longRec =
      Std(0xBA, 0x11, {0x01, 0x23, 0x45, 0x56, 0x78, 0x00, 0x00, 0x99, 0x09, 0x99, 0x99});
  ASSERT_EQ(shortRec.size(), 21u);
  ASSERT_EQ(longRec.size(), 24u);
  const char* shortOut = "92 17 0A 14 1E 39 30 00 C8 00 D2 04 00 38 4E 63 00 00 0F 27 00 00 00 00 1F 00";
  const char* longOut = "92 17 0A 14 1E 39 30 00 C8 00 39 30 00 38 4E 63 00 00 9F 86 01 00 00 00 1F 00";
  // "33" and "102" (text order) are below "34"; "34" and "35" are not.
  EXPECT_EQ(Out(Cat({shortRec, kMarker}), Format(303)), Golden({shortOut, kMarkerOut}));
  EXPECT_EQ(Out(Cat({shortRec, kMarker}), Format(1002)), Golden({shortOut, kMarkerOut}));
  EXPECT_EQ(Out(Cat({longRec, kMarker}), Format(304)), Golden({longOut, kMarkerOut}));
  EXPECT_EQ(Out(Cat({longRec, kMarker}), Format(305)), Golden({longOut, kMarkerOut}));
  // The short record read as a long one runs into the next code byte: it is
  // dropped and the next record is read from its code.
  EXPECT_EQ(Out(Cat({shortRec, kMarker}), Format(304)), Golden({kMarkerOut}));
}

TEST(BAVersioned, VersionedValueEvent) {
  EXPECT_EQ(Out(Std(0xBA, 0x17, {0x12, 0x34}), Format(303)),
            Golden({"92 1D 0A 14 1E 39 30 00 C8 00 D2 04 00 00 00 00 00 00 00 00 00 00 00 00 1F 00"}));
  EXPECT_EQ(Out(Std(0xBA, 0x22, {0x01, 0x23, 0x45}), Format(304)),
            Golden({"92 25 0A 14 1E 39 30 00 C8 00 39 30 00 00 00 00 00 00 00 00 00 00 00 00 1F 00"}));
}

TEST(BAVersioned, VersionedSignalEventSetsTheSignalCodeForLaterRecords) {
  // The value 12345 at raw 12 gives (12345 >> 12 and 7) + 200 = 203.
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x04, {0x01, 0x23, 0x45, 0x00, 0x99, 0x12, 0x34}), kState}),
                Format(303)),
            Golden({"92 11 0A 14 1E 39 30 00 C8 00 39 30 00 00 63 00 D2 04 00 00 00 00 00 00 1F 00",
                    "99 41 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 CB 00 00 00 00 00 00 00 00 07 00"}));
  EXPECT_EQ(Out(Std(0xBA, 0x23, {0x01, 0x23, 0x45, 0x00, 0x99, 0x01, 0x23, 0x45}), Format(304)),
            Golden({"92 26 0A 14 1E 39 30 00 C8 00 39 30 00 00 63 00 39 30 00 00 00 00 00 00 1F 00"}));
}

TEST(BAVersioned, BA06AndBA26) {
  EXPECT_EQ(Out(Std(0xBA, 0x06, {0x12, 0x34, 0x56}), Format(303)),
            Golden({"92 13 0A 14 1E 39 30 00 C8 00 D2 04 00 00 38"}));
  EXPECT_EQ(Out(Std(0xBA, 0x06, {0x00, 0x01, 0x23, 0x45, 0x56}), Format(304)),
            Golden({"92 13 0A 14 1E 39 30 00 C8 00 39 30 00 00 38"}));
  // Long BA26 without look-ahead: the long F0 after it is converted on its own.
  const Bytes f0 = Rec({{0xF0}, Bcd(10, 2), Bcd(20, 2), Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x26, {0x11, 0x00, 0x01, 0x23, 0x45, 0x22, 0x33}), f0}), Format(304)),
            Golden({"92 27 0A 14 1E 39 30 00 C8 00 0B 39 30 00 00 16 21",
                    "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 0A 00 14 00 00 47 10"}));
  // Short BA26: byte 15 takes the check byte (0x77 here), byte 16 reads past the record.
  EXPECT_EQ(Out(Std(0xBA, 0x26, {0x11, 0x00, 0x01, 0x23, 0x45}), Format(303)),
            Golden({"92 27 0A 14 1E 39 30 00 C8 00 0B 39 30 00 00 4D"}));
}

TEST(BASteps, FixedLayouts) {
  EXPECT_EQ(Out(kMarker), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Std(0xBA, 0x05, {0x12, 0x34})),
            Golden({"92 12 0A 14 1E 39 30 00 C8 00 0C 22"}));
  EXPECT_EQ(Out(Std(0xBA, 0x14, {})), Golden({"92 1A 0A 14 1E 39 30 00 C8 00"}));
  EXPECT_EQ(Out(Std(0xBA, 0x08, {0x42})), Golden({"92 15 0A 14 1E 39 30 00 C8 00 2A"}));
  EXPECT_EQ(Out(Std(0xBA, 0x52, {0x42})), Golden({"92 52 0A 14 1E 39 30 00 C8 00 2A"}));
  EXPECT_EQ(Out(Std(0xBA, 0x07, {0x11, 0x22, 0x01, 0x00, 0x33, 0x44, 0x55, 0x00, 0x99})),
            Golden({"92 14 0A 14 1E 39 30 00 C8 00 00 00 0B 16 64 00 21 2C 37 63 00"}));
  EXPECT_EQ(Out(Rec({{0xBA, 0x27, 0x10, 0x20, 0x30, 0x14}})),
            Golden({"92 28 0A 14 1E 00 00 00 00 00 00 00 00 00 00 0E 00 00 00 00 00 00 00 00 01 00"}));
  // BA01: read and checked only.
  EXPECT_EQ(Out(Cat({Rec({{0xBA, 0x01, 0x10, 0x20, 0x30, 0x00, 0x00}}), kMarker})),
            Golden({kMarkerOut}));
}

TEST(BASteps, BA02TakesANewStation) {
  // Line 5, station 123; with no station table the name is "5-123".
  const Bytes ba02 = Rec({{0xBA, 0x02, 0x10, 0x20, 0x30, 0x00, 0x00, 0x05, 0x01, 0x23, 0x00, 0x00}});
  ASSERT_EQ(ba02.size(), 13u);
  EXPECT_EQ(Out(ba02), Golden({"20 F0 35 2D 31 32 33 00 00 00 00 00 7B"}));
}

TEST(BASteps, BA03KeepsTheSignalCode) {
  const Bytes signal = Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72});
  // Low byte 0xC0: bits 0x80 and 0x40 set, 0x08 clear: the signal code stays 8.
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x03, {0x01, 0x92}), signal})),
            Golden({"92 10 0A 14 1E 39 30 00 C8 00 C0 00",
                    "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 17 03"}));
  // Low byte 0xC8 (bit 0x08 set): signals are converted (272 gives 14).
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x03, {0x02, 0x00}), signal})),
            Golden({"92 10 0A 14 1E 39 30 00 C8 00 C8 00",
                    "99 11 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 17 03"}));
}

TEST(BASteps, KeptSignalCodeIsNotSetByBA27OrBA04) {
  const Bytes keep = Std(0xBA, 0x03, {0x01, 0x92});
  EXPECT_EQ(Out(Cat({keep, Rec({{0xBA, 0x27, 0x10, 0x20, 0x30, 0x14}})})),
            Golden({"92 10 0A 14 1E 39 30 00 C8 00 C0 00",
                    // time only: the header numbers of BA03 stay
                    "92 28 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00"}));
  EXPECT_EQ(Out(Cat({keep, Std(0xBA, 0x04, {0x01, 0x23, 0x45, 0x00, 0x99, 0x12, 0x34}), kState}))
                .back(),
            Hex(R("99 41 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00")));
}

TEST(BBRecords, BB05ReadWithTheOneByteLayout) {
  // The check runs over the first code byte and the 17 bytes after the second.
  Bytes r = Rec({{0xBB, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x00, 0x02, 0x00},
                 {0x01, 0x00, 0x00, 0x50, 0x12, 0x34}});
  r.insert(r.begin() + 1, 0x05);
  ASSERT_EQ(r.size(), 19u);
  EXPECT_EQ(Out(Cat({r, kMarker})),
            Golden({"92 35 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 07 03",
                    "21 F0 D2 04", kMarkerOut}));
}

TEST(BBRecords, PairRecordsWithoutLookAhead) {
  const Bytes f0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  EXPECT_EQ(Out(Cat({Std(0xBB, 0x66, {0x01, 0x00, 0x00, 0x50, 0x11, 0x22}), f0})),
            Golden({"92 66 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 07 03",
                    "21 F0 0B 16",
                    "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 64 00 32 00 00 47 10"}));
  EXPECT_EQ(Out(Std(0xBB, 0x68, {0x01, 0x00, 0x00, 0x50})),
            Golden({"92 66 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 07 03"}));
  EXPECT_EQ(Out(Std(0xBB, 0x20, {})), Golden({"92 44 0A 14 1E 39 30 00 C8 00"}));
  EXPECT_EQ(Out(Std(0xBB, 0x13, {0x01, 0x00, 0x00, 0x50})),
            Golden({"92 3D 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 07 03"}));
}

TEST(BCRecords, BC30SubValue) {
  EXPECT_EQ(Out(Std(0xBC, 0x30, {0x00})),
            Golden({"86 7A 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
  EXPECT_EQ(Out(Std(0xBC, 0x30, {0x01})),
            Golden({"86 7B 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
  // Unknown value: checked, nothing written, the next record is intact.
  EXPECT_EQ(Out(Cat({Std(0xBC, 0x30, {0x02}), kMarker})), Golden({kMarkerOut}));
}

TEST(BCRecords, SkipsAndBareRecords) {
  EXPECT_EQ(Out(Cat({{0xBC, 0x04}, Bytes(35, 0xAA), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xBC, 0x03}, Bytes(9, 0xAA), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xBC, 0x06}, Bytes(8, 0xAA), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Cat({{0xBF, 0x90}, Bytes(6, 0xAA), kMarker})), Golden({kMarkerOut}));
  EXPECT_EQ(Out(Std(0xBC, 0x41, {})),
            Golden({"89 08 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
  EXPECT_EQ(Out(Rec({{0xBC, 0x50, 0x10, 0x20, 0x30, 0x01, 0x00, 0x00, 0x50, 0x12, 0x34, 0x00, 0x99}})),
            Golden({"93 0A 0A 14 1E 64 00 32 00 D2 04 63 00"}));
  EXPECT_EQ(Out(Rec({{0xBC, 0x51, 0x10, 0x20, 0x30, 0x42}})), Golden({"93 0A 0A 14 1E 2A"}));
}

TEST(BDRecords, RunRecords) {
  const Bytes own = {0x01, 0x23, 0x45, 0x00, 0x50, 0x01, 0x00};
  EXPECT_EQ(Out(Std(0xBD, 0x04, own)),
            Golden({"97 04 0A 14 1E 39 30 00 C8 00 64 00 00 00 00 08 00 00 00 39 30 32 00 00 0F 03"}));
  EXPECT_EQ(Out(Std(0xBD, 0x08, Cat({own, {0x12, 0x34}}))),
            Golden({"97 08 0A 14 1E 39 30 00 C8 00 64 00 00 00 00 08 00 00 00 39 30 32 00 00 0F 03",
                    "21 F0 D2 04"}));
  EXPECT_EQ(Out(Std(0xBD, 0x09, {})),
            Golden({"97 09 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 07 00"}));
}

TEST(BDRecords, BD06TwoEvents) {
  EXPECT_EQ(Out(Rec({{0xBD, 0x06, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x11, 0x12,
                      0x13}})),
            Golden({"97 06 0A 14 1E 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
                    "21 F0 0B 16 21",
                    "97 96 0B 0C 0D 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
                    "21 F0 2C 37 42"}));
}

TEST(BDRecords, BD99Bare) {
  EXPECT_EQ(Out(Rec({{0xBD, 0x99, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x12, 0x34, 0x56, 0x78,
                      0x01, 0x00, 0x00, 0x50, 0x12, 0x34, 0x00, 0x99}})),
            Golden({"97 99 0A 14 1E 39 30 00 00 4E 61 BC 00 64 00 32 00 D2 04 63 00"}));
}

TEST(BERecords, BE01BE02BE03) {
  EXPECT_EQ(Out(Std(0xBE, 0x01, {0x01, 0x00, 0x00, 0x50})),
            Golden({"F0 51 0A 14 1E 39 30 00 C8 00 00 00 00 00 00 08 00 00 00 64 00 32 00 00 07 03"}));
  EXPECT_EQ(Out(Rec({{0xBE, 0x02, 0x10, 0x20, 0x30, 0x01, 0x00, 0x00, 0x50, 0x12, 0x34}})),
            Golden({"F0 52 0A 14 1E 64 00 32 00 D2 04"}));
  EXPECT_EQ(Out(Rec({{0xBE, 0x03, 0x10, 0x20, 0x30, 0x12, 0x34}})),
            Golden({"87 70 0A 14 1E 00 00 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 01 00",
                    "21 F0 D2 04"}));
}

}  // namespace
