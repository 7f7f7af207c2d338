// The folder workflow on any file name and content: whatever happens, the
// raw file is never lost (its bytes are still in some file of the folders).
// Input: name length (first byte, mod 24), the name, the option byte, then
// the raw file's content.

#include "fuzz_common.h"
#include "interface/drivers.h"
#include "legacy/workarea.h"

namespace fs = std::filesystem;

namespace {
bool SomeFileHolds(const fs::path& root, const std::vector<uint8_t>& content) {
  std::error_code ec;
  for (auto& e : fs::recursive_directory_iterator(root, ec)) {
    if (!e.is_regular_file(ec) || e.file_size(ec) != content.size()) continue;
    if (railfmt::fuzz::FileHolds(e.path().string(), content.data(), content.size())) return true;
  }
  return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  railfmt::fuzz::ClearScratch();
  railfmt::fuzz::RedirectLog();
  const size_t n = data[0] % 24;
  if (size < 2 + n) return 0;
  std::string name(reinterpret_cast<const char*>(data + 1), n);
  name = name.substr(0, name.find('\0'));  // the host hands over zero-terminated texts
  const uint8_t option = data[1 + n];
  const std::vector<uint8_t> content(data + 2 + n, data + size);

  const std::string root = railfmt::fuzz::ScratchDir();
  const std::string src = root + "/src", work = root + "/work", arch = root + "/arch";
  fs::create_directories(src);
  // Only a name the file system can hold names a file the host could pass.
  const bool plain = !name.empty() && name.find_first_of("/\\") == std::string::npos &&
                     name != "." && name != "..";
  // (A name too long for the file system names no file either.)
  if (plain && !railfmt::fuzz::PutFile(src + "/" + name, content.data(), content.size())) return 0;
  const int32_t r = railfmt::TransFmtFileImpl(name, src, work, arch, option);
  railfmt::legacy::ResetCarriedValues();
  if (r == 0) __builtin_trap();
  if (r != 1 && (r < 1010 || r > 12310 || r % 10 != 0)) __builtin_trap();
  if (plain && !SomeFileHolds(root, content)) __builtin_trap();
  return 0;
}
