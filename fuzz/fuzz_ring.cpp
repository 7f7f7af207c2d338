// Ring unrolling of any file: the output is a permutation of the input.
#include <algorithm>

#include "fuzz_common.h"
#include "interface/drivers.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string src = railfmt::fuzz::ScratchDir() + "/ring.bin";
  const std::string dst = railfmt::fuzz::ScratchDir() + "/ring.out";
  railfmt::fuzz::PutFile(src, data, size);
  if (railfmt::RingUnroll(src, dst) != 0) __builtin_trap();
  std::vector<uint8_t> out;
  railfmt::platform::LoadFile(dst, out);
  std::vector<uint8_t> a(data, data + size);
  if (size >= 64) {
    if (out.size() != size) __builtin_trap();
    std::sort(a.begin(), a.end());
    std::sort(out.begin(), out.end());
    if (a != out) __builtin_trap();
  }
  return 0;
}
