// B5xx records (counters in supplementary records, direct signal records
// without look-ahead, the sub-value records B536, B537) and B6xx records (the
// second record 0x22 0xF0, the default value of Val21, the multiple-unit
// records and the ZhuZhou B607).
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// Full record 0x95 sub, then the second record 0x22 0xF0 with `extra`.
Case X(uint8_t c1, const Bytes& own, const char* sub, const char* extra) {
  return StdCase(0xB6, c1, own, {StdOut(std::string("95 ") + sub), extra});
}
Case S(uint8_t c1, const char* sub) { return StdCase(0xB6, c1, {}, {StdOut(std::string("95 ") + sub)}); }
// Multiple-unit records 0x98 sub: 15 bytes carry a word, 14 bytes a byte.
Case Emu(uint8_t c1, bool word) {
  const Case c = StdCase(0xB6, c1, word ? Bytes{0x12, 0x34} : Bytes{0x42}, {});
  return {c.name, c.raw, {StdOut("98 " + c.name.substr(2)), word ? "21 F0 D2 04" : "21 F0 2A 00"}};
}
const Bytes kOne = {0x42}, kTwo = {0x42, 0x17}, kFour = {0x01, 0x02, 0x10, 0x99};

// A pair record (0x92 0x31) whose Val19 is 99 and whose Val21 is v.
Bytes PairWithVal21(int v) { return Std(0xBB, 0x01, Cat({Bcd(99, 2), Bcd(v, 2)})); }
const Bytes kDefault80 = Std(0xB6, 0x37, {0x00, 0x00, 0x00, 0x80, 0x00, 0x00});
std::string Pair(const char* val21) { return StdOut("92 31", "07 03", " 00 00 00 00 00 08 00 00 00 63 00 " + std::string(val21) + " 00 "); }
const Bytes kF0 = Rec({{0xF0}, Bcd(580, 2), Bcd(123, 2), Bcd(456, 2)});  // Val13 580, Val14 12, Val17 456

}  // namespace

TEST(HandlersB6, EveryCodeConvertsAsHandWritten) {
  const std::vector<Case> cases = {
      Emu(0x10, true), Emu(0x11, true), Emu(0x12, true), Emu(0x13, true), Emu(0x14, true),
      Emu(0x15, false), Emu(0x16, true), Emu(0x17, true), Emu(0x18, false),
      {"B619", {0xB6, 0x19}, {}},  // reads nothing more
      S(0x31, "01"), S(0x32, "02"), S(0x33, "03"), S(0x34, "04"),
      X(0x35, {0x01, 0x23, 0x12, 0x00, 0x00, 0x07}, "05", "22 F0 0A 14 1E 7B 00 B0 04 07 00"),
      X(0x36, {0x01, 0x23, 0x00, 0x80, 0x00, 0x07}, "06", "22 F0 0A 14 1E 7B 00 50 00 07 00"),
      X(0x37, {0x01, 0x23, 0x00, 0x80, 0x00, 0x07}, "07", "22 F0 0A 14 1E 7B 00 50 00 07 00"),
      X(0x38, {0x05}, "08", "22 F0 00 00 00 05"), X(0x39, kOne, "09", "22 F0 00 00 00 2A"),
      S(0x40, "0A"), S(0x41, "0B"), S(0x42, "0C"), S(0x43, "0D"),
      X(0x44, kOne, "0E", "22 F0 00 00 00 2A"), X(0x45, kOne, "0F", "22 F0 00 00 00 2A"),
      X(0x46, kOne, "10", "22 F0 00 00 00 2A"), X(0x50, kOne, "14", "22 F0 2A"),
      // B651 and B655 copy their check byte too.
      X(0x51, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11}, "15",
        "22 F0 01 02 03 04 05 06 07 08 09 0A 0B 46"),
      StdCase(0xB6, 0x52, {0x01, 0x02, 0x03, 0x04}, {}),  // read and checked only
      X(0x53, kFour, "17", "22 F0 01 02 0A 63"), X(0x54, kOne, "18", "22 F0 2A"),
      X(0x55, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x11, 0x12}, "19",
        "22 F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 36"),
      X(0x56, kOne, "1A", "22 F0 2A"), X(0x57, kOne, "1B", "22 F0 2A"), X(0x58, kOne, "1C", "22 F0 2A"),
      X(0x59, {0x21, 0x22, 0x23}, "1D", "22 F0 15 16 17"), X(0x60, kFour, "1E", "22 F0 01 02 0A 63"),
      {"B661", {0xB6, 0x61}, {}},  // empty
      X(0x62, kOne, "20", "22 F0 2A"), X(0x63, kOne, "21", "22 F0 2A"), X(0x64, kOne, "22", "22 F0 2A"),
      X(0x65, kTwo, "23", "22 F0 2A 11"), X(0x66, kTwo, "24", "22 F0 2A 11"),
      X(0x67, kTwo, "25", "22 F0 2A 11"), X(0x68, kTwo, "26", "22 F0 2A 11"),
      X(0x69, kOne, "27", "22 F0 2A"), S(0x70, "28"), X(0x79, kOne, "31", "22 F0 2A"),
      {"B680", Rec({0xB6, 0x80, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33}),
       {"95 32 0A 14 1E 00 00 00 00 00" + kState0 + "01 00", "22 F0 0B 16 21"}},
      // Hours from the second code byte 0x81; the 8-digit number takes raw 4
      // (0x30) and the check byte (0x77): 30770000 = 0x1D58350.
      {"B681", {0xB6, 0x81, 0x10, 0x20, 0x30, 0x77}, {"95 33 51 0A 14 50 83 D5 00 00" + kState0 + "06 00"}},
  };
  ExpectCovers(FamilyB6(), cases);
  RunCases(cases);
  RawHeader zz;
  zz.Vendor('Z');
  RunCases({StdCase(0xB6, 0x07, {0x01}, {})}, zz, ClassTZhuZhouNewOrgToFmt());  // B607: checked only
}

TEST(HandlersB6, DefaultValueOfVal21) {
  Bytes bad638 = Std(0xB6, 0x38, {0x02});
  bad638.back() ^= 0x01;
  const struct {
    const char* what;
    Bytes body;
    const char* val21;  // of the pair record at the end
  } rows[] = {
      {"B635 sets 1200, Val21 1000 is out of range",
       Cat({Std(0xB6, 0x35, {0x01, 0x23, 0x12, 0x00, 0x00, 0x80}), PairWithVal21(1000)}), "B0 04"},
      {"B638 2 switches on", Cat({kDefault80, Std(0xB6, 0x38, {0x02}), PairWithVal21(500)}), "50 00"},
      {"B638 5 leaves it", Cat({kDefault80, Std(0xB6, 0x38, {0x02}), Std(0xB6, 0x38, {0x05}), PairWithVal21(500)}), "50 00"},
      {"B638 0 switches off", Cat({kDefault80, Std(0xB6, 0x38, {0x02}), Std(0xB6, 0x38, {0x00}), PairWithVal21(500)}), "F4 01"},
      {"B640 switches off", Cat({kDefault80, Std(0xB6, 0x38, {0x02}), Std(0xB6, 0x40, {}), PairWithVal21(500)}), "F4 01"},
      {"B641 switches off", Cat({kDefault80, Std(0xB6, 0x38, {0x02}), Std(0xB6, 0x41, {}), PairWithVal21(500)}), "F4 01"},
      {"a failed B638 leaves it", Cat({kDefault80, bad638, PairWithVal21(500)}), "F4 01"},
  };
  for (const auto& r : rows) EXPECT_EQ(Out(r.body).back(), Hex(R(Pair(r.val21)))) << r.what;
  // B635's own records still carry the default of B637; the next record B635's.
  EXPECT_EQ(Out(Cat({kDefault80, Std(0xB6, 0x38, {0x02}), Std(0xB6, 0x35, {0x01, 0x23, 0x03, 0x00, 0x00, 0x07}),
                     Std(0xB6, 0x31, {})})),
            Golden({StdOut("95 07"), "22 F0 0A 14 1E 00 00 50 00 00 00", StdOut("95 08"), "22 F0 00 00 00 02",
                    StdOut("95 05", "07 00", " 00 00 00 00 00 08 00 00 00 00 00 50 00 00 "),
                    "22 F0 0A 14 1E 7B 00 2C 01 07 00",
                    StdOut("95 01", "07 00", " 00 00 00 00 00 08 00 00 00 00 00 2C 01 00 ")}));
}

TEST(HandlersB6, AttachedStateRecord) {
  // The state change comes first; it reaches the main record, not the second.
  EXPECT_EQ(Out(Cat({Std(0xB6, 0x11, {0x00, 0x07}), kF0})),
            Golden({StdOut("8B 06", "47 10", " 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 "),
                    StdOut("98 11", "C7 10", " 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 "), "21 F0 07 00"}));
  EXPECT_EQ(Out(Cat({Rec({0xB6, 0x80, 0x10, 0x20, 0x30, 0x11, 0x22, 0x33}), kF0})),
            Golden({"8B 06 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 32 0A 14 1E 00 00 00 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C1 10",
                    "22 F0 0B 16 21"}));
  EXPECT_EQ(Out(Cat({Bytes{0xB6, 0x81, 0x10, 0x20, 0x30, 0x77}, kF0})),
            Golden({"8B 06 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10",
                    "95 33 51 0A 14 50 83 D5 00 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C6 10"}));
  // A failed record writes nothing and keeps the input after it.
  Bytes bad = Std(0xB6, 0x10, {0x12, 0x34});
  bad.back() ^= 0x01;
  EXPECT_EQ(Out(Cat({bad, Std(0xB6, 0x31, {})})), Golden({StdOut("95 01")}));
}

namespace {

// Time 10:20:30 and the 8-digit number 12345 (raw 2..8).
Bytes TimeValue(uint8_t sub) { return {0xB5, sub, 0x10, 0x20, 0x30, 0x00, 0x01, 0x23, 0x45}; }
// Val19 100, Val21 50, signal code 272 (group 1, lamp 10h: aspect 14).
const Bytes kPairSignal = {0x01, 0x00, 0x00, 0x50, 0x02, 0x72};
const std::string kSignalState = " 00 00 00 00 00 0E 00 00 00 64 00 32 00 00 ";
const char* kCounterHead = " 0A 14 1E 39 30 00 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 00 03 00";

Case Sig(uint8_t c1) {
  const Case c = StdCase(0xB5, c1, kPairSignal, {});
  return {c.name, c.raw, {StdOut("99 " + c.name.substr(2), "17 03", kSignalState)}};
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
