#include "checks.h"

#include <filesystem>

#include "library.h"
#include "railfmt/railfmt.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace railfmt::cli {
namespace fs = std::filesystem;

namespace {

// The folder a file of this path goes into ("." for a bare name).
fs::path FolderOf(const std::string& path) {
  fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? fs::path(".") : parent;
}

// The nearest part of DIR that exists, and the first part below it that
// does not (the folder a user has to create).
std::string MissingFolder(const fs::path& dir) {
  std::error_code ec;
  fs::path missing = dir;
  for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing = p;
    if (p == p.parent_path()) break;
  }
  return missing.string();
}

bool Writable(const fs::path& dir) {
#ifndef _WIN32
  return access(dir.c_str(), W_OK | X_OK) == 0;
#else
  (void)dir;
  return true;
#endif
}

// Why a file cannot be created inside DIR ("" when it can, as far as known).
std::string FolderCause(const fs::path& dir) {
  std::error_code ec;
  fs::file_status st = fs::status(dir, ec);
  if (!fs::exists(st)) {
    // a file in the way of the folder path says so, not "no such folder"
    for (fs::path p = dir.parent_path(); !p.empty(); p = p.parent_path()) {
      if (fs::exists(p, ec)) {
        if (!fs::is_directory(p, ec)) return p.string() + " is a file, not a folder";
        break;
      }
      if (p == p.parent_path()) break;
    }
    return "no such folder " + MissingFolder(dir);
  }
  if (!fs::is_directory(st)) return dir.string() + " is a file, not a folder";
  if (!Writable(dir)) return "no permission to write in the folder " + dir.string();
  return {};
}

}  // namespace

std::string InputFileProblem(const std::string& path) {
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    fs::path folder = FolderOf(path);
    if (!fs::exists(folder, ec)) return path + ": no such file (no such folder " + MissingFolder(folder) + ")";
    return path + ": no such file";
  }
  if (fs::is_directory(st)) return path + ": is a folder, not a file";
  if (!fs::is_regular_file(st)) return path + ": not a regular file";
#ifndef _WIN32
  if (access(path.c_str(), R_OK) != 0) return path + ": cannot be read (no permission)";
#endif
  return {};
}

std::string OutputFileProblem(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return path + ": is a folder, not a file; name the file to write";
  std::string cause = FolderCause(FolderOf(path));
  return cause.empty() ? cause : path + ": cannot be written: " + cause;
}

std::string OutputFolderProblem(const std::string& dir) {
  std::error_code ec;
  fs::file_status st = fs::status(dir, ec);
  if (fs::exists(st)) {
    if (!fs::is_directory(st)) return dir + ": is a file, not a folder";
    if (!Writable(dir)) return dir + ": no permission to write in this folder";
    return {};
  }
  // it will be created: the nearest existing folder above it must take it
  fs::path p = fs::path(dir).parent_path();
  while (!p.empty() && !fs::exists(p, ec) && p != p.parent_path()) p = p.parent_path();
  if (p.empty()) p = ".";
  if (!fs::is_directory(p, ec)) return dir + ": cannot be created: " + p.string() + " is a file, not a folder";
  if (!Writable(p)) return dir + ": cannot be created: no permission to write in the folder " + p.string();
  return {};
}

std::string NotFormattedMessage(const std::string& path) {
  int32_t type = FileType(path);
  switch (type) {
    case RAILFMT_TYPE_JK2H:
    case RAILFMT_TYPE_LKJ93:
    case RAILFMT_TYPE_L2000:
    case RAILFMT_TYPE_RING:
      return path + ": not a formatted file but a raw " + TypeName(type) +
             " file: convert it first with railfmt convert " + path;
    case RAILFMT_TYPE_TAX3:
      return path + ": not a formatted file but a TAX3 dump: railfmt convert " + path +
             " cuts it into one file per recording";
    case RAILFMT_TYPE_JK96:
      return path + ": not a formatted file but a raw JK96 file (railfmt does not convert JK96 files)";
    default:
      return path + ": not a formatted file (it does not start with A6 6A or A5 5A)";
  }
}

}  // namespace railfmt::cli
