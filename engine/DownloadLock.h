#pragma once

#include <memory>
#include <string>

#include "platform/NamedMutex.h"

namespace CVFirmwareLoader {

// Held by the worker of whichever copy of the program is writing a keyboard, for the whole
// download. The loader's lock guards each state change only; without this, a second copy could
// start writing the keyboard half way through the first copy's download and spoil both.
class DownloadLock {
 public:
  // Opens the mutex that goes with the loader's lock of that name; not taken. Throws -30 when it
  // can be neither opened nor created.
  explicit DownloadLock(const std::string& loaderLockName);

  DownloadLock(const DownloadLock&) = delete;
  DownloadLock& operator=(const DownloadLock&) = delete;

  // Takes it for the calling thread unless a thread of this or another copy holds it. A copy that
  // ended while holding it has left the keyboard to whoever comes next.
  bool TryTake();
  void Release();

 private:
  std::unique_ptr<NamedMutex> mutex_;
};

}  // namespace CVFirmwareLoader
