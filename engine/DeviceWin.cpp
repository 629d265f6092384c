#include "DeviceWin.h"

#include <new>
#include <vector>

#include "DFUImage.h"
#include "DriverCheck.h"
#include "EResult.h"
#include "HexText.h"
#include "platform/LittleEndian.h"
#include "platform/Platform.h"

namespace CVFirmwareLoader {
namespace {

constexpr int kBlockAttempts = 10;
constexpr int kIdlePolls = 20;
constexpr uint32_t kIdlePollIntervalMs = 20;
constexpr size_t kVendorOrProductDigits = 4;
// The DFU-descriptor reply is the start of the functional descriptor.
namespace Functional = UsbDfu::FunctionalField;
constexpr uint32_t kMaxBlockCount = 0xFFFF;

bool IsState(const DfuStatus& status, DfuState state) {
  return status.state == static_cast<uint32_t>(state);
}

std::wstring UpperCaseAscii(std::wstring text) {
  for (wchar_t& ch : text) {
    if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
  }
  return text;
}

// The (up to) four characters that follow the first occurrence of tag.
bool TextAfterTag(const std::wstring& text, const wchar_t* tag, std::wstring& out) {
  const size_t at = text.find(tag);
  if (at == std::wstring::npos) return false;
  out = text.substr(at + std::char_traits<wchar_t>::length(tag), kVendorOrProductDigits);
  return true;
}

}  // namespace

bool DeviceWin::ParseHardwareId(const std::wstring& hardwareId, std::wstring& vendorText,
                                std::wstring& productText) {
  const std::wstring upper = UpperCaseAscii(hardwareId);
  if (upper.find(HardwareIdPrefix) != 0) return false;
  return TextAfterTag(upper, VendorIdTag, vendorText) &&
         TextAfterTag(upper, ProductIdTag, productText);
}

const SupportedModel* DeviceWin::FindModelForProduct(const std::wstring& productText) {
  for (const SupportedModel* record = SupportedModelTable; record->endMarker == 0; ++record) {
    if (productText == record->applicationProductId || productText == record->updateModeProductId) {
      return record;
    }
  }
  return nullptr;
}

bool DeviceWin::IsSupported(const std::wstring& hardwareId) {
  std::wstring vendorText;
  std::wstring productText;
  return ParseHardwareId(hardwareId, vendorText, productText) && vendorText == VendorIdText &&
         FindModelForProduct(productText) != nullptr;
}

DeviceWin* DeviceWin::Create(const std::wstring& path, const std::wstring& hardwareId,
                             const std::wstring& serviceName) {
  std::wstring vendorText;
  std::wstring productText;
  if (!ParseHardwareId(hardwareId, vendorText, productText) || vendorText != VendorIdText) {
    return nullptr;
  }
  const SupportedModel* record = FindModelForProduct(productText);
  if (record == nullptr) return nullptr;
  try {
    return new DeviceWin(path, serviceName, productText, *record);
  } catch (EResult) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

DeviceWin::DeviceWin(const std::wstring& path_, const std::wstring& serviceName_,
                     const std::wstring& productId_, const SupportedModel& model_)
    : path(path_), serviceName(serviceName_), productId(productId_), model(&model_) {
  modelId = model->modelNumber;
  if (IsInUpdateMode()) {
    firmwareVersion = L"0x0000";
  } else {
    ReadFirmwareVersion();
  }
  ReadInfoText();
  ReadDfuDescriptor();
}

DeviceWin::~DeviceWin() {
  Close();
}

bool DeviceWin::Open() {
  if (handle) return false;
  handle = Platform().transport->Open(path);
  return handle != nullptr;
}

void DeviceWin::Close() {
  handle.reset();
}

bool DeviceWin::IsInUpdateMode() const {
  return productId == model->updateModeProductId;
}

bool DeviceWin::GetDriverVersion(DriverVersion& out) {
  return DriverCheck::QueryDriverVersion(serviceName, out);
}

void DeviceWin::Request(uint32_t code, std::span<const uint8_t> request, std::span<uint8_t> reply) {
  if (!Open()) throw eDeviceError;
  const bool accepted = handle->Control(code, request, reply);
  Close();
  if (!accepted) throw eDeviceError;
}

void DeviceWin::RequestDetach() {
  const auto request = DriverRequests::EncodeDetachRequest(detachTimeout);
  Request(DriverControlCode::DfuDetach, request, {});
}

void DeviceWin::RequestDownload(std::span<const uint8_t> block) {
  Request(DriverControlCode::DfuDownload, block, {});
}

DfuStatus DeviceWin::RequestStatus() {
  std::array<uint8_t, kGetStatusReplySize> reply{};
  Request(DriverControlCode::DfuGetStatus, {}, reply);
  return DriverRequests::DecodeGetStatusReply(reply);
}

void DeviceWin::RequestClearStatus() {
  Request(DriverControlCode::DfuClearStatus, {}, {});
}

void DeviceWin::RequestAbort() {
  Request(DriverControlCode::DfuAbort, {}, {});
}

void DeviceWin::RequestReset() {
  Request(DriverControlCode::ResetDevice, {}, {});
}

void DeviceWin::ReadFirmwareVersion() {
  std::array<uint8_t, kDeviceDescriptorReplySize> reply{};
  Request(DriverControlCode::GetDeviceDescriptor, {}, reply);
  firmwareVersion = HexText::Version(LittleEndian::Read16(reply, UsbDfu::DeviceField::kRelease));
}

void DeviceWin::ReadInfoText() {
  std::array<uint8_t, kInfoTextReplySize> reply{};
  Request(DriverControlCode::GetInfoText, {}, reply);
  infoText = DriverRequests::DecodeInfoTextReply(reply);
}

void DeviceWin::ReadDfuDescriptor() {
  std::array<uint8_t, kDfuDescriptorReplySize> reply{};
  Request(DriverControlCode::GetDfuDescriptor, {}, reply);
  transferSize = model->transferSizeOverride != 0
                     ? model->transferSizeOverride
                     : LittleEndian::Read16(reply, Functional::kTransferSize);
  detachTimeout = model->detachTimeoutOverrideMs != 0
                      ? model->detachTimeoutOverrideMs
                      : LittleEndian::Read16(reply, Functional::kDetachTimeout);
  willDetach = (reply[Functional::kAttributes] & UsbDfu::kWillDetach) != 0;
}

int DeviceWin::EnterUpdateMode() {
  try {
    RequestDetach();
    // A keyboard that does not leave the bus by itself waits for the host's reset to start its
    // boot firmware; without one it would never come back in update mode.
    if (!willDetach) RequestReset();
    return eSuccess;
  } catch (EResult failure) {
    return failure;
  }
}

int DeviceWin::Download(DFUImage* image, ProgressTracker* tracker) {
  if (image == nullptr || tracker == nullptr) return eInvalidArgument;
  if (!IsInUpdateMode()) return eNotReady;
  // A refusal of this first report leaves as the thrown value: nothing has been sent yet.
  tracker->OnProgress(ProgressTracker::kRunning, 0.0);
  try {
    SizeImage(*image);
    EnsureIdle();
    // The sum is held in 16 bits, as the driver's buffers are: an oversized transfer size yields a
    // buffer the image refuses to fill, which fails the download instead of overflowing it.
    std::vector<uint8_t> buffer(
        static_cast<uint16_t>(transferSize + DriverRequests::kBlockHeaderSize));
    SendBlocks(*image, *tracker, buffer);
    if (cancelFlag.IsRaised()) throw eCancelled;
    FinishDownload();
  } catch (EResult failure) {
    ReportFailure(*tracker, failure);
    return failure;
  } catch (const std::bad_alloc&) {
    ReportFailure(*tracker, eNoResource);
    return eNoResource;
  }
  // Reported before the reset: the keyboard holds the whole image by now, and the reset makes it
  // leave the bus, which the hot-plug thread may notice before a later report could arrive.
  tracker->OnProgress(ProgressTracker::kFinished, 0.0);
  return ResetAfterManifestation();
}

void DeviceWin::SizeImage(DFUImage& image) const {
  const uint32_t imageSize = image.GetImageSize();
  if (imageSize == 0 || transferSize == 0) throw eNotReady;
  const uint32_t payloadLength =
      model->sendWholeImage != 0 ? imageSize : imageSize - DFUImage::kSuffixSize;
  const uint32_t blocks = payloadLength / transferSize + (payloadLength % transferSize != 0);
  // More blocks than a 16-bit index can address would wrap and send a truncated image.
  if (blocks > kMaxBlockCount) throw eInvalidArgument;
  image.SetSizing(payloadLength, transferSize, static_cast<uint16_t>(blocks));
}

void DeviceWin::EnsureIdle() {
  if (IsState(RequestStatus(), DfuState::dfuIDLE)) return;
  RequestClearStatus();
  if (!IsState(RequestStatus(), DfuState::dfuIDLE)) throw eDeviceError;
}

void DeviceWin::SendBlocks(DFUImage& image, ProgressTracker& tracker, std::span<uint8_t> buffer) {
  const uint16_t blockCount = image.GetBlockCount();
  int attemptsLeft = kBlockAttempts;
  uint16_t index = 0;
  while (!cancelFlag.IsRaised() && index < blockCount) {
    tracker.OnProgress(ProgressTracker::kRunning, index * 100.0 / blockCount);
    if (!SendBlock(image, index, buffer)) {
      // Sent again as it is, without clearing the keyboard's status in between.
      if (--attemptsLeft == 0) throw eDeviceError;
      continue;
    }
    attemptsLeft = kBlockAttempts;
    ++index;
  }
}

// Sends one block; false when the keyboard did not take it up (it never went busy).
bool DeviceWin::SendBlock(DFUImage& image, uint16_t index, std::span<uint8_t> buffer) {
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  const int read = image.ReadBlock(index, static_cast<uint16_t>(buffer.size()), buffer.data());
  if (read != eSuccess) throw static_cast<EResult>(read);
  const uint16_t requestLength = static_cast<uint16_t>(
      LittleEndian::Read16(buffer, UsbDfu::kBlockLengthOffset) + DriverRequests::kBlockHeaderSize);
  if (requestLength > buffer.size()) throw eFailed;
  RequestDownload(buffer.first(requestLength));
  const DfuStatus status = RequestStatus();
  // A keyboard that wrote the block at once skips dfuDNBUSY: sending it again would write it twice.
  if (IsState(status, DfuState::dfuDNLOAD_IDLE)) return true;
  if (!IsState(status, DfuState::dfuDNBUSY)) return false;
  AwaitBlockTaken(status);
  return true;
}

// The poll wait can be announced as hours; it ends as soon as the download is cancelled.
void DeviceWin::AwaitBlockTaken(const DfuStatus& busy) {
  IClock& clock = *Platform().clock;
  clock.Sleep(busy.pollWait, &cancelFlag);
  DfuStatus status = RequestStatus();
  for (int poll = 0;
       poll < kIdlePolls && !IsState(status, DfuState::dfuDNLOAD_IDLE) && !cancelFlag.IsRaised();
       ++poll) {
    clock.Sleep(kIdlePollIntervalMs, &cancelFlag);
    status = RequestStatus();
  }
  if (!IsState(status, DfuState::dfuDNLOAD_IDLE)) throw eDeviceError;
}

void DeviceWin::FinishDownload() {
  // A block of index 0 and length 0 tells the keyboard that the image is complete. It has a buffer
  // of its own: the block buffer may be shorter than a header when the transfer size wrapped its
  // 16-bit size, and an image without payload reaches here without a block having refused it.
  constexpr std::array<uint8_t, DriverRequests::kBlockHeaderSize> kEndOfImage{};
  RequestDownload(kEndOfImage);
  DfuStatus status = RequestStatus();
  if (!IsState(status, DfuState::dfuMANIFEST)) {
    if (!IsState(status, DfuState::dfuMANIFEST_SYNC) &&
        !IsState(status, DfuState::dfuMANIFEST_WAIT_RESET)) {
      throw eDeviceError;
    }
    // The keyboard may be writing its flash still; it need not answer before its poll time-out.
    Platform().clock->Sleep(status.pollWait, &cancelFlag);
    status = RequestStatus();
  }
  status = AwaitManifestation(status);
  if (!IsState(status, DfuState::dfuIDLE) && !IsState(status, DfuState::dfuMANIFEST_WAIT_RESET)) {
    throw eDeviceError;
  }
}

// dfuMANIFEST is a keyboard still manifesting what it took: it is asked again after each poll
// time-out it announces, as often as a block is polled, and what it answers then is judged.
DfuStatus DeviceWin::AwaitManifestation(DfuStatus status) {
  IClock& clock = *Platform().clock;
  for (int poll = 0;
       poll < kIdlePolls && IsState(status, DfuState::dfuMANIFEST) && !cancelFlag.IsRaised();
       ++poll) {
    clock.Sleep(status.pollWait, &cancelFlag);
    status = RequestStatus();
  }
  return status;
}

// A failed reset is returned but does not undo the download: the keyboard holds the image.
int DeviceWin::ResetAfterManifestation() {
  if (model->resetAfterManifestation == 0) return eSuccess;
  try {
    RequestReset();
    return eSuccess;
  } catch (EResult failure) {
    return failure;
  }
}

void DeviceWin::ReportFailure(ProgressTracker& tracker, int value) {
  if (value == eCancelled) {
    try {
      RequestAbort();
    } catch (EResult) {
      // The keyboard is left as it is; a later download clears its state first.
    }
  }
  tracker.OnProgress(ProgressTracker::kFailed, 0.0);
}

}  // namespace CVFirmwareLoader
