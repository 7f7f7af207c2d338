// File-type detection of any file content.

#include "fuzz_common.h"
#include "interface/filetype.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = railfmt::fuzz::ScratchDir() + "/probe";
  railfmt::fuzz::PutFile(path, data, size);
  int32_t t = railfmt::FileType(path);
  if (t != 0 && t != 1 && t != 2 && t != 3 && t != 4 && t != 100 && t != 102 && t != 103) __builtin_trap();
  return 0;
}
