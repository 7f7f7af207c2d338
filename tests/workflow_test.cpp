// The folder workflow: the result the host is told, where the raw file and
// its output end up, and that no fault costs a raw file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "interface/drivers.h"
#include "interface/workflow.h"
#include "legacy/workarea.h"
#include "platform/platform.h"
#include "tables/bridge.h"
#include "support/testkit.h"

using namespace railfmt::test;
namespace fs = std::filesystem;
namespace platform = railfmt::platform;
using railfmt::MemStream;

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
const Bytes kOld = Bytes(3, 0xEE);

// What the single-file conversion makes of a raw file: the work output is
// held against it.
template <class F>
Bytes Converted(const Bytes& raw, F convert) {
  MemStream in(raw), out;
  convert(in, out);
  return out.Data();
}

// A file's content by name ("jk2h>" the conversion of jk2h, "short" one
// byte missing, "ro" read-only).
std::string Tag(const std::string& path) {
  static const std::vector<std::pair<std::string, Bytes>> known = {
      {"jk2h", kJK2H}, {"jk96", kJK96}, {"lkj93", kLKJ93}, {"l2000", kL2000}, {"fmt", kFormatted},
      {"unknown", kUnknown}, {"old", kOld},
      {"jk2h>", Converted(kJK2H, [](MemStream& i, MemStream& o) { railfmt::ConvertJK2H(i, o); })},
      {"lkj93>", Converted(kLKJ93, [](MemStream& i, MemStream& o) { railfmt::ConvertLKJ93(i, o, 0); })},
      {"l2000>", Converted(kL2000, [](MemStream& i, MemStream& o) { railfmt::ConvertL2000(i, o, "X.CV"); })}};
  const Bytes b = ReadFile(path);
  std::string tag = "?" + std::to_string(b.size());
  for (const auto& [name, bytes] : known) {
    if (b == bytes) tag = name;
    else if (b.size() + 1 == bytes.size() && std::equal(b.begin(), b.end(), bytes.begin())) tag = name + " short";
  }
  if (platform::GetAttributes(path) & platform::kAttrReadOnly) tag += " ro";
  return tag;
}

// Every file under the root as "path=tag", and every empty folder as "path/".
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> v;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_regular_file()) v.push_back(rel + "=" + Tag(e.path().string()));
    else if (fs::is_empty(e.path())) v.push_back(rel + "/");
  }
  std::sort(v.begin(), v.end());
  return v;
}

struct File {
  std::string path;
  const Bytes* content;  // nullptr: a folder
  bool readOnly = false;
};
struct Row {
  const char* name;
  std::vector<File> files;  // besides the empty source folder D
  std::string fn;
  int32_t result;
  std::vector<std::string> after;
  void (*arm)() = nullptr;  // sets the faults up
  bool converterThrows = false;
  std::string sourceDir = "D";
};

const Row kRows[] = {
    {"JK2H, short form", {{"D/X.37", &kJK2H}}, "X.37", 3070,
     {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/X.37F=jk2h>"}},
    {"L2000, 31 December", {{"D/X.CV", &kL2000}}, "X.CV", 12310,
     {"A/L2000/1231/X.CV=l2000", "D/", "W/TEMP/X.CVF=l2000>"}},
    {"month character D", {{"D/X.D1", &kJK2H}}, "X.D1", 1, {"A/nouse/X.D1=jk2h", "D/"}},
    {"day character W", {{"D/X.3W", &kJK2H}}, "X.3W", 1, {"A/nouse/X.3W=jk2h", "D/"}},
    {"four characters", {{"D/AB.1", &kJK2H}}, "AB.1", 1, {"A/nouse/AB.1=jk2h", "D/"}},
    {"long form, no calendar check", {{"D/A-B.0230", &kLKJ93}}, "A-B.0230", 2300,
     {"A/LKJ93/0230/A-B.2U=lkj93", "D/", "W/TEMP/A-B.2UF=lkj93>"}},
    {"long form, month in hex", {{"D/ABC-1.1225", &kL2000}}, "ABC-1.1225", 12250,
     {"A/L2000/1225/ABC-1.CP=l2000", "D/", "W/TEMP/ABC-1.CPF=l2000>"}},
    {"long form without a month: renamed, not dated", {{"D/A-B.X307", &kJK2H}}, "A-B.X307", 1,
     {"A/nouse/A-B.07=jk2h", "D/"}},
    {"rename refused: the new name is taken", {{"D/A-B.0307", &kJK96}, {"D/A-B.37", &kJK96}}, "A-B.0307", 3070,
     {"A/JK96/0307/A-B.0307=jk96", "D/A-B.37=jk96", "W/TEMP/"}},
    {"JK96: archived, no output", {{"D/X.37", &kJK96}}, "X.37", 3070, {"A/JK96/0307/X.37=jk96", "D/", "W/TEMP/"}},
    {"formatted: moved without the F", {{"D/X.37", &kFormatted}}, "X.37", 3070, {"D/", "W/TEMP/X.37=fmt"}},
    {"formatted: the work folder holds its name", {{"D/X.37", &kFormatted}, {"W/TEMP/X.37", &kJK96}}, "X.37", 1,
     {"D/X.37=fmt", "W/TEMP/X.37=jk96"}},
    {"read-only long form: renamed and archived", {{"D/A-B.0307", &kJK2H, true}}, "A-B.0307", 3070,
     {"A/JK2H/0307/A-B.37=jk2h", "D/", "W/TEMP/A-B.37F=jk2h>"}},
    {"read-only short form: archived, stays", {{"D/X.37", &kJK2H, true}}, "X.37", 3070,
     {"A/JK2H/0307/X.37=jk2h ro", "D/X.37=jk2h ro", "W/TEMP/X.37F=jk2h>"}},
    {"earlier archive copy replaced", {{"D/X.37", &kJK2H}, {"A/JK2H/0307/X.37", &kOld}}, "X.37", 3070,
     {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/X.37F=jk2h>"}},
    {"dated, unknown type", {{"D/X.37", &kUnknown}}, "X.37", 1, {"A/nouse/X.37=unknown", "D/", "W/TEMP/"}},
    {"missing source", {}, "X.37", 1, {"A/nouse/", "D/", "W/TEMP/"}},
    {"archived in place", {{"A/JK96/0307/X.37", &kJK96}}, "X.37", 3070, {"A/JK96/0307/X.37=jk96", "D/", "W/TEMP/"},
     nullptr, false, "A/JK96/0307"},
    // Faults: the raw file leaves D only with a whole copy in the archive.
    {"copy fails once", {{"D/X.37", &kJK2H}}, "X.37", 3070, {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/X.37F=jk2h>"},
     [] { platform::Hooks().fail_copies = 1; }},
    {"copy fails twice", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/JK2H/0307/", "D/X.37=jk2h", "W/TEMP/X.37F=jk2h>"},
     [] { platform::Hooks().fail_copies = 2; }},
    {"undated, copy fails twice", {{"D/X.D1", &kJK2H}}, "X.D1", 1, {"A/nouse/", "D/X.D1=jk2h"},
     [] { platform::Hooks().fail_copies = 2; }},
    {"no folder can be made", {{"D/X.CV", &kL2000}}, "X.CV", 1, {"D/X.CV=l2000"},
     [] { platform::Hooks().fail_create_dirs = 2; }},
    {"undated, no folder can be made", {{"D/X.D1", &kJK2H}}, "X.D1", 1, {"D/X.D1=jk2h"},
     [] { platform::Hooks().fail_create_dirs = 1; }},
    {"work output not written", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/"},
     [] { platform::Hooks().fail_saves = 1; }},
    {"formatted, move fails", {{"D/X.37", &kFormatted}}, "X.37", 1, {"D/X.37=fmt", "W/TEMP/"},
     [] { platform::Hooks().fail_moves = 1; }},
    {"converter fails", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/"}, nullptr, true},
    {"short copy retried", {{"D/X.37", &kJK96}}, "X.37", 3070, {"A/JK96/0307/X.37=jk96", "D/", "W/TEMP/"},
     [] { platform::Hooks().short_copies = 1; }},
    {"short copies twice", {{"D/X.37", &kJK96}}, "X.37", 1, {"A/JK96/0307/X.37=jk96 short", "D/X.37=jk96", "W/TEMP/"},
     [] { platform::Hooks().short_copies = 2; }},
    {"undated, failed then short copy", {{"D/Y.D1", &kJK96}}, "Y.D1", 1, {"A/nouse/Y.D1=jk96 short", "D/Y.D1=jk96"},
     [] { platform::Hooks().fail_copies = 1; platform::Hooks().short_copies = 1; }},
    {"unreadable source", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/nouse/", "D/X.37=jk2h", "W/TEMP/"},
     [] { platform::Hooks().fail_reads = 1000; }},
    {"source deleted after its type was read", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/JK2H/0307/", "D/", "W/TEMP/"},
     [] {
       platform::Hooks().before_load = [](const std::string& p) {
         platform::Hooks().before_load = nullptr;
         fs::remove(platform::NativePath(p));
       };
     }},
    {"no memory for the output", {{"D/X.37", &kJK2H}}, "X.37", 1, {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/"},
     [] { platform::Hooks().stream_limit = 16; }},
    {"work output is a folder", {{"D/X.37", &kJK2H}, {"W/TEMP/X.37F", nullptr}}, "X.37", 1,
     {"A/JK2H/0307/X.37=jk2h", "D/", "W/TEMP/X.37F/"}},
    {"full disk keeps the earlier archive copy", {{"D/X.CV", &kL2000}, {"A/L2000/1231/X.CV", &kOld}}, "X.CV", 1,
     {"A/L2000/1231/X.CV=old", "D/X.CV=l2000", "W/TEMP/"}, [] { platform::Hooks().disk_room = 10; }},
};

class Workflow : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::Hooks() = {};
    railfmt::ResetConverters();
  }
  int32_t Run(const std::string& fn, uint8_t option = 0) {
    return railfmt::TransFmtFileImpl(fn, t / "D", t / "W", t / "A", option);
  }
  TempDir t;
};

}  // namespace

// Names beside those of the workflow table.
TEST(ParseDateCode, ShortAndLongForms) {
  struct Case {
    const char* name;
    bool dated;
    int month, day;
  } cases[] = {
      {"x.cv", true, 12, 31},     {"X.A1", true, 10, 1},      {"X.37ZZ", true, 3, 7},     {"X.07", false, 0, 0},
      {"X.30", false, 0, 0},      {"ABC", false, 0, 0},       {"NOEXT", false, 0, 0},     {"A-B.2U", true, 2, 30},
      {"A-B.1231x", true, 12, 31}, {"A-B.1301", false, 0, 0}, {"A-B.0132", false, 0, 0},  {"A-B.0000", false, 0, 0},
      {"A-B.03X7", false, 0, 0},  {"AB.0307", false, 0, 0},   {"A-B.37", true, 3, 7},     {"a.b-c.37", true, 3, 7},
  };
  for (const Case& c : cases) {
    auto d = railfmt::ParseDateCode(c.name);
    EXPECT_EQ(d.dated, c.dated) << c.name;
    EXPECT_EQ(d.month, c.month) << c.name;
    EXPECT_EQ(d.day, c.day) << c.name;
  }
}

TEST(Workflows, EveryFileEndsWhereItBelongs) {
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.name);
    TempDir t;
    fs::create_directory(t / "D");
    for (const File& f : r.files) {
      fs::create_directories(f.content ? fs::path(t / f.path).parent_path() : fs::path(t / f.path));
      if (f.content) WriteFile(t / f.path, *f.content);
      if (f.readOnly) ::chmod((t / f.path).c_str(), 0444);
    }
    if (r.arm) r.arm();
    if (r.converterThrows) {
      railfmt::Converters().jk2h = [](MemStream&, MemStream& out) {
        out.Write("partial", 7);
        throw std::runtime_error("converter failure");
      };
    }
    EXPECT_EQ(railfmt::TransFmtFileImpl(r.fn, t / r.sourceDir, t / "W", t / "A", 0), r.result);
    platform::Hooks() = {};
    railfmt::ResetConverters();
    EXPECT_EQ(Tree(t.path), r.after);
    EXPECT_FALSE(fs::exists("/" + r.fn));
  }
}

TEST_F(Workflow, NamesWithAFolderPartAreRefused) {
  fs::create_directories(t / "D/sub");
  WriteFile(t / "X.37", kJK2H);
  WriteFile(t / "D/sub/X.37", kJK2H);
  for (const char* fn : {"..\\X.37", "../X.37", "sub\\X.37", "sub/X.37", "..", ".", "", "...", "\xB1\\..",
                         "X\xB1\\"}) {
    EXPECT_EQ(Run(fn), 1) << fn;
  }
  EXPECT_EQ(Tree(t.path), (std::vector<std::string>{"D/sub/X.37=jk2h", "X.37=jk2h"}));
}

// The values carried from file to file are reset; the L2000 converter is
// given the name in use after the rename; the option byte reaches the LKJ93
// converter.
TEST_F(Workflow, ConvertersStartFreshWithTheNameAndTheOption) {
  static std::string name;
  static int option = -1;
  railfmt::Converters().l2000 = [](MemStream&, MemStream&, const std::string& path) { name = path; };
  railfmt::Converters().lkj93 = [](MemStream&, MemStream&, uint8_t o) { option = o; };
  auto& w = railfmt::legacy::Work();
  w.currentLine = 7;
  w.toggle = 1;
  w.counter1 = 11;
  w.counter2 = 12;
  railfmt::Lookups().RestrictionTolerance = 5;
  fs::create_directory(t / "D");
  WriteFile(t / "D/ABC-1.1225", kL2000);
  WriteFile(t / "D/X.37", kLKJ93);
  EXPECT_EQ(Run("ABC-1.1225"), 12250);
  EXPECT_EQ(std::vector<int>({w.currentLine, w.toggle, w.counter1, w.counter2, railfmt::Lookups().RestrictionTolerance}),
            std::vector<int>({255, 0, 0, 0, 0}));
  EXPECT_EQ(Run("X.37", 0x5A), 3070);
  EXPECT_EQ(name, "ABC-1.CP");
  EXPECT_EQ(option, 0x5A);
}
