#pragma once

#include <memory>
#include <string>

#include "platform/NamedMutex.h"

namespace CVFirmwareLoader {

// The loader's lock: one named mutex, so that the user-interface, hot-plug and worker threads of
// this process, and the loaders of any other running copy of the program, take turns. Recursive
// for its owner, so a state callback may call back into the loader. Taken through ScopedLock.
class LoaderLock {
 public:
  static constexpr const char* kDefaultName = "CMutex";

  // Opens the mutex, creating it if no process has it yet; not taken. Throws -30 when it can be
  // neither opened nor created.
  explicit LoaderLock(const std::string& name = kDefaultName);
  virtual ~LoaderLock() = default;

  LoaderLock(const LoaderLock&) = delete;
  LoaderLock& operator=(const LoaderLock&) = delete;

  // Waits without time-out. Abandoned: the previous owner ended while holding it; the caller owns
  // it now all the same.
  NamedMutex::WaitOutcome Wait() { return mutex_->Wait(); }
  void Release() { mutex_->Release(); }

 private:
  std::unique_ptr<NamedMutex> mutex_;
};

}  // namespace CVFirmwareLoader
