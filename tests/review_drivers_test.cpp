// Review tests: the single-file drivers, the ring unrolling and the folder
// workflow, with hand-written expected bytes.
#include <gtest/gtest.h>

#include <string>

#include "tables/bridge.h"
#include "interface/drivers.h"
#include "interface/filetype.h"
#include "platform/platform.h"
#include "railfmt/railfmt.h"
#include "support/testkit.h"

using namespace railfmt;
using namespace railfmt::test;

namespace {

class ReviewDrivers : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConverters();
    Tables().MaskedCodeList.clear();
    platform::Hooks() = platform::TestHooks();
  }
  void TearDown() override {
    ResetConverters();
    Tables().MaskedCodeList.clear();
    platform::Hooks() = platform::TestHooks();
  }
  TempDir dir;
};

// A ring file of 40 bytes (shorter than the 64-byte header, but long enough
// to be classified): the header copy always writes 64 bytes, the bytes past
// the end of the file coming out as zeros; the write position 0 adds nothing.
TEST_F(ReviewDrivers, RingFileShorterThanItsHeaderIsPaddedToAFullHeader) {
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
