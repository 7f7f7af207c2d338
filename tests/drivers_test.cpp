// The single-file drivers, the savers and the ring unrolling.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "handlers/families.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "platform/platform.h"
#include "support/testkit.h"
#include "interface/filetype.h"
#include "railfmt/railfmt.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

bool Exists(const std::string& p) { return std::filesystem::exists(p); }

// A small L2000 file of protocol version 0101, vendor Q: A010 with an
// attached F0, bytes between records, a record failing its check, F2, A011.
RawHeader GoldenHeader() {
  RawHeader h;
  h.Put(2, {0x26, 0x12, 0x06});  // date fields
  h.Put(17, {0x05});             // route
  h.Put(54, {0x12, 0x34});       // number of header bytes 2..11
  return h;
}

Bytes GoldenFile() {
  return EventFile(GoldenHeader(),
                   {Rec({0xA0, 0x10, 0x09, 0x15, 0x30, 0x00, 0x01, 0x23, 0x45, 0x00, 0x06, 0x78}),
                    Rec({0xF0, 0x05, 0x80, 0x01, 0x23, 0x04, 0x56}),
                    {0x00, 0x11, 0x99},
                    {0xA0, 0x10, 0x09, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00},
                    Rec({0xF2, 0x12, 0x34, 0x00}),
                    Rec({0xA0, 0x11, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x09})});
}

// The whole formatted file of GoldenFile(), written out by hand.
Bytes GoldenOutput() {
  Bytes header = HexBytes(
      "A6 6A 31 32 33 34 20 20 20 20 20 20 30 20 20 20 20 20 20 20 00 00 32 4B 00 00"
      "00 00 00 00 1A 0C 06 00 00 00 00 00 00 00 00 00 05 00 37 01 00 01 01 01 01 51");
  Bytes records = Concat({
      // start-up
      R("B0 F0 00 01 01 00 00 00 00 00 00 00 00 0C 22 00 00 00 00 00 00 00 00 03 01 01"),
      R("B0 01 1A 0C 06 08 1E 00"),
      R("81 24 08 1E 00 00"),
      R("81 25 08 1E 00 00 00 00"),
      R("81 15 08 1E 00 05"),
      R("81 05 08 1E 00 00 00"),
      R("81 06 08 1E 00 00 00 35 2D 30 20 20 20 20 20"),
      R("81 11 08 1E 00 00 00 30 20 20 20 20 20 20 20"),
      R("81 04 08 1E 00 00 00 30 20 20 20 20 20 20 20"),
      R("81 0F"), R("81 10"), R("81 09"), R("81 0A"), R("81 0B"), R("81 0C"), R("81 0D"),
      R("81 0E"), R("81 03"), R("81 22"), R("81 21"), R("81 23"), R("91 01"), R("91 02"),
      R("81 07"), R("81 08"), R("B0 02"), R("B0 03"), R("B0 04"),
      // events: the F0 state change comes before the record it is attached to
      R("8B 06 09 0F 1E 39 30 00 A6 02 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 47 10"),
      R("80 0A 09 0F 1E 39 30 00 A6 02 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 C7 10"),
      R("87 63 D2 04 0C"),
      R("80 0B 0A 00 00 07 00 00 09 00 00 00 00 3A 0C 08 00 C8 01 00 00 00 00 00 07 00"),
  });
  return Cat({header, records});
}

// Stand-in converters for the failure paths.
int g_tax3Calls = 0;
void ThrowingL2000(MemStream&, MemStream& out, const std::string&) {
  const uint8_t half[26] = {0x80, 0x0A};
  out.Write(half, 26);
  throw std::runtime_error("converter failed");
}
void ThrowingLkj93(MemStream&, MemStream&, uint8_t) { throw std::runtime_error("lkj93"); }
void ThrowingJk2h(MemStream&, MemStream&) { throw std::runtime_error("jk2h"); }
void EchoJk2h(MemStream& in, MemStream& out) { out.Write(in.Data().data(), in.Size()); }
void EchoLkj93(MemStream& in, MemStream& out, uint8_t) { out.Write(in.Data().data(), in.Size()); }
int32_t CountingTax3(const std::string&) {
  ++g_tax3Calls;
  return 1;
}
int32_t ThrowingTax3(const std::string&) {
  ++g_tax3Calls;
  throw std::runtime_error("tax3");
}

Bytes FileStarting(std::initializer_list<uint8_t> first, std::size_t size = 64) {
  Bytes b(size, 0x00);
  std::size_t i = 0;
  for (uint8_t x : first) b[i++] = x;
  return b;
}

class Drivers : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConverters();
    Tables().MaskedCodeList.clear();
    platform::Hooks() = platform::TestHooks();
    g_tax3Calls = 0;
  }
  void TearDown() override {
    ResetConverters();
    Tables().MaskedCodeList.clear();
    platform::Hooks() = platform::TestHooks();
  }
  std::string Src(const Bytes& content, const std::string& name = "src.bin") {
    std::string p = dir / name;
    WriteFile(p, content);
    return p;
  }
  TempDir dir;
};

// ------------------------------------------------------------------ golden

TEST_F(Drivers, NewFmtFileConvertsAnEventFileThroughTheEngine) {
  std::string src = Src(GoldenFile()), dst = dir / "out.fmt";
  ASSERT_EQ(NewFmtFileImpl(src, dst), 0);
  Bytes out = ReadFile(dst);
  Bytes want = GoldenOutput();
  ASSERT_EQ(out.size(), want.size());
  EXPECT_EQ(Hex(out), Hex(want));
}

TEST_F(Drivers, TransSingleFileWritesTheSameFormattedFile) {
  std::string src = Src(GoldenFile()), dst = dir / "out.fmt";
  ASSERT_EQ(TransSingleFileImpl(src, dst), 0);
  EXPECT_EQ(Hex(ReadFile(dst)), Hex(GoldenOutput()));
}

TEST_F(Drivers, L2000EntryHandsVersion101AndLaterToTheEngine) {
  struct Case {
    int version;
    char vendor;
  } cases[] = {{101, 'Q'}, {102, 'Q'}, {150, 'Z'}, {101, 'z'}};
  for (const Case& c : cases) {
    RawHeader h = GoldenHeader();
    h.Version(c.version).Vendor(c.vendor);
    Bytes file = EventFile(h, {Rec({0xF0, 0x05, 0x80, 0x01, 0x23, 0x04, 0x56, 0x00, 0x00, 0x00, 0x00})});
    MemStream in(file), out;
    ConvertL2000(in, out, "memory");
    EXPECT_EQ(Hex(out.Data()), Hex(ConvertEventBytes(file, c.version, std::string(1, c.vendor))))
        << c.version << c.vendor;
  }
}

TEST_F(Drivers, MaskedCodesAreLeftOutOfTheConvertedFile) {
  Tables().MaskedCodeList = {0x8B06, 0x8763};
  std::string src = Src(GoldenFile()), dst = dir / "out.fmt";
  ASSERT_EQ(NewFmtFileImpl(src, dst), 0);
  Bytes want = GoldenOutput();
  // Drop the state change (52 + 28 * 26) and the F2 record (two further on).
  const std::size_t sc = 52 + 28 * 26;
  Bytes expect(want.begin(), want.begin() + sc);
  expect.insert(expect.end(), want.begin() + sc + 26, want.begin() + sc + 52);
  expect.insert(expect.end(), want.begin() + sc + 78, want.end());
  EXPECT_EQ(Hex(ReadFile(dst)), Hex(expect));
}

// ------------------------------------------------------------------ NewFmtFile codes

TEST_F(Drivers, NewFmtFileMissingSourceWritesNothing) {
  std::string dst = dir / "out.fmt";
  EXPECT_EQ(NewFmtFileImpl(dir / "nothing.bin", dst), -1);
  EXPECT_EQ(NewFmtFileImpl(dir.path, dst), -1);  // a folder is no file
  EXPECT_FALSE(Exists(dst));
}

TEST_F(Drivers, NewFmtFileResultsByType) {
  Converters().tax3 = CountingTax3;
  struct Case {
    const char* name;
    Bytes content;
    int32_t result;
  } cases[] = {
      {"unknown", FileStarting({0x12, 0x34}), -2},
      {"jk96", FileStarting({0xA2, 0x00}), 0},
      {"fmt-a6", FileStarting({0xA6, 0x6A}), 0},
      {"fmt-a5", FileStarting({0xA5, 0x5A}), 0},
      {"tax3", FileStarting({0x54, 0x33}), 0},
  };
  for (const Case& c : cases) {
    std::string src = Src(c.content, c.name), dst = dir / (std::string(c.name) + ".fmt");
    EXPECT_EQ(NewFmtFileImpl(src, dst), c.result) << c.name;
    // Nothing was converted: the destination is an empty file.
    ASSERT_TRUE(Exists(dst)) << c.name;
    EXPECT_TRUE(ReadFile(dst).empty()) << c.name;
  }
  EXPECT_EQ(g_tax3Calls, 1);
}

TEST_F(Drivers, NewFmtFileRunsTheConverterOfTheType) {
  Converters().jk2h = EchoJk2h;
  Converters().lkj93 = EchoLkj93;
  Bytes jk2h = FileStarting({0xA4, 0x00, 0x00, 0x00, 0x00, 0xA0});
  Bytes lkj93 = FileStarting({0xFF, 0x01});
  EXPECT_EQ(NewFmtFileImpl(Src(jk2h, "a"), dir / "a.fmt"), 0);
  EXPECT_EQ(ReadFile(dir / "a.fmt"), jk2h);
  EXPECT_EQ(NewFmtFileImpl(Src(lkj93, "b"), dir / "b.fmt"), 0);
  EXPECT_EQ(ReadFile(dir / "b.fmt"), lkj93);
}

TEST_F(Drivers, NewFmtFileConverterFailureIsMinus3AndDoesNotEscape) {
  Converters().l2000 = ThrowingL2000;
  Converters().lkj93 = ThrowingLkj93;
  Converters().jk2h = ThrowingJk2h;
  Converters().tax3 = ThrowingTax3;
  std::string dst = dir / "out.fmt";
  // What the converter produced before failing is no formatted file: nothing
  // is written, and an existing destination is kept.
  WriteFile(dst, {1, 2, 3});
  EXPECT_EQ(NewFmtFileImpl(Src(GoldenFile(), "l"), dst), -3);
  EXPECT_EQ(ReadFile(dst), Bytes({1, 2, 3}));
  EXPECT_EQ(NewFmtFileImpl(Src(FileStarting({0xFF}), "k"), dir / "k.fmt"), -3);
  EXPECT_EQ(NewFmtFileImpl(Src(FileStarting({0xA4, 0, 0, 0, 0, 0xA0}), "j"), dir / "j.fmt"), -3);
  EXPECT_EQ(NewFmtFileImpl(Src(FileStarting({0x54, 0x33}), "t"), dir / "t.fmt"), -3);
  EXPECT_EQ(g_tax3Calls, 1);
  for (const char* name : {"k.fmt", "j.fmt", "t.fmt"}) EXPECT_FALSE(Exists(dir / name)) << name;
}

TEST_F(Drivers, NewFmtFileSaveFailureIsMinus4AndLeavesNoDestination) {
  std::string src = Src(GoldenFile()), dst = dir / "out.fmt";
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(NewFmtFileImpl(src, dst), -4);
  EXPECT_FALSE(Exists(dst));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);  // the source only
}

TEST_F(Drivers, NewFmtFileIntoAMissingFolderIsMinus4) {
  std::string src = Src(GoldenFile()), dst = dir / "missing/out.fmt";
  EXPECT_EQ(NewFmtFileImpl(src, dst), -4);
  EXPECT_FALSE(Exists(dir / "missing"));
  EXPECT_EQ(NewFmtFileImpl(src, dir.path), -4);  // the destination is a folder
}

TEST_F(Drivers, NewFmtFileUnrollsRingFiles) {
  Bytes ring = FileStarting({0xA0, 0xA1}, 64 + 100);
  for (int i = 0; i < 100; ++i) ring[64 + i] = static_cast<uint8_t>(i);
  ring[8] = 30;
  std::string dst = dir / "ring.out";
  EXPECT_EQ(NewFmtFileImpl(Src(ring), dst), 0);
  Bytes out = ReadFile(dst);
  ASSERT_EQ(out.size(), ring.size());
  EXPECT_EQ(out[64], 30);
  EXPECT_EQ(out[64 + 69], 99);
  EXPECT_EQ(out[64 + 70], 0);
  // Ring files are not filtered: masking changes nothing.
  Tables().MaskedCodeList = {0xA0A1};
  EXPECT_EQ(NewFmtFileImpl(Src(ring), dst), 0);
  EXPECT_EQ(ReadFile(dst), out);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(NewFmtFileImpl(Src(ring), dir / "ring2.out"), -4);
  EXPECT_FALSE(Exists(dir / "ring2.out"));
}

// ------------------------------------------------------------------ TransSingleFile codes

TEST_F(Drivers, TransSingleFileResultsByType) {
  Converters().tax3 = CountingTax3;
  struct Case {
    const char* name;
    Bytes content;
    int32_t result;
  } cases[] = {
      {"unknown", FileStarting({0x12, 0x34}), 1},
      {"ring", FileStarting({0xA0, 0xA1}), 1},
      {"jk96", FileStarting({0xFC, 0x00}), 0},
      {"fmt", FileStarting({0xA6, 0x6A}), 0},
      {"tax3", FileStarting({0x54, 0x33}), 0},
  };
  for (const Case& c : cases) {
    std::string src = Src(c.content, c.name), dst = dir / (std::string(c.name) + ".fmt");
    EXPECT_EQ(TransSingleFileImpl(src, dst), c.result) << c.name;
    EXPECT_FALSE(Exists(dst)) << c.name;  // nothing is written for these
  }
  EXPECT_EQ(TransSingleFileImpl(dir / "missing.bin", dir / "m.fmt"), 1);
  EXPECT_EQ(g_tax3Calls, 1);
}

// A conversion that fails is no success: result 1, nothing written.
TEST_F(Drivers, TransSingleFileConverterFailureIsOneAndWritesNothing) {
  Converters().l2000 = ThrowingL2000;
  Converters().lkj93 = ThrowingLkj93;
  Converters().jk2h = ThrowingJk2h;
  Converters().tax3 = ThrowingTax3;
  EXPECT_EQ(TransSingleFileImpl(Src(GoldenFile(), "l"), dir / "l.fmt"), 1);
  EXPECT_FALSE(Exists(dir / "l.fmt"));
  EXPECT_EQ(TransSingleFileImpl(Src(FileStarting({0xB0, 0x00}), "k"), dir / "k.fmt"), 1);
  EXPECT_FALSE(Exists(dir / "k.fmt"));
  EXPECT_EQ(TransSingleFileImpl(Src(FileStarting({0xA2, 0, 0, 0, 0, 0, 0xA0}), "j"), dir / "j.fmt"), 1);
  EXPECT_FALSE(Exists(dir / "j.fmt"));
  EXPECT_EQ(TransSingleFileImpl(Src(FileStarting({0x54, 0x33}), "t"), dir / "t.fmt"), 1);
  EXPECT_EQ(g_tax3Calls, 1);
}

TEST_F(Drivers, TransSingleFileSavesUnfilteredAndReportsASaveFailure) {
  Tables().MaskedCodeList = {0x8B06};
  std::string src = Src(GoldenFile()), dst = dir / "out.fmt";
  EXPECT_EQ(TransSingleFileImpl(src, dst), 0);
  EXPECT_EQ(Hex(ReadFile(dst)), Hex(GoldenOutput()));
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(TransSingleFileImpl(src, dir / "second.fmt"), 1);
  EXPECT_FALSE(Exists(dir / "second.fmt"));
}

// ------------------------------------------------------------------ FilteredSave

class Filter : public Drivers {
 protected:
  Bytes Save(const Bytes& stream) {
    MemStream m(stream);
    std::string dst = dir / "f.out";
    EXPECT_TRUE(FilteredSave(m, dst));
    return ReadFile(dst);
  }
};

TEST_F(Filter, MaskedCodeIsLeftOutButNeverTheHeader) {
  Tables().MaskedCodeList = {0x0105, 0xA66A};
  Bytes header = HexBytes("A6 6A 01 05");
  header.resize(52);
  Bytes s = Cat({header, Concat({R("01 05 11"), R("01 06 22"), R("05 01 33")})});
  Bytes want = Cat({header, Concat({R("01 06 22"), R("05 01 33")})});
  EXPECT_EQ(Hex(Save(s)), Hex(want));
}

TEST_F(Filter, ContinuationFollowsItsLeadRecord) {
  Bytes header(52, 0x00);
  Bytes s = Cat({header, Concat({R("83 01 01"), R("01 05 02"), R("83 02 03"), R("83 01 04"),
                                 R("80 0A 05")})});
  // 8301h masked: the lead and its continuation go together.
  Tables().MaskedCodeList = {0x8301};
  EXPECT_EQ(Hex(Save(s)), Hex(Cat({header, Concat({R("83 02 03"), R("83 01 04"), R("80 0A 05")})})));
  // 8301h kept: the continuation is written though its own code is masked.
  Tables().MaskedCodeList = {0x0105, 0x8301 + 1, 0x800A};
  EXPECT_EQ(Hex(Save(s)), Hex(Cat({header, Concat({R("83 01 01"), R("01 05 02")})})));
}

TEST_F(Filter, ShortStreamsAndShortLastRecord) {
  Tables().MaskedCodeList = {0x9999};
  EXPECT_EQ(Save({}), Bytes{});
  EXPECT_EQ(Save(Bytes(30, 0x07)), Bytes(30, 0x07));  // shorter than the header
  Bytes header(52, 0x00);
  Bytes rec = Concat({R("01 02 03")});
  Bytes s = Cat({header, rec, Bytes{0x44, 0x55, 0x66}});
  EXPECT_EQ(Save(s), s);
  // A lead record at the very end, and a short continuation.
  Bytes lead = Concat({R("83 01")});
  Bytes s2 = Cat({header, lead});
  EXPECT_EQ(Save(s2), s2);
  Bytes s3 = Cat({header, lead, Bytes{0x99, 0x99}});
  EXPECT_EQ(Save(s3), s3);
  Tables().MaskedCodeList = {0x8301};
  EXPECT_EQ(Save(s3), header);
  // A one-byte last record has the code byte 0 x 256.
  Tables().MaskedCodeList = {0x0700};
  EXPECT_EQ(Save(Cat({header, Bytes{0x07}})), header);
}

TEST_F(Filter, EmptyMaskListKeepsEverything) {
  Bytes s = Cat({Bytes(52, 0x01), Concat({R("83 01"), R("83 02"), R("00 00")}), Bytes{1, 2}});
  EXPECT_EQ(Save(s), s);
}

// ------------------------------------------------------------------ ring files

class Ring : public Drivers {
 protected:
  // 64-byte header (A0 A1, write position at 8..10) and n data bytes 0, 1, 2...
  Bytes RingFile(int n, int64_t p) {
    Bytes b = FileStarting({0xA0, 0xA1}, 64 + n);
    b[8] = static_cast<uint8_t>(p);
    b[9] = static_cast<uint8_t>(p >> 8);
    b[10] = static_cast<uint8_t>(p >> 16);
    for (int i = 0; i < n; ++i) b[64 + i] = static_cast<uint8_t>(i);
    return b;
  }
  Bytes Unroll(const Bytes& in, int32_t expect = 0) {
    std::string src = Src(in), dst = dir / "ring.out";
    EXPECT_EQ(RingUnroll(src, dst), expect);
    return ReadFile(dst);
  }
};

TEST_F(Ring, PositionZeroKeepsTheFile) {
  Bytes f = RingFile(100, 0);
  EXPECT_EQ(Unroll(f), f);
}

TEST_F(Ring, RotationAtThirty) {
  Bytes f = RingFile(100, 30);
  Bytes want(f.begin(), f.begin() + 64);
  for (int i = 30; i < 100; ++i) want.push_back(static_cast<uint8_t>(i));
  for (int i = 0; i < 30; ++i) want.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(Hex(Unroll(f)), Hex(want));
}

TEST_F(Ring, PositionsOutsideTheDataAreaKeepTheFile) {
  // past the file size; inside the 64-byte gap between the data area's end
  // and the file size; and exactly at the file size
  for (int64_t p : {1000, 0x123456, 101, 130, 164}) {
    Bytes f = RingFile(100, p);
    EXPECT_EQ(Unroll(f), f) << p;
  }
  // At the end of the data area: the whole data area is the older part.
  Bytes f = RingFile(100, 100);
  EXPECT_EQ(Unroll(f), f);
  Bytes g = RingFile(100, 99);
  Bytes out = Unroll(g);
  EXPECT_EQ(out[64], 99);
  EXPECT_EQ(out[65], 0);
}

TEST_F(Ring, ShortFilesAndLargeFiles) {
  Bytes tiny = FileStarting({0xA0, 0xA1}, 40);
  Bytes padded = FileStarting({0xA0, 0xA1}, 64);
  EXPECT_EQ(Unroll(tiny), padded);  // always a whole header
  Bytes big = RingFile(0, 0);
  for (int i = 0; i < 10000; ++i) big.push_back(static_cast<uint8_t>(i * 7));
  big[8] = 0x10;
  big[9] = 0x27;  // 10000: the end of the data area
  EXPECT_EQ(Unroll(big), big);
  big[8] = 0x88;
  big[9] = 0x13;  // 5000
  Bytes out = Unroll(big);
  ASSERT_EQ(out.size(), big.size());
  EXPECT_TRUE(std::equal(big.begin() + 64 + 5000, big.end(), out.begin() + 64));
  EXPECT_TRUE(std::equal(big.begin() + 64, big.begin() + 64 + 5000, out.begin() + 64 + 5000));
}

TEST_F(Ring, UnloadableSourceIsMinus5) {
  EXPECT_EQ(RingUnroll(dir / "missing", dir / "ring.out"), -5);
  EXPECT_FALSE(Exists(dir / "ring.out"));
}

TEST_F(Ring, SaveFailureIsMinus4) {
  std::string src = Src(RingFile(100, 30));
  EXPECT_EQ(RingUnroll(src, dir / "no/such/ring.out"), -4);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(RingUnroll(src, dir / "ring.out"), -4);
  EXPECT_FALSE(Exists(dir / "ring.out"));
}

// ------------------------------------------------------------------ CopyStreamRange

TEST(CopyStreamRange, CopiesInBlocksAndZeroFillsPastTheEnd) {
  Bytes src(5000);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 13);
  MemStream from(src), to;
  EXPECT_EQ(CopyStreamRange(from, to, 100, 4500), 0);
  EXPECT_TRUE(std::equal(src.begin() + 100, src.begin() + 4600, to.Data().begin()));
  MemStream small(Bytes{1, 2, 3}), out;
  EXPECT_EQ(CopyStreamRange(small, out, 1, 4), 0);
  EXPECT_EQ(out.Data(), (Bytes{2, 3, 0, 0}));
  EXPECT_EQ(CopyStreamRange(small, out, 0, 0), 0);
  EXPECT_EQ(CopyStreamRange(small, out, 0, -5), 0);
  EXPECT_EQ(CopyStreamRange(small, out, -1, 2), -1);
  EXPECT_EQ(out.Size(), 4u);
}

// A ring file of 40 bytes (shorter than the 64-byte header, but long enough
// to be classified): the header copy always writes 64 bytes, the bytes past
// the end of the file coming out as zeros; the write position 0 adds nothing.
TEST_F(Drivers, RingFileShorterThanItsHeaderIsPaddedToAFullHeader) {
  Bytes in(40, 0x00);
  in[0] = 0xA0;
  in[1] = 0xA1;
  in[2] = 0x11;
  in[39] = 0x77;
  const std::string src = dir / "short.rng", dst = dir / "short.out";
  WriteFile(src, in);
  ASSERT_EQ(FileType(src), RAILFMT_TYPE_RING);
  EXPECT_EQ(RingUnroll(src, dst), 0);
  Bytes want = {0xA0, 0xA1, 0x11};
  want.resize(39, 0x00);
  want.push_back(0x77);
  want.resize(64, 0x00);
  EXPECT_EQ(Hex(ReadFile(dst)), Hex(want));
}

}  // namespace
