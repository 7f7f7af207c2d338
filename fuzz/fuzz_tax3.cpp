// The TAX3 dump split into a scratch folder.
#include <fstream>

#include "fuzz_common.h"
#include "interface/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  railfmt::fuzz::ClearScratch();
  const std::string path = railfmt::fuzz::ScratchDir() + "/dump.bin";
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  int32_t r = railfmt::SplitTax3(path);
  if (r != 1 && r != -1) __builtin_trap();
  return 0;
}
