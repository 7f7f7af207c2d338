// The LKJ93 converter over any bytes; the first byte is the option byte.
#include "format/stream.h"
#include "fuzz_common.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"

namespace {
std::vector<uint8_t> Convert(const std::vector<uint8_t>& raw, uint8_t option) {
  railfmt::MemStream in(raw), out;
  railfmt::ConvertLKJ93(in, out, option);
  return out.Data();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::vector<uint8_t> raw(data + 1, data + size);
  // The values carried from file to file start from the same state on every input.
  railfmt::legacy::ResetCarriedValues();
  const std::vector<uint8_t> out = Convert(raw, data[0]);
  if (out.size() > 52 + raw.size() * 26 * 4 + 26 * 8) __builtin_trap();
  if (railfmt::fuzz::Recheck(data, size)) {
    Convert(raw, data[0]);  // once more with the values the first conversion carried over
    railfmt::legacy::ResetCarriedValues();
    if (Convert(raw, data[0]) != out) __builtin_trap();
  }
  return 0;
}
