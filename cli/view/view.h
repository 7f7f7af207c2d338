// railfmt view: a formatted file as one self-contained interactive HTML page.
#pragma once

#include <string>

namespace railfmt::cli {

struct ViewOptions {
  std::string file, output, fields = "Val19,Val21,Val23", title, events;
};
int CmdView(const ViewOptions& o);

}  // namespace railfmt::cli
