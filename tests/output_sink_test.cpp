// Output written while the conversion runs: the single-file exports give the
// same bytes whether the output reaches the file at the end or in blocks, on
// a writer thread or on the caller's, with or without masked codes; no thread
// outlives a call. (Faults met while writing: faults_test.cpp.)
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

namespace fs = std::filesystem;
using sample::Kind;

bool HasTemporaryFile(const std::string& dir) {
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().string().find(".railfmt-tmp") != std::string::npos) return true;
  return false;
}

class OutputSinkTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    platform::Hooks() = platform::TestHooks();
    ResetConverters();
    Tables().MaskedCodeList.clear();
  }
  // The output as it was written before it streamed: the whole conversion
  // in memory, then one save.
  Bytes Reference(const std::string& src, int32_t type, bool masked) {
    std::vector<uint8_t> raw;
    EXPECT_TRUE(platform::LoadFile(src, raw));
    MemStream in(std::move(raw)), out;
    switch (type) {
      case RAILFMT_TYPE_L2000: ConvertL2000(in, out, src); break;
      case RAILFMT_TYPE_LKJ93: ConvertLKJ93(in, out, 0); break;
      case RAILFMT_TYPE_JK2H: ConvertJK2H(in, out); break;
    }
    const std::string ref = dir / "reference";
    EXPECT_TRUE(masked ? FilteredSave(out, ref) : PlainSave(out, ref));
    return ReadFile(ref);
  }
  TempDir dir;
};

struct Kinds {
  Kind kind;
  int32_t type;
};
constexpr Kinds kKinds[] = {{Kind::L2000, RAILFMT_TYPE_L2000},
                            {Kind::L2000Old, RAILFMT_TYPE_L2000},
                            {Kind::LKJ93, RAILFMT_TYPE_LKJ93},
                            {Kind::JK2H, RAILFMT_TYPE_JK2H}};
// Blocks: as configured (the whole output at the end for these sizes), a
// few records, not a whole number of records, one byte.
constexpr std::size_t kBlocks[] = {0, 4096, 26 * 5 + 3, 1};

// Masks that hit: a code with a continuation record, and two codes of the
// output's first records.
std::vector<uint16_t> MaskFor(const Bytes& plain) {
  std::vector<uint16_t> codes = {0x8301, 0x8302};
  for (std::size_t at : {kHeaderSize + 26 * 3, kHeaderSize + 26 * 40})
    if (at + 2 <= plain.size()) codes.push_back(static_cast<uint16_t>(plain[at] << 8 | plain[at + 1]));
  return codes;
}

TEST_F(OutputSinkTest, SameBytesEveryWay) {
  const int threadsBefore = ThreadCount();
  for (const Kinds& k : kKinds) {
    const std::string src = dir / "raw";
    const Bytes raw = sample::GenerateSample(k.kind, 3, 2500);
    WriteFile(src, raw);
    const Bytes plain = Reference(src, k.type, false);
    Tables().MaskedCodeList = MaskFor(plain);
    const Bytes filtered = Reference(src, k.type, true);
    ASSERT_LT(filtered.size(), plain.size()) << sample::KindName(k.kind);
    for (int writer : {1, 2}) {
      for (std::size_t block : kBlocks) {
        platform::Hooks().writer = writer;
        platform::Hooks().write_block = block;
        const std::string what = std::string(sample::KindName(k.kind)) + " writer " + std::to_string(writer) +
                                 " block " + std::to_string(block);
        const std::string dst = dir / "out";
        Tables().MaskedCodeList = MaskFor(plain);
        EXPECT_EQ(NewFmtFileImpl(src, dst), 0) << what;
        EXPECT_EQ(ReadFile(dst), filtered) << what;
        Tables().MaskedCodeList.clear();
        EXPECT_EQ(NewFmtFileImpl(src, dst), 0) << what;
        EXPECT_EQ(ReadFile(dst), plain) << what;
        fs::remove(dst);
        EXPECT_EQ(TransSingleFileImpl(src, dst), 0) << what;
        EXPECT_EQ(ReadFile(dst), plain) << what;
        WriteFile(dst, raw);  // a source replaced by its conversion
        EXPECT_EQ(NewFmtFileImpl(dst, dst), 0) << what;
        EXPECT_EQ(ReadFile(dst), plain) << what;
        EXPECT_FALSE(HasTemporaryFile(dir.path)) << what;
        EXPECT_EQ(ThreadCount(), threadsBefore) << what;
      }
    }
  }
}

// Masked codes, as the records reach the file: the 52-byte header is never
// filtered, a lead record 8301h/8302h and its continuation go together, and
// a short last record is kept with the bytes it has. A converter that
// changes records after they went out (none does today) has them written
// as they end up.
struct FilterRow {
  const char* name;
  std::vector<uint16_t> masked;
  std::vector<const char*> records, kept;  // after the header
  const char* tail, *keptTail;             // bytes after the last whole record
  std::vector<const char*> rewritten = {};  // written again over the first records at the end
};
const FilterRow kFilterRows[] = {
    {"masked code left out", {0x0105}, {"01 05 01", "80 08 02", "01 05 03"}, {"80 08 02"}, "", ""},
    {"masked lead takes its continuation", {0x8301}, {"83 01 01", "80 08 02", "80 09 03"}, {"80 09 03"}, "", ""},
    {"kept lead keeps its masked continuation", {0x8008},
     {"80 08 01", "83 02 02", "80 08 03", "80 08 04", "83 01 05", "80 08 06"},
     {"83 02 02", "80 08 03", "83 01 05", "80 08 06"}, "", ""},
    {"short last record of one byte", {0x8101}, {"80 08 01"}, {"80 08 01"}, "81", "81"},
    {"short last record of a masked code", {0x8101}, {"80 08 01"}, {"80 08 01"}, "81 01", ""},
    {"records changed after they went out", {}, {"80 08 01", "80 08 02", "80 08 03", "80 08 04"},
     {"80 09 01", "80 09 02", "80 08 03", "80 08 04"}, "", "", {"80 09 01", "80 09 02"}},
    {"records changed into a masked lead", {0x8301}, {"80 08 01", "80 08 02", "80 08 03", "80 08 04"},
     {"80 08 03", "80 08 04"}, "", "", {"83 01 01"}},
};
const FilterRow* g_row = nullptr;

Bytes Output(const std::vector<const char*>& records, const char* tail) {
  Bytes b = Cat({HexBytes("01 05 AA"), Bytes(23), HexBytes("83 01 BB"), Bytes(23)});  // header
  for (const char* r : records) {
    const Rec26 rec = R(r);
    b.insert(b.end(), rec.begin(), rec.end());
  }
  const Bytes t = HexBytes(tail);
  b.insert(b.end(), t.begin(), t.end());
  return b;
}

void WritesTheOutput(MemStream&, MemStream& out, const std::string&) {
  const Bytes b = Output(g_row->records, g_row->tail), again = Output(g_row->rewritten, "");
  out.Write(b.data(), b.size());
  out.Seek(kHeaderSize);
  out.Write(again.data() + kHeaderSize, again.size() - kHeaderSize);
  out.Seek(b.size());
}

TEST_F(OutputSinkTest, MaskedCodesLeftOut) {
  const std::string src = dir / "raw";
  WriteFile(src, Cat({HexBytes("B0 F0"), Bytes(62)}));
  for (const FilterRow& row : kFilterRows) {
    for (int writer : {1, 2}) {
      Reset();
      g_row = &row;
      Converters().l2000 = WritesTheOutput;
      Tables().MaskedCodeList = row.masked;
      platform::Hooks().writer = writer;
      platform::Hooks().write_block = writer == 2 ? 27 : 0;
      EXPECT_EQ(NewFmtFileImpl(src, dir / "out"), 0) << row.name;
      EXPECT_EQ(Hex(ReadFile(dir / "out")), Hex(Output(row.kept, row.keptTail))) << row.name << ", writer " << writer;
    }
  }
}

// How many threads the process has once the conversion is over (its output
// has gone out in blocks by then).
int g_threadsDuring = 0;
void CountsThreads(MemStream& in, MemStream& out, const std::string& src) {
  ConvertL2000(in, out, src);
  g_threadsDuring = ThreadCount();
}

struct WriterCase {
  int hook;         // TestHooks::writer
  const char* env;  // RAILFMT_THREADS, nullptr: unset
  int extra;        // threads running while the conversion runs
};
constexpr WriterCase kWriterCases[] = {
    {1, nullptr, 0}, {2, nullptr, 1}, {2, "0", 1}, {0, nullptr, 1}, {0, "0", 0}, {0, "1", 1}, {0, "", 1},
};

TEST_F(OutputSinkTest, WriterThreadOnlyWhereWanted) {
  const std::string src = dir / "raw";
  WriteFile(src, sample::GenerateSample(Kind::L2000, 8, 1500));
  const int before = ThreadCount();
  for (const WriterCase& c : kWriterCases) {
    Reset();
    if (c.env) ::setenv("RAILFMT_THREADS", c.env, 1);
    else ::unsetenv("RAILFMT_THREADS");
    platform::Hooks().writer = c.hook;
    platform::Hooks().write_block = 1000;
    Converters().l2000 = CountsThreads;
    g_threadsDuring = -1;
    EXPECT_EQ(NewFmtFileImpl(src, dir / "out"), 0);
    EXPECT_EQ(g_threadsDuring, before + c.extra) << c.hook << " " << (c.env ? c.env : "unset");
    EXPECT_EQ(ThreadCount(), before);
  }
  ::unsetenv("RAILFMT_THREADS");
}

}  // namespace
}  // namespace railfmt::test
