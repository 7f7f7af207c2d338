// The exports as a host reaches them: through dlopen and dlsym on the built
// shared library, alone and from several threads at once (every output must
// be byte for byte that of the same call made alone); host texts; the
// library lock and the clock of the platform layer.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "interface/counted_text.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "support/testkit.h"

namespace railfmt::test {
namespace {

namespace fs = std::filesystem;
using sample::Kind;

// A counted text laid out as the host runtime keeps it: reference count,
// length, characters, terminating zero.
struct CountedText {
  std::vector<char> mem;
  CountedText(const std::string& s, int32_t count) : mem(8 + s.size() + 1, 0) {
    const auto len = static_cast<int32_t>(s.size());
    std::memcpy(mem.data(), &count, 4);
    std::memcpy(mem.data() + 4, &len, 4);
    std::memcpy(mem.data() + 8, s.data(), s.size());
  }
  const char* chars() const { return mem.data() + 8; }
  int32_t count() const {
    int32_t c;
    std::memcpy(&c, mem.data(), 4);
    return c;
  }
};

// A reference is held for the lifetime of the wrapper unless the count marks
// a constant text (-1 or less); reading stops at the first zero.
TEST(CountedTextTest, ReferenceHeldForTheLifetimeUnlessConstant) {
  for (int32_t c : {1, 0, -1, -2, INT32_MIN}) {
    CountedText t("C:\\a.dat", c);
    {
      CountedTextRef ref(t.chars());
      EXPECT_EQ(t.count(), c >= 0 ? c + 1 : c) << c;
      EXPECT_EQ(ref.Text(), "C:\\a.dat");
    }
    EXPECT_EQ(t.count(), c) << c;
    EXPECT_EQ(ReadCountedText(t.chars()), "C:\\a.dat");
    EXPECT_EQ(t.count(), c) << c;
  }
  EXPECT_EQ(ReadCountedText(nullptr), "");
  CountedText t("ab", 0);
  t.mem[8 + 1] = 0;
  EXPECT_EQ(ReadCountedText(t.chars()), "a");
}

TEST(HostTextTest, NullCutAndPlain) {
  EXPECT_EQ(HostText(nullptr), "");
  EXPECT_EQ(HostText("abc"), "abc");
  EXPECT_EQ(HostText(std::string(300, 'd').c_str(), 255), std::string(255, 'd'));
  EXPECT_EQ(HostText("short", 255), "short");
}

// The exports of the shared library, loaded once and, as a host keeps it,
// never unloaded.
struct Api {
  void* handle = ::dlopen(RAILFMT_SHARED_LIB, RTLD_NOW | RTLD_LOCAL);
  template <class F>
  F Get(const char* name) const {
    return handle ? reinterpret_cast<F>(::dlsym(handle, name)) : nullptr;
  }
#define RAILFMT_EXPORT(f) decltype(&::f) f = Get<decltype(&::f)>(#f)
  RAILFMT_EXPORT(lJkFileType);
  RAILFMT_EXPORT(TransSingleFile);
  RAILFMT_EXPORT(NewFmtFile);
  RAILFMT_EXPORT(TransFmtFile);
  RAILFMT_EXPORT(SetPBEvtCode);
  RAILFMT_EXPORT(SetZhuDuan);
  RAILFMT_EXPORT(getStationInfo);
  RAILFMT_EXPORT(getDriverInfo);
  RAILFMT_EXPORT(getJcTypeInfo);
  RAILFMT_EXPORT(getJwdInfo);
  RAILFMT_EXPORT(getLinshiInfo);
#undef RAILFMT_EXPORT

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

const Api& Library() {
  static const Api* api = new Api();
  return *api;
}

// One conversion: TransSingleFile (plain) or NewFmtFile (counted texts).
struct Job {
  std::string src;
  bool plain;
};
struct Output {
  int32_t result = 0;
  Bytes bytes;
};
Output RunAndRead(const Api& api, const Job& job, const std::string& dst) {
  Output o;
  if (job.plain) {
    o.result = api.TransSingleFile(job.src.c_str(), dst.c_str());
  } else {
    const CountedText s(job.src, -1), d(dst, -1);
    o.result = api.NewFmtFile(s.chars(), d.chars());
  }
  if (fs::exists(dst)) o.bytes = ReadFile(dst);
  return o;
}

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(api.handle) << ::dlerror();
    ASSERT_TRUE(api.lJkFileType && api.TransSingleFile && api.NewFmtFile && api.TransFmtFile && api.SetPBEvtCode &&
                api.SetZhuDuan && api.getStationInfo && api.getDriverInfo && api.getJcTypeInfo && api.getJwdInfo &&
                api.getLinshiInfo);
  }
  // Eight conversions of every kind and the outputs of the calls made alone.
  void MakeJobs() {
    const Kind kinds[] = {Kind::L2000, Kind::L2000Old, Kind::LKJ93, Kind::JK2H};
    for (int i = 0; i < 8; ++i) {
      Job j{dir / ("in" + std::to_string(i) + ".raw"), i % 3 == 0};
      WriteFile(j.src, sample::GenerateSample(kinds[i % 4], static_cast<uint32_t>(100 + i), 600));
      jobs.push_back(j);
    }
    api.HandOverTables();
    for (std::size_t i = 0; i < jobs.size(); ++i)
      reference.push_back(RunAndRead(api, jobs[i], dir / ("ref" + std::to_string(i) + ".fmt")));
  }

  const Api& api = Library();
  TempDir dir;
  std::vector<Job> jobs;
  std::vector<Output> reference;
};

// The core stays hidden; the file type through the export; edge arguments
// of every setter; NewFmtFile gives back the references it takes.
TEST_F(Exports, EdgeArgumentsThroughTheExports) {
  EXPECT_EQ(::dlsym(api.handle, "_ZN7railfmt6TablesEv"), nullptr);
  WriteFile(dir / "dump.bin", Cat({HexBytes("54 33"), Bytes(30)}));
  EXPECT_EQ(api.lJkFileType((dir / "dump.bin").c_str()), RAILFMT_TYPE_TAX3);
  for (const char* p : {static_cast<const char*>(nullptr), "", dir.path.c_str()}) EXPECT_EQ(api.lJkFileType(p), 0);

  StationRecord s[] = {{1, 2, "A", 0, 0, 0, 0}, {1, 3, nullptr, 0, 0, 0, 0}};
  for (int32_t last : {1, -1, -100}) api.getStationInfo(s, last);
  api.getStationInfo(nullptr, 5);
  DriverRecord dr[] = {{1, nullptr, "N", 0, 1, 0, nullptr, 0}, {2, "x", nullptr, 0, -32768, 0, "y", 0}};
  api.getDriverInfo(dr, 1);
  const uint16_t codes[] = {0x8001, 0x8B00};
  api.SetPBEvtCode(codes, 1);
  api.SetPBEvtCode(nullptr, 3);
  api.SetPBEvtCode(codes, -1);
  ZhuDuanRecord z[] = {{1, 2, {1, 2, 3, 4, 5, 6}}};
  api.SetZhuDuan(z, 0);
  api.SetZhuDuan(nullptr, 0);
  JcTypeRecord j[] = {{1, nullptr, nullptr}, {2, "a", "b"}};
  api.getJcTypeInfo(j, 1);
  JwdRecord w[] = {{1, "p"}, {2, nullptr}};
  api.getJwdInfo(w, 1);
  LinshiRecord l[2] = {};
  api.getLinshiInfo(l, 1);
  api.getLinshiInfo(nullptr, -1);

  CountedText src(dir / "missing.dat", 3), dst(dir / "out.fmt", -1);
  EXPECT_EQ(api.NewFmtFile(src.chars(), dst.chars()), -1);
  EXPECT_EQ(src.count(), 3);
  EXPECT_EQ(dst.count(), -1);
  EXPECT_EQ(api.NewFmtFile(nullptr, nullptr), -1);
}

// Four threads convert every file twice, each in its own order, while one
// hands the (same) tables over in a loop and asks for types, and one runs
// the folder workflow on files of its own.
TEST_F(Exports, ConcurrentCallsGiveTheOutputsOfCallsMadeAlone) {
  MakeJobs();
  constexpr int kWorkers = 4, kRounds = 2, kFiles = 6;
  const std::string d = dir / "D", w = dir / "W", a = dir / "A";
  fs::create_directories(d);
  const Bytes raw = ReadFile(jobs[0].src);  // an L2000 file
  for (int i = 0; i < kFiles; ++i) WriteFile(d + "/RUN" + std::to_string(i) + ".37", raw);
  std::atomic<bool> done{false};
  std::atomic<int> tableRounds{0};
  std::vector<std::vector<Output>> got(kWorkers, std::vector<Output>(jobs.size() * kRounds));
  std::vector<int32_t> results(kFiles);
  std::thread tables([&] {
    while (!done.load()) {
      api.HandOverTables();
      EXPECT_NE(api.lJkFileType(jobs[static_cast<std::size_t>(tableRounds.load()) % jobs.size()].src.c_str()), 0);
      ++tableRounds;
    }
  });
  std::vector<std::thread> workers;
  workers.emplace_back([&] {
    for (int i = 0; i < kFiles; ++i)
      results[i] = api.TransFmtFile(("RUN" + std::to_string(i) + ".37").c_str(), d.c_str(), w.c_str(), a.c_str(), 0);
  });
  for (int t = 0; t < kWorkers; ++t) {
    workers.emplace_back([&, t] {
      for (int r = 0; r < kRounds; ++r) {
        for (std::size_t k = 0; k < jobs.size(); ++k) {
          const std::size_t i = (k + static_cast<std::size_t>(t) * 2) % jobs.size();
          const std::string dst = dir / ("t" + std::to_string(t) + "r" + std::to_string(r) + "f" +
                                         std::to_string(i) + ".fmt");
          got[t][r * jobs.size() + i] = RunAndRead(api, jobs[i], dst);
        }
      }
    });
  }
  for (std::thread& t : workers) t.join();
  done = true;
  tables.join();
  EXPECT_GT(tableRounds.load(), 0);
  for (int t = 0; t < kWorkers; ++t) {
    for (std::size_t n = 0; n < got[t].size(); ++n) {
      const std::size_t i = n % jobs.size();
      EXPECT_EQ(got[t][n].result, reference[i].result) << "thread " << t << " file " << i;
      EXPECT_TRUE(got[t][n].bytes == reference[i].bytes) << "thread " << t << " call " << n;
    }
  }
  for (int i = 0; i < kFiles; ++i) {
    const std::string name = "RUN" + std::to_string(i) + ".37";
    EXPECT_EQ(results[i], 3070) << name;
    EXPECT_EQ(ReadFile(a + "/L2000/0307/" + name), raw) << name;
    EXPECT_EQ(ReadFile(w + "/TEMP/" + name + "F"), ReadFile(w + "/TEMP/RUN0.37F")) << name;
    EXPECT_FALSE(fs::exists(d + "/" + name)) << name;
  }
}

// The library lock: a call made from inside a call on the same thread passes
// through; another thread waits until the outermost call ends.
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

// The clock, where no test fixes it: the local date as strftime writes it.
TEST(PlatformClock, TodayIsTheLocalDate) {
  platform::Hooks() = {};
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char expected[16];
  std::strftime(expected, sizeof expected, "%Y-%m-%d", &tm);
  const platform::LocalDate d = platform::Today();
  char got[32];
  std::snprintf(got, sizeof got, "%04d-%02d-%02d", d.year, d.month, d.day);
  EXPECT_STREQ(got, expected);
}

}  // namespace
}  // namespace railfmt::test
