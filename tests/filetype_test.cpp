// File-type detection by the first 32 bytes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "interface/filetype.h"
#include "support/testkit.h"

namespace {

using namespace railfmt;
using namespace railfmt::test;

struct HeadCase {
  const char* what;
  Bytes start;       // bytes from offset 0
  int b16;           // byte 16 (-1: leave 0)
  int32_t expected;
};
// Test lists show the case by its name, not as raw object bytes.
void PrintTo(const HeadCase& c, std::ostream* os) { *os << c.what; }

class FileTypeTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(FileTypeTest, ClassifiesTheFile) {
  const HeadCase& c = GetParam();
  Bytes b(64, 0x00);
  std::copy(c.start.begin(), c.start.end(), b.begin());
  if (c.b16 >= 0) b[16] = static_cast<uint8_t>(c.b16);
  TempDir d;
  WriteFile(d / "f.dat", b);
  EXPECT_EQ(FileType(d / "f.dat"), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Heads, FileTypeTest,
    ::testing::Values(
        HeadCase{"ring", {0xA0, 0xA1}, -1, 4},
        HeadCase{"ring wins over B1h at 16", {0xA0, 0xA1}, 0xB1, 4},
        HeadCase{"A0 alone", {0xA0, 0x00}, -1, 0},
        HeadCase{"A2 with b5 = A0", {0xA2, 0, 0, 0, 0, 0xA0}, -1, 1},
        HeadCase{"A4 with b6 = A0", {0xA4, 0, 0, 0, 0, 0, 0xA0}, -1, 1},
        HeadCase{"FC with b5 = A0", {0xFC, 0, 0, 0, 0, 0xA0}, -1, 1},
        HeadCase{"A2 without A0", {0xA2}, -1, 2},
        HeadCase{"A4 without A0, B1h at 16", {0xA4}, 0xB1, 2},
        HeadCase{"FC without A0", {0xFC, 0xF0}, -1, 2},
        HeadCase{"B0 F0", {0xB0, 0xF0}, 0x00, 100},
        HeadCase{"B0 F0 with B1h at 16", {0xB0, 0xF0}, 0xB1, 3},
        HeadCase{"B0 other", {0xB0, 0x12}, -1, 3},
        HeadCase{"FF", {0xFF}, -1, 3},
        HeadCase{"12 with B1h at 16", {0x12}, 0xB1, 3},
        HeadCase{"A5 5A with B1h at 16", {0xA5, 0x5A}, 0xB1, 3},
        HeadCase{"A5 5A", {0xA5, 0x5A}, -1, 102},
        HeadCase{"A6 6A", {0xA6, 0x6A}, -1, 102},
        HeadCase{"A5 6A", {0xA5, 0x6A}, -1, 0},
        HeadCase{"A6 5A", {0xA6, 0x5A}, -1, 0},
        HeadCase{"T3", {'T', '3'}, -1, 103},
        HeadCase{"t3", {'t', '3'}, -1, 0},
        HeadCase{"zeros", {}, -1, 0}));

TEST(FileTypeEdges, EmptyPathMissingFileAndFolder) {
  TempDir d;
  EXPECT_EQ(FileType(""), 0);
  EXPECT_EQ(FileType(d / "missing.dat"), 0);
  EXPECT_EQ(FileType(d.path), 0);
  ::mkdir((d / "sub").c_str(), 0755);
  EXPECT_EQ(FileType(d / "sub"), 0);
}

TEST(FileTypeEdges, ShortFilesAreNotClassified) {
  TempDir d;
  Bytes b(31, 0);
  b[0] = 0xA6;
  b[1] = 0x6A;
  WriteFile(d / "short.dat", b);
  EXPECT_EQ(FileType(d / "short.dat"), 0);
  WriteFile(d / "empty.dat", {});
  EXPECT_EQ(FileType(d / "empty.dat"), 0);
  b.push_back(0);
  WriteFile(d / "exact.dat", b);
  EXPECT_EQ(FileType(d / "exact.dat"), 102);
}

TEST(FileTypeEdges, BackslashPathsAndTheFileIsLeftAlone) {
  TempDir d;
  Bytes b(40, 0);
  b[0] = 0xB0;
  b[1] = 0xF0;
  WriteFile(d / "x.dat", b);
  std::string p = d.path + "\\x.dat";
  EXPECT_EQ(FileType(p), 100);
  EXPECT_EQ(ReadFile(d / "x.dat"), b);
}

TEST(FileTypeEdges, UnreadableFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir d;
  Bytes b(40, 0);
  b[0] = 0xA6;
  b[1] = 0x6A;
  WriteFile(d / "locked.dat", b);
  ::chmod((d / "locked.dat").c_str(), 0);
  EXPECT_EQ(FileType(d / "locked.dat"), 0);
}

}  // namespace
