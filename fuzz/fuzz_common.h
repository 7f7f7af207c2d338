// Shared by the fuzz targets and the regression replay test.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace railfmt::fuzz {

// A private scratch folder for targets that need files, made once per process.
inline const std::string& ScratchDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/railfmt-fuzz-XXXXXX";
    char* p = ::mkdtemp(tmpl);
    return std::string(p ? p : "/tmp");
  }();
  return dir;
}

inline void ClearScratch() {
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(ScratchDir(), ec)) std::filesystem::remove_all(e.path(), ec);
}

}  // namespace railfmt::fuzz
