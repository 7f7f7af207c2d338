// BA, BB, BC, BD, BE and BF records: one row per handler in the short and
// the long layouts of the versioned BA records, the station record of BA02,
// the signal switch of BA03 and the bare records.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Record-format version text: header bytes 49, 50 as decimal texts.
RawHeader Format(int v) { return RawHeader().Version(v); }
const char* kStdHead = " 0A 14 1E 39 30 00 C8 00";
// 0x92 0x19: WordEvent15 with W(12) = 1234, to see where the input stands.
const Bytes kMarker = Std(0xBA, 0x13, {0x12, 0x34});
const char* kMarkerOut = "92 19 0A 14 1E 39 30 00 C8 00 D2 04";
// 0x99 0x41: a record that shows the running state without look-ahead.
const Bytes kState = Std(0xB5, 0x41, {});
const Bytes kPair = {0x01, 0x00, 0x00, 0x50};  // Val19 100, Val21 50
const std::string kPairState = " 00 00 00 00 00 08 00 00 00 64 00 32 00 00 ";

// Full record codes + head, then bytes 10.. as listed (the rest zero).
Case B(uint8_t c0, uint8_t c1, const Bytes& own, const char* codes, const std::string& tail) {
  return StdCase(c0, c1, own, {codes + std::string(kStdHead) + tail});
}
Case Pair(uint8_t c0, uint8_t c1, const char* codes) { return StdCase(c0, c1, kPair, {StdOut(codes, "07 03", kPairState)}); }
Case Skip(uint8_t c0, uint8_t c1, int len) { return {StdCase(c0, c1, {}, {}).name, Cat({{c0, c1}, Bytes(len - 2, 0xAA)}), {}}; }
const std::string kValue = " D2 04 00 00 00 00 00 00 00 00 00 00 00 00 1F 00";                // W(12) 1234
const std::string kSignal = " 39 30 00 00 63 00 D2 04 00 00 00 00 00 00 1F 00";               // T 12345, 99, 1234
const std::string kTriple = " D2 04 00 38 4E 63 00 00 0F 27 00 00 00 00 1F 00";
const Bytes kSignalOwn = {0x01, 0x23, 0x45, 0x00, 0x99, 0x12, 0x34};
const Bytes kTripleOwn = {0x12, 0x34, 0x56, 0x78, 0x00, 0x99, 0x99, 0x99};

}  // namespace

TEST(HandlersBA, EveryCodeConvertsAsHandWritten) {
  const std::vector<Case> cases = {
      {"BA01", Rec({{0xBA, 0x01, 0x10, 0x20, 0x30, 0x00, 0x00}}), {}},
      // Line 5, station 123; with no station table the name is "5-123".
      {"BA02", Rec({{0xBA, 0x02, 0x10, 0x20, 0x30, 0x00, 0x00, 0x05, 0x01, 0x23, 0x00, 0x00}}),
       {"20 F0 35 2D 31 32 33 00 00 00 00 00 7B"}},
      B(0xBA, 0x03, {0x02, 0x00}, "92 10", " C8 00"), B(0xBA, 0x04, kSignalOwn, "92 11", kSignal),
      B(0xBA, 0x05, {0x12, 0x34}, "92 12", " 0C 22"), B(0xBA, 0x06, {0x12, 0x34, 0x56}, "92 13", " D2 04 00 00 38"),
      B(0xBA, 0x07, {0x11, 0x22, 0x01, 0x00, 0x33, 0x44, 0x55, 0x00, 0x99}, "92 14",
        " 00 00 0B 16 64 00 21 2C 37 63 00"),
      B(0xBA, 0x08, {0x42}, "92 15", " 2A"), B(0xBA, 0x09, {0x42}, "92 16", " 2A"),
      B(0xBA, 0x11, kTripleOwn, "92 17", kTriple), B(0xBA, 0x12, kTripleOwn, "92 18", kTriple),
      B(0xBA, 0x13, {0x12, 0x34}, "92 19", " D2 04"), B(0xBA, 0x14, {}, "92 1A", ""), B(0xBA, 0x15, {}, "92 1B", ""),
      B(0xBA, 0x16, {}, "92 1C", ""), B(0xBA, 0x17, {0x12, 0x34}, "92 1D", kValue),
      B(0xBA, 0x18, {0x12, 0x34}, "92 1E", kValue), B(0xBA, 0x19, {0x12, 0x34}, "92 1F", " 0C 22"),
      B(0xBA, 0x20, {0x12, 0x34}, "92 20", " 0C 22"), B(0xBA, 0x21, {0x12, 0x34}, "92 24", " D2 04"),
      B(0xBA, 0x22, {0x12, 0x34}, "92 25", kValue), B(0xBA, 0x23, kSignalOwn, "92 26", kSignal),
      // Byte 15 takes the check byte (0x4D here), byte 16 reads past the record.
      B(0xBA, 0x26, {0x11, 0x00, 0x01, 0x23, 0x45}, "92 27", " 0B 39 30 00 00 4D"),
      {"BA27", Rec({{0xBA, 0x27, 0x10, 0x20, 0x30, 0x14}}),
       {"92 28 0A 14 1E 00 00 00 00 00 00 00 00 00 00 0E 00 00 00 00 00 00 00 00 01 00"}},
      B(0xBA, 0x50, {}, "92 50", ""), B(0xBA, 0x51, {}, "92 51", ""), B(0xBA, 0x52, {0x42}, "92 52", " 2A"),
      Pair(0xBB, 0x01, "92 31"), Pair(0xBB, 0x02, "92 32"), Pair(0xBB, 0x03, "92 33"), Pair(0xBB, 0x04, "92 34"),
      // The check runs over the first code byte and the 17 bytes after the second.
      {"BB05", [] {
         Bytes r = Rec({{0xBB, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45, 0x00, 0x02, 0x00}, kPair, {0x12, 0x34}});
         r.insert(r.begin() + 1, 0x05);
         return r;
       }(),
       {StdOut("92 35", "07 03", kPairState), "21 F0 D2 04"}},
      Pair(0xBB, 0x06, "92 36"), Pair(0xBB, 0x07, "92 37"), Pair(0xBB, 0x10, "92 3A"), Pair(0xBB, 0x11, "92 3B"),
      Pair(0xBB, 0x12, "92 3C"), Pair(0xBB, 0x13, "92 3D"), B(0xBB, 0x20, {}, "92 44", ""),
      StdCase(0xBB, 0x66, Cat({kPair, {0x11, 0x22}}), {StdOut("92 66", "07 03", kPairState), "21 F0 0B 16"}),
      Pair(0xBB, 0x67, "92 66"), Pair(0xBB, 0x68, "92 66"),
      Skip(0xBC, 0x01, 10), Skip(0xBC, 0x02, 10), Skip(0xBC, 0x03, 11), Skip(0xBC, 0x04, 37), Skip(0xBC, 0x05, 10),
      Skip(0xBC, 0x06, 10),
      StdCase(0xBC, 0x30, {0x00}, {StdOut("86 7A")}), {"BC30 1", Std(0xBC, 0x30, {0x01}), {StdOut("86 7B")}},
      {"BC30 2", Std(0xBC, 0x30, {0x02}), {}},
      StdCase(0xBC, 0x40, {}, {StdOut("89 07")}), StdCase(0xBC, 0x41, {}, {StdOut("89 08")}),
      StdCase(0xBC, 0x42, {}, {StdOut("89 09")}),
      {"BC50", Rec({{0xBC, 0x50, 0x10, 0x20, 0x30}, kPair, {0x12, 0x34, 0x00, 0x99}}),
       {"93 0A 0A 14 1E 64 00 32 00 D2 04 63 00"}},
      {"BC51", Rec({{0xBC, 0x51, 0x10, 0x20, 0x30, 0x42}}), {"93 0A 0A 14 1E 2A"}},
      StdCase(0xBD, 0x01, {}, {StdOut("97 01")}), StdCase(0xBD, 0x02, {}, {StdOut("97 02")}),
      StdCase(0xBD, 0x03, {}, {StdOut("97 03")}),
      StdCase(0xBD, 0x04, {0x01, 0x23, 0x45, 0x00, 0x50, 0x01, 0x00},
              {StdOut("97 04", "0F 03", " 64 00 00 00 00 08 00 00 00 39 30 32 00 00 ")}),
      StdCase(0xBD, 0x05, {0x01, 0x23, 0x45, 0x00, 0x50, 0x01, 0x00},
              {StdOut("97 05", "0F 03", " 64 00 00 00 00 08 00 00 00 39 30 32 00 00 ")}),
      {"BD06", Rec({{0xBD, 0x06, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x11, 0x12, 0x13}}),
       {"97 06 0A 14 1E 00 00 00 00 00" + kState0 + "01 00", "21 F0 0B 16 21",
        "97 96 0B 0C 0D 00 00 00 00 00" + kState0 + "01 00", "21 F0 2C 37 42"}},
      StdCase(0xBD, 0x07, {0x01, 0x23, 0x45, 0x00, 0x50, 0x01, 0x00, 0x12, 0x34},
              {StdOut("97 07", "0F 03", " 64 00 00 00 00 08 00 00 00 39 30 32 00 00 "), "21 F0 D2 04"}),
      StdCase(0xBD, 0x08, {0x01, 0x23, 0x45, 0x00, 0x50, 0x01, 0x00, 0x12, 0x34},
              {StdOut("97 08", "0F 03", " 64 00 00 00 00 08 00 00 00 39 30 32 00 00 "), "21 F0 D2 04"}),
      StdCase(0xBD, 0x09, {}, {StdOut("97 09")}),
      {"BD99", Rec({{0xBD, 0x99, 0x10, 0x20, 0x30}, {0x00, 0x01, 0x23, 0x45, 0x12, 0x34, 0x56, 0x78}, kPair,
                    {0x12, 0x34, 0x00, 0x99}}),
       {"97 99 0A 14 1E 39 30 00 00 4E 61 BC 00 64 00 32 00 D2 04 63 00"}},
      Pair(0xBE, 0x01, "F0 51"),
      {"BE02", Rec({{0xBE, 0x02, 0x10, 0x20, 0x30}, kPair, {0x12, 0x34}}), {"F0 52 0A 14 1E 64 00 32 00 D2 04"}},
      {"BE03", Rec({{0xBE, 0x03, 0x10, 0x20, 0x30, 0x12, 0x34}}),
       {"87 70 0A 14 1E 00 00 00 00 00" + kState0 + "01 00", "21 F0 D2 04"}},
      Skip(0xBF, 0x90, 8),
  };
  ExpectCovers(FamilyBA(), cases);
  RunCases(cases, Format(303));
  // The long layouts, from version text "34" on.
  for (const Case& k : std::vector<Case>{B(0xBA, 0x04, {0x01, 0x23, 0x45, 0x00, 0x99, 0x01, 0x23, 0x45}, "92 11",
              " 39 30 00 00 63 00 39 30 00 00 00 00 00 00 1F 00"),
            B(0xBA, 0x06, {0x00, 0x01, 0x23, 0x45, 0x56}, "92 13", " 39 30 00 00 38"),
            B(0xBA, 0x11, {0x01, 0x23, 0x45, 0x56, 0x78, 0x00, 0x00, 0x99, 0x09, 0x99, 0x99}, "92 17",
              " 39 30 00 38 4E 63 00 00 9F 86 01 00 00 00 1F 00"),
            B(0xBA, 0x17, {0x01, 0x23, 0x45}, "92 1D", " 39 30 00 00 00 00 00 00 00 00 00 00 00 00 1F 00"),
            B(0xBA, 0x26, {0x11, 0x00, 0x01, 0x23, 0x45, 0x22, 0x33}, "92 27", " 0B 39 30 00 00 16 21")})
    EXPECT_EQ(Out(Cat({k.raw, Sentinel()}), Format(304)), Golden({k.expected[0], kSentinelOut})) << k.name;
}

TEST(HandlersBA, VersionTextIsComparedAsText) {
  const Bytes shortRec = Std(0xBA, 0x11, kTripleOwn);
  const std::string shortOut = "92 17" + std::string(kStdHead) + kTriple;
  // "33" and "102" (text order) are below "34"; "35" is not: the short record
  // read as a long one runs into the next code byte and is dropped.
  EXPECT_EQ(Out(Cat({shortRec, kMarker}), Format(1002)), Golden({shortOut, kMarkerOut}));
  EXPECT_EQ(Out(Cat({shortRec, kMarker}), Format(305)), Golden({kMarkerOut}));
}

TEST(HandlersBA, SignalCodeForLaterRecords) {
  const Bytes keep = Std(0xBA, 0x03, {0x01, 0x92});  // low byte 0xC0: 0x80 and 0x40 set, 0x08 clear
  const Bytes signal = Std(0xB5, 0x11, {0x01, 0x00, 0x00, 0x50, 0x02, 0x72}), ba04 = Std(0xBA, 0x04, kSignalOwn);
  const struct {
    const char* what;
    Bytes body;
    std::string last;  // the last record written
  } rows[] = {
      // The value 12345 at raw 12 gives (12345 >> 12 and 7) + 200 = 203 (CB).
      {"BA04 sets 203", Cat({ba04, kState}), StdOut("99 41", "07 00", " 00 00 00 00 00 CB 00 00 00 00 00 00 00 00 ")},
      {"BA03 keeps 8 for B511", Cat({keep, signal}), StdOut("99 11", "17 03", kPairState)},
      {"BA03 keeps 8 for BA27", Cat({keep, Rec({{0xBA, 0x27, 0x10, 0x20, 0x30, 0x14}})}), "92 28 0A 14 1E 39 30 00 C8 00" + kState0 + "01 00"},
      {"BA03 keeps 8 for BA04", Cat({keep, ba04, kState}), StdOut("99 41")},
      // Low byte 0xC8 (bit 0x08 set): signals are converted (272 gives 14).
      {"BA03 0xC8", Cat({Std(0xBA, 0x03, {0x02, 0x00}), signal}), StdOut("99 11", "17 03", " 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 ")},
  };
  for (const auto& r : rows) EXPECT_EQ(Out(r.body).back(), Hex(R(r.last))) << r.what;
}

TEST(HandlersBA, PairRecordsWithoutLookAhead) {
  const Bytes f0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  EXPECT_EQ(Out(Cat({Std(0xBB, 0x66, Cat({kPair, {0x11, 0x22}})), f0})),
            Golden({StdOut("92 66", "07 03", kPairState), "21 F0 0B 16",
                    StdOut("8B 06", "47 10", " 00 00 00 3A 0C 08 00 C8 01 64 00 32 00 00 ")}));
  // Long BA26 without look-ahead: the long F0 after it is converted on its own.
  const Bytes longF0 = Rec({{0xF0}, Bcd(10, 2), Bcd(20, 2), Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});
  EXPECT_EQ(Out(Cat({Std(0xBA, 0x26, {0x11, 0x00, 0x01, 0x23, 0x45, 0x22, 0x33}), longF0}), Format(304)),
            Golden({"92 27 0A 14 1E 39 30 00 C8 00 0B 39 30 00 00 16 21",
                    "8B 06 0A 14 1E 39 30 00 C8 00 00 00 00 3A 0C 08 00 C8 01 0A 00 14 00 00 47 10"}));
}
