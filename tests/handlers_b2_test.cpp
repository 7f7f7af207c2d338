// Large measurement records B201..B295 and their ZhuZhou forms.
#include <gtest/gtest.h>

#include "handlers/families.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// The standard prefix, then raw k = BCD k from raw 12 up to the check byte.
Bytes B2(uint8_t c1, int len) { return Rec({{0xB2, c1}, Prefix(), Fill(12, len - 2)}); }
// The same with raw 14 = 04h, so that Val21 (0415) stays below the 999 limit.
Bytes B2Pair(uint8_t c1, int len) {
  Bytes b(Cat({{0xB2, c1}, Prefix(), Fill(12, len - 2)}));
  b[14] = 0x04;
  return Rec(b);
}
Bytes B2Short(uint8_t c1, std::initializer_list<Bytes> fields) {
  Bytes b{0xB2, c1};
  for (const Bytes& f : fields) b.insert(b.end(), f.begin(), f.end());
  return Rec(b);
}

// Running state of the filled records: Val19 1213, Val21 415.
const std::string kPairFill = " 00 00 00 00 00 08 00 00 00 BD 04 9F 01 00 ";
// ... and the signal 1617 (group 6, three lamps): aspect 69.
const std::string kSignalFill = " 00 00 00 00 00 45 00 00 00 BD 04 9F 01 00 ";
const char* kB201Supp = "21 F0 12 15 EE 02 74 64 03 19 1A 1B 1C 72 0B";

std::string Main(const char* codes, const std::string& state, const char* mask) {
  return codes + kHead + state + mask;
}

}  // namespace

TEST(HandlersB2, EveryCodeConvertsOneRecord) {
  const std::vector<Case> cases = {
      {"B201", B2Pair(0x01, 32), {Main("8C 1C", kSignalFill, "17 03"), kB201Supp}},
      {"B202", B2Pair(0x02, 35), {Main("8C 1D", " B6 77 13 00 00 4F 00 00 00 BD 04 9F 01 00 ", "1F 03"),
        "21 F0 74 64 03 D3 DA 03 1C 1D 1E 1F A1 0C"}},
      {"B203", B2Pair(0x03, 22), {Main("8C 1E", " B6 77 13 00 00 08 00 00 00 BD 04 9F 01 00 ", "0F 03"), "21 F0 14"}},
      // Val5 takes in the check byte (12) and the zero past the record.
      {"B204", B2Short(0x04, {kTime, {0x12, 0x34}}),
       {"8C 1F 0A 14 1E D0 4F BC 00 00" + kState0 + "03 00", "21 F0 0C 22"}},
      {"B205", B2Short(0x05, {kTime, {0x12, 0x34}}),
       {"8C 20 0A 14 1E 6C 4F BC 00 00" + kState0 + "03 00", "21 F0 0C 22"}},
      {"B206", B2Short(0x06, {kTime, kNum8}), {"8C 21 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00"}},
      {"B207", B2Pair(0x07, 32), {Main("8C 22", kSignalFill, "17 03"), kB201Supp}},
      {"B208", B2Short(0x08, {kTime, {0x12}}), {"8C 23 0A 14 1E A0 83 BD 00 00" + kState0 + "01 00", "21 F0 0C"}},
      {"B209", B2(0x09, 19), {Main("8C 24", kState0, "07 00"), "21 F0 E2 D9 01 41 50 02"}},
      {"B210", B2(0x10, 22), {Main("8C 25", kState0, "07 00"), "21 F0 E2 D9 01 41 50 02 12 13 14"}},
      {"B211", B2(0x11, 21), {Main("8C 26", kState0, "07 00"), "21 F0 BD 04 CC 28 02 2B 9F 02"}},
      {"B219", B2Short(0x19, {kTime, kNum8, {0x00, 0x01, 0x23, 0x45}}),
       {"8C 10 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00", "21 F0 39 30 00 00"}},
      {"B283", B2(0x83, 19), {Main("8C 35", kState0, "07 00"), "21 F0 BD 04 CC 28 02 11"}},
      {"B285", B2Short(0x85, {kTime, kNum8}), {"8C 34 0A 14 1E 4E 61 BC 00 00" + kState0 + "03 00"}},
      {"B287", B2Pair(0x87, 26),
       {Main("8C 33", " 15 EE 00 00 00 08 00 00 00 BD 04 9F 01 00 ", "0F 03"), "21 F0 B6 77 02 16 14 09"}},
      {"B289", B2(0x89, 18), {Main("8C 37", kState0, "07 00"), "21 F0 BD 04 0E EC 05"}},
      {"B291", B2(0x91, 15), {Main("8C 36", kState0, "07 00"), "21 F0 BD 04"}},
      {"B293", B2(0x93, 13), {Main("8C 38", kState0, "07 00")}},
      {"B295", B2Pair(0x95, 31),
       {Main("8C 32", kPairFill, "07 03"), "21 F0 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D"}},
  };
  ExpectCovers(FamilyB2(), cases);
  RunCases({{"B295 raw order",
             Rec({{0xB2, 0x95}, Prefix(), {0x12, 0x34, 0x05, 0x67},
                  {0x99, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x10, 0x20, 0x30, 0x40}}),
             {Main("8C 32", " 00 00 00 00 00 08 00 00 00 D2 04 37 02 00 ", "07 03"),
              "21 F0 63 01 02 03 04 05 06 07 08 09 0A 14 1E 28"}}});
  RunCases(cases);
}

TEST(HandlersB2, RecordsThatDependOnTheRecordBefore) {
  // B206 after B209: Val8 still holds the 6-digit number of B209.
  EXPECT_EQ(Records(RawHeader(), {B2(0x09, 19), B2Short(0x06, {kTime, {0x11, 0x22, 0x33, 0x44}})}).at(2),
            Hex(R("8C 21 0A 14 1E 30 41 AB 40 E2" + kState0 + "03 00")));
  Bytes b201 = B2Pair(0x01, 32);
  b201.back() ^= 0x01;
  EXPECT_EQ(Records(RawHeader(), {b201, Sentinel()}), Golden({kSentinelOut}));
}

TEST(HandlersB2, ZhuZhouRecords) {
  RawHeader zz;
  zz.Vendor('Z');
  const Bytes tail13 = Rec({{0xB2, 0x01}, Prefix()});
  const Bytes tail(tail13.begin() + 2, tail13.end());  // 11 bytes after B201
  const Bytes b201 = B2Pair(0x01, 32);
  const std::string main = Main("8C 1C", kSignalFill, "17 03");
  RunCases({{"B201", Cat({b201, tail}), {main, kB201Supp, Main("8C 39", kSignalFill, "07 00")}},
            {"B289", B2(0x89, 18), {}}, {"B297", B2(0x97, 35), {}}},
           zz, ClassTZhuZhouNewOrgToFmt());
  // The base handler reads the 32-byte record only; the tail bytes are skipped.
  EXPECT_EQ(Records(RawHeader(), {b201, tail, Sentinel()}), Golden({main, kB201Supp, kSentinelOut}));
  // A bad tail adds nothing; a base record with a bad check byte writes
  // nothing, but its tail is still read and checked (start-up state: no lamp).
  Bytes badTail = tail, bad = b201;
  badTail.back() ^= 0x01;
  bad.back() ^= 0x01;
  EXPECT_EQ(Records(zz, {b201, badTail, Sentinel()}), Golden({main, kB201Supp, kSentinelOut}));
  EXPECT_EQ(Consumed(Cat({bad, tail}), ClassTZhuZhouNewOrgToFmt()), 43u);
  EXPECT_EQ(Records(zz, {bad, tail, Sentinel()}),
            Golden({"8C 39" + kHead + kState0 + "07 00", kSentinelOut}));
}
