// The single-file drivers, the savers and the ring unrolling.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>

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
      R("B0 F0 00 01 01 00 00 00 00 00 00 00 00 0C 22 00 00 00 00 00 00 00 00 03 01 01"), R("B0 01 1A 0C 06 08 1E 00"),
      R("81 24 08 1E 00 00"), R("81 25 08 1E 00 00 00 00"), R("81 15 08 1E 00 05"), R("81 05 08 1E 00 00 00"),
      R("81 06 08 1E 00 00 00 35 2D 30 20 20 20 20 20"), R("81 11 08 1E 00 00 00 30 20 20 20 20 20 20 20"),
      R("81 04 08 1E 00 00 00 30 20 20 20 20 20 20 20"), R("81 0F"), R("81 10"), R("81 09"), R("81 0A"), R("81 0B"),
      R("81 0C"), R("81 0D"), R("81 0E"), R("81 03"), R("81 22"), R("81 21"), R("81 23"), R("91 01"), R("91 02"),
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
  std::copy(first.begin(), first.end(), b.begin());
  return b;
}

// Bytes a, a + 1, .. b - 1.
Bytes Seq(int a, int b) {
  Bytes s;
  for (int i = a; i < b; ++i) s.push_back(static_cast<uint8_t>(i));
  return s;
}

// A ring file: 64-byte header (A0 A1, write position p at 8..10), then the data.
Bytes RingFile(int64_t p, const Bytes& data) {
  Bytes b = FileStarting({0xA0, 0xA1, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8),
                          static_cast<uint8_t>(p >> 16)});
  return Cat({b, data});
}

class Drivers : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
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
  void Throwing() {
    Converters().l2000 = ThrowingL2000;
    Converters().lkj93 = ThrowingLkj93;
    Converters().jk2h = ThrowingJk2h;
    Converters().tax3 = ThrowingTax3;
  }
  TempDir dir;
};

// ------------------------------------------------------------------ golden

// Both entries write the hand-made formatted file; NewFmtFile leaves the
// masked codes out (the state change and F2 here), TransSingleFile does not.
TEST_F(Drivers, GoldenFileThroughBothEntries) {
  std::string src = Src(GoldenFile());
  ASSERT_EQ(NewFmtFileImpl(src, dir / "a.fmt"), 0);
  EXPECT_EQ(Hex(ReadFile(dir / "a.fmt")), Hex(GoldenOutput()));
  ASSERT_EQ(TransSingleFileImpl(src, dir / "b.fmt"), 0);
  EXPECT_EQ(Hex(ReadFile(dir / "b.fmt")), Hex(GoldenOutput()));

  Tables().MaskedCodeList = {0x8B06, 0x8763};
  const Bytes want = GoldenOutput();
  const std::size_t sc = 52 + 28 * 26;
  Bytes filtered(want.begin(), want.begin() + sc);
  filtered.insert(filtered.end(), want.begin() + sc + 26, want.begin() + sc + 52);
  filtered.insert(filtered.end(), want.begin() + sc + 78, want.end());
  ASSERT_EQ(NewFmtFileImpl(src, dir / "c.fmt"), 0);
  EXPECT_EQ(Hex(ReadFile(dir / "c.fmt")), Hex(filtered));
  ASSERT_EQ(TransSingleFileImpl(src, dir / "d.fmt"), 0);
  EXPECT_EQ(Hex(ReadFile(dir / "d.fmt")), Hex(want));
}

// ------------------------------------------------------------------ result codes

// NewFmtFile: -1 no source, -2 unknown type, -3 a converter failed, -4 the
// save failed; types it does not convert give an empty file. TransSingleFile:
// 1 for all of these, writing nothing. A failed conversion never leaves a
// destination (an existing one is kept), a failed save none either.
TEST_F(Drivers, ResultsByTypeAndFailure) {
  Converters().tax3 = CountingTax3;
  Converters().jk2h = EchoJk2h;
  Converters().lkj93 = EchoLkj93;
  const Bytes jk2h = FileStarting({0xA4, 0x00, 0x00, 0x00, 0x00, 0xA0}), lkj93 = FileStarting({0xFF, 0x01});
  const Bytes ring = RingFile(30, Seq(0, 100));
  const Bytes unrolled = Cat({Bytes(ring.begin(), ring.begin() + 64), Seq(30, 100), Seq(0, 30)});
  const Bytes none = {0xEE};  // no destination
  const struct {
    const char* name;
    Bytes content;  // empty: no source
    int32_t newFmt, trans;
    Bytes newOut;
  } cases[] = {
      {"missing", {}, -1, 1, none},
      {"unknown", FileStarting({0x12, 0x34}), -2, 1, {}},
      {"jk96", FileStarting({0xA2, 0x00}), 0, 0, {}},
      {"fmt-a6", FileStarting({0xA6, 0x6A}), 0, 0, {}},
      {"fmt-a5", FileStarting({0xA5, 0x5A}), 0, 0, {}},
      {"tax3", FileStarting({0x54, 0x33}), 0, 0, {}},
      {"jk2h", jk2h, 0, 0, jk2h},
      {"lkj93", lkj93, 0, 0, lkj93},
      {"ring, unfiltered", ring, 0, 1, unrolled},
  };
  Tables().MaskedCodeList = {0xA0A1, 0xA400, 0xFF01};
  for (const auto& c : cases) {
    std::string src = c.content.empty() ? dir / "nothing" : Src(c.content, c.name);
    std::string a = dir / (std::string(c.name) + ".a"), b = dir / (std::string(c.name) + ".b");
    EXPECT_EQ(NewFmtFileImpl(src, a), c.newFmt) << c.name;
    EXPECT_EQ(Exists(a) ? Hex(ReadFile(a)) : Hex(none), Hex(c.newOut)) << c.name;
    if (std::string(c.name).rfind("jk", 0) == 0 || std::string(c.name) == "lkj93") continue;
    EXPECT_EQ(TransSingleFileImpl(src, b), c.trans) << c.name;
    EXPECT_FALSE(Exists(b)) << c.name;
  }
  EXPECT_EQ(NewFmtFileImpl(dir.path, dir / "f.fmt"), -1);  // a folder is no file
  EXPECT_EQ(g_tax3Calls, 2);

  Throwing();
  g_tax3Calls = 0;
  const std::string dst = dir / "out.fmt";
  WriteFile(dst, {1, 2, 3});
  EXPECT_EQ(NewFmtFileImpl(Src(GoldenFile(), "l"), dst), -3);
  EXPECT_EQ(ReadFile(dst), Bytes({1, 2, 3}));
  EXPECT_EQ(TransSingleFileImpl(Src(GoldenFile(), "l"), dst), 1);
  EXPECT_EQ(ReadFile(dst), Bytes({1, 2, 3}));
  const std::pair<const char*, Bytes> failing[] = {{"k", FileStarting({0xFF})}, {"j", jk2h}, {"t", FileStarting({0x54, 0x33})},
                 {"k2", FileStarting({0xB0, 0x00})}, {"j2", FileStarting({0xA2, 0, 0, 0, 0, 0, 0xA0})}};
  for (const auto& [name, content] : failing) {
    const std::string s = Src(content, name);
    EXPECT_EQ(NewFmtFileImpl(s, dir / "x.fmt"), -3) << name;
    EXPECT_EQ(TransSingleFileImpl(s, dir / "y.fmt"), 1) << name;
    EXPECT_FALSE(Exists(dir / "x.fmt") || Exists(dir / "y.fmt")) << name;
  }
  EXPECT_EQ(g_tax3Calls, 2);
}

TEST_F(Drivers, SaveFailuresLeaveNoDestination) {
  std::string src = Src(GoldenFile()), ringSrc = Src(RingFile(30, Seq(0, 100)), "ring");
  EXPECT_EQ(NewFmtFileImpl(src, dir / "missing/out.fmt"), -4);
  EXPECT_FALSE(Exists(dir / "missing"));
  EXPECT_EQ(NewFmtFileImpl(src, dir.path), -4);  // the destination is a folder
  EXPECT_EQ(RingUnroll(ringSrc, dir / "no/such/ring.out"), -4);
  EXPECT_EQ(RingUnroll(dir / "missing", dir / "ring.out"), -5);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(NewFmtFileImpl(src, dir / "out.fmt"), -4);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(TransSingleFileImpl(src, dir / "out.fmt"), 1);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(NewFmtFileImpl(ringSrc, dir / "out.fmt"), -4);
  platform::Hooks().fail_saves = 1;
  EXPECT_EQ(RingUnroll(ringSrc, dir / "out.fmt"), -4);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);  // the sources only
}

// ------------------------------------------------------------------ FilteredSave

// A masked code is left out, never the header; a continuation record (83 02)
// follows its lead (83 01) whatever its own code; short streams and short
// last records are kept as they are.
TEST_F(Drivers, FilteredSave) {
  Bytes header(52, 0x00), a66a = HexBytes("A6 6A 01 05");
  a66a.resize(52);
  const Bytes chain = Concat({R("83 01 01"), R("01 05 02"), R("83 02 03"), R("83 01 04"), R("80 0A 05")});
  const Bytes lead = Concat({R("83 01")});
  const struct {
    std::vector<uint16_t> mask;
    Bytes stream, expect;  // no expectation: the stream itself
  } cases[] = {
      {{0x0105, 0xA66A}, Cat({a66a, Concat({R("01 05 11"), R("01 06 22"), R("05 01 33")})}),
       Cat({a66a, Concat({R("01 06 22"), R("05 01 33")})})},
      {{0x8301}, Cat({header, chain}), Cat({header, Concat({R("83 02 03"), R("83 01 04"), R("80 0A 05")})})},
      {{0x0105, 0x8302, 0x800A}, Cat({header, chain}), Cat({header, Concat({R("83 01 01"), R("01 05 02")})})},
      {{}, Cat({Bytes(52, 0x01), Concat({R("83 01"), R("83 02"), R("00 00")}), Bytes{1, 2}}), {}},
      {{0x9999}, Bytes(30, 0x07), {}},
      {{0x9999}, Cat({header, Concat({R("01 02 03")}), Bytes{0x44, 0x55, 0x66}}), {}},
      {{0x9999}, Cat({header, lead}), {}},
      {{0x9999}, Cat({header, lead, Bytes{0x99, 0x99}}), {}},
      {{0x9999}, {}, {}},
      {{0x8301}, Cat({header, lead, Bytes{0x99, 0x99}}), header},
      {{0x0700}, Cat({header, Bytes{0x07}}), header},  // a one-byte last record is code 07 00
  };
  for (const auto& c : cases) {
    Tables().MaskedCodeList = c.mask;
    MemStream m(c.stream);
    ASSERT_TRUE(FilteredSave(m, dir / "f.out"));
    EXPECT_EQ(Hex(ReadFile(dir / "f.out")), Hex(c.expect.empty() ? c.stream : c.expect));
  }
}

// ------------------------------------------------------------------ ring files

// The older part from the write position to the end of the data, then the
// newer part; a position outside the data area (past it, in the last 64
// bytes of the file, at its end) keeps the order; a file shorter than the
// header still gives a whole header.
TEST_F(Drivers, RingUnroll) {
  const Bytes data = Seq(0, 100);
  Bytes big(10000);
  for (int i = 0; i < 10000; ++i) big[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 7);
  Bytes tiny = FileStarting({0xA0, 0xA1, 0x11}, 40);
  tiny[39] = 0x77;
  const struct {
    Bytes in, expect;
  } cases[] = {
      {RingFile(0, data), RingFile(0, data)},
      {RingFile(30, data), Cat({RingFile(30, {}), Seq(30, 100), Seq(0, 30)})},
      {RingFile(99, data), Cat({RingFile(99, {}), Seq(99, 100), Seq(0, 99)})},
      {RingFile(100, data), RingFile(100, data)},
      {RingFile(101, data), RingFile(101, data)},
      {RingFile(130, data), RingFile(130, data)},
      {RingFile(164, data), RingFile(164, data)},
      {RingFile(0x123456, data), RingFile(0x123456, data)},
      {RingFile(10000, big), RingFile(10000, big)},
      {RingFile(5000, big), Cat({RingFile(5000, {}), Bytes(big.begin() + 5000, big.end()), Bytes(big.begin(), big.begin() + 5000)})},
      {tiny, Cat({tiny, Bytes(24, 0x00)})},
  };
  for (const auto& c : cases) {
    const std::string src = Src(c.in);
    ASSERT_EQ(RingUnroll(src, dir / "ring.out"), 0);
    EXPECT_EQ(Hex(ReadFile(dir / "ring.out")), Hex(c.expect)) << c.in.size();
  }
  EXPECT_EQ(FileType(Src(tiny)), RAILFMT_TYPE_RING);
}

}  // namespace
