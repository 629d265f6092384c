#include "platform/windows/Win32ModuleResources.h"

#include <algorithm>

namespace CVFirmwareLoader {

namespace {

// FindResourceW reads "#123" as the number 123, and a text ends at its first NUL; neither is the
// name of a resource stored under a name.
bool IsResourceText(std::wstring_view text) {
  return !text.empty() && !text.starts_with(L'#') && std::ranges::find(text, L'\0') == text.end();
}

std::span<const uint8_t> BytesOf(HMODULE module, HRSRC found) {
  const DWORD size = SizeofResource(module, found);
  const HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  return {static_cast<const uint8_t*>(data), size};
}

}  // namespace

const EmbeddedResource* Win32ModuleResources::Find(std::wstring_view type,
                                                   std::wstring_view name) const {
  if (!IsResourceText(type) || !IsResourceText(name)) return nullptr;
  const std::wstring typeText(type);
  const std::wstring nameText(name);
  const HRSRC found = FindResourceW(module_, nameText.c_str(), typeText.c_str());
  if (found == nullptr) return nullptr;
  const std::lock_guard lock(foundMutex_);
  auto& entry = found_[found];
  if (!entry) {
    entry = std::make_unique<Found>(Found{typeText, nameText, {}});
    entry->resource = {entry->type, entry->name, BytesOf(module_, found)};
  }
  return &entry->resource;
}

}  // namespace CVFirmwareLoader
