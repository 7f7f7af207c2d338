// The context's read and check primitives at their edges, the skipping of
// bytes between records and the log of codes without handler.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "engine/fmtdata.h"
#include "handlers/families.h"
#include "platform/platform.h"
#include "support/testkit.h"
#include "texts/gbk.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

TEST(ReadBytes, StoresWhatIsReadThenZerosPastTheEnd) {
  Ctx c({0x11, 0x22, 0x33});
  std::memset(c.d.Raw, 0xEE, sizeof c.d.Raw);
  c.d.ReadRaw(5, 1);
  EXPECT_EQ(Hex(c.d.Raw, 7), "EE 11 22 33 00 00 EE");
  EXPECT_EQ(c.in.Position(), 3u);
  c.d.ReadRaw(1, 0);  // at the end: a zero is stored
  EXPECT_EQ(c.d.Raw[0], 0x00);
}

TEST(ReadBytes, OneByteInputStoresOnlyTheZerosPastItsEnd) {
  Ctx c({0x44});
  std::memset(c.d.Raw, 0xEE, sizeof c.d.Raw);
  c.d.ReadRaw(3, 0);
  EXPECT_EQ(Hex(c.d.Raw, 4), "EE 00 00 EE");
  EXPECT_EQ(c.in.Position(), 1u);
  Ctx one({0x55});
  one.d.Raw[0] = 0xEE;
  one.d.ReadRaw(1, 0);
  EXPECT_EQ(one.d.Raw[0], 0xEE);  // the byte is consumed, not stored
  EXPECT_EQ(one.in.Position(), 1u);
}

TEST(ReadBytes, EmptyInputAndBadRangesStoreNothing) {
  Ctx c({});
  std::memset(c.d.Raw, 0xEE, sizeof c.d.Raw);
  c.d.ReadRaw(4, 0);
  EXPECT_EQ(Hex(c.d.Raw, 4), "EE EE EE EE");
  Ctx d({1, 2, 3});
  d.d.ReadRaw(2, 255);  // would pass the end of Raw
  d.d.ReadRaw(0, 0);
  EXPECT_EQ(d.in.Position(), 0u);
}

TEST(ByteOfValue, CutsWithTruncatingDivision) {
  EXPECT_EQ(ByteOf(0x123456, 0), 0x56);
  EXPECT_EQ(ByteOf(0x123456, 1), 0x34);
  EXPECT_EQ(ByteOf(0x123456, 2), 0x12);
  EXPECT_EQ(ByteOf(0x123456, 3), 0x00);
  EXPECT_EQ(ByteOf(0x7FFFFFFFFFFFFFFF, 7), 0x7F);
  EXPECT_EQ(ByteOf(-1, 0), 0xFF);
  EXPECT_EQ(ByteOf(-1, 1), 0x00);        // -1 div 256 = 0
  EXPECT_EQ(ByteOf(-257, 1), 0xFF);      // -257 div 256 = -1
  EXPECT_EQ(ByteOf(-0x123456, 1), 0xCC); // -0x1234 mod 256 = -0x34
}

TEST(CheckRecord, SumsWholeWordsAndTails) {
  // Lengths around the eight-byte steps, digits 0..9 and nibbles above 9
  // (0x3A counts 40) alike.
  for (int len = 3; len <= 40; ++len) {
    Bytes r{0xB8, 0x01};
    for (int i = 2; i < len - 1; ++i) r.push_back(static_cast<uint8_t>(i % 2 ? 0x3A : 0x97));
    r = Rec(r);
    ASSERT_EQ(static_cast<int>(r.size()), len);
    Ctx c({});
    std::memcpy(c.d.Raw, r.data(), r.size());
    EXPECT_TRUE(c.d.CheckRecord(len)) << len;
    c.d.Raw[len - 1] = static_cast<uint8_t>(c.d.Raw[len - 1] ^ 0x01);
    EXPECT_FALSE(c.d.CheckRecord(len)) << len;
  }
}

TEST(CheckRecord, CodeByteInTheBodyMovesTheInputBackOntoIt) {
  for (int at : {2, 5, 9, 10, 13, 17}) {
    Bytes body(20, 0x00);
    body[0] = 0xA0;
    body[1] = 0x10;
    body[at] = 0xC5;
    Bytes input = body;
    input.push_back(0x00);  // the input goes on after the record
    Ctx c(input);
    c.d.ReadRaw(20, 0);
    EXPECT_FALSE(c.d.CheckRecord(20)) << at;
    EXPECT_EQ(c.in.Position(), static_cast<std::size_t>(at)) << at;
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

TEST(MainLoop, BytesBetweenRecordsLeaveNoTrace) {
  RawHeader h;
  Bytes a010 = Rec({{0xA0, 0x10}, Bcd(91530, 3), Bcd(12345, 4), Bcd(678, 3)});
  // A014 reads past its own seven bytes (raw 7..8 of its 8-digit number),
  // where the cleared record must show zeros.
  Bytes a014 = Rec({{0xA0, 0x14}, Bcd(91531, 3), {0x01}});
  Bytes plain = Convert(EventFile(h, {a010, a014}));
  Bytes junk = Convert(EventFile(h, {{0x00, 0x45, 0x99, 0xF3, 0xFF}, a010, {0x12, 0xFD}, a014,
                                     {0x01, 0x02}}));
  EXPECT_EQ(AllRecords(junk), AllRecords(plain));
  ASSERT_EQ(junk.size(), plain.size());
  // The headers differ only in the input size (bytes 44..46).
  for (int i : {44, 45, 46}) junk[i] = plain[i];
  EXPECT_EQ(Hex(junk), Hex(plain));
}

TEST(MainLoop, CodesWithoutHandlerAreLoggedOnceEach) {
  TempDir dir;
  platform::Hooks().executable_dir = dir.path + "/";
  platform::Hooks().today = {2026, 3, 7};
  RawHeader h;
  Bytes body = {0xA2, 0x33, 0x00, 0xA2, 0x33, 0xFE, 0x77, 0x01, 0xA2, 0x34, 0xFE, 0x77};
  Bytes file = EventFile(h, body);
  MemStream in(file), out;
  EXPECT_EQ(ConvertEvents(in, out, "run1", 101, "Q"), 1);
  Bytes log = ReadFile(dir.path + "/log/OrgErrorOrNotDeal0307.txt");
  platform::Hooks() = platform::TestHooks();
  std::string text(log.begin(), log.end());
  EXPECT_EQ(text.substr(0, text.find_first_of("\r\n")),
            std::string("run1(QX)") + std::string(GBK("未处理:")) + "A233;FE77;A234;");
}

}  // namespace

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
  // Past the room's end and well beyond: the bytes move, nothing looks at the input.
  for (int i = 0; i < 2000000; ++i) out.Write(rec, sizeof rec);
  ASSERT_EQ(out.Size(), 2100000u * 26);
  EXPECT_EQ(0, std::memcmp(out.Data().data() + out.Size() - 26, rec, 26));
  EXPECT_EQ(0, std::memcmp(out.Data().data() + 26 * 1234, rec, 26));
}
