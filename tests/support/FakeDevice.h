#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "engine/Device.h"

namespace EvarixTest {

// A keyboard under the test's control, for exercising the loader without any protocol.
class FakeDevice final : public CVFirmwareLoader::Device {
 public:
  using DownloadScript =
      std::function<int(FakeDevice&, CVFirmwareLoader::DFUImage*, ProgressTracker*)>;

  struct Identity {
    std::wstring path = L"/dev/bus/usb/001/002";
    bool updateMode = false;
    std::wstring firmwareVersion = L"0x1022";
    std::wstring infoText = L"V1022 B0780 H0100 VALID";
  };

  explicit FakeDevice(Identity identity, DownloadScript script = {})
      : identity_(std::move(identity)), script_(std::move(script)) {
    modelId = 0;
  }
  ~FakeDevice() override { *destroyed = true; }

  bool GetDriverVersion(CVFirmwareLoader::DriverVersion&) override { return false; }
  const std::wstring& GetPath() const override { return identity_.path; }
  std::wstring GetFirmwareVersion() const override { return identity_.firmwareVersion; }
  std::wstring GetInfoText() const override { return identity_.infoText; }
  bool IsInUpdateMode() const override { return identity_.updateMode; }

  int EnterUpdateMode() override {
    ++detachRequests;
    return enterUpdateModeResult;
  }

  int Download(CVFirmwareLoader::DFUImage* image, ProgressTracker* tracker) override {
    ++downloads;
    return script_ ? script_(*this, image, tracker) : 0;
  }

  bool IsCancelled() const { return cancelFlag.IsRaised(); }
  // Blocks until the download is cancelled, or gives up after a while so a bug cannot hang.
  bool WaitForCancel(uint32_t ms = 10000) const { return cancelFlag.WaitFor(ms); }

  // Keep a copy before handing the device over: it tells whether its owner has deleted it.
  std::shared_ptr<std::atomic<bool>> destroyed = std::make_shared<std::atomic<bool>>(false);
  std::atomic<int> detachRequests{0};
  std::atomic<int> downloads{0};
  int enterUpdateModeResult = 0;

 private:
  Identity identity_;
  DownloadScript script_;
};

}  // namespace EvarixTest
