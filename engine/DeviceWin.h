#pragma once

#include <memory>
#include <span>
#include <string>

#include "Device.h"
#include "DriverRequests.h"
#include "SupportedModel.h"
#include "platform/DriverTransport.h"

namespace CVFirmwareLoader {

// A keyboard reached through the driver transport, one request per opened handle.
class DeviceWin : public Device {
 public:
  // A new device for a supported keyboard that answered its identity requests, owned by the
  // caller; null otherwise. Never throws, never logs.
  static DeviceWin* Create(const std::wstring& path, const std::wstring& hardwareId,
                           const std::wstring& serviceName);

  static bool IsSupported(const std::wstring& hardwareId);
  static bool ParseHardwareId(const std::wstring& hardwareId, std::wstring& vendorText,
                              std::wstring& productText);

  ~DeviceWin() override;

  bool GetDriverVersion(DriverVersion& out) override;
  const std::wstring& GetPath() const override { return path; }
  std::wstring GetFirmwareVersion() const override { return firmwareVersion; }
  std::wstring GetInfoText() const override { return infoText; }
  bool IsInUpdateMode() const override;
  int EnterUpdateMode() override;
  int Download(DFUImage* image, ProgressTracker* tracker) override;

  // Opens the driver handle; false when one is held already or the path cannot be opened.
  virtual bool Open();
  virtual void Close();

 private:
  // Reads the keyboard's identity; throws eDeviceError when it does not answer.
  DeviceWin(const std::wstring& path, const std::wstring& serviceName,
            const std::wstring& productId, const SupportedModel& model);

  static const SupportedModel* FindModelForProduct(const std::wstring& productText);

  // One request: open, send, close. Throws eDeviceError on any failure.
  void Request(uint32_t code, std::span<const uint8_t> request, std::span<uint8_t> reply);
  void RequestDetach();
  void RequestDownload(std::span<const uint8_t> block);
  DfuStatus RequestStatus();
  void RequestClearStatus();
  void RequestAbort();
  void RequestReset();

  void ReadFirmwareVersion();
  void ReadInfoText();
  void ReadDfuDescriptor();

  // The steps of a download; each throws the value the download fails with.
  void SizeImage(DFUImage& image) const;
  void EnsureIdle();
  void SendBlocks(DFUImage& image, ProgressTracker& tracker, std::span<uint8_t> buffer);
  bool SendBlock(DFUImage& image, uint16_t index, std::span<uint8_t> buffer);
  void AwaitBlockTaken(const DfuStatus& busy);
  void FinishDownload();
  DfuStatus AwaitManifestation(DfuStatus status);
  int ResetAfterManifestation();
  void ReportFailure(ProgressTracker& tracker, int value);

  std::wstring path;
  std::wstring serviceName;
  std::wstring productId;
  std::unique_ptr<IDriverHandle> handle;
  std::wstring firmwareVersion;
  std::wstring infoText;
  const SupportedModel* model;
  uint16_t detachTimeout = 0;
  uint16_t transferSize = 0;
  bool willDetach = true;
};

}  // namespace CVFirmwareLoader
