// The TAX3 dump split into a scratch folder. The dump carries a name that a
// recording can have (tag 1, number 2, 4 March): the split never replaces it.

#include "fuzz_common.h"
#include "interface/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  railfmt::fuzz::ClearScratch();
  const std::string path = railfmt::fuzz::ScratchDir() + "/TAX3-1-2.0304";
  railfmt::fuzz::PutFile(path, data, size);
  int32_t r = railfmt::SplitTax3(path);
  if (r != 1 && r != -1) __builtin_trap();
  if (!railfmt::fuzz::FileHolds(path, data, size)) __builtin_trap();
  return 0;
}
