// A raw file is never lost: a destination that is the source itself, or a
// TAX3 recording that would carry the dump's own name, leaves it as it was.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

void ThrowingL2000(MemStream&, MemStream& out, const std::string&) {
  out.Write("partial", 7);
  throw std::runtime_error("l2000");
}

Bytes Starting(std::initializer_list<uint8_t> first, std::size_t size = 300) {
  Bytes b(size, 0x00);
  std::size_t i = 0;
  for (uint8_t x : first) b[i++] = x;
  return b;
}

class RawFileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConverters();
    Tables().MaskedCodeList.clear();
  }
  void TearDown() override { ResetConverters(); }
  TempDir dir;
};

// NewFmtFile with the destination equal to the source, for every type that
// does not give a finished conversion.
TEST_F(RawFileSafety, NewFmtFileOntoItsSourceKeepsTheRawFileWithoutAConversion) {
  struct Case {
    const char* name;
    Bytes content;
    int32_t result;
  } const cases[] = {
      {"unknown type", Starting({0x12, 0x34}), -2},
      {"JK96", Starting({0xA2}), 0},
      {"formatted", Starting({0xA6, 0x6A}), 0},
      {"TAX3 dump", Starting({'T', '3'}), 0},
  };
  for (const Case& c : cases) {
    const std::string p = dir / "same.bin";
    WriteFile(p, c.content);
    EXPECT_EQ(NewFmtFileImpl(p, p), c.result) << c.name;
    EXPECT_EQ(ReadFile(p), c.content) << c.name;
  }
}

TEST_F(RawFileSafety, NewFmtFileOntoItsSourceKeepsTheRawFileWhenTheConverterFails) {
  Converters().l2000 = ThrowingL2000;
  const Bytes raw = Starting({0xB0, 0xF0});
  const std::string p = dir / "same.bin";
  WriteFile(p, raw);
  EXPECT_EQ(NewFmtFileImpl(p, p), -3);
  EXPECT_EQ(ReadFile(p), raw);
}

// A finished conversion onto the source is what the host asked for.
TEST_F(RawFileSafety, NewFmtFileOntoItsSourceWritesAFinishedConversion) {
  RawHeader h;
  const Bytes raw = EventFile(h, {});
  const std::string p = dir / "same.bin";
  WriteFile(p, raw);
  EXPECT_EQ(NewFmtFileImpl(p, p), 0);
  const Bytes now = ReadFile(p);
  ASSERT_GE(now.size(), 52u);
  EXPECT_EQ(now[0], 0xA6);
  EXPECT_EQ(now[1], 0x6A);
}

// A dump whose only recording (tag 1, number 2, 4 March) is named
// TAX3-1-2.0304 like the dump itself.
TEST_F(RawFileSafety, Tax3RecordingNamedLikeTheDumpDoesNotReplaceIt) {
  Bytes dump(2032 + 16, 0x00);
  dump[0] = 'T';
  dump[1] = '3';
  uint8_t* slot = &dump[16];
  slot[0] = 1;     // tag
  slot[4] = 2;     // number
  slot[6] = 1;     // one 16-byte block
  slot[9] = 0x30;  // month 3
  slot[10] = 4;    // day 4
  for (int i = 0; i < 16; ++i) dump[2032 + i] = static_cast<uint8_t>(0xC0 + i);
  const std::string p = dir / "TAX3-1-2.0304";
  WriteFile(p, dump);
  EXPECT_EQ(SplitTax3(p), -1);
  EXPECT_EQ(ReadFile(p), dump);

  // Under another name the same dump gives the recording beside it.
  TempDir other;
  const std::string q = other / "dump.bin";
  WriteFile(q, dump);
  EXPECT_EQ(SplitTax3(q), 1);
  EXPECT_EQ(ReadFile(other / "TAX3-1-2.0304"), Bytes(dump.end() - 16, dump.end()));
  EXPECT_EQ(ReadFile(q), dump);
}

}  // namespace
