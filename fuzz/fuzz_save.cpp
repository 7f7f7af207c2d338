// FilteredSave with masks taken from the input: the first byte is the
// number of masked codes, then two bytes per code, then the formatted stream.
#include "fuzz_common.h"
#include "tables/bridge.h"
#include "interface/drivers.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t n = data[0] % 16;
  if (size < 1 + 2 * n) return 0;
  std::vector<uint16_t> codes;
  for (size_t i = 0; i < n; ++i) codes.push_back(static_cast<uint16_t>(data[1 + 2 * i] << 8 | data[2 + 2 * i]));
  railfmt::SetMaskedCodes(codes.data(), static_cast<int32_t>(codes.size()) - 1);
  std::vector<uint8_t> body(data + 1 + 2 * n, data + size);
  railfmt::MemStream out(body);
  const std::string dst = railfmt::fuzz::ScratchDir() + "/saved";
  if (!railfmt::FilteredSave(out, dst)) __builtin_trap();
  if (railfmt::platform::FileSize(dst) > static_cast<int64_t>(body.size())) __builtin_trap();
  return 0;
}
