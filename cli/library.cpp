#include "library.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "format/layout.h"
#include "railfmt/railfmt.h"

namespace railfmt::cli {

std::string TypeName(int32_t type) {
  switch (type) {
    case RAILFMT_TYPE_JK2H: return "JK2H";
    case RAILFMT_TYPE_JK96: return "JK96";
    case RAILFMT_TYPE_LKJ93: return "LKJ93";
    case RAILFMT_TYPE_RING: return "ring-buffer download";
    case RAILFMT_TYPE_L2000: return "L2000";
    case RAILFMT_TYPE_FORMATTED: return "formatted";
    case RAILFMT_TYPE_TAX3: return "TAX3 dump";
    default: return "unknown";
  }
}

std::string DescribeFile(const std::string& path, int32_t type) {
  std::string d = TypeName(type);
  if (type != RAILFMT_TYPE_L2000) return d;
  std::ifstream f(path, std::ios::binary);
  unsigned char h[89] = {};
  if (!f.read(reinterpret_cast<char*>(h), sizeof h)) return d;
  char buf[64];
  const uint8_t vendor = h[kRawVendorPos];
  std::snprintf(buf, sizeof buf, " protocol %02X%02X vendor %c", h[kRawProtocolPos], h[kRawProtocolPos + 1],
                vendor >= 0x21 && vendor < 0x7F ? vendor : '?');
  return d + buf;
}

int32_t FileType(const std::string& path) { return lJkFileType(path.c_str()); }

namespace {
// A counted text as the host runtime lays it out: a 32-bit reference count,
// a 32-bit length, the characters and a terminating zero. The pointer handed
// over points at the first character.
class CountedText {
 public:
  explicit CountedText(const std::string& s) : words_(2 + (s.size() + 1 + 3) / 4, 0) {
    words_[0] = 1;  // one reference, held by the caller
    words_[1] = static_cast<int32_t>(s.size());
    std::memcpy(chars(), s.c_str(), s.size() + 1);
  }
  char* chars() { return reinterpret_cast<char*>(words_.data() + 2); }

 private:
  std::vector<int32_t> words_;
};
}  // namespace

int32_t NewFmtFileCall(const std::string& src, const std::string& dst) {
  CountedText s(src), d(dst);
  return NewFmtFile(s.chars(), d.chars());
}

int32_t TransSingleFileCall(const std::string& src, const std::string& dst) {
  return TransSingleFile(src.c_str(), dst.c_str());
}

int32_t TransFmtFileCall(const std::string& name, const std::string& from, const std::string& work,
                         const std::string& archive, uint8_t option) {
  return TransFmtFile(name.c_str(), from.c_str(), work.c_str(), archive.c_str(), option);
}

std::string NewFmtFileMessage(int32_t result, const std::string& src, const std::string& dst,
                              int32_t type) {
  switch (result) {
    case -1: return src + ": no such file";
    case -2: return src + ": not a recorder file that can be converted (type " + std::to_string(type) + ")";
    case -3: return src + ": the " + TypeName(type) + " converter failed on this file";
    case -4: return dst + ": the formatted file could not be written";
    case -5: return src + ": the ring-buffer download file could not be loaded";
    default: return src + ": conversion failed (result " + std::to_string(result) + ")";
  }
}

}  // namespace railfmt::cli
