#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace CVFirmwareLoader {

// One open device interface of the keyboard's driver. Destroying it closes the interface.
class IDriverHandle {
 public:
  virtual ~IDriverHandle() = default;

  // Sends one buffered request: a control code, the request bytes (may be empty) and a reply
  // buffer (may be empty). Returns only whether the driver accepted the request; reply bytes the
  // driver did not write keep their previous value. Never throws.
  virtual bool Control(uint32_t code, std::span<const uint8_t> request,
                       std::span<uint8_t> reply) = 0;
};

// Opens device interface paths. Implementations must be usable from any thread.
class IDriverTransport {
 public:
  virtual ~IDriverTransport() = default;

  // Opens the path for reading and writing; null when it cannot be opened (the keyboard has gone,
  // access is refused). Never throws.
  virtual std::unique_ptr<IDriverHandle> Open(const std::wstring& path) = 0;
};

}  // namespace CVFirmwareLoader
