// The fixture of the earlier-format converter tests (L2000, LKJ93, JK2H): fresh
// reference tables and carried values, and a fixed current date (JK2H takes
// its header date from it).
#pragma once

#include <gtest/gtest.h>

#include "legacy/workarea.h"
#include "platform/platform.h"
#include "tables/bridge.h"

namespace railfmt::test {

class EarlierFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    railfmt::Tables() = railfmt::ReferenceTables();
    railfmt::legacy::ResetCarriedValues();
    railfmt::platform::Hooks().today = {2026, 3, 15};
  }
  void TearDown() override {
    railfmt::platform::Hooks().today = {};
    railfmt::legacy::ResetCarriedValues();
  }
};

}  // namespace railfmt::test
