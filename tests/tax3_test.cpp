#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "interface/drivers.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt::test;
namespace fs = std::filesystem;

namespace {

// One directory slot as the unit writes it (only the bytes the split reads).
struct Slot {
  uint16_t tag = 0;
  uint8_t b13 = 0;
  uint32_t number = 0;  // 24 bits: entry bytes 4, 5, 12
  uint16_t blocks = 0;  // 16-byte blocks
  uint8_t b9 = 0;       // month in the high nibble
  uint8_t b10 = 0;      // day in the low 5 bits
};

Bytes Dump(const std::vector<Slot>& slots, const Bytes& data) {
  Bytes d(2032, 0);
  d[0] = 'T';
  d[1] = '3';
  for (std::size_t i = 0; i < slots.size(); ++i) {
    uint8_t* e = &d[16 + 32 * i];
    const Slot& s = slots[i];
    e[0] = s.tag & 0xFF;
    e[1] = s.tag >> 8;
    e[4] = s.number & 0xFF;
    e[5] = (s.number >> 8) & 0xFF;
    e[12] = (s.number >> 16) & 0xFF;
    e[6] = s.blocks & 0xFF;
    e[7] = s.blocks >> 8;
    e[9] = s.b9;
    e[10] = s.b10;
    e[13] = s.b13;
    // bytes the split does not read
    e[2] = e[3] = e[8] = e[11] = e[14] = e[15] = 0x77;
    for (int k = 16; k < 32; ++k) e[k] = 0x55;
  }
  d.insert(d.end(), data.begin(), data.end());
  return d;
}

Bytes Pattern(std::size_t n, uint8_t start) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(start + i);
  return b;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> v;
  for (auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

class Tax3Split : public ::testing::Test {
 protected:
  void TearDown() override { railfmt::platform::Hooks() = {}; }
  TempDir dir;
};

}  // namespace

TEST_F(Tax3Split, WritesEachRecordingBesideTheDump) {
  Bytes data = Pattern(48, 0x10);
  WriteFile(dir / "unit.t3", Dump({{0x1234, 0x00, 0x010203, 2, 0x3F, 0xE7},
                                   {5, 0x7F, 9, 1, 0xC0, 0x1F}},
                                  data));
  EXPECT_EQ(railfmt::SplitTax3(dir / "unit.t3"), 1);
  EXPECT_EQ(Names(dir.path), (std::vector<std::string>{"TAX3-4194309-9.1231",
                                                        "TAX3-4660-66051.0307", "unit.t3"}));
  EXPECT_EQ(ReadFile(dir / "TAX3-4660-66051.0307"), Bytes(data.begin(), data.begin() + 32));
  EXPECT_EQ(ReadFile(dir / "TAX3-4194309-9.1231"), Bytes(data.begin() + 32, data.end()));
}

TEST_F(Tax3Split, BackslashFolderOfTheSource) {
  WriteFile(dir / "unit.t3", Dump({{1, 0, 2, 1, 0x10, 0x01}}, Pattern(16, 0)));
  EXPECT_EQ(railfmt::SplitTax3(dir.path + "\\unit.t3"), 1);
  EXPECT_EQ(ReadFile(dir / "TAX3-1-2.0101"), Pattern(16, 0));
}

TEST_F(Tax3Split, ZeroLengthFirstSlotWritesNothing) {
  WriteFile(dir / "unit.t3", Dump({{1, 0, 1, 0, 0x30, 0x07}, {2, 0, 2, 1, 0x30, 0x07}},
                                  Pattern(64, 0)));
  EXPECT_EQ(railfmt::SplitTax3(dir / "unit.t3"), 1);
  EXPECT_EQ(Names(dir.path), std::vector<std::string>{"unit.t3"});
}

TEST_F(Tax3Split, RecordingCutShortLeavesWholeBlocksAndStops) {
  // 16 + 40 data bytes: the second recording (64 bytes) ends in its third block.
  Bytes data = Pattern(56, 0x80);
  WriteFile(dir / "unit.t3", Dump({{1, 0, 1, 1, 0x20, 0x02},
                                   {2, 0, 2, 4, 0x20, 0x03},
                                   {3, 0, 3, 1, 0x20, 0x04}},
                                  data));
  EXPECT_EQ(railfmt::SplitTax3(dir / "unit.t3"), -1);
  EXPECT_EQ(ReadFile(dir / "TAX3-1-1.0202"), Bytes(data.begin(), data.begin() + 16));
  EXPECT_EQ(ReadFile(dir / "TAX3-2-2.0203"), Bytes(data.begin() + 16, data.begin() + 48));
  EXPECT_FALSE(fs::exists(dir / "TAX3-3-3.0204"));
}

TEST_F(Tax3Split, TagBit22ComesFromBit6OfByte13Only) {
  struct Case {
    uint8_t b13;
    const char* name;
  } cases[] = {{0x00, "TAX3-65535-1.0101"},
               {0xBF, "TAX3-65535-1.0101"},
               {0x40, "TAX3-4259839-1.0101"},
               {0xFF, "TAX3-4259839-1.0101"}};
  for (const Case& c : cases) {
    TempDir d;
    WriteFile(d / "u", Dump({{0xFFFF, c.b13, 1, 1, 0x10, 0x01}}, Pattern(16, 0)));
    EXPECT_EQ(railfmt::SplitTax3(d / "u"), 1);
    EXPECT_TRUE(fs::exists(d / c.name)) << c.name;
  }
}

TEST_F(Tax3Split, MonthNibbleZeroAndDayBitsGiveTwoDigits) {
  WriteFile(dir / "u", Dump({{7, 0, 0xFFFFFF, 1, 0x0F, 0xE3}}, Pattern(16, 0)));
  EXPECT_EQ(railfmt::SplitTax3(dir / "u"), 1);
  EXPECT_TRUE(fs::exists(dir / "TAX3-7-16777215.0003"));
}

TEST_F(Tax3Split, ExistingRecordingFileIsReplaced) {
  WriteFile(dir / "TAX3-1-1.0101", Pattern(100, 0xAA));
  WriteFile(dir / "u", Dump({{1, 0, 1, 1, 0x10, 0x01}}, Pattern(16, 3)));
  EXPECT_EQ(railfmt::SplitTax3(dir / "u"), 1);
  EXPECT_EQ(ReadFile(dir / "TAX3-1-1.0101"), Pattern(16, 3));
}

TEST_F(Tax3Split, OutputThatCannotBeCreatedAnswersMinusOneAndStops) {
  fs::create_directory(dir / "TAX3-1-1.0101");  // a folder holds the name
  WriteFile(dir / "u", Dump({{1, 0, 1, 1, 0x10, 0x01}, {2, 0, 2, 1, 0x10, 0x01}},
                            Pattern(40, 0)));
  EXPECT_EQ(railfmt::SplitTax3(dir / "u"), -1);
  EXPECT_FALSE(fs::exists(dir / "TAX3-2-2.0101"));

  TempDir d2;
  WriteFile(d2 / "u", Dump({{1, 0, 1, 1, 0x10, 0x01}}, Pattern(16, 0)));
  railfmt::platform::Hooks().fail_saves = 1;
  EXPECT_EQ(railfmt::SplitTax3(d2 / "u"), -1);
}

TEST_F(Tax3Split, MissingOrDirectoryOnlyDump) {
  EXPECT_EQ(railfmt::SplitTax3(dir / "absent"), -1);
  WriteFile(dir / "short", Bytes{'T', '3', 0, 0});
  EXPECT_EQ(railfmt::SplitTax3(dir / "short"), 1);
  EXPECT_EQ(Names(dir.path), std::vector<std::string>{"short"});
}
