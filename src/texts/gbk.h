// Compile-time UTF-8 -> GBK conversion of the library's fixed texts.
//
// Texts are written in the sources as readable UTF-8 literals, GBK("信息板A"),
// and reach the formatted files as GBK bytes. The conversion runs while
// compiling: a character that the table does not know stops the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace railfmt {

struct GbkPair {
  char32_t cp;
  uint16_t gbk;
};

inline constexpr GbkPair kGbkTable[] = {
#include "texts/gbk_table.inc"
};

namespace detail {
// Not constexpr: reaching it during constant evaluation is a compile error.
inline void character_missing_from_the_GBK_table_run_tools_gen_gbk_table_py() {}

// constexpr rather than consteval: it only runs inside the consteval
// constructor below, and clang 14 rejects a consteval call there.
constexpr uint16_t GbkOf(char32_t cp) {
  for (const auto& p : kGbkTable)
    if (p.cp == cp) return p.gbk;
  character_missing_from_the_GBK_table_run_tools_gen_gbk_table_py();
  return 0;
}
}  // namespace detail

template <std::size_t N>
struct GbkLiteral {
  char data[N]{};
  std::size_t size = 0;

  consteval GbkLiteral(const char (&utf8)[N]) {
    std::size_t i = 0;
    while (i + 1 < N && utf8[i] != 0) {
      unsigned char c = static_cast<unsigned char>(utf8[i]);
      if (c < 0x80) {
        data[size++] = static_cast<char>(c);
        ++i;
        continue;
      }
      char32_t cp = 0;
      int extra = 0;
      if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
      else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
      else { cp = c & 0x07; extra = 3; }
      ++i;
      for (int k = 0; k < extra; ++k, ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
      uint16_t g = detail::GbkOf(cp);
      data[size++] = static_cast<char>(g >> 8);
      data[size++] = static_cast<char>(g & 0xFF);
    }
  }
  constexpr std::string_view view() const { return {data, size}; }
};

}  // namespace railfmt

// GBK("文字") -> std::string_view of the GBK bytes, converted at compile time.
#define GBK(lit)                                                         \
  ([]() -> std::string_view {                                            \
    static constexpr ::railfmt::GbkLiteral<sizeof(lit)> gbk_text_(lit);  \
    return gbk_text_.view();                                             \
  }())
