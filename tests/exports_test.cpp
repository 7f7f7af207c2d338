// Host texts, and the exports as the host reaches them: through dlopen and
// dlsym on the built shared library.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>
#include <vector>

#include "interface/counted_text.h"
#include "railfmt/railfmt.h"
#include "support/testkit.h"

namespace {

using namespace railfmt;
using namespace railfmt::test;

// A counted text laid out as the host runtime keeps it: reference count,
// length, characters, terminating zero.
struct CountedText {
  std::vector<char> mem;
  explicit CountedText(const std::string& s, int32_t count) : mem(8 + s.size() + 1, 0) {
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

TEST(CountedTextTest, ReferenceHeldForTheLifetimeAndReleased) {
  CountedText t("C:\\data\\a.dat", 1);
  {
    CountedTextRef ref(t.chars());
    EXPECT_EQ(t.count(), 2);
    EXPECT_EQ(ref.Text(), "C:\\data\\a.dat");
  }
  EXPECT_EQ(t.count(), 1);
  EXPECT_EQ(ReadCountedText(t.chars()), "C:\\data\\a.dat");
  EXPECT_EQ(t.count(), 1);
}

TEST(CountedTextTest, ConstantTextsAreNotCounted) {
  for (int32_t c : {-1, -2, INT32_MIN}) {
    CountedText t("abc", c);
    {
      CountedTextRef ref(t.chars());
      EXPECT_EQ(t.count(), c);
      EXPECT_EQ(ref.Text(), "abc");
    }
    EXPECT_EQ(t.count(), c);
  }
}

TEST(CountedTextTest, NullIsEmptyAndReadingStopsAtTheZero) {
  EXPECT_EQ(ReadCountedText(nullptr), "");
  CountedText t("ab", 0);
  t.mem[8 + 1] = 0;  // an earlier zero than the length says
  EXPECT_EQ(ReadCountedText(t.chars()), "a");
  EXPECT_EQ(t.count(), 0);
}

TEST(HostTextTest, NullCutAndPlain) {
  EXPECT_EQ(HostText(nullptr), "");
  EXPECT_EQ(HostText("abc"), "abc");
  std::string longDir(300, 'd');
  EXPECT_EQ(HostText(longDir.c_str(), 255), std::string(255, 'd'));
  EXPECT_EQ(HostText("short", 255), "short");
  EXPECT_EQ(HostText("", 255), "");
}

// ------------------------------------------------------------------ dlopen

class SharedLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { handle_ = ::dlopen(RAILFMT_SHARED_LIB, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(handle_, nullptr) << ::dlerror(); }
  template <class F>
  static F Sym(const char* name) {
    return reinterpret_cast<F>(::dlsym(handle_, name));
  }
  static void* handle_;
};
void* SharedLibraryTest::handle_ = nullptr;

TEST_F(SharedLibraryTest, EveryExportResolves) {
  for (const char* n : {"lJkFileType", "TransSingleFile", "NewFmtFile", "TransFmtFile", "SetPBEvtCode",
                        "SetZhuDuan", "getDriverInfo", "getStationInfo", "getJcTypeInfo", "getJwdInfo",
                        "getLinshiInfo"})
    EXPECT_NE(::dlsym(handle_, n), nullptr) << n;
  // The core stays hidden.
  EXPECT_EQ(::dlsym(handle_, "_ZN7railfmt6TablesEv"), nullptr);
}

TEST_F(SharedLibraryTest, FileTypeThroughTheExport) {
  auto fileType = Sym<int32_t(RAILFMT_CALL*)(const char*)>("lJkFileType");
  ASSERT_NE(fileType, nullptr);
  TempDir d;
  Bytes b(32, 0);
  b[0] = 'T';
  b[1] = '3';
  WriteFile(d / "dump.bin", b);
  EXPECT_EQ(fileType((d / "dump.bin").c_str()), RAILFMT_TYPE_TAX3);
  EXPECT_EQ(fileType(nullptr), 0);
  EXPECT_EQ(fileType(""), 0);
  EXPECT_EQ(fileType(d.path.c_str()), 0);
}

TEST_F(SharedLibraryTest, SettersThroughTheExports) {
  auto station = Sym<void(RAILFMT_CALL*)(const StationRecord*, int32_t)>("getStationInfo");
  auto driver = Sym<void(RAILFMT_CALL*)(const DriverRecord*, int32_t)>("getDriverInfo");
  auto masked = Sym<void(RAILFMT_CALL*)(const uint16_t*, int32_t)>("SetPBEvtCode");
  auto depot = Sym<void(RAILFMT_CALL*)(const ZhuDuanRecord*, int32_t)>("SetZhuDuan");
  auto jc = Sym<void(RAILFMT_CALL*)(const JcTypeRecord*, int32_t)>("getJcTypeInfo");
  auto jwd = Sym<void(RAILFMT_CALL*)(const JwdRecord*, int32_t)>("getJwdInfo");
  auto linshi = Sym<void(RAILFMT_CALL*)(const LinshiRecord*, int32_t)>("getLinshiInfo");
  ASSERT_TRUE(station && driver && masked && depot && jc && jwd && linshi);

  StationRecord s[] = {{1, 2, "A", 0, 0, 0, 0}, {1, 3, nullptr, 0, 0, 0, 0}};
  station(s, 1);
  station(s, -1);
  station(nullptr, 5);
  station(s, -100);
  DriverRecord dr[] = {{1, nullptr, "N", 0, 1, 0, nullptr, 0}, {2, "x", nullptr, 0, -32768, 0, "y", 0}};
  driver(dr, 1);
  const uint16_t codes[] = {0x8001, 0x8B00};
  masked(codes, 1);
  masked(nullptr, 3);
  masked(codes, -1);
  ZhuDuanRecord z[] = {{1, 2, {1, 2, 3, 4, 5, 6}}};
  depot(z, 0);
  depot(nullptr, 0);
  JcTypeRecord j[] = {{1, nullptr, nullptr}, {2, "a", "b"}};
  jc(j, 1);
  JwdRecord w[] = {{1, "p"}, {2, nullptr}};
  jwd(w, 1);
  LinshiRecord l[2] = {};
  linshi(l, 1);
  linshi(nullptr, -1);
  SUCCEED();
}

TEST_F(SharedLibraryTest, NewFmtFileReleasesItsReferences) {
  auto newFmt = Sym<int32_t(RAILFMT_CALL*)(const char*, const char*)>("NewFmtFile");
  ASSERT_NE(newFmt, nullptr);
  TempDir d;
  CountedText src(d / "missing.dat", 3);
  CountedText dst(d / "out.fmt", -1);
  newFmt(src.chars(), dst.chars());
  EXPECT_EQ(src.count(), 3);
  EXPECT_EQ(dst.count(), -1);
  newFmt(nullptr, nullptr);
  SUCCEED();
}

}  // namespace
