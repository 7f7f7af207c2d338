// The single-file drivers on any file: the type is detected from the content,
// the matching converter runs and the output is saved. The result is one of
// the driver's codes and the source file is left as it was; converted onto
// itself, the source is replaced only by a finished conversion.
#include "fuzz_common.h"
#include "interface/drivers.h"
#include "interface/filetype.h"
#include "railfmt/railfmt.h"
#include "legacy/workarea.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  railfmt::fuzz::ClearScratch();
  railfmt::fuzz::RedirectLog();
  railfmt::legacy::ResetCarriedValues();
  const std::string src = railfmt::fuzz::ScratchDir() + "/raw.bin";
  const std::string dst = railfmt::fuzz::ScratchDir() + "/out.fmt";
  railfmt::fuzz::PutFile(src, data, size);
  const int32_t r = railfmt::NewFmtFileImpl(src, dst);
  if (r > 0 || r < -5) __builtin_trap();
  const int32_t t = railfmt::TransSingleFileImpl(src, dst);
  if (t != 0 && t != 1) __builtin_trap();
  if (!railfmt::fuzz::FileHolds(src, data, size)) __builtin_trap();

  const int32_t type = railfmt::FileType(src);
  const int32_t same = railfmt::NewFmtFileImpl(src, src);
  const bool converts = type == RAILFMT_TYPE_JK2H || type == RAILFMT_TYPE_LKJ93 || type == RAILFMT_TYPE_L2000 ||
                        type == RAILFMT_TYPE_RING;
  if ((same != 0 || !converts) && !railfmt::fuzz::FileHolds(src, data, size)) __builtin_trap();
  return 0;
}
