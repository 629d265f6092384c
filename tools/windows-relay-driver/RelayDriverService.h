#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <type_traits>

namespace EvarixRelay {

struct ServiceHandleCloser {
  void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

// The relay driver installed as a kernel driver service and started, for the object's life; then
// stopped and removed. A service of that name left behind by an earlier run that ended early is
// stopped and removed first.
class RelayDriverService {
 public:
  static constexpr const wchar_t* kName = L"EvarixKeyboardRelay";

  // driverFile: the driver's absolute path (Wine does not resolve a relative image path as
  // Windows does). Throws std::runtime_error that names the step that failed and its error.
  explicit RelayDriverService(const std::filesystem::path& driverFile);
  ~RelayDriverService();
  RelayDriverService(const RelayDriverService&) = delete;
  RelayDriverService& operator=(const RelayDriverService&) = delete;

 private:
  ServiceHandle manager_;
  ServiceHandle service_;
};

}  // namespace EvarixRelay
