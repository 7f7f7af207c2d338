// Replays files (or every file of folders) through one fuzz target without
// libFuzzer: the regression corpus and the seeds run on every test run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> paths;
    std::error_code ec;
    if (std::filesystem::is_directory(argv[i], ec)) {
      for (auto& e : std::filesystem::recursive_directory_iterator(argv[i], ec))
        if (e.is_regular_file()) paths.push_back(e.path());
    } else if (std::filesystem::exists(argv[i], ec)) {
      paths.push_back(argv[i]);
    }
    for (auto& p : paths) {
      std::ifstream f(p, std::ios::binary);
      std::vector<uint8_t> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(d.data(), d.size());
      ++files;
    }
  }
  std::printf("replayed %d inputs\n", files);
  return 0;
}
