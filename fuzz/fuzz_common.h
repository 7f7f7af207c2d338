// Shared by the fuzz targets and the regression replay test.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace railfmt::fuzz {

// A private scratch folder for targets that need files, made once per process.
inline const std::string& ScratchDir() {
  static std::string dir = [] {
    // In memory where the system has it: the file targets run many times faster.
    std::error_code ec;
    const bool shm = std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0;
    std::string tmpl = shm ? "/dev/shm/railfmt-fuzz-XXXXXX" : "/tmp/railfmt-fuzz-XXXXXX";
    static char made[64] = {};
    // No fallback to a shared folder: ClearScratch empties this one.
    if (tmpl.size() >= sizeof made || !::mkdtemp(tmpl.data())) std::abort();
    tmpl.copy(made, tmpl.size());
    // Removed at exit (from its own copy of the path: the string may be gone by then).
    std::atexit([] {
      std::error_code e;
      std::filesystem::remove_all(made, e);
    });
    return tmpl;
  }();
  return dir;
}

inline void ClearScratch() {
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator(ScratchDir(), ec)) std::filesystem::remove_all(e.path(), ec);
}

// Conversions that meet codes without handler append a line to the daily log
// beside the executable: under fuzzing it goes to the scratch folder and is
// removed now and then, so a long campaign does not fill the disk.
inline void RedirectLog() {
  static unsigned calls = 0;
  if (calls++ % 4096 == 0) {
    std::error_code ec;
    std::filesystem::remove_all(ScratchDir() + "/log", ec);
    platform::Hooks().executable_dir = ScratchDir() + "/";
  }
}

// Writes the fuzz input to a file; false when it cannot (a name the file
// system cannot hold).
inline bool PutFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(f);
}

// True when the file holds exactly these bytes.
inline bool FileHolds(const std::string& path, const uint8_t* data, size_t size) {
  std::vector<uint8_t> now;
  platform::LoadFile(path, now);
  return now.size() == size && (size == 0 || std::memcmp(now.data(), data, size) == 0);
}

// About one input in eight, chosen by its content (so a replay makes the
// same choice), is converted a second time to check the output is the same.
inline bool Recheck(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return (h & 7) == 0;
}

}  // namespace railfmt::fuzz
