// The context's record primitives at their edges: reading raw bytes, the
// record check and its resynchronisation, the combined read and check,
// record assembly and the cut of values into bytes; the shared layout of the
// driver and station records; the output room of a large conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "engine/fmtdata.h"
#include "format/layout.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

// Raw is 0xEE throughout before the read; the input is positioned at `at`.
TEST(ReadRaw, StoresWhatIsReadAndZerosPastTheEnd) {
  const Bytes ten = Fill(10, 57);  // 48 bytes 10 11 .. 57
  const struct {
    const char* what;
    Bytes input;
    std::size_t at;
    int count, start;
    Bytes raw;  // Raw[0..] after the read
    std::size_t pos;
  } cases[] = {
      {"past the end", {0x11, 0x22, 0x33}, 0, 5, 1, HexBytes("EE 11 22 33 00 00 EE"), 3},
      {"one byte at the end stores a zero", {0x11, 0x22, 0x33}, 3, 1, 0, HexBytes("00 EE"), 3},
      {"a one-byte input is consumed, not stored", {0x44}, 0, 3, 0, HexBytes("EE 00 00 EE"), 1},
      {"one byte of a one-byte input", {0x55}, 0, 1, 0, HexBytes("EE EE"), 1},
      {"empty input", {}, 0, 4, 0, HexBytes("EE EE EE EE EE"), 0},
      {"past the end of Raw", {1, 2, 3}, 0, 2, 255, HexBytes("EE"), 0},
      {"nothing", {1, 2, 3}, 0, 0, 0, HexBytes("EE"), 0},
      {"2 bytes", ten, 1, 2, 2, Cat({{0xEE, 0xEE}, Fill(11, 12), {0xEE}}), 3},
      {"5 bytes", ten, 0, 5, 2, Cat({{0xEE, 0xEE}, Fill(10, 14), {0xEE}}), 5},
      {"12 bytes", ten, 0, 12, 1, Cat({{0xEE}, Fill(10, 21), {0xEE}}), 12},
      {"20 bytes", ten, 2, 20, 2, Cat({{0xEE, 0xEE}, Fill(12, 31), {0xEE}}), 22},
      {"40 bytes", ten, 0, 40, 2, Cat({{0xEE, 0xEE}, Fill(10, 49), {0xEE}}), 40},
  };
  for (const auto& c : cases) {
    Ctx x(c.input);
    std::memset(x.d.Raw, 0xEE, sizeof x.d.Raw);
    x.in.Seek(c.at);
    x.d.ReadRaw(c.count, c.start);
    EXPECT_EQ(Hex(x.d.Raw, c.raw.size()), Hex(c.raw)) << c.what;
    EXPECT_EQ(x.in.Position(), c.pos) << c.what;
  }
}

TEST(CheckRecord, SumsWholeWordsAndTails) {
  // Lengths around the eight- and sixteen-byte steps, digits 0..9 and nibbles
  // above 9 (0x3A counts 40) alike.
  for (int len = 3; len <= 40; ++len) {
    Bytes r{0xB8, 0x01};
    for (int i = 2; i < len - 1; ++i) r.push_back(static_cast<uint8_t>(i % 2 ? 0x3A : 0x97));
    r = Rec(r);
    Ctx c({});
    std::memcpy(c.d.Raw, r.data(), r.size());
    EXPECT_TRUE(c.d.CheckRecord(len)) << len;
    c.d.Raw[len - 1] = static_cast<uint8_t>(c.d.Raw[len - 1] ^ 0x01);
    EXPECT_FALSE(c.d.CheckRecord(len)) << len;
  }
}

// A byte above 0x99 in the body is the next record's code: the check fails
// and the input moves back onto it, even where the sum would come out right
// (A0 10 .. 30 .. sums 200 without the code byte, 300 with 9A counted as 100).
TEST(CheckRecord, CodeByteInTheBodyMovesTheInputBackOntoIt) {
  for (uint8_t code : {0x9A, 0xC5})
    for (int len : {20, 40})
      for (int at : {2, 5, 9, 10, 13, 17, 19}) {
        Bytes input(len + 1, 0x00);  // the input goes on after the record
        input[0] = 0xA0;
        input[1] = 0x10;
        input[at == 5 ? 6 : 5] = 0x30;
        input[at] = code;
        Ctx c(input);
        c.d.ReadRaw(len, 0);
        EXPECT_FALSE(c.d.CheckRecord(len)) << len << " " << at;
        EXPECT_EQ(c.in.Position(), static_cast<std::size_t>(at)) << len << " " << at;
      }
  // At the end of the input the position stays.
  Bytes body(13, 0x00);
  body[0] = 0xA0;
  body[7] = 0x9A;
  Ctx c(body);
  c.d.ReadRaw(13, 0);
  EXPECT_FALSE(c.d.CheckRecord(13));
  EXPECT_EQ(c.in.Position(), 13u);
}

// F0 short form: F0 (240 counts 40) + 12 + 34 + 56 + 07 + 00 + 00 + 51 = 200;
// a code byte inside (9A too, which would sum right) moves the input back
// onto it; Raw[1] above 0x99 is summed (FE 9A 46 00: 54 + 100 + 46; F0 A0 ..
// 63: 240 + 100 + 34 + 56 + 07 + 63), Raw[2] above it is the next code. Each
// read after a fresh context and after a cleared record.
TEST(ReadChecked, KnownRecords) {
  const struct {
    uint8_t r0, r1;
    int start, len;
    const char *input, *raw;
    bool ok;
    std::size_t pos;
  } cases[] = {
      {0xF0, 0, 1, 8, "12 34 56 07 00 00 51 C7", "F0 12 34 56 07 00 00 51 00", true, 7},
      {0xF0, 0, 1, 8, "12 34 C5 07 00 00 51 C7", "F0 12 34 C5 07 00 00 51 00", false, 2},
      {0xF0, 0, 1, 8, "12 34 9A 07 00 00 51 C7", "F0 12 34 9A 07 00 00 51 00", false, 2},
      {0xF0, 0, 1, 8, "A0 34 56 07 00 00 63 C7", "F0 A0 34 56 07 00 00 63 00", true, 7},
      {0xF0, 0, 1, 8, "12 C5 56 07 00 00 51 C7", "F0 12 C5 56 07 00 00 51 00", false, 1},
      {0xFE, 0x9A, 2, 4, "46 00 11 22", "FE 9A 46 00 00", true, 2},
  };
  for (bool cleared : {false, true})
    for (const auto& c : cases) {
      Ctx x(Cat({HexBytes(c.input), Bytes(16, 0x00)}));
      if (cleared) x.d.ClearRecord();
      x.d.Raw[0] = c.r0;
      x.d.Raw[1] = c.r1;
      EXPECT_EQ(x.d.ReadChecked(c.start, c.len), c.ok) << c.input;
      EXPECT_EQ(x.in.Position(), c.pos) << c.input;
      EXPECT_EQ(Hex(x.d.Raw, HexBytes(c.raw).size()), c.raw) << c.input;
    }
}

// Record assembly: bytes 2..4 the time, values cut with truncating division
// (-1 gives FF 00 00, -257 FF FF), Val13 / 10, Val21 above 999 replaced by
// the default and kept.
TEST(Assembly, WholeRecords) {
  const struct {
    int32_t v5, v8;
    uint16_t v21;
    bool useDefault;
    const char* expect;
  } cases[] = {
      {0x123456, 0x789A, 999, false, "87 08 01 02 03 56 34 12 9A 78 DE BC 11 7B 55 22 33 55 44 77 66 E7 03 88 07 03"},
      {-1, -257, 999, false, "87 08 01 02 03 FF 00 00 FF FF DE BC 11 7B 55 22 33 55 44 77 66 E7 03 88 07 03"},
      {0x123456, 0x789A, 1000, false, "87 08 01 02 03 56 34 12 9A 78 DE BC 11 7B 55 22 33 55 44 77 66 02 01 88 07 03"},
      {-1, 0, 1000, false, "87 08 01 02 03 FF 00 00 00 00 DE BC 11 7B 55 22 33 55 44 77 66 02 01 88 07 03"},
      {1, 2, 5, true, "87 08 01 02 03 01 00 00 02 00 DE BC 11 7B 55 22 33 55 44 77 66 02 01 88 07 03"},
      {-1, 2, 5, true, "87 08 01 02 03 FF 00 00 02 00 DE BC 11 7B 55 22 33 55 44 77 66 02 01 88 07 03"},
  };
  TFmtData base;
  base.Time = 1 * 3600 + 2 * 60 + 3;
  std::tie(base.Code, base.Sub, base.PresenceMask, base.Val10, base.Val12, base.Val13, base.Val14) =
      std::tuple{0x87, 0x08, 0x0307, 0xBCDE, 0x11, 1234, 0x0155};
  std::tie(base.Val15, base.Val16, base.Val17, base.Val19, base.Val21Default, base.Val23) =
      std::tuple{0x22, 0x33, 0x4455, 0x6677, 0x0102, 0x0188};
  for (const auto& c : cases) {
    TFmtData d = base;
    std::tie(d.Val5, d.Val8, d.Val21, d.UseVal21Default) = std::tie(c.v5, c.v8, c.v21, c.useDefault);
    d.AssembleRecord();
    EXPECT_EQ(Hex(d.Out, kRecordSize), c.expect) << c.v5 << " " << c.v21;
    EXPECT_EQ(d.Val21, c.v21 > 999 || c.useDefault ? 0x0102 : c.v21);
  }
}

TEST(ByteOfValue, CutsWithTruncatingDivision) {
  const struct {
    int64_t v;
    int k;
    uint8_t b;
  } cases[] = {{0x123456, 0, 0x56}, {0x123456, 1, 0x34}, {0x123456, 2, 0x12}, {0x123456, 3, 0x00},
               {0x7FFFFFFFFFFFFFFF, 7, 0x7F}, {-1, 0, 0xFF}, {-1, 1, 0x00}, {-257, 1, 0xFF}, {-0x123456, 1, 0xCC}};
  for (const auto& c : cases) EXPECT_EQ(ByteOf(c.v, c.k), c.b) << c.v << " " << c.k;
}

// Driver records spread the number over 5..6 and 24..25 and space eight
// characters (9..12 where present; the event form runs on through byte 25,
// the L2000 form keeps the low 16 bits); station records space nine, the
// start-up variant eight.
TEST(FormatLayout, DriverAndStationRecords) {
  const struct {
    void (*place)(uint8_t*);
    const char* expect;
  } cases[] = {
      {[](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "AB"); },
       "00 00 00 00 00 0D 0C 41 42 20 20 20 20 20 20 00 00 00 00 00 00 00 00 00 0B 0A"},
      {[](uint8_t* r) { PlaceDriverRecord(r, 1, "ABCDEFGHIJKLMN"); },
       "00 00 00 00 00 01 00 41 42 43 44 45 46 47 48 49 4A 4B 4C 00 00 00 00 00 00 00"},
      {[](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "", kDriverName, DriverNumber::kLow16); },
       "00 00 00 00 00 0D 0C 20 20 20 20 20 20 20 20"},
      {[](uint8_t* r) { PlaceDriverRecord(r, 0x0A0B0C0D, "ABCDEFGHIJKLMNOPQRSTU", kEventDriverName); },
       "00 00 00 00 00 0D 0C 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53"},
      {[](uint8_t* r) { PlaceStationRecord(r, 0x0102, "S"); }, "00 00 00 00 00 02 01 53 20 20 20 20 20 20 20 20"},
      {[](uint8_t* r) { PlaceStationRecord(r, 0x0102, "S", kStartupStationName); },
       "00 00 00 00 00 02 01 53 20 20 20 20 20 20 20 00"},
  };
  for (const auto& c : cases) {
    Rec26 r{};
    c.place(r.data());
    EXPECT_EQ(Hex(r), Hex(R(c.expect)));
  }
}

// The room of a large conversion: the output grows in place, the advice
// follows the input while the room lives and never after (the input may be
// gone by then), and growing past the room only moves the data.
TEST(OutputRoom, GrowsInPlaceAndForgetsTheInputWhenDone) {
  auto in = std::make_unique<MemStream>(std::vector<uint8_t>(24u << 20, 0x11));
  MemStream out;
  const uint8_t rec[26] = {0xA0, 1, 2, 3};
  {
    OutputRoom room(*in, out, 52, 2, 1);
    const uint8_t* start = out.Data().data();
    for (int i = 0; i < 100000; ++i) {
      in->SeekBy(200);  // the input is read as the output grows
      out.Write(rec, sizeof rec);
    }
    EXPECT_EQ(out.Data().data(), start);
  }
  in.reset();
  for (int i = 0; i < 2000000; ++i) out.Write(rec, sizeof rec);
  ASSERT_EQ(out.Size(), 2100000u * 26);
  EXPECT_EQ(0, std::memcmp(out.Data().data() + out.Size() - 26, rec, 26));
  EXPECT_EQ(0, std::memcmp(out.Data().data() + 26 * 1234, rec, 26));
}
