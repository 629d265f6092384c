#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace CVFirmwareLoader {

// One resource carried inside the program.
struct EmbeddedResource {
  std::wstring_view type;
  std::wstring_view name;
  // The resource's bytes. A null data pointer with a non-zero size means the resource exists but
  // could not be loaded.
  std::span<const uint8_t> bytes;
};

// The running program's resource table. Its data lives as long as the program.
class IModuleResources {
 public:
  virtual ~IModuleResources() = default;

  // Finds a resource by type and name, both compared without regard to case; null when absent.
  virtual const EmbeddedResource* Find(std::wstring_view type, std::wstring_view name) const = 0;
};

}  // namespace CVFirmwareLoader
