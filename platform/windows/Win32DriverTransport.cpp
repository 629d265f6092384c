#include "platform/windows/Win32DriverTransport.h"

#include <windows.h>

namespace CVFirmwareLoader {

namespace {

class Win32DriverHandle final : public IDriverHandle {
 public:
  explicit Win32DriverHandle(HANDLE handle) : handle_(handle) {}
  ~Win32DriverHandle() override { CloseHandle(handle_); }
  Win32DriverHandle(const Win32DriverHandle&) = delete;
  Win32DriverHandle& operator=(const Win32DriverHandle&) = delete;

  // The driver copies back only the bytes it wrote, so the rest of the reply keeps its value.
  bool Control(uint32_t code, std::span<const uint8_t> request, std::span<uint8_t> reply) override {
    DWORD returned = 0;
    return DeviceIoControl(
               handle_, code, request.empty() ? nullptr : const_cast<uint8_t*>(request.data()),
               static_cast<DWORD>(request.size()), reply.empty() ? nullptr : reply.data(),
               static_cast<DWORD>(reply.size()), &returned, nullptr) != FALSE;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<IDriverHandle> Win32DriverTransport::Open(const std::wstring& path) {
  HANDLE handle =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32DriverHandle>(handle);
}

}  // namespace CVFirmwareLoader
