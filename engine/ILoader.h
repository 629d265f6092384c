#pragma once

#include <string>
#include <vector>

namespace CVFirmwareLoader {

// What CheckFirmware answers.
enum class FirmwareCheck : int {
  DriverMissing = -4,
  DriversOutdated = -3,
  NotReady = -2,
  NoKeyboard = -1,
  UpToDate = 0,
  UpdateAvailable = 1,
  DeviceNewer = 2,
  UpdateRequired = 3,
};

// What GetProgress answers.
enum class UpdateStatus : int { Failed = -1, None = 0, Running = 1, Succeeded = 2 };

// The update controller as the user interface sees it.
class ILoader {
 public:
  using StateCallback = int (*)(ILoader* loader);

  virtual int GetModelId() = 0;
  virtual int SetStateCallback(StateCallback callback) = 0;
  virtual void ClearStateCallback() = 0;
  // A FirmwareCheck value.
  virtual int CheckFirmware() = 0;
  virtual std::wstring GetDeviceFirmwareVersion() = 0;
  virtual std::vector<std::wstring> GetImageVersions() = 0;
  virtual int StartUpdate(const std::wstring& version) = 0;
  virtual int AbortUpdate() = 0;
  // An UpdateStatus value; fills the percentage done and the estimated seconds left.
  virtual int GetProgress(int& percent, int& secondsLeft) = 0;
  virtual ~ILoader() = default;
};

}  // namespace CVFirmwareLoader
