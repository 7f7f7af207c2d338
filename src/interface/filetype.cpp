// File-type detection.
#include "interface/filetype.h"

#include "platform/platform.h"
#include "railfmt/railfmt.h"

namespace railfmt {

int32_t FileTypeOfHead(const uint8_t (&head)[32]) {
  const uint8_t b0 = head[0], b1 = head[1], b5 = head[5], b6 = head[6], b16 = head[16];
  const bool jkStart = b0 == 0xA4 || b0 == 0xA2 || b0 == 0xFC;
  // The order of the tests matters: A0 A1 wins over everything, and B1h at
  // byte 16 turns even a B0 F0 start into an LKJ93 file.
  if (b0 == 0xA0 && b1 == 0xA1) return RAILFMT_TYPE_RING;
  if (jkStart && (b5 == 0xA0 || b6 == 0xA0)) return RAILFMT_TYPE_JK2H;
  if (jkStart) return RAILFMT_TYPE_JK96;
  if (b0 == 0xB0 && b1 == 0xF0 && b16 != 0xB1) return RAILFMT_TYPE_L2000;
  if (b0 == 0xB0 || b0 == 0xFF || b16 == 0xB1) return RAILFMT_TYPE_LKJ93;
  if (b0 == 0xA5 && b1 == 0x5A) return RAILFMT_TYPE_FORMATTED;
  if (b0 == 0xA6 && b1 == 0x6A) return RAILFMT_TYPE_FORMATTED;
  if (b0 == 'T' && b1 == '3') return RAILFMT_TYPE_TAX3;
  return RAILFMT_TYPE_UNKNOWN;
}

int32_t FileType(const std::string& path) {
  try {
    if (path.empty() || !platform::FileExists(path)) return RAILFMT_TYPE_UNKNOWN;
    uint8_t head[32] = {};
    if (!platform::ReadFirstBytes(path, head, sizeof head)) return RAILFMT_TYPE_UNKNOWN;
    return FileTypeOfHead(head);
  } catch (...) {
    return RAILFMT_TYPE_UNKNOWN;
  }
}

}  // namespace railfmt
