// The subcommands of the railfmt tool. Each answers the process exit code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace railfmt::cli {

// Exit codes of the tool.
enum Exit : int {
  kExitOk = 0,        // done
  kExitFailed = 1,    // the operation failed (conversion, file not dated, a batch file failed)
  kExitUsage = 2,     // bad command line
  kExitTables = 3,    // reference tables or record codes rejected
};

// Prints "railfmt: message" on stderr (one line).
void Error(const std::string& message);
void Note(const std::string& message);

// Loads --tables and --mask; false (after printing the error) on failure.
bool PrepareLibrary(const std::string& tablesDir, const std::string& mask, bool verbose);

int CmdClassify(const std::vector<std::string>& files);

struct ConvertOptions {
  std::string src, dst, tables, mask;
  bool plain = false;
};
int CmdConvert(const ConvertOptions& o);

struct ProcessOptions {
  std::string name, from, work, archive;
  int option = 0;
};
int CmdProcess(const ProcessOptions& o);

struct BatchOptions {
  std::vector<std::string> paths;
  std::string out, tables, mask;
  int jobs = 1;
  bool quiet = false;
};
int CmdBatch(const BatchOptions& o);

struct DumpOptions {
  std::string file, format = "table", encoding, sep = ",";
  bool raw = false;
};
int CmdDump(const DumpOptions& o);

struct PlotOptions {
  std::string file, output, fields = "Val19,Val21", title;
  int width = 960, height = 480;
};
int CmdPlot(const PlotOptions& o);

struct SampleOptions {
  std::string output, kind = "l2000";
  uint32_t seed = 1;
  int records = 200;
  std::string size;  // --size: at least this many bytes (records counted to fit), empty: --records
};
// "100M", "2G", "512K", "1000000" (K, M, G: binary multiples; a trailing
// "B" or "iB" is allowed): the bytes, or 0 when the text is no size.
uint64_t ParseByteSize(const std::string& text);
constexpr uint64_t kMostSampleBytes = uint64_t{4} << 30;
int CmdSample(const SampleOptions& o);

}  // namespace railfmt::cli
