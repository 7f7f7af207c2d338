// The JK2H converter over any bytes.
#include "format/stream.h"
#include "fuzz_common.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"

namespace {
std::vector<uint8_t> Convert(const std::vector<uint8_t>& raw) {
  railfmt::MemStream in(raw), out;
  railfmt::ConvertJK2H(in, out);
  return out.Data();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> raw(data, data + size);
  // The values carried from file to file start from the same state on every input.
  railfmt::legacy::ResetCarriedValues();
  const std::vector<uint8_t> out = Convert(raw);
  if (out.size() > 52 + raw.size() * 26 * 4 + 26 * 8) __builtin_trap();
  if (railfmt::fuzz::Recheck(data, size)) {
    Convert(raw);  // once more with the values the first conversion carried over
    railfmt::legacy::ResetCarriedValues();
    if (Convert(raw) != out) __builtin_trap();
  }
  return 0;
}
