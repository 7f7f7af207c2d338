// LKJ93 converter: golden conversions of small files, one row per case.
#include <gtest/gtest.h>

#include "interface/drivers.h"
#include "legacy/code_tables.h"
#include "legacy/workarea.h"
#include "support/earlier_formats.h"
#include "support/testkit.h"

using namespace railfmt::test;

namespace {

class Lkj93 : public EarlierFormats {};

Bytes Lkj(const Bytes& file, uint8_t option = 0) {
  railfmt::MemStream in(file), out;
  railfmt::ConvertLKJ93(in, out, option);
  return out.Data();
}

const Bytes kFill(16, 0xFF);

// 08:30:15, position 1234h (b[6] its sign), kind in b[7] bits 4..6, Val10
// 300, w = Val8 500, Val19 60, Val21 80, Val13 45, Val17 70.
Bytes St(uint8_t code, uint8_t b7 = 0x10, uint8_t b6 = 0x00, uint16_t w = 0x01F4) {
  return {code, 0x8F, 0x87, 0x00, 0x34, 0x12, b6, b7, 0x2C, 0x01,
          static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8), 0x3C, 0x50, 0x2D, 0x07};
}

// The record of St() under a pair: kind 1, signal 9, Val16 1, mask 13FFh.
std::string S(std::string_view pair, uint8_t kind = 1, uint8_t signal = 9, uint16_t mask = 0x13FF) {
  Rec26 r = R(std::string(pair) + " 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50");
  r[12] = kind, r[15] = signal, r[24] = mask & 0xFF, r[25] = mask >> 8;
  return Hex(r);
}
// St() as a second-area record: running time 08:30:15, then b[1..15].
std::string Raw(std::string_view pair) { return std::string(pair) + " 08 1E 0F 8F 87 00 34 12 00 10 2C 01 F4 01 3C 50 2D 07"; }
// "进站300" / "出站300", attribute FFh (no table), and the mask.
const std::string kIn = "20 F0 BD F8 D5 BE 33 30 30 20 20 20 FF BD F8 D5 BE 33 30 30 20 20 20 FF ";
const std::string kOut = "20 F0 B3 F6 D5 BE 33 30 30 20 20 20 FF B3 F6 D5 BE 33 30 30 20 20 20 FF ";
// Header bytes 0..23: magic, number 0 as text, type "00000000" (or B1's), bytes 20..21, "93".
const std::string kHead93 = "A5 5A 30 20 20 20 20 20 20 20 20 20 30 30 30 30 30 30 30 30 ";

const Bytes kB0 = {0xB0, 0x67, 0x34, 0x42, 0xD2, 0x04, 0x05, 0x09, 0xE9, 0x03, 0xD2, 0x07, 0x02, 0x01, 0x0B, 0x16};
const Bytes kB1 = {0xB1, 0x11, 0x22, 0x33, 0x44, 0x00, 0x55, 0x00, 0x66, 0x77, 0x00, 0x2A, 0xA0, 0x05, 0xA2, 0x00};
// Route 5, station 9 ("5-9"), drivers 1001 and 2002.
const std::vector<std::string> kB0Recs = {
    "81 15 00 00 00 05", "81 06 00 00 00 09 00 35 2D 39 20 20 20 20 20 20",
    "81 11 00 00 00 E9 03 31 30 30 31 20 20 20 20", "81 04 00 00 00 D2 07 32 30 30 32 20 20 20 20"};

Bytes With(Bytes b, int i, uint8_t v) { return b[i] = v, b; }
Bytes Cut(Bytes b, std::size_t n) { return b.resize(n), b; }
// A 16-byte record from its first bytes.
Bytes B(std::string_view hex) { return Cut(HexBytes(hex), 16); }

}  // namespace

// Every code that writes one state record: code, pair of the code table,
// and the signal code where the record sets it (E0h..EFh).
TEST_F(Lkj93, CodeTableRows) {
  const char* rows[] = {
      "81 8606", "82 8607", "83 8608", "84 8614", "85 8615", "87 8603", "88 8613", "89 861C", "8A 8624", "8B 8610",
      "8C 8905", "8D 861D", "8E 861F", "8F 861E", "90 8003", "91 8020", "92 8021", "93 8022", "94 871F", "95 8721",
      "96 8023", "97 8024", "98 8025", "99 8026", "9A 8730", "9B 8027", "9C 860E", "9D 860F", "9E 8709", "9F 870A",
      "A0 8728", "A1 8729", "A2 8A04", "A3 8703", "A4 871B", "A5 8714", "A6 8902", "A7 8901", "A9 8708", "AA 870D",
      "AB 870E", "AC 8712", "AD 8007", "AF 8B0D", "B4 8A05", "B5 8704", "B6 8705", "C0 8C01", "C1 8C02", "C2 8C05",
      "C3 873B", "C4 8C06", "C5 9240", "C6 9241", "C7 9242", "C8 8D03", "C9 8D04", "CA 9243", "CB 8B0E", "CC 8B01",
      "CD 8B07", "CE 8B06", "CF 8B02", "D0 8A30", "D1 8A31", "D2 8A32", "D3 8A33", "D4 8A34", "D5 8A35", "D6 8A36",
      "D7 8A37", "D8 8A38", "D9 8A39", "DA 8A3A", "DB 8A3B", "DC 8A3C", "DD 8A3D", "DE 8A3E", "DF 8A3F", "E0 8A01 08",
      "E1 8A01 00", "E2 8A01 01", "E3 8A01 04", "E4 8A01 06", "E5 8A01 05", "E6 8A01 07", "E7 8A01 03", "E8 8A01 02",
      "E9 8A01 0B", "EA 8A01 0E", "EB 8A01 10", "EC 8A01 0F", "ED 8A01 11", "EE 8A01 0D", "EF 8A01 0C", "F0 8903",
      "F1 8B10", "F4 8A05", "F5 8D06", "F6 8619", "F7 8010", "F8 8612", "F9 8611", "FA 8028", "FB 8701", "FC 8C03",
      "FD 8C04", "FE 870B",
  };
  for (const char* row : rows) {
    railfmt::legacy::ResetCarriedValues();
    const Bytes b = HexBytes(row);
    const auto got = HexRecords(AllRecords(Lkj(Cat({St(b[0]), kFill}))));
    EXPECT_EQ(got, std::vector<std::string>{S(Hex(&b[1], 2), 1, b.size() > 3 ? b[3] : 9)}) << row;
  }
}

TEST_F(Lkj93, Files) {
  const struct {  // head: the whole header where checked
    const char* name; Bytes file; std::vector<std::string> recs; std::string head = ""; uint8_t option = 0;
  } cases[] = {
      {"filler only", Cat({kFill, kFill, kFill}), {},
       kHead93 + "00 00 39 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 30 00 00 00 00 00 00 AA"},
      {"the first B0h only, though its header number is 0: date 26-3-7", Cat({With(With(kB0, 4, 0), 5, 0), With(kB0, 6, 7)}),
       kB0Recs, kHead93 + "02 01 39 33 0B 16 00 02 00 00 1A 03 07 00 00 00 00 00 00 00 00 00 00 01 20 00 00 00 00 00 00 AA"},
      {"FFh near the start is the start header, later a record", Cat({With(kB0, 0, 0xFF), kFill, kFill, St(0xFF)}),
       {kB0Recs[0], kB0Recs[1], kB0Recs[2], kB0Recs[3], S("86 0A")},
       kHead93 + "02 01 39 33 0B 16 00 02 D2 04 1A 03 07 00 00 00 00 00 00 00 00 00 00 01 40 00 00 00 00 00 00 AA"},
      {"B1h: start values, header byte 50, type 42", Cat({kB1, kFill}),
       {"81 05 00 00 00 11", "81 07 00 00 00 22 33", "81 10 00 00 00 44 00", "81 0F 00 00 00 55",
        "81 03 00 00 00 00 00 66 77"},
       "A5 5A 30 20 20 20 20 20 20 20 20 20 34 32 20 20 20 20 20 20 00 00 39 33 00 00 00 00 00 00 00 00 00 00 "
       "00 00 00 00 00 00 00 00 00 00 20 00 00 00 00 00 05 AA"},
      {"80h start, then the position by the direction flag",
       Cat({St(0x80), St(0x9C), St(0x9C, 0x10, 0x80), St(0x9C, 0x10, 0x00, 0x8000), St(0x9D), kFill}),
       {S("86 01"), kIn + "FF 13",
        "86 0E 08 1E 0F 28 14 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13",   // + 500
        "86 0E 08 1E 0F 40 10 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13",   // - 500
        "86 0E 08 1E 0F 34 92 FF 00 80 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13",   // + 32768 - 65536
        S("86 0F")},
       kHead93 + "00 00 39 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 2D 00 00 60 00 00 00 00 00 00 AA"},
      {"85h pending for the next 84h only", Cat({St(0x85), St(0x84), St(0x84)}), {S("86 15"), S("86 16"), S("86 14")}},
      {"selections by the kind", Cat({St(0x89, 0x20), St(0x89, 0x30), St(0xA7), St(0xA5, 0x30), St(0xA5, 0x30),
                                     St(0xA4, 0x30), St(0xA4, 0x50), kFill}),
       {S("86 17", 2), S("86 18", 3), S("89 01"), S("87 14", 3), S("87 16", 3), S("87 1D", 3), S("87 1B", 5)}},
      {"86h, then again as A8h: kind 0", Cat({St(0x86, 0x00), kFill}),
       {S("86 02", 0), "87 11 08 1E 0F 34 12 00 F4 01 2C 01 00 2D 00 09 01 46 00 3C 00 50 00 50 1F 02"}},
      {"86h, then a skipped block: A8h again",
       Cat({kFill, HexBytes("86 05 0A 08 45 23 01 00 34 12 00 00 07 09 03 04"), Bytes(16, 0x00)}),
       {"86 02 00 28 05 45 23 01 00 00 34 12 00 03 00 09 01 28 00 07 00 09 00 09 FF 13",
        "87 11 00 28 05 45 23 01 00 00 34 12 00 03 00 09 01 28 00 07 00 09 00 09 1F 02",
        "87 11 00 28 05 45 23 01 00 00 34 12 00 03 00 09 01 28 00 07 00 09 00 09 1F 02"}},
      {"A8h kind 2: 87h 0Fh, closed by a kind-1 record", Cat({St(0xA8, 0x20), St(0x82), kFill}),
       {S("87 0F", 2, 9, 0x3FFF), kOut + "FF 3F", S("87 10", 2, 9, 0x3FFF), kOut + "FF 3F",
        S("86 07")}},
      {"A8h kind 3: closed before a filler", Cat({St(0xA8, 0x30), kFill}),
       {S("87 0F", 3, 9, 0x3FFF), kIn + "FF 3F", S("87 10", 3, 9, 0x3FFF), kIn + "FF 3F"}},
      {"F2h, F3h, F2h at 63 s, F0h at 23:30:15 and at 24:30:15",
       Cat({St(0xF2), St(0xF3), With(St(0xF2), 1, 0xBF), With(With(St(0xF0), 2, 0x77), 3, 0x01), With(St(0xF0), 3, 0x01)}),
       {S("8D 07"), Raw("92 44"), Raw("F1 F3"), "F1 F2 08 1E 0F BF 87 00 34 12 00 10 2C 01 F4 01 3C 50 2D 07",
        "89 03 17 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 46 00 3C 00 50 00 50 FF 13",
        "F1 F0 17 1E 0F 8F 87 01 34 12 00 10 2C 01 F4 01 3C 50 2D 07"}},
      {"later layout: drivers plus file bytes 37 and 38 x 65535", Cat({kFill, kFill, B("B2 00 00 00 00 01 02"), kB0}),
       {"B0 F0", kB0Recs[0], kB0Recs[1], "81 11 00 00 00 E8 03 36 36 35 33 36 20 20 20 00 00 00 00 00 00 00 00 00 01 00",
        "81 04 00 00 00 D0 07 31 33 33 30 37 32 20 20 00 00 00 00 00 00 00 00 00 02 00"}},  // 66536, 133072
      {"second-area codes; BAh nothing; BCh a 52-byte unit",
       Cat({St(0x82), St(0xB8), St(0xB9), St(0xBD), St(0xB7), St(0xBA), St(0xBC), kFill}),
       {S("86 07"), Raw("86 0C"), Raw("86 0D"), Raw("84 01"), Raw("87 07"), Raw("83 01"), ""}},
      {"BFh fields", Cat({St(0x82), HexBytes("BF 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F")}),
       {S("86 07"), "84 2A 08 1E 0F 11", "84 2B 08 1E 0F 12", "84 2C 08 1E 0F 13", "81 08 08 1E 0F 14",
        "81 09 08 1E 0F 15", "81 0A 08 1E 0F 16", "81 0B 08 1E 0F 17", "81 0C 08 1E 0F 18", "81 0D 08 1E 0F 19",
        "81 0E 08 1E 0F 1A", "84 63 08 1E 0F 1B 1C", "84 64 08 1E 0F 1D 1E"}},
      {"third record B2h: later layout, B0h F0h first",
       Cat({kFill, kFill, B("B2 11 22 33 44 05 06 77 88")}), {"B0 F0 00 00 00 00 00 00 00 00 00 00 00 00 00 11 22 33 44 77 88"}},
      {"B2h near the start: signal and Val16", Cat({B("B2 08 0A"), St(0x82), B("B2 0C 0E"), St(0x83)}),
       {"B0 F0 00 00 00 00 00 00 00 00 00 00 00 00 00 0C 0E",
        "86 07 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 02 04 46 00 3C 00 50 00 50 FF 13",
        "86 08 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 0C 06 46 00 3C 00 50 00 50 FF 13"}},
      {"later layout: signal, kind and direction from each record",
       Cat({kFill, kFill, B("B2"), With(St(0x82, 0x0C), 8, 0x0E), St(0x80, 0x08)}),
       {"B0 F0", "86 07 08 1E 0F 34 12 00 F4 01 0E 01 80 2D 00 12 01 46 00 3C 00 50 00 50 FF 13",
        "86 01 08 1E 0F 28 14 00 F4 01 2C 01 00 2D 00 12 01 46 00 3C 00 50 00 50 FF 13", kIn + "FF 13"}},
      {"BEh with the later-version mark and the option: 81h is 86h 87h",
       Cat({kFill, kFill, B("B2"), HexBytes("BE 01 02 03 04 05 06 07 08 5A 0A 0B 0C 0D 0E 0F"), St(0x81)}),
       {"B0 F0", "84 22 00 00 00 01 02", "84 23 00 00 00 03 04", "84 03 00 00 00 05 06", "84 21 00 00 00 07 08",
        "84 60 00 00 00 0A 0B", "84 61 00 00 00 0C 0D", "84 62 00 00 00 0E 0F", S("86 87")},
       kHead93 + "00 00 39 33 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 50 00 00 00 00 00 01 AA", 1},
      {"15 bytes: one record, the missing byte 0", Cut(St(0x82), 15),
       {"86 07 08 1E 0F 34 12 00 F4 01 2C 01 01 2D 00 09 01 00 00 3C 00 50 00 50 FF 13"}},
      {"14 bytes: no record", Cut(St(0x82), 14), {}},
      {"empty input: the header alone", {}, {}},
  };
  for (const auto& c : cases) {
    railfmt::legacy::ResetCarriedValues();
    const Bytes out = Lkj(c.file, c.option);
    EXPECT_EQ(out.size() % 26, 0u) << c.name;
    EXPECT_EQ(HexRecords(AllRecords(out)), Golden(c.recs)) << c.name;
    if (!c.head.empty()) {
      EXPECT_EQ(Hex(out.data(), 52), Hex(HexBytes(c.head))) << c.name;
    }
  }
}

// Each conversion starts clean; only the later-version mark carries to the
// next file until the folder workflow resets it.
TEST_F(Lkj93, WhatCarriesToTheNextFile) {
  Lkj(Cat({St(0x85), kFill}));
  EXPECT_EQ(HexRecords(AllRecords(Lkj(Cat({St(0x84), kFill})))), std::vector<std::string>{S("86 14")});
  const Bytes later = Cat({kFill, kFill, B("B2"), St(0x81)});
  Lkj(Cat({kFill, kFill, B("B2"), B("BE 01 02 03 04 05 06 07 08 5A")}));
  EXPECT_EQ(Hex(AllRecords(Lkj(later, 1)).at(1)), S("86 87"));
  railfmt::legacy::ResetCarriedValues();
  EXPECT_EQ(Hex(AllRecords(Lkj(later, 1)).at(1)), S("86 06"));
  Lkj(Cat({kB1, kFill}));
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0x44);
}

TEST_F(Lkj93, ConvertsThroughTheSingleFileDriver) {
  TempDir dir;
  WriteFile(dir / "x.lkj", Cat({kB0, kB1, St(0x80), kFill}));
  ASSERT_EQ(railfmt::NewFmtFileImpl(dir / "x.lkj", dir / "x.fmt"), 0);
  const Bytes out = ReadFile(dir / "x.fmt");
  ASSERT_GE(out.size(), 52u);
  EXPECT_EQ(Hex(out.data(), 2), "A5 5A");
  EXPECT_EQ(HexRecords(AllRecords(out)).at(9), S("86 01"));
}

// The record reference lists each code (a sub-code under code x 256 + sub)
// with the records it writes.
TEST_F(Lkj93, ReferenceListsTheTables) {
  using Outs = std::vector<uint16_t>;
  const auto outs = [](const std::vector<railfmt::EarlierCode>& t, uint16_t in) {
    Outs v;
    for (const auto& e : t) if (e.in == in) v.push_back(e.out);
    return v;
  };
  EXPECT_EQ(outs(railfmt::Lkj93CodeTable(), 0x82), Outs{0x8607});
  for (uint16_t none : {0xAE, 0xB0, 0xB1, 0xB2, 0xBA, 0xBB, 0xF3}) EXPECT_EQ(outs(railfmt::Lkj93CodeTable(), none), Outs{});
  EXPECT_EQ(outs(railfmt::Lkj93CodeTable(), 0xF2), (Outs{0x8D01, 0x8D07}));
  EXPECT_EQ(outs(railfmt::Lkj93CodeTable(), 0xBE), (Outs{0x8401, 0x8422, 0x8423, 0x8403, 0x8421, 0x8460, 0x8461, 0x8462}));
  EXPECT_EQ(outs(railfmt::Lkj93CodeTable(), 0xBF), (Outs{0x8401, 0x842A, 0x842B, 0x842C, 0x8108, 0x8109, 0x810A,
                                                          0x810B, 0x810C, 0x810D, 0x810E, 0x8463, 0x8464}));
  EXPECT_EQ(outs(railfmt::Jk2hCodeTable(), 0xDB02), Outs{0x8A04});
  EXPECT_EQ(outs(railfmt::Jk2hCodeTable(), 0xFB12), Outs{0x871F});
  EXPECT_EQ(outs(railfmt::Jk2hCodeTable(), 0xA5), Outs{0x8106});  // its 81h 15h comes from a step of its own
}
