// The short ways of the record primitives against the long ways they stand
// for: the combined read and check, the record check of short records, the
// fixed 26-byte append, the fixed save and restore of the raw record and the
// plain record assembly.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/fmtdata.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

// The record check written out byte by byte.
bool CheckByHand(TFmtData& d, int len) {
  if (len > kRawSize) len = kRawSize;
  int s = d.Raw[0] % 100 + TPubFunc::BcdByte(d.Raw[1]);
  for (int i = 2; i < len; ++i) {
    if (d.Raw[i] > 0x99) {
      if (d.InStream->Position() < d.InStream->Size()) d.InStream->SeekBy(i - len);
      return false;
    }
    s += TPubFunc::BcdByte(d.Raw[i]);
  }
  return s % 100 == 0;
}

// Body bytes: mostly decimal digits, some nibbles above 9, now and then a code byte.
uint8_t BodyByte(std::mt19937& rng) {
  const unsigned k = rng() % 16;
  if (k == 0) return static_cast<uint8_t>(0x9A + rng() % 0x66);
  if (k == 1) return static_cast<uint8_t>(rng() % 0x9A);
  return static_cast<uint8_t>((rng() % 10) << 4 | (rng() % 10));
}

TEST(FastPaths, ShortRecordCheckAgreesWithTheByteByByteCheck) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4000; ++round) {
    const int len = static_cast<int>(rng() % 40);  // short, long and degenerate lengths
    Bytes input(300);
    for (auto& b : input) b = BodyByte(rng);
    Ctx a(input), b(input);
    const std::size_t at = rng() % 200;
    a.in.Seek(at);
    b.in.Seek(at);
    for (int i = 0; i < kRawSize; ++i) a.d.Raw[i] = b.d.Raw[i] = i < len + 2 ? BodyByte(rng) : 0;
    a.d.Raw[0] = b.d.Raw[0] = static_cast<uint8_t>(0xA0 + rng() % 0x60);
    const bool expected = CheckByHand(b.d, len);
    ASSERT_EQ(a.d.CheckRecord(len), expected) << "len " << len << " round " << round;
    ASSERT_EQ(a.in.Position(), b.in.Position()) << "len " << len << " round " << round;
  }
}

TEST(FastPaths, CombinedReadAndCheckAgreesWithReadThenCheck) {
  std::mt19937 rng(11);
  for (int round = 0; round < 4000; ++round) {
    const int start = 1 + static_cast<int>(rng() % 2);
    const int len = start + static_cast<int>(rng() % 24);  // also past 16 bytes
    Bytes input(static_cast<std::size_t>(rng() % 40));  // short inputs and inputs ending inside the record
    for (auto& b : input) b = BodyByte(rng);
    Ctx a(input), b(input);
    const std::size_t at = input.empty() ? 0 : rng() % (input.size() + 1);
    a.in.Seek(at);
    b.in.Seek(at);
    for (TFmtData* d : {&a.d, &b.d}) {
      d->ClearRecord();
      d->Raw[0] = 0xC7;
      d->Raw[1] = 0x25;
      d->RawUsed = 2;
    }
    const bool got = a.d.ReadChecked(start, len);
    b.d.ReadRaw(len - start, start);
    const bool expected = CheckByHand(b.d, len);
    ASSERT_EQ(got, expected) << "start " << start << " len " << len << " size " << input.size();
    ASSERT_EQ(a.in.Position(), b.in.Position()) << "start " << start << " len " << len;
    ASSERT_EQ(Hex(a.d.Raw, 40), Hex(b.d.Raw, 40)) << "start " << start << " len " << len;
  }
}

TEST(FastPaths, CombinedReadAndCheckOfAKnownRecord) {
  // F0 short form: 8 bytes, decimal sum F0 (240 % 100 = 40) + 12 + 34 + 56 + 07 + 00 + 00 + 51 = 200.
  Ctx c({0x12, 0x34, 0x56, 0x07, 0x00, 0x00, 0x51, 0xC7, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  c.d.Raw[0] = 0xF0;
  EXPECT_TRUE(c.d.ReadChecked(1, 8));
  EXPECT_EQ(Hex(c.d.Raw, 9), "F0 12 34 56 07 00 00 51 00");
  EXPECT_EQ(c.in.Position(), 7u);
  // A code byte inside: the input moves back onto it.
  Ctx k({0x12, 0x34, 0xC5, 0x07, 0x00, 0x00, 0x51, 0xC7, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  k.d.Raw[0] = 0xF0;
  EXPECT_FALSE(k.d.ReadChecked(1, 8));
  EXPECT_EQ(k.in.Position(), 2u);
  // Raw[1] above 0x99 is summed, not a code byte (two-byte code FE 9A).
  Ctx f({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  f.d.Raw[0] = 0xFE;  // 254 counts 54
  f.d.Raw[1] = 0x9A;  // 9 * 10 + 10 = 100
  f.in.Data()[0] = 0x46;
  EXPECT_TRUE(f.d.ReadChecked(2, 4));
}

TEST(FastPaths, FixedAppendAgreesWithWrite) {
  std::mt19937 rng(3);
  MemStream a, b;
  uint8_t rec[kRecordSize];
  for (int round = 0; round < 600; ++round) {
    for (auto& x : rec) x = static_cast<uint8_t>(rng());
    const unsigned k = rng() % 8;
    if (k == 0) {  // back into the middle: overwrites
      const std::size_t p = a.Size() == 0 ? 0 : rng() % a.Size();
      a.Seek(p);
      b.Seek(p);
    } else if (k == 1) {  // past the end: the gap is zero-filled
      a.Seek(a.Size() + 3);
      b.Seek(b.Size() + 3);
    } else if (k == 2) {
      a.Seek(a.Size());
      b.Seek(b.Size());
    }
    a.AppendRecord(rec);
    b.Write(rec, kRecordSize);
    ASSERT_EQ(a.Size(), b.Size()) << round;
    ASSERT_EQ(a.Position(), b.Position()) << round;
  }
  EXPECT_EQ(a.Data(), b.Data());
}

TEST(FastPaths, SaveAndRestoreGiveBackTheUsedPart) {
  for (int used : {1, 12, 31, 32, 33, 60, kRawSize}) {
    Ctx c({});
    c.d.ClearRecord();
    for (int i = 0; i < used; ++i) c.d.Raw[i] = static_cast<uint8_t>(i + 1);
    c.d.RawUsed = used;
    Bytes before(c.d.Raw, c.d.Raw + kRawSize);
    const int saved = c.d.SaveRaw();
    // An attached record read over it, longer and shorter.
    for (int i = 0; i < 40; ++i) c.d.Raw[i] = 0xEE;
    if (c.d.RawUsed < 40) c.d.RawUsed = 40;
    c.d.RestoreRaw(saved);
    EXPECT_EQ(Bytes(c.d.Raw, c.d.Raw + kRawSize), before) << used;
    EXPECT_EQ(c.d.RawUsed, used);
  }
}

TEST(FastPaths, PlainAssemblyAndTheCutOfNegativeValues) {
  TFmtData d;
  d.Time = 1 * 3600 + 2 * 60 + 3;
  d.Val5 = 0x123456;
  d.Val8 = 0x789A;
  d.Val10 = 0xBCDE;
  d.Val12 = 0x11;
  d.Val13 = 1234;  // / 10 = 123 = 0x7B
  d.Val14 = 0x0155;
  d.Val15 = 0x22;
  d.Val16 = 0x33;
  d.Val17 = 0x4455;
  d.Val19 = 0x6677;
  d.Val21 = 999;  // kept
  d.Val23 = 0x0188;
  uint8_t r[kRecordSize];
  d.AssembleInto(r, 0x87, 0x08, 0x0307);
  EXPECT_EQ(Hex(r, kRecordSize),
            "87 08 01 02 03 56 34 12 9A 78 DE BC 11 7B 55 22 33 55 44 77 66 E7 03 88 07 03");
  // Val21 above 999 takes the default, and keeps it.
  d.Val21 = 1000;
  d.Val21Default = 0x0102;
  d.AssembleInto(r, 0x87, 0x08, 0x0307);
  EXPECT_EQ(Hex(r + 21, 2), "02 01");
  EXPECT_EQ(d.Val21, 0x0102);
  // Negative values are cut with truncating division: -1 gives FF 00 00.
  d.Val5 = -1;
  d.Val8 = -257;  // FF FF
  d.AssembleInto(r, 0x87, 0x08, 0x0307);
  EXPECT_EQ(Hex(r + 5, 5), "FF 00 00 FF FF");
  // The same limit on this way: 999 is kept.
  d.Val21 = 999;
  d.AssembleInto(r, 0x87, 0x08, 0x0307);
  EXPECT_EQ(Hex(r + 21, 2), "E7 03");
  EXPECT_EQ(r[13], 0x7B);  // Val13 1234 / 10
}

}  // namespace
