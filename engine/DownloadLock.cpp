#include "DownloadLock.h"

#include "EResult.h"

namespace CVFirmwareLoader {

DownloadLock::DownloadLock(const std::string& loaderLockName)
    : mutex_(NamedMutex::Open(loaderLockName + ".download")) {
  if (!mutex_) throw eNoResource;
}

bool DownloadLock::TryTake() {
  return mutex_->TryWait().has_value();
}

void DownloadLock::Release() {
  mutex_->Release();
}

}  // namespace CVFirmwareLoader
