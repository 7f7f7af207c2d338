// The JK2H converter over any bytes.
#include "engine/stream.h"
#include "interface/drivers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> raw(data, data + size);
  railfmt::MemStream in(raw), out;
  railfmt::ConvertJK2H(in, out);
  if (out.Size() > 52 + raw.size() * 26 * 4 + 26 * 8) __builtin_trap();
  return 0;
}
