// The single-file drivers on any file: the type is detected from the content,
// the matching converter runs and the output is saved. The result is one of
// the driver's codes and the source file is left as it was.
#include <cstring>
#include <fstream>
#include <iterator>

#include "fuzz_common.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  railfmt::fuzz::ClearScratch();
  railfmt::fuzz::RedirectLog();
  railfmt::legacy::ResetCarriedValues();
  const std::string src = railfmt::fuzz::ScratchDir() + "/raw.bin";
  const std::string dst = railfmt::fuzz::ScratchDir() + "/out.fmt";
  {
    std::ofstream f(src, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const int32_t r = railfmt::NewFmtFileImpl(src, dst);
  if (r > 0 || r < -5) __builtin_trap();
  const int32_t t = railfmt::TransSingleFileImpl(src, dst);
  if (t != 0 && t != 1) __builtin_trap();
  std::ifstream f(src, std::ios::binary);
  std::vector<uint8_t> now((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (now.size() != size || (size > 0 && std::memcmp(now.data(), data, size) != 0)) __builtin_trap();
  return 0;
}
