#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "format/stream.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "interface/workflow.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "support/testkit.h"

using namespace railfmt::test;
namespace fs = std::filesystem;
using railfmt::ParseDateCode;

namespace {

// Raw files of each kind, 64 bytes, told apart by their first bytes.
Bytes Raw(std::initializer_list<std::pair<int, uint8_t>> set) {
  Bytes b(64);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(0x11 + i % 0x40);
  for (auto [pos, v] : set) b[pos] = v;
  return b;
}
const Bytes kJK2H = Raw({{0, 0xA4}, {5, 0xA0}});
const Bytes kJK96 = Raw({{0, 0xA4}, {5, 0x00}, {6, 0x00}});
const Bytes kLKJ93 = Raw({{0, 0xFF}});
const Bytes kL2000 = Raw({{0, 0xB0}, {1, 0xF0}});
const Bytes kFormatted = Raw({{0, 0xA6}, {1, 0x6A}});
const Bytes kUnknown = Raw({{0, 0x12}});

enum class Saver { Plain, Filtered };

// What the drivers make of the raw bytes: the reference the work output is
// held against.
Bytes Reference(const Bytes& raw, Saver saver, void (*convert)(railfmt::MemStream&,
                                                               railfmt::MemStream&)) {
  TempDir t;
  railfmt::MemStream in(raw), out;
  convert(in, out);
  if (saver == Saver::Plain) railfmt::PlainSave(out, t / "ref");
  else railfmt::FilteredSave(out, t / "ref");
  return ReadFile(t / "ref");
}
void JK2H(railfmt::MemStream& i, railfmt::MemStream& o) { railfmt::ConvertJK2H(i, o); }
void LKJ93Option1(railfmt::MemStream& i, railfmt::MemStream& o) {
  railfmt::ConvertLKJ93(i, o, 1);
}
void L2000(railfmt::MemStream& i, railfmt::MemStream& o) { railfmt::ConvertL2000(i, o, "X.CV"); }

std::vector<std::string> Files(const std::string& root) {
  std::vector<std::string> v;
  if (!fs::exists(root)) return v;
  for (auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) v.push_back(fs::relative(e.path(), root).string());
  std::sort(v.begin(), v.end());
  return v;
}
using Names = std::vector<std::string>;

class Workflow : public ::testing::Test {
 protected:
  void SetUp() override {
    D = t / "down";
    W = t / "work";
    A = t / "arch";
    fs::create_directory(D);
  }
  void TearDown() override {
    railfmt::platform::Hooks() = {};
    railfmt::ResetConverters();
  }
  int32_t Run(const std::string& fn, uint8_t option = 0) {
    return railfmt::TransFmtFileImpl(fn, D, W, A, option);
  }
  void Put(const std::string& fn, const Bytes& b) { WriteFile(D + "/" + fn, b); }
  void ReadOnly(const std::string& fn) { ::chmod((D + "/" + fn).c_str(), 0444); }

  TempDir t;
  std::string D, W, A;
};

}  // namespace

TEST(ParseDateCode, ShortAndLongForms) {
  struct Case {
    const char* name;
    bool dated;
    int month, day;
  } cases[] = {
      {"X.37", true, 3, 7},        {"X.CV", true, 12, 31},     {"x.cv", true, 12, 31},
      {"X.A1", true, 10, 1},       {"X.37ZZ", true, 3, 7},     {"X.D1", false, 0, 0},
      {"X.3W", false, 0, 0},       {"X.07", false, 0, 0},      {"X.30", false, 0, 0},
      {"AB.1", false, 0, 0},       {"ABC", false, 0, 0},       {"NOEXT", false, 0, 0},
      {"A-B.0230", true, 2, 30},   {"A-B.2U", true, 2, 30},    {"A-B.1231x", true, 12, 31},
      {"A-B.1301", false, 0, 0},   {"A-B.0132", false, 0, 0},  {"A-B.0000", false, 0, 0},
      {"A-B.03X7", false, 0, 0},   {"AB.0307", false, 0, 0},   {"A-B.37", true, 3, 7},
      {"a.b-c.37", true, 3, 7},
  };
  for (const Case& c : cases) {
    auto d = ParseDateCode(c.name);
    EXPECT_EQ(d.dated, c.dated) << c.name;
    EXPECT_EQ(d.month, c.month) << c.name;
    EXPECT_EQ(d.day, c.day) << c.name;
  }
}

TEST_F(Workflow, JK2HShortFormConvertedAndArchived) {
  Put("X.37", kJK2H);
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(Files(D), Names{});
  EXPECT_EQ(Files(W), Names{"TEMP/X.37F"});
  EXPECT_EQ(ReadFile(W + "/TEMP/X.37F"), Reference(kJK2H, Saver::Plain, JK2H));
  EXPECT_EQ(Files(A), Names{"JK2H/0307/X.37"});
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
}

TEST_F(Workflow, L2000ThirtyFirstOfDecember) {
  Put("X.CV", kL2000);
  EXPECT_EQ(Run("X.CV"), 12310);
  EXPECT_EQ(ReadFile(W + "/TEMP/X.CVF"), Reference(kL2000, Saver::Filtered, L2000));
  EXPECT_EQ(Files(A), Names{"L2000/1231/X.CV"});
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, UndatedNamesGoToNouse) {
  for (const char* fn : {"X.D1", "X.3W", "AB.1"}) {
    Put(fn, kJK2H);
    EXPECT_EQ(Run(fn), 1) << fn;
  }
  EXPECT_EQ(Files(A), (Names{"nouse/AB.1", "nouse/X.3W", "nouse/X.D1"}));
  EXPECT_EQ(Files(D), Names{});
  EXPECT_FALSE(fs::exists(W));
}

TEST_F(Workflow, LongFormRenamedWithoutCalendarCheck) {
  Put("A-B.0230", kLKJ93);
  EXPECT_EQ(Run("A-B.0230", 1), 2300);
  EXPECT_EQ(Files(A), Names{"LKJ93/0230/A-B.2U"});
  EXPECT_EQ(Files(W), Names{"TEMP/A-B.2UF"});
  EXPECT_EQ(ReadFile(W + "/TEMP/A-B.2UF"), Reference(kLKJ93, Saver::Plain, LKJ93Option1));
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, LongFormMonthInHexAndDayLetter) {
  Put("ABC-1.1225", kL2000);
  EXPECT_EQ(Run("ABC-1.1225"), 12250);
  EXPECT_EQ(Files(A), Names{"L2000/1225/ABC-1.CP"});
}

TEST_F(Workflow, FailedRenameKeepsTheLongName) {
  Put("A-B.0307", kJK96);
  Put("A-B.37", kJK96);  // the new name is taken
  EXPECT_EQ(Run("A-B.0307"), 3070);
  EXPECT_EQ(Files(A), Names{"JK96/0307/A-B.0307"});
  EXPECT_EQ(Files(D), Names{"A-B.37"});
}

TEST_F(Workflow, JK96ArchivedWithoutOutput) {
  Put("X.37", kJK96);
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(Files(A), Names{"JK96/0307/X.37"});
  EXPECT_TRUE(fs::is_directory(W + "/TEMP"));
  EXPECT_EQ(Files(W), Names{});
}

TEST_F(Workflow, FormattedFileMovedWithoutTheF) {
  Put("X.37", kFormatted);
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(Files(W), Names{"TEMP/X.37"});
  EXPECT_EQ(ReadFile(W + "/TEMP/X.37"), kFormatted);
  EXPECT_EQ(Files(A), Names{});
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, FormattedFileStaysWhenTheWorkFolderHoldsItsName) {
  fs::create_directories(W + "/TEMP");
  WriteFile(W + "/TEMP/X.37", kJK96);
  Put("X.37", kFormatted);
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(ReadFile(D + "/X.37"), kFormatted);
  EXPECT_EQ(ReadFile(W + "/TEMP/X.37"), kJK96);
}

TEST_F(Workflow, ReadOnlyLongFormIsRenamedAndArchived) {
  Put("A-B.0307", kJK2H);
  ReadOnly("A-B.0307");
  EXPECT_EQ(Run("A-B.0307"), 3070);
  EXPECT_EQ(Files(A), Names{"JK2H/0307/A-B.37"});
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, ReadOnlyShortFormIsArchivedButStays) {
  Put("X.37", kJK2H);
  ReadOnly("X.37");
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
  EXPECT_EQ(Files(D), Names{"X.37"});
  EXPECT_EQ(railfmt::platform::GetAttributes(D + "/X.37") & railfmt::platform::kAttrReadOnly,
            railfmt::platform::kAttrReadOnly);
}

TEST_F(Workflow, ExistingArchiveCopyIsReplaced) {
  fs::create_directories(A + "/JK2H/0307");
  WriteFile(A + "/JK2H/0307/X.37", Bytes(3, 0xEE));
  Put("X.37", kJK2H);
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
}

TEST_F(Workflow, DatedUnknownTypeGoesToNouse) {
  Put("X.37", kUnknown);
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(Files(A), Names{"nouse/X.37"});
  EXPECT_EQ(Files(D), Names{});
  EXPECT_FALSE(fs::exists(t / "X.37"));
  EXPECT_FALSE(fs::exists("/X.37"));
}

TEST_F(Workflow, NamesWithAFolderPartAreRefused) {
  WriteFile(t / "X.37", kJK2H);
  fs::create_directory(D + "/sub");
  WriteFile(D + "/sub/X.37", kJK2H);
  for (const char* fn : {"..\\X.37", "../X.37", "sub\\X.37", "sub/X.37", "..", ".", "", "...",
                         "\xB1\\..", "X\xB1\\"}) {
    EXPECT_EQ(Run(fn), 1) << fn;
  }
  EXPECT_EQ(ReadFile(t / "X.37"), kJK2H);
  EXPECT_EQ(Files(D), Names{"sub/X.37"});
  EXPECT_FALSE(fs::exists(A));
  EXPECT_FALSE(fs::exists(W));
}

TEST_F(Workflow, MissingSourceAnswersOne) {
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(Files(A), Names{});
}

TEST_F(Workflow, CarriedValuesAreReset) {
  auto& w = railfmt::legacy::Work();
  w.currentLine = 7;
  w.toggle = 1;
  w.counter1 = 11;
  w.counter2 = 12;
  railfmt::Lookups().RestrictionTolerance = 5;
  Put("X.D1", kJK96);
  Run("X.D1");
  EXPECT_EQ(w.currentLine, 255);
  EXPECT_EQ(w.toggle, 0);
  EXPECT_EQ(w.counter1, 0);
  EXPECT_EQ(w.counter2, 0);
  EXPECT_EQ(railfmt::Lookups().RestrictionTolerance, 0);
}

TEST_F(Workflow, ArchivingInPlaceKeepsTheFile) {
  // The host runs the workflow on a file already in its archive folder.
  D = A + "/JK96/0307";
  fs::create_directories(D);
  Put("X.37", kJK96);
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(ReadFile(D + "/X.37"), kJK96);
}

// ---- faults: no raw file is ever lost

TEST_F(Workflow, CopyFailingOnceIsRetried) {
  Put("X.37", kJK2H);
  railfmt::platform::Hooks().fail_copies = 1;
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, CopyFailingTwiceKeepsTheSource) {
  Put("X.37", kJK2H);
  railfmt::platform::Hooks().fail_copies = 2;
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(ReadFile(D + "/X.37"), kJK2H);
  EXPECT_EQ(Files(A), Names{});
}

TEST_F(Workflow, UndatedCopyFailingTwiceKeepsTheSource) {
  Put("X.D1", kJK2H);
  railfmt::platform::Hooks().fail_copies = 2;
  EXPECT_EQ(Run("X.D1"), 1);
  EXPECT_EQ(ReadFile(D + "/X.D1"), kJK2H);
}

TEST_F(Workflow, FolderCreationFailingKeepsTheSource) {
  Put("X.CV", kL2000);
  railfmt::platform::Hooks().fail_create_dirs = 2;  // TEMP and the archive folder
  EXPECT_EQ(Run("X.CV"), 1);
  EXPECT_EQ(ReadFile(D + "/X.CV"), kL2000);
  EXPECT_EQ(Files(A), Names{});

  Put("X.D1", kJK2H);
  railfmt::platform::Hooks().fail_create_dirs = 1;  // nouse
  EXPECT_EQ(Run("X.D1"), 1);
  EXPECT_EQ(ReadFile(D + "/X.D1"), kJK2H);
}

TEST_F(Workflow, FailedWorkOutputStillArchivesTheRawFile) {
  Put("X.37", kJK2H);
  railfmt::platform::Hooks().fail_saves = 1;
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(Files(W), Names{});
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
}

TEST_F(Workflow, FormattedMoveFailingKeepsTheSource) {
  Put("X.37", kFormatted);
  railfmt::platform::Hooks().fail_moves = 1;
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(ReadFile(D + "/X.37"), kFormatted);
}

TEST_F(Workflow, FailingConverterIsCaughtAndTheRawFileArchived) {
  railfmt::Converters().jk2h = [](railfmt::MemStream&, railfmt::MemStream& out) {
    out.Write("partial", 7);
    throw std::runtime_error("converter failure");
  };
  Put("X.37", kJK2H);
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(Files(W), Names{});
  EXPECT_EQ(ReadFile(A + "/JK2H/0307/X.37"), kJK2H);
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, FileNameIsWhatTheL2000ConverterIsGiven) {
  static std::string seen;
  railfmt::Converters().l2000 = [](railfmt::MemStream&, railfmt::MemStream&,
                                   const std::string& path) { seen = path; };
  Put("ABC-1.1225", kL2000);
  EXPECT_EQ(Run("ABC-1.1225"), 12250);
  EXPECT_EQ(seen, "ABC-1.CP");
}

TEST_F(Workflow, OptionByteReachesTheLKJ93Converter) {
  static int seen = -1;
  railfmt::Converters().lkj93 = [](railfmt::MemStream&, railfmt::MemStream&, uint8_t option) {
    seen = option;
  };
  Put("X.37", kLKJ93);
  EXPECT_EQ(Run("X.37", 0x5A), 3070);
  EXPECT_EQ(seen, 0x5A);
}

TEST_F(Workflow, ShortArchiveCopyIsRetried) {
  Put("X.37", kJK96);
  railfmt::platform::Hooks().short_copies = 1;
  EXPECT_EQ(Run("X.37"), 3070);
  EXPECT_EQ(ReadFile(A + "/JK96/0307/X.37"), kJK96);
  EXPECT_EQ(Files(D), Names{});
}

TEST_F(Workflow, ShortArchiveCopiesNeverCostTheSource) {
  Put("X.37", kJK96);
  railfmt::platform::Hooks().short_copies = 2;
  EXPECT_EQ(Run("X.37"), 1);
  EXPECT_EQ(ReadFile(D + "/X.37"), kJK96);
  EXPECT_EQ(ReadFile(A + "/JK96/0307/X.37").size(), kJK96.size() - 1);

  Put("Y.D1", kJK96);
  railfmt::platform::Hooks().short_copies = 1;
  railfmt::platform::Hooks().fail_copies = 1;
  EXPECT_EQ(Run("Y.D1"), 1);
  EXPECT_EQ(ReadFile(D + "/Y.D1"), kJK96);
}
