#pragma once

#include <memory>
#include <string>

#include "platform/DriverTransport.h"

namespace CVFirmwareLoader {

// The keyboard's driver as Windows offers it: a device interface path opened with CreateFileW,
// each request one synchronous, buffered DeviceIoControl.
class Win32DriverTransport final : public IDriverTransport {
 public:
  std::unique_ptr<IDriverHandle> Open(const std::wstring& path) override;
};

}  // namespace CVFirmwareLoader
