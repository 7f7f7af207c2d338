// The small OS layer: files, folders, the executable's folder, the local date.
//
// The library builds paths with '\' as separator, as hosts on Windows pass
// them. On POSIX the layer treats '\' as a separator too ('\' becomes '/').
// Every function reports failure by its result and never throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace railfmt::platform {

// The path as the OS wants it (on POSIX every '\' becomes '/').
std::string NativePath(const std::string& path);

// True when a regular file exists at the path (a folder is no file).
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);

// Reads exactly n bytes from the start of the file; false when the file
// cannot be opened or holds fewer than n bytes.
bool ReadFirstBytes(const std::string& path, uint8_t* dst, std::size_t n);

// Loads the whole file.
bool LoadFile(const std::string& path, std::vector<uint8_t>& out);

// Creates or replaces the file with exactly these bytes. The bytes go to a
// temporary file beside the target first, which is then renamed over it, so
// a failed save never leaves a half-written target; on failure the temporary
// file is removed and false is answered.
bool SaveFile(const std::string& path, const uint8_t* data, std::size_t n);

// A file written piece by piece: the bytes go to the temporary file beside
// the target (target + ".railfmt-tmp", as SaveFile uses), which becomes the
// target only by Commit. Until then an existing target is untouched, and a
// file that is neither committed nor discarded is discarded when the object
// goes. Open takes a fail_saves fault as SaveFile does; Append and WriteAt
// count against disk_room. None of it throws.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile() { Discard(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates (or empties) the temporary file; false, with nothing left, when
  // the target is empty or a folder or the file cannot be created.
  bool Open(const std::string& target);
  bool IsOpen() const { return handle_ != kNoHandle; }
  // Writes at the end.
  bool Append(const uint8_t* data, std::size_t n);
  // Writes over bytes already written (the end stays where it is when the
  // range lies inside the file).
  bool WriteAt(uint64_t offset, const uint8_t* data, std::size_t n);
  // Back to an empty file, writing at its start again.
  bool Truncate();
  // Starts putting what was written so far on the disk, without waiting for
  // it. A file renamed over an existing one has its unwritten bytes sent to
  // the disk by the rename itself (so that a crash leaves the old file or the
  // whole new one), on the caller's time; started early from a writer thread,
  // little is left for the rename. Nothing happens where the system has no
  // such call; nothing fails.
  void StartWriteback();
  // Closes the file and renames it over the target; false (and the
  // temporary file removed) when either fails.
  bool Commit();
  // Closes and removes the temporary file (nothing when none is open).
  void Discard();

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  std::string target_, tmp_;
  std::intptr_t handle_ = kNoHandle;
};

// Lets the system drop the cached pages of a file about to be replaced (an
// existing destination): dropped now, on the caller's thread, they are not
// dropped by the rename that replaces the file. The file's bytes stay as
// they are. False when there is no regular file (or nothing to be done on
// this system).
bool ReleaseCachedPages(const std::string& path);

// CopyFileA semantics: replaces an existing target unless failIfExists.
bool CopyFile(const std::string& from, const std::string& to, bool failIfExists);
// MoveFileA semantics: fails when the target exists.
bool MoveFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// Size of a file in bytes, or -1.
int64_t FileSize(const std::string& path);
// True when both paths name one and the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// Windows attribute bits as GetFileAttributesA reports them; on POSIX only
// read-only (no write permission) and archive are modelled.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;
uint32_t GetAttributes(const std::string& path);
bool SetAttributes(const std::string& path, uint32_t attrs);

// CreateDirectoryA: one level.
bool CreateDir(const std::string& path);
// Creates the folder and every missing parent.
bool CreateDirs(const std::string& path);

// Folder of the running program's executable, with a trailing separator
// ('\' form, as the library builds its paths).
std::string ExecutableDir();

// Appends text + line break to the file (created if missing). False on error.
bool AppendLine(const std::string& path, const std::string& line);

struct LocalDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
// The local calendar date of the system clock.
LocalDate Today();

// ------------------------------------------------------------------ calls
// The library lock: every export holds it for its whole call, so exports
// called from several threads at once run one after the other, each as if
// it were the only call. A thread that already holds it (a call made from
// inside another call) passes straight through instead of waiting on
// itself. Neither function fails or throws.
void LockLibrary();
void UnlockLibrary();
// The operating system's mutex under the library lock, taken and released
// only by the outermost call of a thread (platform_posix / platform_win32).
void AcquireLibraryMutex();
void ReleaseLibraryMutex();

// Holds the library lock for its lifetime.
class LibraryCall {
 public:
  LibraryCall() { LockLibrary(); }
  ~LibraryCall() { UnlockLibrary(); }
  LibraryCall(const LibraryCall&) = delete;
  LibraryCall& operator=(const LibraryCall&) = delete;
};

// ------------------------------------------------------------------ threads
// The least a helper thread needs: a lock with one condition, and a thread
// that runs one function. Only Signal's constructor throws (std::bad_alloc).
class Signal {
 public:
  Signal();
  ~Signal();
  Signal(const Signal&) = delete;
  Signal& operator=(const Signal&) = delete;
  void Lock();
  void Unlock();
  // With the lock held: releases it until woken (or spuriously), then holds it again.
  void Wait();
  void WakeAll();

 private:
  void* impl_;
};

class Thread {
 public:
  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Runs fn(arg) on a new thread; false when none could be started.
  bool Start(void (*fn)(void*), void* arg);
  // Waits for the thread to end (nothing when none runs).
  void Join();

 private:
  void* impl_ = nullptr;
};

// ------------------------------------------------------------------ testing
// Tests fix the clock, redirect the log folder and inject failures here.
// A value of 0 (or empty) means "no override".
struct TestHooks {
  LocalDate today{};              // overrides Today() when year != 0
  std::string executable_dir;     // overrides ExecutableDir() when not empty
  int fail_copies = 0;            // the next N CopyFile calls fail
  int fail_create_dirs = 0;       // the next N CreateDir/CreateDirs calls fail
  int fail_saves = 0;             // the next N SaveFile calls fail
  int fail_moves = 0;             // the next N MoveFile calls fail
  int short_copies = 0;           // the next N CopyFile calls succeed one byte short
  int fail_reads = 0;             // the next N opens for reading fail (a file without read permission)
  void (*before_load)(const std::string& path) = nullptr;  // runs as LoadFile starts
  int64_t disk_room = -1;         // 0 or more: SaveFile (and CopyFile on POSIX) write at most this many
                                  // more bytes, then fail as on a full disk
  std::size_t stream_limit = 0;   // not 0: an in-memory stream that would need more room than
                                  // this fails to grow (std::bad_alloc)
  int writer = 0;                 // how converted output reaches its file: 0 as configured (a writer
                                  // thread unless RAILFMT_THREADS=0), 1 the caller's thread, 2 a
                                  // writer thread
  std::size_t write_block = 0;    // not 0: output is handed to the file in blocks of this many bytes
};
TestHooks& Hooks();

}  // namespace railfmt::platform

namespace railfmt::platform {
// Hints that a large buffer about to be filled front to back may be backed
// by large pages (fewer page faults while it fills). No effect elsewhere.
void AdviseLargeBuffer(void* p, std::size_t n);
}  // namespace railfmt::platform
