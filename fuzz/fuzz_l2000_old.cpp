// The earlier L2000 record loop: the protocol version is forced below 101.
#include "engine/stream.h"
#include "interface/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> raw(data, data + size);
  if (raw.size() > 88) {
    raw[87] = 0x00;
    raw[88] = raw[88] > 0x99 ? 0x99 : raw[88];
  }
  railfmt::MemStream in(raw), out;
  railfmt::ConvertL2000(in, out, "fuzz");
  if (out.Size() > 52 + 27 * 26 + raw.size() * 26 * 4) __builtin_trap();
  return 0;
}
