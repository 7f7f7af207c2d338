// Windows implementation of the OS layer, on the ANSI file functions: paths
// are 8-bit texts in the system code page and are passed on as they are.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

// The layer's own names, not the Windows macros.
#undef CopyFile
#undef MoveFile
#undef DeleteFile

#include <algorithm>
#include <cstring>
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

// Closes the handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (Valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }
  bool Close() {
    bool ok = ::CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

HANDLE OpenForReading(const std::string& path) {
  if (TakeFault(Hooks().fail_reads)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE h, const uint8_t* data, std::size_t n) {
  int64_t& room = Hooks().disk_room;
  while (n > 0) {
    DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
    if (room >= 0) {
      if (room == 0) {
        ::SetLastError(ERROR_DISK_FULL);
        return false;
      }
      if (static_cast<int64_t>(chunk) > room) chunk = static_cast<DWORD>(room);
    }
    DWORD written = 0;
    if (!::WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
    if (room >= 0) room -= written;
    data += written;
    n -= written;
  }
  return true;
}

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string NativePath(const std::string& path) { return path; }

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirExists(const std::string& path) {
  if (path.empty()) return false;
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ReadFirstBytes(const std::string& path, uint8_t* dst, std::size_t n) {
  if (!FileExists(path)) return false;
  Handle h(OpenForReading(path));
  if (!h.Valid()) return false;
  std::size_t got = 0;
  while (got < n) {
    DWORD r = 0;
    if (!::ReadFile(h.get(), dst + got, static_cast<DWORD>(n - got), &r, nullptr) || r == 0) break;
    got += r;
  }
  return got == n;
}

bool LoadFile(const std::string& path, std::vector<uint8_t>& out) {
  out.clear();
  if (Hooks().before_load) Hooks().before_load(path);
  if (!FileExists(path)) return false;
  Handle h(OpenForReading(path));
  if (!h.Valid()) return false;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0)
    out.reserve(static_cast<std::size_t>(size.QuadPart));
  uint8_t buf[65536];
  for (;;) {
    DWORD r = 0;
    if (!::ReadFile(h.get(), buf, sizeof buf, &r, nullptr)) return false;
    if (r == 0) break;
    out.insert(out.end(), buf, buf + r);
  }
  return true;
}

bool SaveFile(const std::string& path, const uint8_t* data, std::size_t n) {
  if (path.empty() || TakeFault(Hooks().fail_saves)) return false;
  if (DirExists(path)) return false;
  const std::string tmp = path + ".railfmt-tmp";
  Handle h(::CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return false;
  bool ok = WriteAll(h.get(), data, n);
  if (!h.Close()) ok = false;
  if (ok && !::MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) ok = false;
  if (!ok) ::DeleteFileA(tmp.c_str());
  return ok;
}

namespace {
HANDLE AsHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

bool TempFile::Open(const std::string& target) {
  Discard();
  if (target.empty() || TakeFault(Hooks().fail_saves)) return false;
  if (DirExists(target)) return false;
  target_ = target;
  tmp_ = target + ".railfmt-tmp";
  HANDLE h = ::CreateFileA(tmp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return false;
  handle_ = reinterpret_cast<std::intptr_t>(h);
  return true;
}

bool TempFile::Append(const uint8_t* data, std::size_t n) { return IsOpen() && WriteAll(AsHandle(handle_), data, n); }

bool TempFile::WriteAt(uint64_t offset, const uint8_t* data, std::size_t n) {
  if (!IsOpen()) return false;
  HANDLE h = AsHandle(handle_);
  LARGE_INTEGER zero{}, end{}, at{};
  if (!::SetFilePointerEx(h, zero, &end, FILE_CURRENT)) return false;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) return false;
  const bool ok = WriteAll(h, data, n);
  LARGE_INTEGER back{};
  back.QuadPart = std::max<LONGLONG>(end.QuadPart, static_cast<LONGLONG>(offset + n));
  return ::SetFilePointerEx(h, back, nullptr, FILE_BEGIN) && ok;
}

bool TempFile::Truncate() {
  if (!IsOpen()) return false;
  HANDLE h = AsHandle(handle_);
  LARGE_INTEGER zero{};
  return ::SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) && ::SetEndOfFile(h);
}

// The rename leaves the writing to the system.
void TempFile::StartWriteback() {}

bool TempFile::Commit() {
  if (!IsOpen()) return false;
  bool ok = ::CloseHandle(AsHandle(handle_)) != 0;
  handle_ = kNoHandle;
  if (ok && !::MoveFileExA(tmp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) ok = false;
  if (!ok) ::DeleteFileA(tmp_.c_str());
  return ok;
}

void TempFile::Discard() {
  if (!IsOpen()) return;
  ::CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
  ::DeleteFileA(tmp_.c_str());
}

namespace {
// Removes a temporary file, read-only or not.
void RemoveTemporary(const std::string& tmp) {
  ::SetFileAttributesA(tmp.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(tmp.c_str());
}
}  // namespace

// Not done on this system.
bool ReleaseCachedPages(const std::string&) { return false; }

bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
  if (TakeFault(Hooks().fail_copies)) return false;
  const DWORD existing = ::GetFileAttributesA(to.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (failIfExists || (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))))
    return false;
  // The copy goes to a temporary file beside the target first: a copy that
  // fails (a full disk) leaves a file already at the target as it was.
  const std::string tmp = to + ".railfmt-tmp";
  RemoveTemporary(tmp);
  if (!::CopyFileA(from.c_str(), tmp.c_str(), FALSE)) {
    RemoveTemporary(tmp);
    return false;
  }
  if (TakeFault(Hooks().short_copies)) {
    Handle h(::CreateFileA(tmp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (h.Valid() && ::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) {
      size.QuadPart -= 1;
      ::SetFilePointerEx(h.get(), size, nullptr, FILE_BEGIN);
      ::SetEndOfFile(h.get());
    }
  }
  if (!::MoveFileExA(tmp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    RemoveTemporary(tmp);
    return false;
  }
  return true;
}

bool MoveFile(const std::string& from, const std::string& to) {
  if (TakeFault(Hooks().fail_moves)) return false;
  return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool RenameFile(const std::string& from, const std::string& to) { return MoveFile(from, to); }

int64_t FileSize(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return -1;
  WIN32_FIND_DATAA fd{};
  HANDLE h = ::FindFirstFileA(path.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return -1;
  ::FindClose(h);
  if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<int64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (!FileExists(a) || !FileExists(b)) return false;
  auto open = [](const std::string& p) {
    return ::CreateFileA(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  Handle ha(open(a)), hb(open(b));
  if (!ha.Valid() || !hb.Valid()) return false;
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  if (!::GetFileInformationByHandle(ha.get(), &ia) || !::GetFileInformationByHandle(hb.get(), &ib))
    return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

uint32_t GetAttributes(const std::string& path) {
  if (path.empty()) return kInvalidAttributes;
  return ::GetFileAttributesA(path.c_str());
}

bool SetAttributes(const std::string& path, uint32_t attrs) {
  return ::SetFileAttributesA(path.c_str(), attrs) != 0;
}

bool CreateDir(const std::string& path) {
  if (TakeFault(Hooks().fail_create_dirs)) return false;
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool CreateDirs(const std::string& path) {
  if (TakeFault(Hooks().fail_create_dirs)) return false;
  std::string p = path;
  while (p.size() > 1 && IsSeparator(p.back())) p.pop_back();
  if (p.empty()) return false;
  if (DirExists(p)) return true;
  // Every prefix that ends before a separator, from the outermost on; drive
  // roots ("C:") and the server and share of a UNC name cannot be created
  // and are passed over.
  std::size_t i = 0;
  if (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
    int skip = 2;  // \\server\share
    for (i = 2; i < p.size() && skip > 0; ++i)
      if (IsSeparator(p[i])) --skip;
  }
  for (; i <= p.size(); ++i) {
    if (i == p.size() || IsSeparator(p[i])) {
      std::string part = p.substr(0, i);
      if (part.empty() || part.back() == ':' || DirExists(part)) continue;
      if (!::CreateDirectoryA(part.c_str(), nullptr) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
  }
  return DirExists(p);
}

std::string ExecutableDir() {
  if (!Hooks().executable_dir.empty()) {
    std::string d = Hooks().executable_dir;
    if (!IsSeparator(d.back())) d += '\\';
    return d;
  }
  char buf[MAX_PATH * 4];
  DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return std::string();
  std::string p(buf, n);
  std::size_t slash = p.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  return p.substr(0, slash + 1);
}

bool AppendLine(const std::string& path, const std::string& line) {
  Handle h(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h.Valid()) return false;
  bool ok = WriteAll(h.get(), reinterpret_cast<const uint8_t*>(line.data()), line.size());
  ok = WriteAll(h.get(), reinterpret_cast<const uint8_t*>("\r\n"), 2) && ok;
  return h.Close() && ok;
}

namespace {
// A slim reader/writer lock needs no set-up and no clean-up: a constant
// initialiser, nothing to free at unload.
SRWLOCK g_libraryLock = SRWLOCK_INIT;
}  // namespace

void AcquireLibraryMutex() { ::AcquireSRWLockExclusive(&g_libraryLock); }
void ReleaseLibraryMutex() { ::ReleaseSRWLockExclusive(&g_libraryLock); }

namespace {
struct SignalImpl {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE cond = CONDITION_VARIABLE_INIT;
};
struct ThreadImpl {
  HANDLE handle = nullptr;
  void (*fn)(void*) = nullptr;
  void* arg = nullptr;
};
DWORD WINAPI RunThread(LPVOID p) {
  auto* t = static_cast<ThreadImpl*>(p);
  t->fn(t->arg);
  return 0;
}
}  // namespace

Signal::Signal() : impl_(new SignalImpl) {}
Signal::~Signal() { delete static_cast<SignalImpl*>(impl_); }
void Signal::Lock() { ::AcquireSRWLockExclusive(&static_cast<SignalImpl*>(impl_)->lock); }
void Signal::Unlock() { ::ReleaseSRWLockExclusive(&static_cast<SignalImpl*>(impl_)->lock); }
void Signal::Wait() {
  auto* s = static_cast<SignalImpl*>(impl_);
  ::SleepConditionVariableSRW(&s->cond, &s->lock, INFINITE, 0);
}
void Signal::WakeAll() { ::WakeAllConditionVariable(&static_cast<SignalImpl*>(impl_)->cond); }

bool Thread::Start(void (*fn)(void*), void* arg) {
  Join();
  auto* t = new (std::nothrow) ThreadImpl;
  if (!t) return false;
  t->fn = fn;
  t->arg = arg;
  t->handle = ::CreateThread(nullptr, 0, RunThread, t, 0, nullptr);
  if (!t->handle) {
    delete t;
    return false;
  }
  impl_ = t;
  return true;
}

void Thread::Join() {
  auto* t = static_cast<ThreadImpl*>(impl_);
  if (!t) return;
  ::WaitForSingleObject(t->handle, INFINITE);
  ::CloseHandle(t->handle);
  delete t;
  impl_ = nullptr;
}

LocalDate Today() {
  if (Hooks().today.year != 0) return Hooks().today;
  SYSTEMTIME st{};
  ::GetLocalTime(&st);
  return LocalDate{st.wYear, st.wMonth, st.wDay};
}

}  // namespace railfmt::platform

namespace railfmt::platform {

void AdviseLargeBuffer(void*, std::size_t) {}

}  // namespace railfmt::platform
