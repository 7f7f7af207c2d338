// railfmt batch: many files, optionally in several worker processes (the
// library is single-threaded, so parallel work means separate processes).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "checks.h"
#include "commands.h"
#include "library.h"
#include "railfmt/railfmt.h"

namespace railfmt::cli {
namespace fs = std::filesystem;
namespace {

enum class Outcome : char { Converted = 'C', Skipped = 'S', Failed = 'F' };

struct Item {
  std::string src;
  std::string dst;    // empty when the item failed before conversion
  std::string early;  // failure found while collecting
};

struct Result {
  Outcome outcome = Outcome::Failed;
  std::string message;
};

std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  if (s.size() > 400) s.resize(400);
  return s;
}

std::vector<Item> Collect(const std::vector<std::string>& paths, const std::string& outDir) {
  std::vector<Item> items;
  std::set<std::string> targets;
  auto add = [&](const fs::path& file, const fs::path& rel) {
    Item it;
    it.src = file.string();
    fs::path dst = fs::path(outDir) / rel;
    dst += "F";
    it.dst = dst.string();
    if (!targets.insert(it.dst).second) {
      it.early = "its output name " + it.dst + " is taken by another input";
      it.dst.clear();
    }
    items.push_back(std::move(it));
  };
  for (const auto& p : paths) {
    std::error_code ec;
    fs::path root(p);
    if (fs::is_regular_file(root, ec)) {
      add(root, root.filename());
    } else if (fs::is_directory(root, ec)) {
      std::vector<fs::path> files;
      for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
           !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        // an output folder inside an input folder holds results, not inputs
        if (it->is_directory(ec) && fs::equivalent(it->path(), outDir, ec)) {
          it.disable_recursion_pending();
          continue;
        }
        if (it->is_regular_file(ec)) files.push_back(it->path());
      }
      std::sort(files.begin(), files.end());
      // the walk yields root/rel: the relative part needs no look at the disk
      for (const auto& f : files) add(f, f.lexically_relative(root));
    } else {
      Item it;
      it.src = p;
      it.early = "no such file or folder";
      items.push_back(std::move(it));
    }
  }
  return items;
}

Result ProcessOne(const Item& it) {
  if (!it.early.empty()) return {Outcome::Failed, it.early};
  std::error_code ec;
  int32_t type = FileType(it.src);
  switch (type) {
    case RAILFMT_TYPE_UNKNOWN: return {Outcome::Skipped, "not a recorder file"};
    case RAILFMT_TYPE_JK96: return {Outcome::Skipped, "JK96 files are not converted"};
    case RAILFMT_TYPE_FORMATTED: return {Outcome::Skipped, "already formatted"};
    case RAILFMT_TYPE_TAX3: return {Outcome::Skipped, "TAX3 dump (use convert to split it)"};
    default: break;
  }
  fs::create_directories(fs::path(it.dst).parent_path(), ec);
  // The library writes the destination through a temporary file beside it,
  // renamed over it only when the conversion succeeded whole.
  int32_t r = NewFmtFileCall(it.src, it.dst);
  if (r == -4) {
    std::error_code ignored;
    const bool folder = fs::is_directory(it.dst, ignored);
    return {Outcome::Failed, it.dst + ": the formatted file could not be written" +
                                 (folder ? std::string(" (a folder of that name is in the way)") : std::string())};
  }
  if (r < 0) return {Outcome::Failed, NewFmtFileMessage(r, it.src, it.dst, type)};
  return {Outcome::Converted, TypeName(type)};
}

class Progress {
 public:
  Progress(std::size_t total, bool enabled) : total_(total), enabled_(enabled) {}
  void Update(std::size_t done, std::size_t conv, std::size_t skip, std::size_t fail) {
    if (!enabled_) return;
    constexpr int kWidth = 30;
    int filled = total_ ? static_cast<int>(done * kWidth / total_) : kWidth;
    std::fprintf(stderr, "\r[%s%s] %zu/%zu  converted %zu  skipped %zu  failed %zu", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), done, total_, conv, skip, fail);
    std::fflush(stderr);
  }
  // Clears the bar before a message line.
  void Clear() {
    if (enabled_) std::fprintf(stderr, "\r\033[K");
  }

 private:
  std::size_t total_;
  bool enabled_;
};

}  // namespace

int CmdBatch(const BatchOptions& o) {
  // Inputs that do not exist and an output folder that cannot be made stop
  // the batch before anything is done: nothing is created, not even --out.
  std::error_code ec;
  bool missing = false;
  for (const auto& p : o.paths) {
    if (!fs::exists(p, ec)) {
      Error(p + ": no such file or folder");
      missing = true;
    }
  }
  if (missing) return kExitFailed;
  if (std::string problem = OutputFolderProblem(o.out); !problem.empty()) {
    Error(problem + " (--out)");
    return kExitFailed;
  }
  if (!PrepareLibrary(o.tables, o.mask, false)) return kExitTables;
  std::vector<Item> items = Collect(o.paths, o.out);
  // the output folder is made when there is something to convert into it
  bool converts = false;
  for (const auto& it : items) converts = converts || it.early.empty();
  if (converts) {
    std::error_code made;
    fs::create_directories(o.out, made);
    if (!fs::is_directory(o.out, ec)) {
      Error(o.out + ": the output folder cannot be created" + (made ? " (" + made.message() + ")" : std::string()));
      return kExitFailed;
    }
  }
  std::vector<Result> results(items.size());
  std::vector<bool> reported(items.size(), false);
  std::size_t done = 0, conv = 0, skip = 0, fail = 0;
#ifndef _WIN32
  Progress progress(items.size(), !o.quiet && isatty(STDERR_FILENO));
#else
  Progress progress(items.size(), false);
#endif

  auto record = [&](std::size_t i, Result r) {
    if (i >= items.size() || reported[i]) return;
    reported[i] = true;
    ++done;
    if (r.outcome == Outcome::Converted) ++conv;
    else if (r.outcome == Outcome::Skipped) ++skip;
    else ++fail;
    if (r.outcome == Outcome::Failed) {
      progress.Clear();
      Error(items[i].src + ": " + r.message);
    } else if (r.outcome == Outcome::Skipped && !o.quiet) {
      progress.Clear();
      Note("skipped " + items[i].src + ": " + r.message);
    }
    results[i] = std::move(r);
    progress.Update(done, conv, skip, fail);
  };

  int jobs = std::min<int>(o.jobs, static_cast<int>(items.size()));
#ifdef _WIN32
  jobs = 1;
#endif
  if (jobs <= 1) {
    for (std::size_t i = 0; i < items.size(); ++i) record(i, ProcessOne(items[i]));
  } else {
#ifndef _WIN32
    // Workers take the next file from a shared counter and report each
    // result as one line on a pipe (lines below PIPE_BUF are written whole).
    auto* next = static_cast<std::atomic<int>*>(
        mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    int fds[2];
    if (next == MAP_FAILED || pipe(fds) != 0) {
      Error("cannot start worker processes");
      return kExitFailed;
    }
    new (next) std::atomic<int>(0);
    std::fflush(nullptr);
    std::vector<pid_t> pids;
    for (int k = 0; k < jobs; ++k) {
      pid_t pid = fork();
      if (pid == 0) {
        close(fds[0]);
        // Results go out in blocks (at most PIPE_BUF bytes, so written whole)
        // every 50 ms or when the block is full: one line per file would wake
        // the reporting process for every file and take a core from the workers.
        std::string block;
        auto last = std::chrono::steady_clock::now();
        auto flush = [&] {
          bool ok = block.empty() || write(fds[1], block.data(), block.size()) == static_cast<ssize_t>(block.size());
          block.clear();
          last = std::chrono::steady_clock::now();
          return ok;
        };
        for (;;) {
          int i = next->fetch_add(1);
          if (i >= static_cast<int>(items.size())) break;
          Result r = ProcessOne(items[static_cast<std::size_t>(i)]);
          std::string line = std::to_string(i) + "\t" + static_cast<char>(r.outcome) + "\t" + OneLine(r.message) + "\n";
          if (block.size() + line.size() > PIPE_BUF && !flush()) break;
          block += line;
          if (std::chrono::steady_clock::now() - last > std::chrono::milliseconds(50) && !flush()) break;
        }
        flush();
        close(fds[1]);
        _exit(0);
      }
      if (pid > 0) pids.push_back(pid);
    }
    close(fds[1]);
    if (pids.empty()) {
      close(fds[0]);
      Error("cannot start worker processes");
      return kExitFailed;
    }
    FILE* in = fdopen(fds[0], "r");
    char* line = nullptr;
    size_t cap = 0;
    while (getline(&line, &cap, in) > 0) {
      std::string s(line);
      if (!s.empty() && s.back() == '\n') s.pop_back();
      std::size_t t1 = s.find('\t'), t2 = s.find('\t', t1 + 1);
      if (t1 == std::string::npos || t2 == std::string::npos) continue;
      Result r;
      r.outcome = static_cast<Outcome>(s[t1 + 1]);
      r.message = s.substr(t2 + 1);
      record(static_cast<std::size_t>(std::stoul(s.substr(0, t1))), r);
    }
    free(line);
    fclose(in);
    for (pid_t p : pids) waitpid(p, nullptr, 0);
    munmap(next, sizeof(std::atomic<int>));
    // a worker that died took its file with it
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!reported[i]) record(i, {Outcome::Failed, "the worker process converting it ended abnormally"});
#endif
  }
  progress.Clear();
  std::printf("converted %zu, skipped %zu, failed %zu (%zu files)\n", conv, skip, fail, items.size());
  return fail ? kExitFailed : kExitOk;
}

}  // namespace railfmt::cli
