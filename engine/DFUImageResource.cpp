#include "DFUImageResource.h"

#include <algorithm>
#include <limits>

#include "EResult.h"
#include "FirmwareSuffix.h"
#include "Manager.h"

namespace CVFirmwareLoader {

DFUImageResource::DFUImageResource(const std::wstring& resourceName) {
  const Manager* manager = Manager::Instance();
  const IModuleResources* resources = manager != nullptr ? manager->GetModuleInstance() : nullptr;
  if (resources == nullptr) throw eNoResource;

  const EmbeddedResource* resource = resources->Find(kResourceType, resourceName);
  if (resource == nullptr) throw eInvalidArgument;
  // The table's sizes are its own business; a resource the 32-bit image size cannot describe is
  // refused like one too short to hold its suffix.
  if (resource->bytes.size() < FirmwareSuffix::kSize ||
      resource->bytes.size() > std::numeric_limits<uint32_t>::max()) {
    throw eFailed;
  }
  imageSize = static_cast<uint32_t>(resource->bytes.size());
  if (resource->bytes.data() == nullptr) throw eFailed;
  data = resource->bytes.data();

  try {
    ReadSuffix(data + imageSize - FirmwareSuffix::kSize);
  } catch (EResult) {
    imageSize = 0;
    throw;
  }
}

int DFUImageResource::ReadBlock(uint16_t index, uint16_t bufferSize, uint8_t* buffer) {
  BlockSpan span{};
  if (const int located = LocateBlock(index, bufferSize, buffer, span); located != eSuccess) {
    return located;
  }
  // Sizing that reaches past the image must not read past the resource's bytes; it fails as a
  // short read of a file image does.
  if (uint64_t{span.offset} + span.length > imageSize) {
    std::fill_n(buffer, bufferSize, uint8_t{0});
    return eFailed;
  }
  std::copy_n(data + span.offset, span.length, buffer + kBlockHeaderSize);
  WriteBlockHeader(buffer, index, span.length);
  return eSuccess;
}

}  // namespace CVFirmwareLoader
