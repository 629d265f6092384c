#pragma once

#include <span>
#include <string_view>

#include "ModuleResources.h"

namespace CVFirmwareLoader {

// Resources compiled into the program, looked up the way the first system that ran the updater
// did: type and name without regard to ASCII case, so "dfu" finds a resource stored as "DFU".
class ResourceTable final : public IModuleResources {
 public:
  // The table refers to the array; the array must outlive it.
  explicit ResourceTable(std::span<const EmbeddedResource> resources) : resources_(resources) {}

  // The first resource whose type and name both match; null when there is none.
  const EmbeddedResource* Find(std::wstring_view type, std::wstring_view name) const override;

 private:
  std::span<const EmbeddedResource> resources_;
};

}  // namespace CVFirmwareLoader
