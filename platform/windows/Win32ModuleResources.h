#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "platform/ModuleResources.h"

namespace CVFirmwareLoader {

// The resources a module carries in its resource section, found with FindResourceW; Windows
// compares their types and names without regard to case. Each resource found is described once,
// and the description handed out stays where it is for the object's life, as the bytes do for
// the module's.
class Win32ModuleResources final : public IModuleResources {
 public:
  explicit Win32ModuleResources(HMODULE module) : module_(module) {}

  const EmbeddedResource* Find(std::wstring_view type, std::wstring_view name) const override;

 private:
  struct Found {
    std::wstring type;
    std::wstring name;
    EmbeddedResource resource;
  };

  HMODULE module_;
  mutable std::mutex foundMutex_;
  mutable std::map<HRSRC, std::unique_ptr<Found>> found_;  // a resource asked for in any case
};

}  // namespace CVFirmwareLoader
