// The event engine over any raw bytes, for both vendors and versions 101/102.
// The first input byte chooses the vendor text and the version.
#include <cstring>

#include "handlers/families.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  railfmt::fuzz::RedirectLog();
  const uint8_t sel = data[0];
  std::vector<uint8_t> raw(data + 1, data + size);
  const char* vendor = (sel & 1) ? "Q" : "Z";
  const int version = (sel & 2) ? 102 : 101;
  int result = 0;
  std::vector<uint8_t> out = railfmt::ConvertEventBytes(raw, version, vendor, &result);
  if (result != 1) __builtin_trap();
  if (out.size() > railfmt::MostEventOutput(raw.size())) __builtin_trap();
  if (railfmt::fuzz::Recheck(data, size) && railfmt::ConvertEventBytes(raw, version, vendor, &result) != out)
    __builtin_trap();
  return 0;
}
