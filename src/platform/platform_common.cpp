#include "platform/platform.h"

namespace railfmt::platform {

TestHooks& Hooks() {
  static TestHooks hooks;
  return hooks;
}

namespace {
// How many library calls this thread is inside of (0: it holds no lock).
thread_local int t_callDepth = 0;
}  // namespace

void LockLibrary() {
  if (t_callDepth++ == 0) AcquireLibraryMutex();
}

void UnlockLibrary() {
  if (--t_callDepth == 0) ReleaseLibraryMutex();
}

}  // namespace railfmt::platform
