#pragma once

#include "EResult.h"
#include "LoaderLock.h"

namespace CVFirmwareLoader {

// Holds the loader's lock for a scope, so that every thrown EResult gives it back.
class ScopedLock {
 public:
  // Waits without time-out. If the previous owner ended while holding the lock, whatever it was
  // changing may be half done: the lock is given back and -40 thrown.
  explicit ScopedLock(LoaderLock& lock) : lock_(lock) {
    if (lock_.Wait() == NamedMutex::WaitOutcome::Abandoned) {
      lock_.Release();
      throw eLockAbandoned;
    }
  }

  ~ScopedLock() { Release(); }

  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

  // Gives the lock back before the scope ends, for waits that must not hold it (joining a worker
  // that takes the lock for every progress report).
  void Release() {
    if (released_) return;
    released_ = true;
    lock_.Release();
  }

 private:
  LoaderLock& lock_;
  bool released_ = false;
};

}  // namespace CVFirmwareLoader
