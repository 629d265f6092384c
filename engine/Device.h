#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/DfuState.h"
#include "platform/DriverVersion.h"

namespace CVFirmwareLoader {

class DFUImage;

// One connected keyboard appearance as the engine sees it.
class Device {
 public:
  // Receives a download's reports. May refuse one by throwing an EResult.
  class ProgressTracker {
   public:
    static constexpr int kRunning = 1;
    static constexpr int kFinished = 2;
    static constexpr int kFailed = -1;

    virtual ~ProgressTracker() = default;
    virtual int OnProgress(int code, double percent) = 0;
  };

  virtual ~Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  virtual int GetModelId() const { return modelId; }
  virtual bool GetDriverVersion(DriverVersion& out) = 0;
  virtual const std::wstring& GetPath() const = 0;
  virtual std::wstring GetFirmwareVersion() const = 0;
  virtual std::wstring GetInfoText() const = 0;
  virtual bool IsInUpdateMode() const = 0;
  virtual int EnterUpdateMode() = 0;
  virtual int Download(DFUImage* image, ProgressTracker* tracker) = 0;

  // Stops a running download at its next check and any wait it is in; stays set for good.
  virtual void Cancel() { cancelFlag.Raise(); }

 protected:
  Device() = default;

  int32_t modelId = -1;
  WakeSignal cancelFlag;
};

}  // namespace CVFirmwareLoader
