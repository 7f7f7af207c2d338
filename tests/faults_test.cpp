// Every single-file export, under every fault it can meet: a full
// disk, a source that cannot be read, a source deleted between type detection
// and loading, a destination that is a folder or lies in a missing folder,
// memory running out and a converter failing after output went out. No
// fault may be answered as success, leave a partial file or a thread behind,
// replace an existing destination or lose a raw file. (The folder
// workflow's faults: workflow_test.cpp.)
//
// The full disk is a 1 MiB tmpfs where the tests may mount one (root), and
// the platform layer's fault hook everywhere.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "interface/drivers.h"
#include "interface/filetype.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"
#include "tables/bridge.h"

namespace railfmt::test {
namespace {

namespace fs = std::filesystem;
using sample::Kind;

enum class Fault { DiskFullHook, DiskFullTmpfs, Unreadable, Deleted, DestinationIsFolder, MissingFolder, NoMemory,
                   ConverterFails };

// Removes the file LoadFile is about to read, once.
void DeleteOnLoad(const std::string& path) {
  platform::Hooks().before_load = nullptr;
  fs::remove(platform::NativePath(path));
}

// Writes some blocks of output, then fails.
void FailLate(MemStream& out) {
  const Bytes b(3000, 0x11);
  out.Write(b.data(), b.size());
  throw std::runtime_error("late");
}

// A 1 MiB tmpfs at the path, filled up to `room` free bytes; not mounted
// (ok() false) where the process may not mount.
class FullTmpfs {
 public:
  FullTmpfs(const std::string& path, std::size_t room) : path_(path) {
    fs::create_directories(path);
    if (::geteuid() != 0 || ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=1m") != 0) return;
    mounted_ = true;
    const std::string filler = path + "/filler";
    std::FILE* f = std::fopen(filler.c_str(), "wb");
    std::vector<char> block(4096, 'x');
    while (f && std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    if (f) std::fclose(f);
    fs::resize_file(filler, fs::file_size(filler) - room);
  }
  ~FullTmpfs() {
    if (mounted_) ::umount(path_.c_str());
  }
  bool ok() const { return mounted_; }

 private:
  std::string path_;
  bool mounted_ = false;
};

bool HasTemporaryFile(const std::string& root) {
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.path().string().find(".railfmt-tmp") != std::string::npos) return true;
  return false;
}

class Faults : public ::testing::Test {
 protected:
  void SetUp() override { Disarm(); }
  void TearDown() override { Disarm(); }

  // Sets the fault up for the next call, whose output is named dstName;
  // answers the destination to pass, or "" when the fault cannot be set up
  // here (no tmpfs).
  std::string Arm(Fault f, const std::string& dstName) {
    const std::string out = dir / "out";
    fs::create_directories(out);
    switch (f) {
      case Fault::DiskFullHook: platform::Hooks().disk_room = 3000; break;
      case Fault::DiskFullTmpfs:
        tmpfs_ = std::make_unique<FullTmpfs>(dir / "full", 4096);
        return tmpfs_->ok() ? dir / ("full/" + dstName) : "";
      case Fault::Unreadable: platform::Hooks().fail_reads = 1000; break;
      case Fault::Deleted: platform::Hooks().before_load = DeleteOnLoad; break;
      case Fault::DestinationIsFolder: fs::create_directories(out + "/" + dstName); break;
      case Fault::MissingFolder: return out + "/missing/" + dstName;
      case Fault::NoMemory: platform::Hooks().stream_limit = 4096; break;
      case Fault::ConverterFails:
        Converters().jk2h = [](MemStream&, MemStream& o) { FailLate(o); };
        Converters().lkj93 = [](MemStream&, MemStream& o, uint8_t) { FailLate(o); };
        Converters().l2000 = [](MemStream&, MemStream& o, const std::string&) { FailLate(o); };
        break;
    }
    return out + "/" + dstName;
  }
  void Disarm() {
    platform::Hooks() = platform::TestHooks();
    platform::Hooks().executable_dir = ::testing::TempDir();
    ResetConverters();
    Tables().MaskedCodeList.clear();
    tmpfs_.reset();
    fs::remove_all(dir / "out");
    fs::remove_all(dir / "full");
  }

  TempDir dir;
  std::unique_ptr<FullTmpfs> tmpfs_;
};

struct KindCase {
  Kind kind;
  int32_t type;
};
constexpr KindCase kKinds[] = {{Kind::L2000, RAILFMT_TYPE_L2000},
                               {Kind::L2000Old, RAILFMT_TYPE_L2000},
                               {Kind::LKJ93, RAILFMT_TYPE_LKJ93},
                               {Kind::JK2H, RAILFMT_TYPE_JK2H}};

// What each single-file export answers under each fault (every output of
// these sources is several kilobytes).
struct SingleFileRow {
  Fault fault;
  const char* name;
  int32_t transSingle, newFmt;
  bool typeSeen;  // lJkFileType still tells the type
  bool existing;  // the second run finds an earlier destination
};
constexpr SingleFileRow kSingleFile[] = {
    {Fault::DiskFullHook, "disk full (hook)", 1, -4, true, true},
    {Fault::DiskFullTmpfs, "disk full (tmpfs)", 1, -4, true, false},
    {Fault::Unreadable, "unreadable source", 1, -2, false, true},
    {Fault::Deleted, "source deleted after type detection", 1, -1, true, true},
    {Fault::DestinationIsFolder, "destination is a folder", 1, -4, true, false},
    {Fault::MissingFolder, "destination folder missing", 1, -4, true, false},
    {Fault::NoMemory, "no memory for the output", 1, -3, true, true},
    {Fault::ConverterFails, "converter fails after some blocks", 1, -3, true, true},
};

// Each cell runs twice: output written at the end on the caller's thread,
// and in blocks on a writer thread over an earlier destination.
TEST_F(Faults, SingleFileExportsAnswerEveryFaultAndLeaveNothingBehind) {
  const int threads = ThreadCount();
  const Bytes old = {1, 2, 3, 4};
  for (const KindCase& k : kKinds) {
    const Bytes raw = sample::GenerateSample(k.kind, 5, 400);
    for (const SingleFileRow& e : kSingleFile) {
      for (int exportNo = 0; exportNo < 3; ++exportNo) {
        for (int way = 0; way < 2; ++way) {
          const char* exportName[] = {"lJkFileType", "TransSingleFile", "NewFmtFile"};
          SCOPED_TRACE(std::string(sample::KindName(k.kind)) + ", " + e.name + ", " + exportName[exportNo] +
                       ", way " + std::to_string(way));
          const std::string src = dir / "raw.bin";
          WriteFile(src, raw);
          const std::string dst = Arm(e.fault, "out.fmt");
          if (dst.empty()) continue;  // no tmpfs here: the hook case covers the full disk
          const bool existing = way == 1 && e.existing;
          if (existing) WriteFile(dst, old);
          platform::Hooks().writer = way + 1;
          platform::Hooks().write_block = way == 1 ? 700 : 0;
          int32_t result = 0;
          switch (exportNo) {
            case 0: result = FileType(src); break;
            case 1: result = TransSingleFileImpl(src, dst); break;
            case 2: result = NewFmtFileImpl(src, dst); break;
          }
          const bool dstIsFile = fs::is_regular_file(dst);
          const Bytes dstBytes = dstIsFile ? ReadFile(dst) : Bytes{};
          EXPECT_FALSE(HasTemporaryFile(dir.path));
          Disarm();
          const int32_t expected[] = {e.typeSeen ? k.type : 0, e.transSingle, e.newFmt};
          EXPECT_EQ(result, expected[exportNo]);
          // An unreadable source is a file of no known type, for which
          // NewFmtFile writes its empty destination; otherwise nothing.
          if (exportNo == 2 && e.fault == Fault::Unreadable) {
            EXPECT_TRUE(dstIsFile);
            EXPECT_EQ(dstBytes, Bytes{});
          } else {
            EXPECT_EQ(dstIsFile, existing);
            EXPECT_EQ(dstBytes, existing ? old : Bytes{});
          }
          EXPECT_EQ(ReadFile(src), e.fault == Fault::Deleted && exportNo > 0 ? Bytes{} : raw);
          EXPECT_EQ(ThreadCount(), threads);
        }
      }
    }
  }
}

// Ring files (NewFmtFile only): a full disk is -4, no memory for the
// rotated copy is -5 (the file cannot be loaded).
TEST_F(Faults, RingFile) {
  Bytes ring(64 + 20000, 0x11);
  ring[0] = 0xA0;
  ring[1] = 0xA1;
  ring[8] = 100;
  const std::pair<Fault, int32_t> cases[] = {{Fault::DiskFullHook, -4},        {Fault::DiskFullTmpfs, -4},
                                             {Fault::Deleted, -5},             {Fault::DestinationIsFolder, -4},
                                             {Fault::MissingFolder, -4},       {Fault::NoMemory, -5}};
  for (const auto& [fault, expected] : cases) {
    SCOPED_TRACE(static_cast<int>(fault));
    const std::string src = dir / "ring.bin";
    WriteFile(src, ring);
    const std::string dst = Arm(fault, "ring.out");
    if (dst.empty()) continue;
    EXPECT_EQ(NewFmtFileImpl(src, dst), expected);
    EXPECT_FALSE(fs::is_regular_file(dst));
    EXPECT_FALSE(HasTemporaryFile(dir.path));
    Disarm();
    EXPECT_EQ(ReadFile(src), fault == Fault::Deleted ? Bytes{} : ring);
  }
}

// A TAX3 dump whose recordings cannot be written is no success either.
TEST_F(Faults, Tax3RecordingsOnAFullDisk) {
  const std::string src = dir / "unit.t3";
  const Bytes dump = sample::GenerateSample(Kind::TAX3, 5, 3);
  WriteFile(src, dump);
  platform::Hooks().disk_room = 10;
  EXPECT_EQ(TransSingleFileImpl(src, dir / "a.fmt"), 1);
  platform::Hooks().disk_room = 10;
  EXPECT_EQ(NewFmtFileImpl(src, dir / "b.fmt"), -3);
  Disarm();
  EXPECT_FALSE(fs::exists(dir / "b.fmt"));
  EXPECT_FALSE(HasTemporaryFile(dir.path));
  EXPECT_EQ(ReadFile(src), dump);
  EXPECT_EQ(TransSingleFileImpl(src, dir / "a.fmt"), 0);
}

// NewFmtFile with the destination equal to the source keeps the raw file
// whenever no finished conversion takes its place.
TEST_F(Faults, RawFileOntoItselfIsKeptWithoutAFinishedConversion) {
  struct Case {
    const char* name;
    Bytes head;
    int32_t result;
  } const cases[] = {
      {"unknown type", {0x12, 0x34}, -2}, {"JK96", {0xA2}, 0}, {"formatted", {0xA6, 0x6A}, 0},
      {"TAX3 dump", {'T', '3'}, 0},       {"L2000, converter fails", {0xB0, 0xF0}, -3},
  };
  for (const Case& c : cases) {
    Bytes raw(300, 0x00);
    std::copy(c.head.begin(), c.head.end(), raw.begin());
    const std::string p = dir / "same.bin";
    WriteFile(p, raw);
    Arm(Fault::ConverterFails, "unused");
    EXPECT_EQ(NewFmtFileImpl(p, p), c.result) << c.name;
    Disarm();
    EXPECT_EQ(ReadFile(p), raw) << c.name;
  }
}

// A dump whose only recording (tag 1, number 2, 4 March) is named
// TAX3-1-2.0304 like the dump itself leaves the dump as it was; under
// another name the recording is written beside it.
TEST_F(Faults, Tax3RecordingNamedLikeTheDumpDoesNotReplaceIt) {
  Bytes dump(2032 + 16, 0x00);
  dump[0] = 'T';
  dump[1] = '3';
  dump[16] = 1;     // tag
  dump[20] = 2;     // number
  dump[22] = 1;     // one 16-byte block
  dump[25] = 0x30;  // month 3
  dump[26] = 4;     // day 4
  for (int i = 0; i < 16; ++i) dump[2032 + i] = static_cast<uint8_t>(0xC0 + i);
  const std::string p = dir / "TAX3-1-2.0304";
  WriteFile(p, dump);
  EXPECT_EQ(SplitTax3(p), -1);
  EXPECT_EQ(ReadFile(p), dump);

  TempDir other;
  WriteFile(other / "dump.bin", dump);
  EXPECT_EQ(SplitTax3(other / "dump.bin"), 1);
  EXPECT_EQ(ReadFile(other / "TAX3-1-2.0304"), Bytes(dump.end() - 16, dump.end()));
  EXPECT_EQ(ReadFile(other / "dump.bin"), dump);
}

// A file too large to hold in memory (a sparse 15 TiB file, where the file
// system allows one and the kernel refuses such an allocation) is not loaded,
// and its descriptor is closed. Not under AddressSanitizer, whose allocator
// reports the size instead of failing it.
TEST_F(Faults, FileTooLargeToLoadLeavesNoDescriptorOpen) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer allocator";
#endif
  if (ReadFile("/proc/sys/vm/overcommit_memory") != Bytes{'0', '\n'}) GTEST_SKIP() << "overcommit";
  const std::string p = dir / "huge";
  WriteFile(p, Bytes{0xA0});
  std::error_code ec;
  fs::resize_file(p, uint64_t{15} << 40, ec);
  if (ec) GTEST_SKIP() << "no sparse file of 15 TiB here";
  const auto fds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
  const auto before = fds();
  std::vector<uint8_t> out;
  EXPECT_FALSE(platform::LoadFile(p, out));
  EXPECT_EQ(fds(), before);
  fs::remove(p);
}

}  // namespace
}  // namespace railfmt::test
