// The sample generator: deterministic, of the type its kind names, valid
// framing and check bytes, and the shipped example files are its output.
#include <gtest/gtest.h>

#include <map>

#include "interface/filetype.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

using sample::GenerateSample;
using sample::Kind;

struct KindRow {
  Kind kind;
  const char* name;
  int32_t type;
};
constexpr KindRow kKinds[] = {{Kind::L2000, "l2000", RAILFMT_TYPE_L2000},
                              {Kind::L2000Old, "l2000-old", RAILFMT_TYPE_L2000},
                              {Kind::LKJ93, "lkj93", RAILFMT_TYPE_LKJ93},
                              {Kind::JK2H, "jk2h", RAILFMT_TYPE_JK2H},
                              {Kind::TAX3, "tax3", RAILFMT_TYPE_TAX3}};

TEST(SampleGenerator, SameSeedSameBytesOfTheNamedType) {
  TempDir d;
  for (const KindRow& k : kKinds) {
    Kind parsed;
    ASSERT_TRUE(sample::ParseKind(k.name, parsed));
    EXPECT_EQ(parsed, k.kind);
    EXPECT_STREQ(sample::KindName(k.kind), k.name);
    EXPECT_EQ(GenerateSample(k.kind, 5, 40), GenerateSample(k.kind, 5, 40)) << k.name;
    EXPECT_NE(GenerateSample(k.kind, 5, 40), GenerateSample(k.kind, 6, 40)) << k.name;
    WriteFile(d / "s.bin", GenerateSample(k.kind, 5, 40));
    EXPECT_EQ(FileType(d / "s.bin"), k.type) << k.name;
  }
  Kind k;
  EXPECT_FALSE(sample::ParseKind("L2000", k));
  EXPECT_FALSE(sample::ParseKind("", k));
}

// The event records after the 256-byte header, split by their lengths, each
// with its check byte; the L2000 records hold BCD data only.
TEST(SampleGenerator, L2000RecordsCarryValidCheckBytes) {
  struct Row {
    Kind kind;
    int events;
    uint8_t version;  // BCD 01xx at bytes 87..88
    std::map<int, int> lengths;
  } const rows[] = {
      {Kind::L2000, 120, 0x01, {{0xA010, 13}, {0xC0, 12}, {0xE6, 16}, {0xC8, 18}, {0xE7, 14}, {0xCF, 5}, {0xF0, 8}}},
      {Kind::L2000Old, 80, 0x00, {{0xC0, 9}, {0xEC, 13}, {0xEB, 13}, {0xC2, 12}, {0xDE, 18}, {0xF0, 15}}},
  };
  for (const Row& row : rows) {
    const Bytes f = GenerateSample(row.kind, 11, row.events);
    EXPECT_EQ(Hex(Bytes(f.begin() + 87, f.begin() + 89)), Hex(Bytes{0x01, row.version}));
    EXPECT_EQ(f[kRawVendorPos], 'Q');
    std::size_t i = 256;
    int events = 0;
    while (i < f.size()) {
      const auto it = row.lengths.find(f[i] == 0xA0 ? 0xA000 | f[i + 1] : f[i]);
      ASSERT_NE(it, row.lengths.end()) << "code at " << i;
      const Bytes r(f.begin() + static_cast<long>(i), f.begin() + static_cast<long>(i) + it->second);
      EXPECT_EQ(CheckByte(Bytes(r.begin(), r.end() - 1)), r.back()) << Hex(r);
      if (row.kind == Kind::L2000) {
        for (std::size_t k = 1; k < r.size(); ++k) EXPECT_LE(r[k], 0x99) << Hex(r);
        events += r[0] != 0xF0;
      }
      i += r.size();
    }
    EXPECT_EQ(i, f.size());
    EXPECT_EQ(events, row.kind == Kind::L2000 ? row.events : 0);
  }
}

// The example files are the generator's output for these arguments.
TEST(SampleGenerator, ShippedExamplesAreReproducible) {
  for (const KindRow& k : kKinds) {
    const std::string file = std::string(k.name == std::string("l2000-old") ? "l2000_old" : k.name) + "_sample.bin";
    const Bytes shipped = ReadFile(std::string(RAILFMT_SOURCE_DIR) + "/examples/" + file);
    EXPECT_EQ(shipped, GenerateSample(k.kind, 7, k.kind == Kind::TAX3 ? 12 : 300)) << file;
    EXPECT_LT(shipped.size(), 64u * 1024u) << file;
  }
}

}  // namespace
}  // namespace railfmt::test
