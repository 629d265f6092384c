#include "LoaderLock.h"

#include "EResult.h"

namespace CVFirmwareLoader {

LoaderLock::LoaderLock(const std::string& name) : mutex_(NamedMutex::Open(name)) {
  if (!mutex_) throw eNoResource;
}

}  // namespace CVFirmwareLoader
