// POSIX implementation of the OS layer.
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <new>

#include "platform/platform.h"

namespace railfmt::platform {

namespace {
bool TakeFault(int& counter) {
  if (counter > 0) {
    --counter;
    return true;
  }
  return false;
}

bool WriteAll(int fd, const uint8_t* data, std::size_t n) {
  int64_t& room = Hooks().disk_room;
  while (n > 0) {
    std::size_t chunk = n;
    if (room >= 0) {
      if (room == 0) {
        errno = ENOSPC;
        return false;
      }
      chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(room));
    }
    ssize_t w = ::write(fd, data, chunk);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (room >= 0) room -= w;
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// Opens an existing file for reading; -1 when it cannot be opened.
int OpenForReading(const std::string& path) {
  if (TakeFault(Hooks().fail_reads)) {
    errno = EACCES;
    return -1;
  }
  return ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
}
}  // namespace

std::string NativePath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReadFirstBytes(const std::string& path, uint8_t* dst, std::size_t n) {
  if (!FileExists(path)) return false;
  int fd = OpenForReading(path);
  if (fd < 0) return false;
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, dst + got, n - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  ::close(fd);
  return got == n;
}

bool LoadFile(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  if (Hooks().before_load) Hooks().before_load(path);
  if (!FileExists(path)) return false;
  int fd = OpenForReading(path);
  if (fd < 0) return false;
  bool ok = true;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    // The file's size is read straight into the buffer, in one call as a
    // rule. A large file fills its buffer front to back: large pages save
    // most of the page faults (only whole large pages inside the file's size).
    const auto n = static_cast<std::size_t>(st.st_size);
    try {
      out.reserve(n);
      if (n >= (16u << 20)) AdviseLargeBuffer(out.data(), n);
      out.resize(n);
    } catch (...) {
      ::close(fd);
      out.clear();
      return false;
    }
    std::size_t got = 0;
    while (got < n) {
      ssize_t r = ::read(fd, out.data() + got, n - got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) {
        ok = r == 0;
        break;
      }
      got += static_cast<std::size_t>(r);
    }
    out.resize(got);  // a file cut short since: what it holds
    if (!ok || got < n) {
      ::close(fd);
      return ok;
    }
  }
  // Whatever follows (a file that grew, or one whose size is not known).
  uint8_t buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      ok = false;
      break;
    }
    if (r == 0) break;
    out.insert(out.end(), buf, buf + r);
  }
  ::close(fd);
  return ok;
}

bool SaveFile(const std::string& path, const uint8_t* data, std::size_t n) {
  if (path.empty() || TakeFault(Hooks().fail_saves)) return false;
  std::string target = NativePath(path);
  if (DirExists(target)) return false;
  std::string tmp = target + ".railfmt-tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data, n);
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

bool TempFile::Open(const std::string& target) {
  Discard();
  if (target.empty() || TakeFault(Hooks().fail_saves)) return false;
  target_ = NativePath(target);
  if (DirExists(target_)) return false;
  tmp_ = target_ + ".railfmt-tmp";
  int fd = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool TempFile::Append(const uint8_t* data, std::size_t n) {
  return IsOpen() && WriteAll(static_cast<int>(handle_), data, n);
}

bool TempFile::WriteAt(uint64_t offset, const uint8_t* data, std::size_t n) {
  if (!IsOpen()) return false;
  const int fd = static_cast<int>(handle_);
  const off_t end = ::lseek(fd, 0, SEEK_CUR);
  if (end < 0 || ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  const bool ok = WriteAll(fd, data, n);
  const off_t after = static_cast<off_t>(offset + n);
  return ::lseek(fd, after > end ? after : end, SEEK_SET) >= 0 && ok;
}

bool TempFile::Truncate() {
  if (!IsOpen()) return false;
  const int fd = static_cast<int>(handle_);
  return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0;
}

void TempFile::StartWriteback() {
#if defined(__linux__)
  if (IsOpen()) ::sync_file_range(static_cast<int>(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool TempFile::Commit() {
  if (!IsOpen()) return false;
  bool ok = ::close(static_cast<int>(handle_)) == 0;
  handle_ = kNoHandle;
  if (ok && ::rename(tmp_.c_str(), target_.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp_.c_str());
  return ok;
}

void TempFile::Discard() {
  if (!IsOpen()) return;
  ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
  ::unlink(tmp_.c_str());
}

bool ReleaseCachedPages(const std::string& path) {
  // Not blocking on a pipe of that name; no test fault taken (nothing is read).
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
  return regular;
}

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (TakeFault(Hooks().fail_copies)) return false;
  if (!FileExists(from)) return false;
  if (failIfExists && (FileExists(to) || DirExists(to))) return false;
  std::vector<uint8_t> data;
  if (!LoadFile(from, data)) return false;
  std::string target = NativePath(to);
  if (DirExists(target)) return false;
  // CopyFileA refuses to overwrite a read-only target.
  if (FileExists(target) && (GetAttributes(to) & kAttrReadOnly)) return false;
  if (TakeFault(Hooks().short_copies) && !data.empty()) data.pop_back();
  // The copy goes to a temporary file beside the target first: a copy that
  // fails (a full disk) leaves a file already at the target as it was.
  const std::string tmp = target + ".railfmt-tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, data.data(), data.size());
  if (::close(fd) != 0) ok = false;
  struct stat st {};
  if (ok && ::stat(NativePath(from).c_str(), &st) == 0) ::chmod(tmp.c_str(), st.st_mode & 07777);
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (TakeFault(Hooks().fail_moves)) return false;
  std::string src = NativePath(from), dst = NativePath(to);
  struct stat st {};
  if (::lstat(src.c_str(), &st) != 0) return false;
  if (::lstat(dst.c_str(), &st) == 0) return false;  // the target exists
  return ::rename(src.c_str(), dst.c_str()) == 0;
}

bool DeleteFile(const std::string& path) {
  if (!FileExists(path)) return false;
  // DeleteFileA refuses read-only files.
  if (GetAttributes(path) & kAttrReadOnly) return false;
  return ::unlink(NativePath(path).c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) { return MoveFile(from, to); }

int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(NativePath(a).c_str(), &sa) != 0 || ::stat(NativePath(b).c_str(), &sb) != 0) return false;
  return S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

uint32_t GetAttributes(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(NativePath(path).c_str(), &st) != 0) return kInvalidAttributes;
  uint32_t a = 0;
  if (S_ISDIR(st.st_mode)) a |= kAttrDirectory;
  else a |= kAttrArchive;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) a |= kAttrReadOnly;
  return a;
}

bool SetAttributes(const std::string& path, uint32_t attrs) {
  std::string p = NativePath(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attrs & kAttrReadOnly) mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
  else mode |= S_IWUSR;
  return ::chmod(p.c_str(), mode) == 0;
}

bool CreateDir(const std::string& path) {
  if (TakeFault(Hooks().fail_create_dirs)) return false;
  return ::mkdir(NativePath(path).c_str(), 0755) == 0;
}

bool CreateDirs(const std::string& path) {
  if (TakeFault(Hooks().fail_create_dirs)) return false;
  std::string p = NativePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty()) return false;
  if (DirExists(p)) return true;
  for (std::size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      std::string part = p.substr(0, i);
      if (!DirExists(part) && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return DirExists(p);
}

std::string ExecutableDir() {
  if (!Hooks().executable_dir.empty()) {
    std::string d = Hooks().executable_dir;
    if (d.back() != '\\' && d.back() != '/') d += '\\';
    return d;
  }
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  std::string p(buf, static_cast<std::size_t>(n));
  std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) return std::string();
  return p.substr(0, slash + 1);
}

bool AppendLine(const std::string& path, const std::string& line) {
  std::FILE* f = std::fopen(NativePath(path).c_str(), "ab");
  if (!f) return false;
  bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
  ok = std::fwrite("\r\n", 1, 2, f) == 2 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

namespace {
pthread_mutex_t g_libraryLock = PTHREAD_MUTEX_INITIALIZER;
}  // namespace

void AcquireLibraryMutex() { ::pthread_mutex_lock(&g_libraryLock); }
void ReleaseLibraryMutex() { ::pthread_mutex_unlock(&g_libraryLock); }

namespace {
struct SignalImpl {
  pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t cond = PTHREAD_COND_INITIALIZER;
};
struct ThreadImpl {
  pthread_t id{};
  void (*fn)(void*) = nullptr;
  void* arg = nullptr;
};
void* RunThread(void* p) {
  auto* t = static_cast<ThreadImpl*>(p);
  t->fn(t->arg);
  return nullptr;
}
}  // namespace

Signal::Signal() : impl_(new SignalImpl) {}
Signal::~Signal() {
  auto* s = static_cast<SignalImpl*>(impl_);
  ::pthread_cond_destroy(&s->cond);
  ::pthread_mutex_destroy(&s->lock);
  delete s;
}
void Signal::Lock() { ::pthread_mutex_lock(&static_cast<SignalImpl*>(impl_)->lock); }
void Signal::Unlock() { ::pthread_mutex_unlock(&static_cast<SignalImpl*>(impl_)->lock); }
void Signal::Wait() {
  auto* s = static_cast<SignalImpl*>(impl_);
  ::pthread_cond_wait(&s->cond, &s->lock);
}
void Signal::WakeAll() { ::pthread_cond_broadcast(&static_cast<SignalImpl*>(impl_)->cond); }

bool Thread::Start(void (*fn)(void*), void* arg) {
  Join();
  auto* t = new (std::nothrow) ThreadImpl;
  if (!t) return false;
  t->fn = fn;
  t->arg = arg;
  if (::pthread_create(&t->id, nullptr, RunThread, t) != 0) {
    delete t;
    return false;
  }
  impl_ = t;
  return true;
}

void Thread::Join() {
  auto* t = static_cast<ThreadImpl*>(impl_);
  if (!t) return;
  ::pthread_join(t->id, nullptr);
  delete t;
  impl_ = nullptr;
}

LocalDate Today() {
  if (Hooks().today.year != 0) return Hooks().today;
  std::time_t t = std::time(nullptr);
  struct tm tmv {};
  ::localtime_r(&t, &tmv);
  return LocalDate{tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday};
}

}  // namespace railfmt::platform

#include <sys/mman.h>

namespace railfmt::platform {

void AdviseLargeBuffer(void* p, std::size_t n) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = 2u << 20;
  std::uintptr_t b = (reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1);
  std::uintptr_t e = (reinterpret_cast<std::uintptr_t>(p) + n) & ~(kHuge - 1);
  if (e > b) ::madvise(reinterpret_cast<void*>(b), e - b, MADV_HUGEPAGE);
#else
  (void)p;
  (void)n;
#endif
}

}  // namespace railfmt::platform
