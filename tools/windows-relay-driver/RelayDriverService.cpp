#include "tools/windows-relay-driver/RelayDriverService.h"

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>

namespace EvarixRelay {

namespace {

using namespace std::chrono_literals;

constexpr auto kStopTimeOut = 10s;
constexpr auto kStep = 20ms;

[[noreturn]] void Fail(const std::string& what, DWORD error = GetLastError()) {
  throw std::runtime_error("relay driver: " + what + " (error " + std::to_string(error) + ")");
}

// False when the service would not stop in time; one that is not running is stopped already.
bool Stop(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
      GetLastError() == ERROR_SERVICE_NOT_ACTIVE) {
    return true;
  }
  for (auto waited = 0ms; waited < kStopTimeOut; waited += kStep) {
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED) {
      return true;
    }
    std::this_thread::sleep_for(kStep);
  }
  return false;
}

// A removed service goes once its last handle has closed; until then its name cannot be taken.
void RemoveLeftOver(SC_HANDLE manager) {
  ServiceHandle old(OpenServiceW(manager, RelayDriverService::kName, SERVICE_ALL_ACCESS));
  if (old == nullptr) return;
  if (!Stop(old.get())) {
    throw std::runtime_error("relay driver: the service left by an earlier run does not stop");
  }
  DeleteService(old.get());
}

ServiceHandle Install(SC_HANDLE manager, const std::filesystem::path& driverFile) {
  for (auto waited = 0ms;; waited += kStep) {
    ServiceHandle service(CreateServiceW(
        manager, RelayDriverService::kName, RelayDriverService::kName, SERVICE_ALL_ACCESS,
        SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
        driverFile.wstring().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service != nullptr) return service;
    const DWORD error = GetLastError();
    if (error != ERROR_SERVICE_MARKED_FOR_DELETE || waited >= kStopTimeOut) {
      Fail("cannot install the service for " + driverFile.string(), error);
    }
    std::this_thread::sleep_for(kStep);
  }
}

}  // namespace

RelayDriverService::RelayDriverService(const std::filesystem::path& driverFile)
    : manager_(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {
  if (manager_ == nullptr) Fail("cannot open the service manager");
  if (!driverFile.is_absolute() || !std::filesystem::exists(driverFile)) {
    Fail("no driver at " + driverFile.string(), ERROR_FILE_NOT_FOUND);
  }
  RemoveLeftOver(manager_.get());
  service_ = Install(manager_.get(), driverFile);
  if (!StartServiceW(service_.get(), 0, nullptr)) {
    const DWORD error = GetLastError();
    DeleteService(service_.get());
    Fail("the service did not start the driver " + driverFile.string(), error);
  }
}

RelayDriverService::~RelayDriverService() {
  if (!Stop(service_.get())) {
    std::cerr << "relay driver: the service does not stop; it is removed all the same" << std::endl;
  }
  if (!DeleteService(service_.get())) {
    std::cerr << "relay driver: cannot remove the service (error " << GetLastError() << ")"
              << std::endl;
  }
}

}  // namespace EvarixRelay
