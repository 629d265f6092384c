#include "tools/simkeyboard/SimTransport.h"

#include "platform/UsbDriverHandle.h"

namespace EvarixSim {

std::unique_ptr<CVFirmwareLoader::IDriverHandle> SimTransport::Open(const std::wstring& path) {
  std::unique_ptr<CVFirmwareLoader::IUsbDevice> device = bus_.Open(path);
  if (device == nullptr) return nullptr;
  using CVFirmwareLoader::UsbDriverHandle;
  return std::make_unique<UsbDriverHandle>(
      std::move(device), UsbDriverHandle::FindDfuInterface(bus_.ActiveConfiguration(path)));
}

}  // namespace EvarixSim
