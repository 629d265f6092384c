#include "ResourceTable.h"

#include <algorithm>

namespace CVFirmwareLoader {

namespace {

wchar_t FoldAsciiCase(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool EqualIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  return std::ranges::equal(
      a, b, [](wchar_t x, wchar_t y) { return FoldAsciiCase(x) == FoldAsciiCase(y); });
}

}  // namespace

const EmbeddedResource* ResourceTable::Find(std::wstring_view type, std::wstring_view name) const {
  const auto found = std::ranges::find_if(resources_, [&](const EmbeddedResource& resource) {
    return EqualIgnoringAsciiCase(resource.type, type) &&
           EqualIgnoringAsciiCase(resource.name, name);
  });
  return found != resources_.end() ? &*found : nullptr;
}

}  // namespace CVFirmwareLoader
