#include "outfile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "commands.h"

namespace railfmt::cli {

bool WriteOutput(const std::string& path, const std::string& data) {
  if (path.empty() || path == "-") {
    std::fwrite(data.data(), 1, data.size(), stdout);
    if (std::fflush(stdout) != 0) {
      Error("cannot write the output");
      return false;
    }
    return true;
  }
  const std::string tmp = path + ".railfmt-tmp";
  bool ok = false;
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (f) {
      f.write(data.data(), static_cast<std::streamsize>(data.size()));
      f.close();
      ok = !f.fail();
    }
  }
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(tmp, path, ec);
    ok = !ec;
  }
  if (!ok) {
    std::filesystem::remove(tmp, ec);
    Error(path + ": cannot be written");
  }
  return ok;
}

}  // namespace railfmt::cli
