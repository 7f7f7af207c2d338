// File-type detection by the first 32 bytes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "interface/filetype.h"
#include "platform/platform.h"
#include "support/testkit.h"

namespace {

using namespace railfmt;
using namespace railfmt::test;

TEST(FileType, FirstBytesTellTheType) {
  struct Case {
    const char* what;
    Bytes start;  // from offset 0
    int b16;      // byte 16 (-1: leave 0)
    int32_t expected;
  } const cases[] = {
      {"ring", {0xA0, 0xA1}, -1, 4},
      {"ring wins over B1h at 16", {0xA0, 0xA1}, 0xB1, 4},
      {"A0 alone", {0xA0, 0x00}, -1, 0},
      {"A2 with b5 = A0", {0xA2, 0, 0, 0, 0, 0xA0}, -1, 1},
      {"A4 with b6 = A0", {0xA4, 0, 0, 0, 0, 0, 0xA0}, -1, 1},
      {"FC with b5 = A0", {0xFC, 0, 0, 0, 0, 0xA0}, -1, 1},
      {"A2 without A0", {0xA2}, -1, 2},
      {"A4 without A0, B1h at 16", {0xA4}, 0xB1, 2},
      {"FC without A0", {0xFC, 0xF0}, -1, 2},
      {"B0 F0", {0xB0, 0xF0}, 0x00, 100},
      {"B0 F0 with B1h at 16", {0xB0, 0xF0}, 0xB1, 3},
      {"B0 other", {0xB0, 0x12}, -1, 3},
      {"FF", {0xFF}, -1, 3},
      {"12 with B1h at 16", {0x12}, 0xB1, 3},
      {"A5 5A with B1h at 16", {0xA5, 0x5A}, 0xB1, 3},
      {"A5 5A", {0xA5, 0x5A}, -1, 102},
      {"A6 6A", {0xA6, 0x6A}, -1, 102},
      {"A5 6A", {0xA5, 0x6A}, -1, 0},
      {"A6 5A", {0xA6, 0x5A}, -1, 0},
      {"T3", {'T', '3'}, -1, 103},
      {"t3", {'t', '3'}, -1, 0},
      {"zeros", {}, -1, 0},
  };
  TempDir d;
  for (const Case& c : cases) {
    Bytes b(64, 0x00);
    std::copy(c.start.begin(), c.start.end(), b.begin());
    if (c.b16 >= 0) b[16] = static_cast<uint8_t>(c.b16);
    WriteFile(d / "f.dat", b);
    EXPECT_EQ(FileType(d / "f.dat"), c.expected) << c.what;
  }
}

// No file, a folder, a file too short for 32 bytes or one that cannot be
// read is of no type; a path with "\" separators is read, never written.
TEST(FileType, PathsAndShortFiles) {
  TempDir d;
  const Bytes formatted = Cat({HexBytes("A6 6A"), Bytes(30)});
  ::mkdir((d / "sub").c_str(), 0755);
  WriteFile(d / "short.dat", Bytes(formatted.begin(), formatted.end() - 1));
  WriteFile(d / "empty.dat", {});
  WriteFile(d / "exact.dat", formatted);
  const std::pair<std::string, int32_t> cases[] = {
      {"", 0}, {d / "missing.dat", 0}, {d.path, 0}, {d / "sub", 0}, {d / "short.dat", 0}, {d / "empty.dat", 0},
      {d / "exact.dat", 102}, {d.path + "\\exact.dat", 102}};
  for (const auto& [path, expected] : cases) EXPECT_EQ(FileType(path), expected) << path;
  EXPECT_EQ(ReadFile(d / "exact.dat"), formatted);
  platform::Hooks().fail_reads = 1;
  EXPECT_EQ(FileType(d / "exact.dat"), 0);
  platform::Hooks() = {};
}

}  // namespace
