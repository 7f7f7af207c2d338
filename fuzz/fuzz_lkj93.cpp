// The LKJ93 converter over any bytes; the first byte is the option byte.
#include "engine/stream.h"
#include "interface/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> raw(data + 1, data + size);
  railfmt::MemStream in(raw), out;
  railfmt::ConvertLKJ93(in, out, data[0]);
  if (out.Size() > 52 + raw.size() * 26 * 4 + 26 * 8) __builtin_trap();
  return 0;
}
