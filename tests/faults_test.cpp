// Every export that touches files, under every fault it can meet: a full
// disk, a source that cannot be read, a source deleted between type detection
// and loading, a destination that is a folder or lies in a missing folder,
// and memory running out while the output grows. No fault may be answered
// as success, leave a partial file behind or lose a raw file.
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
#include <string>
#include <vector>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "interface/filetype.h"
#include "interface/workflow.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

namespace fs = std::filesystem;
using sample::Kind;

enum class Fault { DiskFullHook, DiskFullTmpfs, Unreadable, DeletedAfterDetection, DestinationIsFolder,
                   MissingFolder, NoMemory };

const char* Name(Fault f) {
  switch (f) {
    case Fault::DiskFullHook: return "disk full (hook)";
    case Fault::DiskFullTmpfs: return "disk full (tmpfs)";
    case Fault::Unreadable: return "unreadable source";
    case Fault::DeletedAfterDetection: return "source deleted after type detection";
    case Fault::DestinationIsFolder: return "destination is a folder";
    case Fault::MissingFolder: return "destination folder missing";
    case Fault::NoMemory: return "no memory for the output";
  }
  return "?";
}

// Removes the file LoadFile is about to read, once.
void DeleteOnLoad(const std::string& path) {
  platform::Hooks().before_load = nullptr;
  fs::remove(platform::NativePath(path));
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

// Every file under the folder, relative to it, "/" after folders.
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    if (rel.rfind("full/filler", 0) == 0) continue;
    names.push_back(e.is_directory() ? rel + "/" : rel);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool HasTemporaryFile(const std::string& root) {
  for (const std::string& n : Tree(root))
    if (n.find(".railfmt-tmp") != std::string::npos) return true;
  return false;
}

class Faults : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  static void Reset() {
    platform::Hooks() = platform::TestHooks();
    platform::Hooks().executable_dir = ::testing::TempDir();
    ResetConverters();
    Tables().MaskedCodeList.clear();
  }

  // Sets the fault up for the next call, whose output is named dstName;
  // answers the destination to pass, or "" when the fault cannot be set up
  // here (no tmpfs).
  std::string Arm(Fault f, const std::string& dstName) {
    const std::string out = dir / "out";
    fs::create_directories(out);
    switch (f) {
      case Fault::DiskFullHook: platform::Hooks().disk_room = 100; break;
      case Fault::DiskFullTmpfs:
        tmpfs_ = std::make_unique<FullTmpfs>(dir / "full", 4096);
        if (!tmpfs_->ok()) return "";
        return dir / ("full/" + dstName);
      case Fault::Unreadable: platform::Hooks().fail_reads = 1000; break;
      case Fault::DeletedAfterDetection: platform::Hooks().before_load = DeleteOnLoad; break;
      case Fault::DestinationIsFolder: fs::create_directories(out + "/" + dstName); break;
      case Fault::MissingFolder: return out + "/missing/" + dstName;
      case Fault::NoMemory: platform::Hooks().stream_limit = 4096; break;
    }
    return out + "/" + dstName;
  }
  void Disarm() {
    platform::Hooks() = platform::TestHooks();
    platform::Hooks().executable_dir = ::testing::TempDir();
    tmpfs_.reset();
  }

  TempDir dir;
  std::unique_ptr<FullTmpfs> tmpfs_;
};

constexpr Fault kFaults[] = {Fault::DiskFullHook, Fault::DiskFullTmpfs, Fault::Unreadable,
                             Fault::DeletedAfterDetection, Fault::DestinationIsFolder, Fault::MissingFolder,
                             Fault::NoMemory};

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
struct Expected {
  Fault fault;
  int32_t transSingle;
  int32_t newFmt;
  bool fileTypeSeesType;  // lJkFileType still tells the type
};
constexpr Expected kSingleFile[] = {
    {Fault::DiskFullHook, 1, -4, true},         {Fault::DiskFullTmpfs, 1, -4, true},
    {Fault::Unreadable, 1, -2, false},          {Fault::DeletedAfterDetection, 1, -1, true},
    {Fault::DestinationIsFolder, 1, -4, true},  {Fault::MissingFolder, 1, -4, true},
    {Fault::NoMemory, 1, -3, true},
};

TEST_F(Faults, SingleFileExportsAnswerEveryFaultAndLeaveNoPartialFile) {
  for (const KindCase& k : kKinds) {
    const Bytes raw = sample::GenerateSample(k.kind, 5, 400);
    for (const Expected& e : kSingleFile) {
      for (int exportNo = 0; exportNo < 3; ++exportNo) {
        const char* exportName[] = {"lJkFileType", "TransSingleFile", "NewFmtFile"};
        SCOPED_TRACE(std::string(sample::KindName(k.kind)) + ", " + Name(e.fault) + ", " + exportName[exportNo]);
        const std::string src = dir / "raw.bin";
        WriteFile(src, raw);
        const std::string dst = Arm(e.fault, "out.fmt");
        if (dst.empty()) continue;  // no tmpfs here: the hook case covers the full disk
        int32_t result = 0;
        switch (exportNo) {
          case 0: result = FileType(src); break;
          case 1: result = TransSingleFileImpl(src, dst); break;
          case 2: result = NewFmtFileImpl(src, dst); break;
        }
        const bool dstIsFile = fs::is_regular_file(dst);
        const bool temporary = HasTemporaryFile(dir.path);
        Disarm();
        switch (exportNo) {
          case 0: EXPECT_EQ(result, e.fileTypeSeesType ? k.type : 0); break;
          case 1: EXPECT_EQ(result, e.transSingle); break;
          case 2: EXPECT_EQ(result, e.newFmt); break;
        }
        // An unreadable source is a file of no known type, for which
        // NewFmtFile writes its empty destination; otherwise nothing.
        if (exportNo == 2 && e.fault == Fault::Unreadable) {
          EXPECT_TRUE(dstIsFile);
          EXPECT_EQ(fs::file_size(dst), 0u);
        } else if (exportNo > 0) {
          EXPECT_FALSE(dstIsFile);
        }
        EXPECT_FALSE(temporary);
        if (e.fault != Fault::DeletedAfterDetection) {
          EXPECT_EQ(ReadFile(src), raw);
        }
        fs::remove_all(dir / "out");
        fs::remove_all(dir / "full");
      }
    }
  }
}

// The same faults with the real bytes as reference: once the fault is gone
// the same call writes the whole file and answers 0.
TEST_F(Faults, WithoutTheFaultTheSameCallsSucceed) {
  for (const KindCase& k : kKinds) {
    const std::string src = dir / "raw.bin";
    WriteFile(src, sample::GenerateSample(k.kind, 5, 400));
    EXPECT_EQ(TransSingleFileImpl(src, dir / "a.fmt"), 0) << sample::KindName(k.kind);
    EXPECT_EQ(NewFmtFileImpl(src, dir / "b.fmt"), 0) << sample::KindName(k.kind);
    EXPECT_GT(fs::file_size(dir / "a.fmt"), 4096u);
    EXPECT_GT(fs::file_size(dir / "b.fmt"), 4096u);
  }
}

// An existing destination survives every failed call whole.
TEST_F(Faults, ExistingDestinationIsKept) {
  const std::string src = dir / "raw.bin";
  WriteFile(src, sample::GenerateSample(Kind::L2000, 5, 400));
  const std::string dst = dir / "kept.fmt";
  const Bytes old = {1, 2, 3, 4};
  for (Fault f : {Fault::DiskFullHook, Fault::NoMemory, Fault::DeletedAfterDetection}) {
    SCOPED_TRACE(Name(f));
    WriteFile(src, sample::GenerateSample(Kind::L2000, 5, 400));
    WriteFile(dst, old);
    Arm(f, "unused");
    EXPECT_NE(TransSingleFileImpl(src, dst), 0);
    Disarm();
    EXPECT_EQ(ReadFile(dst), old);
    WriteFile(src, sample::GenerateSample(Kind::L2000, 5, 400));
    Arm(f, "unused");
    EXPECT_LT(NewFmtFileImpl(src, dst), 0);
    Disarm();
    EXPECT_EQ(ReadFile(dst), old);
  }
}

// Ring files (NewFmtFile only): a full disk is -4, no memory for the
// rotated copy is -5 (the file cannot be loaded).
TEST_F(Faults, RingFile) {
  Bytes ring(64 + 20000, 0x11);
  ring[0] = 0xA0;
  ring[1] = 0xA1;
  ring[8] = 100;
  struct Case {
    Fault fault;
    int32_t result;
  } const cases[] = {{Fault::DiskFullHook, -4}, {Fault::DiskFullTmpfs, -4}, {Fault::DeletedAfterDetection, -5},
                     {Fault::DestinationIsFolder, -4}, {Fault::MissingFolder, -4}, {Fault::NoMemory, -5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Name(c.fault));
    const std::string src = dir / "ring.bin";
    WriteFile(src, ring);
    const std::string dst = Arm(c.fault, "ring.out");
    if (dst.empty()) continue;
    EXPECT_EQ(NewFmtFileImpl(src, dst), c.result);
    const bool dstIsFile = fs::is_regular_file(dst);
    const bool temporary = HasTemporaryFile(dir.path);
    Disarm();
    EXPECT_FALSE(dstIsFile);
    EXPECT_FALSE(temporary);
    if (c.fault != Fault::DeletedAfterDetection) {
      EXPECT_EQ(ReadFile(src), ring);
    }
    fs::remove_all(dir / "out");
    fs::remove_all(dir / "full");
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

// The folder workflow: every fault answers 1; the raw file is either still
// in the source folder or whole in its archive folder; the work folder holds
// no partial output.
TEST_F(Faults, FolderWorkflowNeverLosesTheRawFile) {
  struct Case {
    Fault fault;
    bool archived;  // the raw file went to the archive (else it stays)
  } const cases[] = {
      {Fault::DiskFullHook, false},       // neither the output nor the archive copy fits
      {Fault::DiskFullTmpfs, true},       // the work folder is full, the archive is not
      {Fault::Unreadable, false},         // no copy can be made
      {Fault::DeletedAfterDetection, false},
      {Fault::DestinationIsFolder, true}, // the work output's name is a folder
      {Fault::NoMemory, true},
  };
  for (const KindCase& k : kKinds) {
    const Bytes raw = sample::GenerateSample(k.kind, 9, 400);
    const char* archiveFolder = k.type == RAILFMT_TYPE_L2000 ? "L2000" : k.type == RAILFMT_TYPE_LKJ93 ? "LKJ93" : "JK2H";
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(sample::KindName(k.kind)) + ", " + Name(c.fault));
      const std::string d = dir / "D", a = dir / "A";
      std::string w = dir / "W";
      fs::create_directories(d);
      WriteFile(d + "/RUN1.37", raw);
      const std::string out = Arm(c.fault, "RUN1.37F");
      if (out.empty()) continue;
      if (c.fault == Fault::DiskFullTmpfs) w = dir / "full";
      if (c.fault == Fault::DestinationIsFolder) fs::create_directories(w + "/TEMP/RUN1.37F");
      const int32_t result = TransFmtFileImpl("RUN1.37", d, w, a, 0);
      const bool output = fs::is_regular_file(w + "/TEMP/RUN1.37F");
      const bool temporary = HasTemporaryFile(dir.path);
      Disarm();
      EXPECT_EQ(result, 1);
      EXPECT_FALSE(output);
      EXPECT_FALSE(temporary);
      const std::string archived = a + "/" + archiveFolder + "/0307/RUN1.37";
      if (c.fault == Fault::DeletedAfterDetection) {
        EXPECT_FALSE(fs::exists(archived));
      } else if (c.archived) {
        EXPECT_EQ(ReadFile(archived), raw);
        EXPECT_FALSE(fs::exists(d + "/RUN1.37"));
      } else {
        EXPECT_EQ(ReadFile(d + "/RUN1.37"), raw);
        EXPECT_FALSE(fs::exists(archived));
      }
      fs::remove_all(d);
      fs::remove_all(a);
      fs::remove_all(dir / "W");
      fs::remove_all(dir / "out");
      fs::remove_all(dir / "full");
    }
  }
}

// A copy of the same name already in the archive (an earlier download)
// survives a full disk whole; the new raw file stays in the source folder.
TEST_F(Faults, EarlierArchiveCopySurvivesAFullDisk) {
  const std::string d = dir / "D", a = dir / "A", w = dir / "W";
  const Bytes raw = sample::GenerateSample(Kind::L2000, 9, 400);
  const Bytes earlier = sample::GenerateSample(Kind::L2000, 10, 50);
  fs::create_directories(d);
  fs::create_directories(a + "/L2000/0307");
  WriteFile(d + "/RUN1.37", raw);
  WriteFile(a + "/L2000/0307/RUN1.37", earlier);
  platform::Hooks().disk_room = 100;
  EXPECT_EQ(TransFmtFileImpl("RUN1.37", d, w, a, 0), 1);
  Disarm();
  EXPECT_EQ(ReadFile(a + "/L2000/0307/RUN1.37"), earlier);
  EXPECT_EQ(ReadFile(d + "/RUN1.37"), raw);
  EXPECT_FALSE(HasTemporaryFile(dir.path));
}

}  // namespace
}  // namespace railfmt::test
