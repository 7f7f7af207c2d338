// TAX3 dump split: one file per recording beside the dump.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "interface/drivers.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt::test;
namespace fs = std::filesystem;

namespace {

// "T3", then the directory slots (entry bytes 0..15 as written; bytes
// 16..31 of a slot 55h, never read), then the data area at 2032.
Bytes Dump(std::initializer_list<const char*> slots, const Bytes& data) {
  Bytes d(2032, 0);
  d[0] = 'T';
  d[1] = '3';
  std::size_t at = 16;
  for (const char* s : slots) {
    const Bytes e = HexBytes(s);
    std::copy(e.begin(), e.end(), d.begin() + at);
    std::fill(d.begin() + at + 16, d.begin() + at + 32, 0x55);
    at += 32;
  }
  return Cat({d, data});
}

Bytes Part(const Bytes& b, std::size_t from, std::size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> v;
  for (auto& e : fs::directory_iterator(dir)) v.insert(e.path().filename().string());
  return v;
}

class Tax3Split : public ::testing::Test {
 protected:
  void TearDown() override { railfmt::platform::Hooks() = {}; }
  TempDir dir;
};

// Entry bytes: 0..1 tag, 4..5 and 12 number, 6..7 blocks, 9 month (high
// nibble), 10 day (low 5 bits), 13 bit 6 tag bit 22; the 77h bytes unused.
const Bytes kData = Fill(0, 79);  // 80 distinct bytes

}  // namespace

TEST_F(Tax3Split, Dumps) {
  const struct { const char* name; Bytes dump; int result; std::vector<std::pair<std::string, Bytes>> files; } cases[] = {
      {"two recordings", Dump({"34 12 77 77 03 02 02 00 77 3F E7 77 01 00 77 77",
                                "05 00 77 77 09 00 01 00 77 C0 1F 77 00 7F 77 77"}, Part(kData, 0, 48)),
       1, {{"TAX3-4660-66051.0307", Part(kData, 0, 32)}, {"TAX3-4194309-9.1231", Part(kData, 32, 48)}}},
      {"tag bit 22 from bit 6 of byte 13 only; month 0 and day 3 in two digits",
       Dump({"FF FF 00 00 01 00 01 00 00 10 01 00 00 00 00 00", "FF FF 00 00 02 00 01 00 00 10 01 00 00 BF 00 00",
             "FF FF 00 00 03 00 01 00 00 10 01 00 00 40 00 00", "FF FF 00 00 04 00 01 00 00 10 01 00 00 FF 00 00",
             "07 00 00 00 FF FF 01 00 00 0F E3 00 FF 00 00 00"}, kData),
       1, {{"TAX3-65535-1.0101", Part(kData, 0, 16)}, {"TAX3-65535-2.0101", Part(kData, 16, 32)},
           {"TAX3-4259839-3.0101", Part(kData, 32, 48)}, {"TAX3-4259839-4.0101", Part(kData, 48, 64)},
           {"TAX3-7-16777215.0003", Part(kData, 64, 80)}}},
      {"a zero-length first slot: nothing", Dump({"01 00 00 00 01 00 00 00 00 30 07 00 00 00 00 00",
                                                   "02 00 00 00 02 00 01 00 00 30 07 00 00 00 00 00"}, kData), 1, {}},
      {"a recording cut short keeps its whole blocks, later ones are not written",
       Dump({"01 00 00 00 01 00 01 00 00 20 02 00 00 00 00 00", "02 00 00 00 02 00 04 00 00 20 03 00 00 00 00 00",
             "03 00 00 00 03 00 01 00 00 20 04 00 00 00 00 00"}, Part(kData, 0, 56)),
       -1, {{"TAX3-1-1.0202", Part(kData, 0, 16)}, {"TAX3-2-2.0203", Part(kData, 16, 48)}}},
      {"the directory alone", HexBytes("54 33 00 00"), 1, {}},
  };
  for (const auto& c : cases) {
    TempDir d;
    WriteFile(d / "u", c.dump);
    EXPECT_EQ(railfmt::SplitTax3(d / "u"), c.result) << c.name;
    std::set<std::string> names = {"u"};
    for (const auto& f : c.files) names.insert(f.first);
    EXPECT_EQ(Names(d.path), names) << c.name;
    for (const auto& f : c.files) EXPECT_EQ(ReadFile(d / f.first), f.second) << c.name << " " << f.first;
  }
}

TEST_F(Tax3Split, BackslashFolderAndAnExistingFileReplaced) {
  WriteFile(dir / "TAX3-1-2.0101", Bytes(100, 0xAA));
  WriteFile(dir / "unit.t3", Dump({"01 00 00 00 02 00 01 00 00 10 01 00 00 00 00 00"}, Fill(0, 15)));
  EXPECT_EQ(railfmt::SplitTax3(dir.path + "\\unit.t3"), 1);
  EXPECT_EQ(ReadFile(dir / "TAX3-1-2.0101"), Fill(0, 15));
}

TEST_F(Tax3Split, FailuresAnswerMinusOneAndStop) {
  EXPECT_EQ(railfmt::SplitTax3(dir / "absent"), -1);
  fs::create_directory(dir / "TAX3-1-1.0101");  // a folder holds the name
  WriteFile(dir / "u", Dump({"01 00 00 00 01 00 01 00 00 10 01 00 00 00 00 00",
                             "02 00 00 00 02 00 01 00 00 10 01 00 00 00 00 00"}, Fill(0, 39)));
  EXPECT_EQ(railfmt::SplitTax3(dir / "u"), -1);
  EXPECT_FALSE(fs::exists(dir / "TAX3-2-2.0101"));
  TempDir d2;
  WriteFile(d2 / "u", Dump({"01 00 00 00 01 00 01 00 00 10 01 00 00 00 00 00"}, Fill(0, 15)));
  railfmt::platform::Hooks().fail_saves = 1;
  EXPECT_EQ(railfmt::SplitTax3(d2 / "u"), -1);
}
