// The exports called from several threads at once, as a host with worker
// threads calls them: through dlopen and dlsym on the built shared library.
// Every output must be byte for byte the output of the same call made alone.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

namespace fs = std::filesystem;
using sample::Kind;

using TwoPathFn = int32_t(RAILFMT_CALL*)(const char*, const char*);

// The exports of the shared library, loaded once and, as a host keeps it,
// never unloaded (what the library keeps for its lifetime stays reachable).
struct Api {
  void* handle = nullptr;
  int32_t(RAILFMT_CALL* lJkFileType)(const char*) = nullptr;
  TwoPathFn TransSingleFile = nullptr;
  TwoPathFn NewFmtFile = nullptr;
  int32_t(RAILFMT_CALL* TransFmtFile)(const char*, const char*, const char*, const char*, uint8_t) = nullptr;
  void(RAILFMT_CALL* SetPBEvtCode)(const uint16_t*, int32_t) = nullptr;
  void(RAILFMT_CALL* getStationInfo)(const StationRecord*, int32_t) = nullptr;
  void(RAILFMT_CALL* getDriverInfo)(const DriverRecord*, int32_t) = nullptr;
  void(RAILFMT_CALL* getJcTypeInfo)(const JcTypeRecord*, int32_t) = nullptr;

  Api() {
    handle = ::dlopen(RAILFMT_SHARED_LIB, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    Get(lJkFileType, "lJkFileType");
    Get(TransSingleFile, "TransSingleFile");
    Get(NewFmtFile, "NewFmtFile");
    Get(TransFmtFile, "TransFmtFile");
    Get(SetPBEvtCode, "SetPBEvtCode");
    Get(getStationInfo, "getStationInfo");
    Get(getDriverInfo, "getDriverInfo");
    Get(getJcTypeInfo, "getJcTypeInfo");
  }
  template <class F>
  void Get(F& f, const char* name) {
    f = reinterpret_cast<F>(::dlsym(handle, name));
  }
  bool Complete() const {
    return lJkFileType && TransSingleFile && NewFmtFile && TransFmtFile && SetPBEvtCode && getStationInfo &&
           getDriverInfo && getJcTypeInfo;
  }

  // The same tables every time: handing them over again changes no output.
  void HandOverTables() const {
    static const StationRecord stations[] = {{5, 1, "\xD5\xBE\xC3\xFB", 0, 0, 0, 0}, {0, 0, "0", 0, 0, 0, 0}};
    static const DriverRecord drivers[] = {{1234, "", "\xCB\xBE\xBB\xFA", 0, 0, 0, "", 0},
                                           {0, "", "0", 0, 0, 0, "", 0}};
    static const JcTypeRecord types[] = {{106, "", "HXD1"}, {0, "", ""}};
    static const uint16_t masked[] = {0x8124, 0x0105};
    getStationInfo(stations, 1);
    getDriverInfo(drivers, 1);
    getJcTypeInfo(types, 1);
    SetPBEvtCode(masked, 1);
  }
};

// One conversion: a source, the export, and where its output goes.
struct Job {
  std::string src;
  bool plain;  // TransSingleFile, else NewFmtFile (counted texts)
};

// A counted text as the host runtime lays it out (constant: count -1).
std::vector<char> Counted(const std::string& s) {
  std::vector<char> m(8 + s.size() + 1, 0);
  const int32_t count = -1, len = static_cast<int32_t>(s.size());
  std::memcpy(m.data(), &count, 4);
  std::memcpy(m.data() + 4, &len, 4);
  std::memcpy(m.data() + 8, s.data(), s.size());
  return m;
}

int32_t Run(const Api& api, const Job& job, const std::string& dst) {
  if (job.plain) return api.TransSingleFile(job.src.c_str(), dst.c_str());
  std::vector<char> s = Counted(job.src), d = Counted(dst);
  return api.NewFmtFile(s.data() + 8, d.data() + 8);
}

struct Output {
  int32_t result = 0;
  Bytes bytes;
};

Output RunAndRead(const Api& api, const Job& job, const std::string& dst) {
  Output o;
  o.result = Run(api, job, dst);
  if (fs::exists(dst)) o.bytes = ReadFile(dst);
  return o;
}

const Api& Library() {
  static const Api* api = new Api();
  return *api;
}

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(api.handle) << ::dlerror();
    ASSERT_TRUE(api.Complete());
    const Kind kinds[] = {Kind::L2000, Kind::L2000Old, Kind::LKJ93, Kind::JK2H};
    for (int i = 0; i < 8; ++i) {
      Job j{dir / ("in" + std::to_string(i) + ".raw"), i % 3 == 0};
      WriteFile(j.src, sample::GenerateSample(kinds[i % 4], static_cast<uint32_t>(100 + i), 600));
      jobs.push_back(j);
    }
    api.HandOverTables();
    // The reference: every call made alone, in order.
    for (std::size_t i = 0; i < jobs.size(); ++i)
      reference.push_back(RunAndRead(api, jobs[i], dir / ("ref" + std::to_string(i) + ".fmt")));
  }

  const Api& api = Library();
  TempDir dir;
  std::vector<Job> jobs;
  std::vector<Output> reference;
};

// The outputs of these files do not depend on the order of the calls: the
// reference taken backwards is the same (so any order the lock admits the
// threaded calls in gives the reference).
TEST_F(Threads, ReferenceDoesNotDependOnTheOrder) {
  for (std::size_t i = jobs.size(); i-- > 0;) {
    const Output o = RunAndRead(api, jobs[i], dir / ("back" + std::to_string(i) + ".fmt"));
    EXPECT_EQ(o.result, 0) << i;
    EXPECT_EQ(o.bytes, reference[i].bytes) << i;
    EXPECT_GT(o.bytes.size(), 52u) << i;
  }
}

TEST_F(Threads, ConcurrentCallsGiveTheOutputsOfCallsMadeAlone) {
  constexpr int kWorkers = 4;
  constexpr int kRounds = 2;
  std::atomic<bool> done{false};
  std::atomic<int> tableRounds{0};
  std::vector<std::vector<Output>> got(kWorkers, std::vector<Output>(jobs.size() * kRounds));
  std::vector<std::vector<int32_t>> types(kWorkers);

  // One thread hands the (same) tables over in a loop, and asks for types.
  std::thread tables([&] {
    while (!done.load()) {
      api.HandOverTables();
      api.lJkFileType(jobs[static_cast<std::size_t>(tableRounds.load()) % jobs.size()].src.c_str());
      ++tableRounds;
    }
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < kWorkers; ++t) {
    workers.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r) {
        for (std::size_t k = 0; k < jobs.size(); ++k) {
          const std::size_t i = (k + static_cast<std::size_t>(t) * 2) % jobs.size();  // each its own order
          const std::string dst = dir / ("t" + std::to_string(t) + "r" + std::to_string(r) + "f" +
                                         std::to_string(i) + ".fmt");
          got[t][r * jobs.size() + i] = RunAndRead(api, jobs[i], dst);
          types[t].push_back(api.lJkFileType(jobs[i].src.c_str()));
        }
      }
    });
  }
  for (std::thread& w : workers) w.join();
  done = true;
  tables.join();

  EXPECT_GT(tableRounds.load(), 0);
  for (int t = 0; t < kWorkers; ++t) {
    for (int r = 0; r < kRounds; ++r) {
      for (std::size_t i = 0; i < jobs.size(); ++i) {
        const Output& o = got[t][r * jobs.size() + i];
        EXPECT_EQ(o.result, reference[i].result) << "thread " << t << " file " << i;
        EXPECT_TRUE(o.bytes == reference[i].bytes) << "thread " << t << " round " << r << " file " << i;
      }
    }
    for (int32_t type : types[t]) EXPECT_NE(type, 0);
  }
}

// The folder workflow next to single-file conversions: each call files its
// own raw file, with the result of the call made alone.
TEST_F(Threads, FolderWorkflowNextToSingleFileConversions) {
  constexpr int kFiles = 6;
  const std::string d = dir / "D", w = dir / "W", a = dir / "A";
  fs::create_directories(d);
  const Bytes raw = ReadFile(jobs[0].src);  // an L2000 file
  for (int i = 0; i < kFiles; ++i) WriteFile(d + "/RUN" + std::to_string(i) + ".37", raw);

  std::vector<int32_t> results(kFiles);
  std::thread folder([&] {
    for (int i = 0; i < kFiles; ++i)
      results[i] = api.TransFmtFile(("RUN" + std::to_string(i) + ".37").c_str(), d.c_str(), w.c_str(), a.c_str(), 0);
  });
  std::thread single([&] {
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const Output o = RunAndRead(api, jobs[i], dir / ("s" + std::to_string(i) + ".fmt"));
      EXPECT_TRUE(o.bytes == reference[i].bytes) << i;
    }
  });
  folder.join();
  single.join();

  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "RUN" + std::to_string(i) + ".37";
    EXPECT_EQ(results[i], 3070) << name;
    EXPECT_EQ(ReadFile(a + "/L2000/0307/" + name), raw) << name;
    EXPECT_EQ(ReadFile(w + "/TEMP/" + name + "F"), ReadFile(w + "/TEMP/RUN0.37F")) << name;
    EXPECT_FALSE(fs::exists(d + "/" + name)) << name;
  }
}

// The library lock itself: a call made from inside a call on the same
// thread passes through; another thread waits until the outermost call ends.
TEST(LibraryLock, ReentryPassesAndOtherThreadsWait) {
  std::atomic<bool> entered{false};
  std::thread other;
  {
    const platform::LibraryCall outer;
    { const platform::LibraryCall inner; }
    other = std::thread([&] {
      const platform::LibraryCall call;
      entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered.load());
  }
  other.join();
  EXPECT_TRUE(entered.load());
}

}  // namespace
}  // namespace railfmt::test
