// JK2H converter: golden conversions of small files, one row per case.
#include <gtest/gtest.h>

#include "interface/drivers.h"
#include "legacy/workarea.h"
#include "support/earlier_formats.h"
#include "support/testkit.h"

using namespace railfmt::test;

namespace {

class Jk2h : public EarlierFormats {};

// A record that ends exactly at the input end is not translated, so the
// files of these tests end with one filler byte.
Bytes Jk(const Bytes& body, bool filler = true) {
  const Bytes file = filler ? Cat({body, {0x00}}) : body;
  railfmt::MemStream in(file), out;
  railfmt::ConvertJK2H(in, out);
  return out.Data();
}

Bytes With(Bytes b, int i, uint8_t v) { return b[i] = v, b; }

// 08:30:00, position 12349990, distance 5000, Val19 60, kind 2, signal 0Ch
// (aspect 4); and its record.
const Bytes kC6 = HexBytes("C6 08 30 00 12 34 99 90 00 50 00 00 60 20 00 00 0C");
const std::string kC6Rec = "86 0C 08 1E 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 3C 00 00 00 00 1F 01";
// Start record: 08:31:00, kind 1, station code 7.
const Bytes kC0 = HexBytes("C0 08 31 00 12 34 99 90 00 50 00 00 60 10 07");
// Header bytes 0..19: magic, number 0 as text, no type text.
const std::string kHead2H = "A6 6A 30 20 20 20 20 20 20 20 20 20 00 00 00 00 00 00 00 00 ";

}  // namespace

// Every translated code (and sub-code) with a zero body of its length: the
// pair and the presence mask of each record written. A body one byte longer
// would reach the input end and write nothing.
TEST_F(Jk2h, CodeTableRows) {
  const struct { const char* code; int len; const char* out; } rows[] = {  // out: code, sub-code, mask of each record
      {"9B", 1, "80 03 00 00"}, {"9C", 1, "80 20 00 00"}, {"9D", 1, "80 0C 00 00"}, {"BF", 0, "80 0A 00 00"},
      {"CD", 0, "80 0B 00 00"}, {"D8", 0, "80 08 00 00"}, {"D9", 0, "80 09 00 00"}, {"9E", 18, "8A 05 1F 01"},
      {"A0", 2, "81 01 00 00"}, {"A1", 2, "81 22 00 00"}, {"A2", 2, "81 11 00 00"}, {"A3", 2, "81 04 00 00"},
      {"A4", 5, "81 25 00 00"}, {"A5", 2, "81 15 00 00 81 06 00 00"}, {"A6", 2, "81 07 00 00"},
      {"A7", 2, "81 08 00 00"}, {"A8", 2, "81 09 00 00"}, {"A9", 2, "81 0A 00 00"}, {"AA", 2, "81 0B 00 00"},
      {"AB", 2, "81 0C 00 00"}, {"AC", 2, "81 0D 00 00"}, {"AD", 2, "81 0E 00 00"}, {"AE", 2, "81 0F 00 00"},
      {"AF", 2, "81 10 00 00"}, {"B0", 3, "86 26 00 00"}, {"B1", 3, "86 26 00 00"}, {"B2", 7, "86 0E 03 00"},
      {"B3", 7, "86 0F 03 00"}, {"BA", 7, "86 17 03 00"}, {"BB", 7, "86 18 03 00"}, {"B4", 2, "86 11 01 00"},
      {"B5", 2, "86 12 01 00"}, {"B6", 9, "8B 0C 03 00 8D 02 00 00"}, {"B8", 16, "8B 0C 1F 01 86 0D 00 00"},
      {"B9", 16, "8B 0C 1F 01 8A 02 00 00"}, {"BE", 8, "86 14 03 00"}, {"C0", 14, "86 01 0F 01 20 F0 0F 01"},
      {"C1", 10, "86 03 07 00"}, {"C2", 10, "86 04 07 00"}, {"C3", 10, "86 05 07 00"}, {"C4", 6, "86 06 07 01"},
      {"C6", 16, "86 0C 1F 01"}, {"C7", 10, "87 03 07 00"}, {"C8", 7, "86 1C 03 00"}, {"C9", 0, "87 04 00 00"},
      {"CA", 0, "87 05 00 00"}, {"CB", 0, "87 31 00 00"}, {"CC", 5, "87 01 01 00"}, {"CE", 5, "87 02 01 00"},
      {"CF", 10, "86 0A 07 00"}, {"D0", 16, "87 11 1F 01"}, {"D1", 16, "87 0F 1F 01 20 F0 1F 01"},
      {"D2", 16, "87 10 1F 01 20 F0 1F 01"}, {"D3", 0, "87 32 00 00"}, {"D4", 8, "8A 01 03 00"},
      {"D5", 0, "87 12 00 00"}, {"D6", 7, "8B 0C 03 00 87 07 00 00"}, {"D7", 10, "87 08 07 00"},
      {"E0", 8, "87 17 03 00"}, {"E1", 8, "87 19 03 00"}, {"E2", 8, "87 18 03 00"}, {"E3", 8, "87 16 03 00"},
      {"E4", 10, "87 1B 07 00"}, {"E5", 10, "87 1D 07 00"}, {"E6", 10, "87 1C 07 00"}, {"E7", 10, "87 1E 07 00"},
      {"EA", 7, "87 09 03 00"}, {"EB", 7, "87 0A 03 00"}, {"EC", 16, "89 01 1F 01"}, {"ED", 16, "87 14 1F 01"},
      {"EE", 5, "86 1E 01 00"}, {"EF", 16, "89 02 1F 01"}, {"F0", 3, "8B 01 00 03"}, {"F1", 2, "8B 02 01 00"},
      {"F2", 1, "8B 06 00 00"}, {"F3", 1, "8A 03 00 00"}, {"F4", 7, "8B 0C 03 00"}, {"F5", 4, "8B 0C 01 00"},
      {"F6", 3, "8B 08 01 00"}, {"F7", 16, "89 03 1F 01"}, {"F8", 6, "86 10 07 01"}, {"FC", 5, "81 25 00 00"},
      {"FD", 9, "8B 08 03 00"}, {"FE", 6, "8B 08 01 00"}, {"DB 01", 1, "86 22 00 00"}, {"DB 02", 13, "8A 04 0F 01"},
      {"DB 03", 5, "86 23 00 00"}, {"DB 04", 4, "8A 03 01 00"}, {"DB 05", 6, "8B 10 01 00"},
      {"DB 06", 4, "8C 04 01 00"}, {"DB 09", 0, "81 26 00 00"}, {"DB C4", 6, "86 06 07 01"},
      {"DB EC", 16, "89 01 1F 01"}, {"FB 00", 5, "81 24 00 00"}, {"FB 01", 5, "8D 04 01 00"},
      {"FB 04", 7, "8D 03 03 00"}, {"FB 12", 3, "87 1F 01 00"}, {"FB 13", 3, "8A 01 01 00"},
      {"FB 14", 3, "84 01 00 00"}, {"FB 15", 3, "84 22 00 00"}, {"FB 16", 3, "84 03 00 00"},
      {"FB 17", 6, "84 02 00 00"},
  };
  for (const auto& row : rows) {
    railfmt::legacy::ResetCarriedValues();
    Bytes raw = HexBytes(row.code);
    raw.resize(raw.size() + row.len);
    std::string got;
    for (const Rec26& r : AllRecords(Jk(raw))) got += (got.empty() ? "" : " ") + Hex(Bytes{r[0], r[1], r[24], r[25]});
    EXPECT_EQ(got, row.out) << row.code;
  }
}

// head: header bytes 20..51 where checked; filler: one filler byte appended.
TEST_F(Jk2h, Files) {
  const struct { const char* name; Bytes body; std::vector<std::string> recs; std::string head = ""; bool filler = true; } cases[] = {
      {"no code byte: the header alone", HexBytes("01 02 9A"), {},
       "00 00 32 48 00 00 00 00 00 00 1A 03 0F 00 00 00 00 00 00 00 00 00 00 00 04 00 00 00 00 00 00 AA"},
      {"9Fh taken from the byte alone", HexBytes("9F 9F 05"), {}},
      {"a record ending at the input end is not translated", kC6, {}, "", false},
      {"nor one whose body reaches the input end", Bytes(kC6.begin(), kC6.end() - 1), {}},
      {"C6h cut by a code byte that is lost with it, then a whole C6h",
       Cat({Bytes(kC6.begin(), kC6.begin() + 11), kC0, kC6}), {kC6Rec}},
      {"short positions wrap by 10000 the way positions go",
       Cat({kC6, {0xC9}, HexBytes("C4 31 00 00 10 00 70"), {0xCA}, HexBytes("F8 32 00 99 90 00 80")}),
       {kC6Rec, "87 04 08 1E 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 3C 00 00 00 00 00 00",
        "86 06 08 1F 00 3A 72 BC 74 13 00 00 02 00 00 04 00 00 00 46 00 00 00 00 07 01",  // 12350010, 4980
        "87 05 08 1F 00 3A 72 BC 74 13 00 00 02 00 00 04 00 00 00 46 00 00 00 00 00 00",
        "86 10 08 20 00 26 72 BC 88 13 00 00 02 00 00 04 00 00 00 50 00 00 00 00 07 01"}},  // 12349990, 5000
      {"DBh C4h without wrap; F0h values", Cat({kC6, HexBytes("DB C4 31 00 99 00 00 70"), HexBytes("F0 12 34 56")}),
       {kC6Rec, "86 06 08 1F 00 CC 71 BC 2E 13 00 00 02 00 00 04 00 00 00 46 00 00 00 00 07 01",   // 12349900, 4910
        "8B 01 08 1F 00 CC 71 BC 2E 13 00 00 02 00 00 04 00 00 00 7B 00 C8 01 FF 00 03"}},  // 123, 456
      {"A0h of today", HexBytes("A0 03 15"), {"81 01 00 00 00 1A 03 0F 1A 03 0F"}},
      {"A0h of a day before today", HexBytes("A0 01 01"), {"81 01 00 00 00 1A 01 01 1A 01 01"}},
      {"A0h of a day after today", HexBytes("A0 03 16"), {"81 01 00 00 00 19 03 10 19 03 10"}},
      {"A0h of 31 December sets the header date", HexBytes("A0 12 31"), {"81 01 00 00 00 19 0C 1F 19 0C 1F"},
       "00 00 32 48 00 00 00 00 00 00 19 0C 1F 00 00 00 00 00 00 00 00 00 00 00 04 00 00 00 00 00 00 AA"},
      {"A0h after the start record leaves the header date", Cat({kC0, HexBytes("A0 01 02")}),
       {"86 01 08 1F 00 26 72 BC 88 13 07 00 01 00 00 09 00 00 00 3C 00 00 00 00 0F 01",
        "20 F0 BD F8 D5 BE 37 20 20 20 20 20 FF BD F8 D5 BE 37 20 20 20 20 20 FF 0F 01",  // "进站7"
        "81 01 08 1F 00 1A 01 02 1A 01 02"},
       "00 00 32 48 00 00 00 00 00 00 1A 03 0F 00 00 00 00 00 00 00 00 00 00 00 13 00 00 00 00 00 00 AA"},
      {"DBh 02h; FBh 30h and an unknown DBh sub-code write nothing",
       Cat({HexBytes("DB 02 09 00 00 00 00 10 00 00 20 00 00 00 00"), HexBytes("FB 30 01 DB 55")}),
       {"8A 04 09 00 00 E8 03 00 D0 07 00 00 00 00 00 09 00 00 00 00 00 00 00 00 0F 01"}},
      {"codes read with their body and not translated, each followed by C9h",
       Cat({HexBytes("9F C9 B7 C9 BC C9 BD C9 DA C9 DC C9 DD C9 DE C9 DF C9 E8 C9 E9 C9 C5"), Bytes(10, 0),
            HexBytes("C9 F9"), Bytes(6, 0), HexBytes("C9 FA"), Bytes(8, 0), HexBytes("C9 FB 30 01 C9 DB 07 00 00 00 C9 DB 0A"),
            Bytes(20, 0), HexBytes("C9 DB 0D"), Bytes(9, 0), HexBytes("C9 DB 0E"), Bytes(9, 0), HexBytes("C9")}),
       std::vector<std::string>(19, "87 04 00 00 00 00 00 00 00 00 00 00 00 00 00 09")},
      {"track circuits name their kind", Cat({With(With(kC6, 0, 0xB8), 15, 0x12), With(With(With(kC6, 0, 0xB9), 15, 0x12), 14, 0x01)}),
       {"8B" + kC6Rec.substr(2), "86 0D 0C 00 00 D2 C6 C6 B5 48 31 32 20 20 20",  // "移频" H12
        "8B" + kC6Rec.substr(2), "8A 02 0C 00 00 55 4D 37 31 48 31 32 20 20 20"}},  // "UM71" (b[14] 12h)
      {"driver, station and numbers; the first A1h sets header bytes 20..21",
       Cat({kC6, HexBytes("A5 12 34 A2 56 78 A4 00 12 34 56 00 A1 12 34 A1 56 78 A7 01 02")}),
       {kC6Rec, "81 15 00 00 00 0C", "81 06 00 00 00 22 00 31 32 2D 33 34 20 20 20 20",  // "12-34"
        "81 11 08 1E 00 2E 16 35 36 37 38 20 20 20 20", "81 25 00 00 00 20 B2 00",      // 5678; 45600
        "81 22 00 00 00 D2 04", "81 22 00 00 00 2E 16", "81 08 00 00 00 66 00"},
       "D2 04 32 48 00 00 00 00 00 00 1A 03 0F 00 00 00 00 00 00 00 00 00 00 00 27 00 00 00 00 00 00 AA"},
  };
  for (const auto& c : cases) {
    railfmt::legacy::ResetCarriedValues();
    const Bytes out = Jk(c.body, c.filler);
    EXPECT_EQ(out.size() % 26, 0u) << c.name;
    EXPECT_EQ(HexRecords(AllRecords(out)), Golden(c.recs)) << c.name;
    if (!c.head.empty()) {
      EXPECT_EQ(Hex(out.data(), 52), Hex(HexBytes(kHead2H + c.head))) << c.name;
    }
  }
}

TEST_F(Jk2h, NewYearsDayTakes31DecemberForTheYearBefore) {
  railfmt::platform::Hooks().today = {2100, 1, 1};
  EXPECT_EQ(Hex(Jk(HexBytes("A0 12 31")).data() + 30, 3), "63 0C 1F");
}

// AFh writes its 81h 10h record and leaves the tolerance as the start cleared it.
TEST_F(Jk2h, AfDoesNotSetTheTolerance) {
  railfmt::Lookups().RestrictionTolerance = 7;
  EXPECT_EQ(Hex(AllRecords(Jk(HexBytes("AF 00 44"))).at(0)), Hex(R("81 10 00 00 00 2C 00")));
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0);
}

TEST_F(Jk2h, ConvertsThroughTheSingleFileDriver) {
  TempDir dir;
  WriteFile(dir / "x.2h", Cat({HexBytes("A4 00 12 34 56 00 A0 03 15"), kC6, Bytes(10, 0x00)}));
  ASSERT_EQ(railfmt::NewFmtFileImpl(dir / "x.2h", dir / "x.fmt"), 0);
  const Bytes out = ReadFile(dir / "x.fmt");
  ASSERT_GE(out.size(), 52u);
  EXPECT_EQ(Hex(out.data(), 2), "A6 6A");
  EXPECT_EQ(HexRecords(AllRecords(out)), Golden({"81 25 00 00 00 20 B2 00", "81 01 00 00 00 1A 03 0F 1A 03 0F", kC6Rec}));
}
