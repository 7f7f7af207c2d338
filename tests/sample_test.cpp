// The sample generator: deterministic, valid framing and check bytes, and
// the shipped example files are its output. (Every conversion test of the
// exports converts its samples.)
#include <gtest/gtest.h>

#include <map>

#include "handlers/families.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

using sample::GenerateSample;
using sample::Kind;

int B(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }
int BcdN(const Bytes& r, std::size_t at, int n) {
  int v = 0;
  for (int i = 0; i < n; ++i) v = v * 100 + B(r[at + static_cast<std::size_t>(i)]);
  return v;
}

// Splits the event records after the 256-byte header by their lengths.
std::vector<Bytes> Split(const Bytes& file, const std::map<int, int>& lengths) {
  std::vector<Bytes> out;
  std::size_t i = 256;
  while (i < file.size()) {
    int code = file[i] == 0xA0 ? 0xA000 | file[i + 1] : file[i];
    auto it = lengths.find(code);
    if (it == lengths.end()) {
      ADD_FAILURE() << "unexpected code " << std::hex << code << " at " << std::dec << i;
      break;
    }
    out.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(i),
                     file.begin() + static_cast<std::ptrdiff_t>(i) + it->second);
    i += static_cast<std::size_t>(it->second);
  }
  EXPECT_EQ(i, file.size());
  return out;
}

TEST(SampleGenerator, SameSeedSameBytesOtherSeedOtherBytes) {
  for (Kind k : {Kind::L2000, Kind::L2000Old, Kind::LKJ93, Kind::JK2H, Kind::TAX3}) {
    EXPECT_EQ(GenerateSample(k, 5, 40), GenerateSample(k, 5, 40)) << sample::KindName(k);
    EXPECT_NE(GenerateSample(k, 5, 40), GenerateSample(k, 6, 40)) << sample::KindName(k);
  }
}

TEST(SampleGenerator, KindNamesRoundTrip) {
  Kind k;
  for (const char* n : {"l2000", "l2000-old", "lkj93", "jk2h", "tax3"}) {
    ASSERT_TRUE(sample::ParseKind(n, k));
    EXPECT_STREQ(sample::KindName(k), n);
  }
  EXPECT_FALSE(sample::ParseKind("L2000", k));
  EXPECT_FALSE(sample::ParseKind("", k));
}

TEST(SampleGenerator, L2000RecordsCarryValidCheckBytes) {
  Bytes f = GenerateSample(Kind::L2000, 11, 120);
  ASSERT_GE(f.size(), 256u);
  EXPECT_EQ(f[0], 0xB0);
  EXPECT_EQ(f[1], 0xF0);
  EXPECT_NE(f[16], 0xB1);                     // an L2000 file, not LKJ93
  EXPECT_EQ(BcdN(f, 87, 2), 101);             // event-coded protocol
  EXPECT_EQ(f[kRawVendorPos], 'Q');
  auto recs = Split(f, {{0xA010, 13}, {0xC0, 12}, {0xE6, 16}, {0xC8, 18}, {0xE7, 14}, {0xCF, 5}, {0xF0, 8}});
  int events = 0;
  for (const auto& r : recs) {
    Bytes body(r.begin(), r.end() - 1);
    EXPECT_EQ(CheckByte(body), r.back()) << Hex(r);
    for (std::size_t i = 1; i < r.size(); ++i) EXPECT_LE(r[i], 0x99) << Hex(r);  // BCD data only
    if (r[0] != 0xF0) ++events;
  }
  EXPECT_EQ(events, 120);
}

TEST(SampleGenerator, L2000OldUsesTheEarlierRecordSet) {
  Bytes f = GenerateSample(Kind::L2000Old, 2, 80);
  EXPECT_EQ(BcdN(f, 87, 2), 100);
  auto recs = Split(f, {{0xC0, 9}, {0xEC, 13}, {0xEB, 13}, {0xC2, 12}, {0xDE, 18}, {0xF0, 15}});
  ASSERT_FALSE(recs.empty());
  EXPECT_EQ(recs.front()[0], 0xC0);
  for (const auto& r : recs) EXPECT_EQ(CheckByte(Bytes(r.begin(), r.end() - 1)), r.back()) << Hex(r);
}

TEST(SampleGenerator, Lkj93IsSixteenByteRecords) {
  Bytes f = GenerateSample(Kind::LKJ93, 4, 30);
  ASSERT_EQ(f.size() % 16, 0u);
  EXPECT_EQ(f.size(), 16u * (2 + 30 + 1));  // B0, B1, 30 state records, filler
  EXPECT_EQ(f[0], 0xB0);
  EXPECT_EQ(f[16], 0xB1);
  EXPECT_EQ(f[32], 0x80);  // the start record
  for (std::size_t i = 32; i + 16 < f.size(); i += 16) EXPECT_GE(f[i], 0x80);
  for (std::size_t i = f.size() - 16; i < f.size(); ++i) EXPECT_EQ(f[i], 0xFF);
  // the time of the start record: seconds in bits 0..5 of byte 1
  int sec = f[33] & 0x3F, min = (f[34] & 0x0F) * 4 + (f[33] >> 6), hour = (f[35] & 1) * 16 + (f[34] >> 4);
  EXPECT_LT(sec, 60);
  EXPECT_LT(min, 60);
  EXPECT_LT(hour, 24);
}

TEST(SampleGenerator, Jk2hStartsAsTheDetectorExpects) {
  Bytes f = GenerateSample(Kind::JK2H, 9, 50);
  EXPECT_EQ(f[0], 0xA2);
  EXPECT_EQ(f[6], 0xA0);  // byte 5 or 6 = A0h makes it JK2H rather than JK96
  EXPECT_EQ(f[15], 0xC0);
  for (uint8_t b : f)
    if (b >= 0x9A) {
      EXPECT_GE(b, 0x9B);  // code bytes only, no stray 9Ah
    }
}

TEST(SampleGenerator, Tax3DirectoryDescribesTheRecordings) {
  Bytes f = GenerateSample(Kind::TAX3, 1, 5);
  EXPECT_EQ(f[0], 'T');
  EXPECT_EQ(f[1], '3');
  std::size_t total = 2032;
  for (int k = 0; k < 63; ++k) {
    const uint8_t* e = &f[16 + 32 * static_cast<std::size_t>(k)];
    std::size_t blocks = e[6] + e[7] * 256u;
    if (k < 5) {
      EXPECT_GT(blocks, 0u);
      EXPECT_GE(e[9] >> 4, 1);
      EXPECT_LE(e[9] >> 4, 12);
      EXPECT_GE(e[10] & 31, 1);
      EXPECT_EQ(f[total], 'R');  // each recording starts with its own block
      EXPECT_EQ(f[total + 1], k);
    } else {
      EXPECT_EQ(blocks, 0u);
    }
    total += blocks * 16;
  }
  EXPECT_EQ(total, f.size());
  EXPECT_EQ(GenerateSample(Kind::TAX3, 1, 500).size(), GenerateSample(Kind::TAX3, 1, 63).size());
}

// The example files are the generator's output for these arguments.
TEST(SampleGenerator, ShippedExamplesAreReproducible) {
  struct Row {
    const char* file;
    Kind kind;
    int records;
  };
  for (Row r : {Row{"l2000_sample.bin", Kind::L2000, 300}, Row{"l2000_old_sample.bin", Kind::L2000Old, 300},
                Row{"lkj93_sample.bin", Kind::LKJ93, 300}, Row{"jk2h_sample.bin", Kind::JK2H, 300},
                Row{"tax3_sample.bin", Kind::TAX3, 12}}) {
    Bytes shipped = ReadFile(std::string(RAILFMT_SOURCE_DIR) + "/examples/" + r.file);
    EXPECT_EQ(shipped, GenerateSample(r.kind, 7, r.records)) << r.file;
    EXPECT_LT(shipped.size(), 64u * 1024u) << r.file;
  }
}

}  // namespace
}  // namespace railfmt::test
