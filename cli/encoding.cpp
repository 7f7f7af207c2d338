#include "encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace railfmt::cli {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; on an invalid sequence answers the
  // position of the offending byte (input consumed up to there).
  bool Run(std::string_view in, std::string& out, std::size_t& stoppedAt) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    std::vector<char> buf(in.size() * 4 + 16);
    while (left > 0) {
      char* dst = buf.data();
      std::size_t room = buf.size();
      std::size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf.data(), static_cast<std::size_t>(dst - buf.data()));
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        stoppedAt = in.size() - left;
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  Converter c("UTF-8", "GBK");
  std::string out;
  if (!c.ok()) return std::string(gbk);
  while (!gbk.empty()) {
    std::size_t at = 0;
    if (c.Run(gbk, out, at)) break;
    char esc[8];
    std::snprintf(esc, sizeof esc, "\\x%02X", static_cast<unsigned char>(gbk[at]));
    out += esc;
    gbk.remove_prefix(at + 1);
  }
  return out;
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  Converter c("GBK", "UTF-8");
  if (!c.ok()) return std::nullopt;
  std::string out;
  std::size_t at = 0;
  if (!c.Run(utf8, out, at)) return std::nullopt;
  return out;
}

}  // namespace railfmt::cli
