// Text encodings of the tool: the library and its files speak GBK, the
// terminal, CSV and JSON speak UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace railfmt::cli {

// GBK bytes as UTF-8; bytes that are no GBK character become \xNN.
std::string GbkToUtf8(std::string_view gbk);
// UTF-8 as GBK; nothing when the text is not valid UTF-8 or holds a
// character without a GBK form.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

}  // namespace railfmt::cli
