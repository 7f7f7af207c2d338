// The earlier L2000 record loop: the protocol version is forced below 101.
#include "format/stream.h"
#include "fuzz_common.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"

namespace {
std::vector<uint8_t> Convert(const std::vector<uint8_t>& raw) {
  railfmt::MemStream in(raw), out;
  railfmt::ConvertL2000(in, out, "fuzz");
  return out.Data();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  railfmt::fuzz::RedirectLog();
  std::vector<uint8_t> raw(data, data + size);
  if (raw.size() > railfmt::kRawProtocolPos + 1) {
    raw[railfmt::kRawProtocolPos] = 0x00;
    raw[railfmt::kRawProtocolPos + 1] = raw[railfmt::kRawProtocolPos + 1] > 0x99 ? 0x99 : raw[railfmt::kRawProtocolPos + 1];
  }
  // The values carried from file to file start from the same state on every
  // input, so that an input reproduces what it found.
  railfmt::legacy::ResetCarriedValues();
  const std::vector<uint8_t> out = Convert(raw);
  if (out.size() > 52 + 27 * 26 + raw.size() * 26 * 4) __builtin_trap();
  if (railfmt::fuzz::Recheck(data, size)) {
    Convert(raw);  // once more with the values the first conversion carried over
    railfmt::legacy::ResetCarriedValues();
    if (Convert(raw) != out) __builtin_trap();
  }
  return 0;
}
