#pragma once

#include <cstdint>
#include <string>

#include "DFUImage.h"

namespace CVFirmwareLoader {

// An image embedded in the program as a resource of type "dfu". The bytes belong to the program's
// resource table; they are neither copied nor freed.
class DFUImageResource final : public DFUImage {
 public:
  static constexpr const wchar_t* kResourceType = L"dfu";

  // Opens the resource through the device manager's resource table. Throws -30 when there is no
  // manager or no table, -80 when the resource is not found, -10 when it is shorter than its
  // suffix or could not be loaded, and what ReadSuffix throws.
  explicit DFUImageResource(const std::wstring& resourceName);

  int ReadBlock(uint16_t index, uint16_t bufferSize, uint8_t* buffer) override;

 private:
  const uint8_t* data = nullptr;
};

}  // namespace CVFirmwareLoader
