#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "checks.h"
#include "commands.h"
#include "library.h"
#include "railfmt/railfmt.h"
#include "sample/sample.h"
#include "tables.h"

namespace railfmt::cli {
namespace fs = std::filesystem;

void Error(const std::string& message) { std::fprintf(stderr, "railfmt: %s\n", message.c_str()); }
void Note(const std::string& message) { std::fprintf(stderr, "railfmt: note: %s\n", message.c_str()); }

bool PrepareLibrary(const std::string& tablesDir, const std::string& mask, bool verbose) {
  if (!tablesDir.empty()) {
    try {
      for (const auto& t : LoadTables(tablesDir))
        if (verbose) Note("loaded " + t.file + " (" + std::to_string(t.rows) + " rows)");
    } catch (const TableError& e) {
      Error(e.what());
      return false;
    }
  }
  if (!mask.empty()) {
    try {
      SetMaskedCodes(ParseCodeList(mask));
    } catch (const std::invalid_argument& e) {
      Error(std::string("--mask: ") + e.what());
      return false;
    }
  }
  return true;
}

// ------------------------------------------------------------------ classify
int CmdClassify(const std::vector<std::string>& files) {
  int rc = kExitOk;
  for (const auto& f : files) {
    if (std::string problem = InputFileProblem(f); !problem.empty()) {
      Error(problem);
      rc = kExitFailed;
      continue;
    }
    int32_t t = FileType(f);
    std::printf("%s\t%d\t%s\n", f.c_str(), t, DescribeFile(f, t).c_str());
  }
  return rc;
}

// ------------------------------------------------------------------ convert
namespace {
std::string TempBeside(const std::string& dst) { return dst + ".railfmt-tmp"; }
}

int CmdConvert(const ConvertOptions& o) {
  std::string dst = o.dst.empty() ? o.src + "F" : o.dst;
  std::error_code ec;
  if (std::string problem = InputFileProblem(o.src); !problem.empty()) {
    Error(problem);
    return kExitFailed;
  }
  if (std::string problem = OutputFileProblem(dst); !problem.empty()) {
    Error(problem);
    return kExitFailed;
  }
  if (fs::equivalent(o.src, dst, ec)) {
    Error(dst + ": the destination is the source file");
    return kExitUsage;
  }
  if (!PrepareLibrary(o.tables, o.mask, false)) return kExitTables;

  // The library writes to a temporary file beside the destination, which
  // becomes the destination only when the conversion succeeded: a failed
  // conversion leaves no file behind and an existing destination intact.
  // The kinds it converts it writes that way itself, straight to the
  // destination's temporary name; for the others (which leave an empty
  // destination) the tool gives it a temporary name of its own and keeps
  // nothing.
  const std::string tmp = TempBeside(dst);
  fs::remove(tmp, ec);
  int32_t type = FileType(o.src);
  const bool direct = type == RAILFMT_TYPE_JK2H || type == RAILFMT_TYPE_LKJ93 || type == RAILFMT_TYPE_L2000 ||
                      type == RAILFMT_TYPE_RING;
  // The summary line's description comes from the input's first bytes,
  // read before the conversion (not again after it).
  const std::string described = direct ? DescribeFile(o.src, type) : std::string();
  const std::string target = direct ? dst : tmp;
  int32_t r = o.plain ? TransSingleFileCall(o.src, target) : NewFmtFileCall(o.src, target);
  bool wrote = direct ? r == 0 && fs::exists(dst, ec) : fs::exists(tmp, ec);

  if (o.plain && r == 1) {
    fs::remove(tmp, ec);
    if (!fs::exists(o.src, ec)) Error(o.src + ": no such file");
    else if (type != RAILFMT_TYPE_UNKNOWN && type != RAILFMT_TYPE_RING)
      Error(o.src + ": the " + TypeName(type) + " file could not be converted into " + dst);
    else Error(o.src + ": no single-file converter for " + TypeName(type) + " files (type " + std::to_string(type) + ")");
    return kExitFailed;
  }
  if (r < 0) {
    fs::remove(tmp, ec);
    std::string message = NewFmtFileMessage(r, o.src, dst, type);
    if (r == -4) {
      std::string cause = OutputFileProblem(dst);
      if (!cause.empty()) message = cause;
    }
    Error(message);
    return kExitFailed;
  }
  // Kinds that are not converted leave the library's empty destination:
  // it is not kept, so no empty file is left behind.
  if (type == RAILFMT_TYPE_JK96 || type == RAILFMT_TYPE_FORMATTED || type == RAILFMT_TYPE_TAX3) {
    fs::remove(tmp, ec);
    wrote = false;
  }
  if (wrote && !direct) {
    fs::rename(tmp, dst, ec);
    if (ec) {
      fs::remove(tmp, ec);
      std::string cause = OutputFileProblem(dst);
      Error(cause.empty() ? dst + ": the formatted file could not be written (" + ec.message() + ")" : cause);
      return kExitFailed;
    }
  }
  switch (type) {
    case RAILFMT_TYPE_JK96:
    case RAILFMT_TYPE_FORMATTED:
      Note(o.src + ": " + TypeName(type) + " files are not converted; nothing written");
      break;
    case RAILFMT_TYPE_TAX3:
      Note(o.src + ": TAX3 dump cut into one file per recording (TAX3-...) in " +
           (fs::path(o.src).has_parent_path() ? fs::path(o.src).parent_path().string() : std::string(".")) +
           "; nothing else written");
      break;
    case RAILFMT_TYPE_RING:
      if (wrote)
        std::printf("%s -> %s (ring-buffer download unrolled, %ju bytes)\n", o.src.c_str(), dst.c_str(),
                    static_cast<uintmax_t>(fs::file_size(dst, ec)));
      break;
    default:
      if (wrote) {
        auto size = fs::file_size(dst, ec);
        std::printf("%s -> %s (%s, %ju records)\n", o.src.c_str(), dst.c_str(), described.c_str(),
                    static_cast<uintmax_t>(size >= 52 ? (size - 52) / 26 : 0));
      } else {
        Note(o.src + ": nothing written");
      }
  }
  return kExitOk;
}

// ------------------------------------------------------------------ process
int CmdProcess(const ProcessOptions& o) {
  std::error_code ec;
  fs::path src = fs::path(o.from) / o.name;
  if (o.name.find_first_of("/\\") != std::string::npos) {
    Error(o.name + ": give the file name alone and its folder with --from");
    return kExitUsage;
  }
  if (!fs::is_directory(o.from, ec)) {
    Error(o.from + (fs::exists(o.from, ec) ? ": is a file, not a folder (--from names the download folder)"
                                           : ": no such folder (--from names the download folder)"));
    return kExitFailed;
  }
  if (std::string problem = InputFileProblem(src.string()); !problem.empty()) {
    Error(problem);
    return kExitFailed;
  }
  int32_t type = FileType(src.string());
  int32_t r = TransFmtFileCall(o.name, o.from, o.work, o.archive, static_cast<uint8_t>(o.option));
  if (r > 1) {
    static const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                    "July",    "August",   "September", "October", "November", "December"};
    int month = r / 1000, day = r % 1000 / 10;
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d", month, day);
    std::string what;
    switch (type) {
      case RAILFMT_TYPE_FORMATTED: what = "already formatted: moved to " + (fs::path(o.work) / "TEMP").string(); break;
      case RAILFMT_TYPE_JK96:
        what = "JK96 (not converted): archived in " + (fs::path(o.archive) / "JK96" / date).string();
        break;
      default:
        what = TypeName(type) + ": formatted file in " + (fs::path(o.work) / "TEMP").string() + ", raw file archived in " +
               (fs::path(o.archive) / TypeName(type) / date).string();
    }
    std::printf("%s: dated %d %s (%s); %s\n", o.name.c_str(), day, month >= 1 && month <= 12 ? kMonths[month - 1] : "?",
                date, what.c_str());
    return kExitOk;
  }
  switch (type) {
    case RAILFMT_TYPE_JK2H:
    case RAILFMT_TYPE_JK96:
    case RAILFMT_TYPE_LKJ93:
    case RAILFMT_TYPE_L2000:
    case RAILFMT_TYPE_FORMATTED:
      Error(o.name + ": not dated: the extension carries no valid month and day; the raw file went to " +
            (fs::path(o.archive) / "nouse").string());
      break;
    default: {
      bool nouse = fs::exists(fs::path(o.archive) / "nouse" / o.name, ec);
      Error(o.name + ": not processed: " + TypeName(type) + " files (type " + std::to_string(type) +
            ") are not handled by the folder workflow" + (nouse ? "; the name is not dated either" : ""));
    }
  }
  return kExitFailed;
}

// ------------------------------------------------------------------ sample
uint64_t ParseByteSize(const std::string& text) {
  std::size_t i = 0;
  uint64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (n > (UINT64_MAX - 9) / 10) return 0;
    n = n * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i == 0) return 0;
  std::string unit = text.substr(i);
  for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  int shift = 0;
  if (!unit.empty() && (unit[0] == 'K' || unit[0] == 'M' || unit[0] == 'G')) {
    shift = unit[0] == 'K' ? 10 : unit[0] == 'M' ? 20 : 30;
    unit.erase(0, 1);
    if (unit == "I" || unit == "IB") unit.clear();
  }
  if (!unit.empty() && unit != "B") return 0;
  if (n > (UINT64_MAX >> shift)) return 0;
  return n << shift;
}

int CmdSample(const SampleOptions& o) {
  sample::Kind kind;
  if (!sample::ParseKind(o.kind, kind)) {
    Error("--kind: unknown kind '" + o.kind + "'");
    return kExitUsage;
  }
  uint64_t size = 0;
  if (!o.size.empty()) {
    size = ParseByteSize(o.size);
    if (size == 0 || size > kMostSampleBytes) {
      Error("--size: '" + o.size + "' is no size from 1 byte to 4G (e.g. 100M, 2G, 512K)");
      return kExitUsage;
    }
    if (kind == sample::Kind::TAX3) {
      Error("--size: tax3 samples are counted in recordings: use --records (at most 63)");
      return kExitUsage;
    }
  }
  if (std::string problem = OutputFileProblem(o.output); !problem.empty()) {
    Error(problem);
    return kExitFailed;
  }
  std::vector<uint8_t> bytes = size ? sample::GenerateSampleOfSize(kind, o.seed, static_cast<std::size_t>(size))
                                    : sample::GenerateSample(kind, o.seed, o.records);
  if (bytes.empty()) {
    Error("--size: " + o.size + " is more than the generator makes for " + o.kind);
    return kExitUsage;
  }
  std::ofstream f(o.output, std::ios::binary | std::ios::trunc);
  if (!f || !f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())) ||
      !f.flush()) {
    Error(o.output + ": cannot be written");
    if (f.is_open()) {  // a file this call could not open is not touched
      std::error_code ec;
      f.close();
      fs::remove(o.output, ec);
    }
    return kExitFailed;
  }
  std::printf("%s: %s sample, seed %u, %zu bytes\n", o.output.c_str(), o.kind.c_str(), o.seed, bytes.size());
  return kExitOk;
}

}  // namespace railfmt::cli
