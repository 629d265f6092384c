#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "CThread.h"
#include "DFUImage.h"
#include "Device.h"
#include "DownloadLock.h"
#include "ILoader.h"
#include "LoaderLock.h"
#include "SupportedModel.h"

namespace CVFirmwareLoader {

class ScopedLock;

// The update controller of one model: owns the image and the attached keyboard, decides whether
// the keyboard needs the image, and runs the update on a worker thread.
class Loader : public ILoader, public Device::ProgressTracker {
 public:
  enum class State : int {
    NoDevice = 0,
    NoImage = 2,
    Ready = 3,
    AwaitingUpdateMode = 4,
    Downloading = 5,
  };

  // The firmware version the shipped image carries.
  static constexpr uint16_t kTargetVersion = 0x1023;

  // Throws eNoResource when its locks cannot be made; every other failure leaves a loader without
  // an image. The lock name is the one every copy of the program shares unless a test needs its
  // own.
  explicit Loader(int modelId, const std::string& lockName = LoaderLock::kDefaultName);
  ~Loader() override;

  int GetModelId() override { return modelId; }
  int SetStateCallback(StateCallback callback) override;
  void ClearStateCallback() override;
  int CheckFirmware() override;
  std::wstring GetDeviceFirmwareVersion() override;
  std::vector<std::wstring> GetImageVersions() override;
  int StartUpdate(const std::wstring& version) override;
  int AbortUpdate() override;
  int GetProgress(int& percent, int& secondsLeft) override;

  virtual Device* GetDevice() { return device.load(); }
  // Takes ownership of dev when it returns true.
  virtual bool AttachDevice(Device* dev);
  virtual void DetachDevice(Device* dev);
  virtual bool IsDriverUpdateNeeded();

  int OnProgress(int code, double percent) override;

  // The value the most recent CheckFirmware of any loader returned.
  static int LastCheck() { return lastCheck.load(); }

 private:
  struct Samples {
    uint32_t count = 0;
    uint32_t firstTick = 0;
    double firstPercent = 0;
    uint32_t lastTick = 0;
    double lastPercent = 0;
  };

  static uint32_t UpdateThreadProc(void* argument);
  static std::atomic<int> lastCheck;

  void ChooseModelRecord();
  void OpenImage();
  int EvaluateFirmware();
  int CompareFirmware();
  int StartWorker();
  bool EndWaitForUpdateMode();
  void CancelDevice();
  void EndWorkerAndDeleteDevice(ScopedLock& guard);
  void DeleteDevice();
  void ClearSamples();
  void NotifyStateChange();
  void DownloadUnlessAnotherCopyIs();
  int SecondsLeft(const Samples& samples) const;

  int modelId;
  const SupportedModel* modelRecord = nullptr;
  bool driverPresent = true;
  LoaderLock lock;
  DownloadLock downloadLock;
  State state = State::NoDevice;
  std::atomic<int> status{static_cast<int>(UpdateStatus::None)};
  std::atomic<Device*> device{nullptr};
  // Keeps the lock-free cancel of AbortUpdate and the destructor away from a device being deleted.
  std::mutex deviceMutex;
  std::unique_ptr<DFUImage> image;
  mutable std::mutex samplesMutex;
  Samples samples;
  CThread worker;
  std::atomic<StateCallback> stateCallback{nullptr};
};

}  // namespace CVFirmwareLoader
