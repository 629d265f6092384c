#include "platform/UsbDriverHandle.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/DriverControlCodes.h"
#include "platform/LittleEndian.h"

namespace CVFirmwareLoader {

namespace {

namespace Type = UsbDfu::DescriptorType;

namespace Field = UsbDfu::InterfaceField;
using UsbDfu::kBlockHeaderSize;

constexpr size_t kDetachRequestSize = 4;
constexpr size_t kStringHeaderSize = 2;

bool HasSizes(std::span<const uint8_t> request, size_t requestSize, std::span<uint8_t> reply,
              size_t replySize) {
  return request.size() == requestSize && reply.size() == replySize;
}

// A transfer result counts only when it is within what was asked for.
bool Received(int result, size_t atLeast, size_t atMost) {
  return result >= 0 && static_cast<size_t>(result) >= atLeast &&
         static_cast<size_t>(result) <= atMost;
}

// Splits a configuration descriptor into its descriptors. A bLength below 2 would never move the
// walk on, and one past the end would read beyond it: either makes the whole set malformed.
std::optional<std::vector<std::span<const uint8_t>>> SplitDescriptors(
    std::span<const uint8_t> bytes) {
  std::vector<std::span<const uint8_t>> descriptors;
  size_t offset = 0;
  while (offset < bytes.size()) {
    const size_t length = bytes[offset];
    if (length < 2 || length > bytes.size() - offset) return std::nullopt;
    descriptors.push_back(bytes.subspan(offset, length));
    offset += length;
  }
  return descriptors;
}

bool IsDfuInterface(std::span<const uint8_t> interface) {
  const uint8_t protocol = interface[Field::kProtocol];
  return interface[Field::kClass] == UsbDfu::kDfuInterfaceClass &&
         interface[Field::kSubclass] == UsbDfu::kDfuInterfaceSubclass &&
         (protocol == UsbDfu::kRuntimeProtocol || protocol == UsbDfu::kDfuModeProtocol);
}

}  // namespace

UsbDriverHandle::UsbDriverHandle(IUsbDevice& device, std::optional<DfuInterface> dfu)
    : device_(device), dfu_(dfu) {}

UsbDriverHandle::UsbDriverHandle(std::unique_ptr<IUsbDevice> device,
                                 std::optional<DfuInterface> dfu)
    : owned_(std::move(device)), device_(*owned_), dfu_(dfu) {}

bool UsbDriverHandle::Control(uint32_t code, std::span<const uint8_t> request,
                              std::span<uint8_t> reply) {
  namespace Code = DriverControlCode;
  try {
    switch (code) {
      case Code::ResetDevice:
        return HasSizes(request, 0, reply, 0) && device_.ResetPort();
      case Code::DfuDetach:
        return HasSizes(request, kDetachRequestSize, reply, 0) && Detach(request);
      case Code::DfuDownload:
        return reply.empty() && Download(request);
      case Code::DfuGetStatus:
        return HasSizes(request, 0, reply, kGetStatusReplySize) && GetStatus(reply);
      case Code::DfuClearStatus:
        return HasSizes(request, 0, reply, 0) && DfuCommand(UsbDfu::Request::ClearStatus);
      case Code::DfuAbort:
        return HasSizes(request, 0, reply, 0) && DfuCommand(UsbDfu::Request::Abort);
      case Code::GetInfoText:
        return HasSizes(request, 0, reply, kInfoTextReplySize) && GetInfoText(reply);
      case Code::GetDfuDescriptor:
        return HasSizes(request, 0, reply, kDfuDescriptorReplySize) && GetDfuDescriptor(reply);
      case Code::GetDeviceDescriptor:
        return HasSizes(request, 0, reply, kDeviceDescriptorReplySize) &&
               GetDeviceDescriptor(reply);
      default:
        return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool UsbDriverHandle::Detach(std::span<const uint8_t> request) {
  // Bytes 0 and 1 hold a constant that the driver never passed on.
  return DfuTransfer(UsbDfu::kRequestTypeClassOut, UsbDfu::Request::Detach,
                     LittleEndian::Read16(request, 2), {});
}

bool UsbDriverHandle::Download(std::span<const uint8_t> request) {
  if (request.size() < kBlockHeaderSize) return false;
  // Only the data goes on the wire; a header that disagrees with the request would send the
  // keyboard bytes that were never meant for it.
  if (request.size() !=
      kBlockHeaderSize + LittleEndian::Read16(request, UsbDfu::kBlockLengthOffset))
    return false;
  std::vector<uint8_t> data(request.begin() + kBlockHeaderSize, request.end());
  return DfuTransfer(UsbDfu::kRequestTypeClassOut, UsbDfu::Request::Download,
                     LittleEndian::Read16(request, 0), data);
}

bool UsbDriverHandle::GetStatus(std::span<uint8_t> reply) {
  std::array<uint8_t, kGetStatusReplySize> status{};
  if (!DfuTransfer(UsbDfu::kRequestTypeClassIn, UsbDfu::Request::GetStatus, 0, status)) {
    return false;
  }
  std::ranges::copy(status, reply.begin());
  return true;
}

bool UsbDriverHandle::DfuCommand(UsbDfu::Request request) {
  return DfuTransfer(UsbDfu::kRequestTypeClassOut, request, 0, {});
}

bool UsbDriverHandle::GetDeviceDescriptor(std::span<uint8_t> reply) {
  std::array<uint8_t, UsbDfu::kDeviceDescriptorSize> descriptor{};
  const int result = GetDescriptor(UsbDfu::DescriptorValue(Type::kDevice, 0), 0, descriptor);
  if (!Received(result, descriptor.size(), descriptor.size()) || descriptor[1] != Type::kDevice) {
    return false;
  }
  std::ranges::copy(descriptor, reply.begin());
  return true;
}

bool UsbDriverHandle::GetDfuDescriptor(std::span<uint8_t> reply) {
  if (!dfu_) return false;
  std::copy_n(dfu_->functional.begin(), std::min(dfu_->functionalLength, reply.size()),
              reply.begin());
  return true;
}

bool UsbDriverHandle::GetInfoText(std::span<uint8_t> reply) {
  if (!dfu_ || dfu_->textIndex == 0) return false;
  // A string descriptor is its two header bytes and then UTF-16LE text: the reply's layout.
  std::array<uint8_t, kInfoTextReplySize> text{};
  const int result = GetDescriptor(UsbDfu::DescriptorValue(Type::kString, dfu_->textIndex),
                                   UsbDfu::kLanguageEnglishUs, text);
  if (!Received(result, kStringHeaderSize, text.size()) || text[1] != Type::kString) return false;
  std::copy_n(text.begin(), result, reply.begin());
  return true;
}

std::optional<DfuInterface> UsbDriverHandle::FindDfuInterface(
    std::span<const uint8_t> configuration) {
  if (configuration.size() < UsbDfu::kConfigurationHeaderSize ||
      configuration[1] != Type::kConfiguration ||
      LittleEndian::Read16(configuration, UsbDfu::ConfigurationField::kTotalLength) !=
          configuration.size()) {
    return std::nullopt;
  }
  const auto descriptors = SplitDescriptors(configuration);
  if (!descriptors) return std::nullopt;
  std::optional<DfuInterface> dfu;
  for (const auto descriptor : *descriptors) {
    if (descriptor[1] == Type::kInterface) {
      if (descriptor.size() < UsbDfu::kInterfaceDescriptorSize) return std::nullopt;
      // Alternate settings share the DFU interface's number; another number starts the next
      // interface, whose descriptors (a HID descriptor also has type 0x21) are not ours.
      if (dfu && descriptor[Field::kNumber] != dfu->number) return std::nullopt;
      if (!dfu && IsDfuInterface(descriptor)) {
        dfu = DfuInterface{.number = descriptor[Field::kNumber],
                           .textIndex = descriptor[Field::kText]};
      }
    } else if (dfu && descriptor[1] == Type::kDfuFunctional) {
      if (descriptor.size() < UsbDfu::kDfuFunctionalMinimumSize) return std::nullopt;
      dfu->functionalLength = std::min(descriptor.size(), dfu->functional.size());
      std::copy_n(descriptor.begin(), dfu->functionalLength, dfu->functional.begin());
      return dfu;
    }
  }
  return std::nullopt;
}

bool UsbDriverHandle::DfuTransfer(uint8_t requestType, UsbDfu::Request request, uint16_t value,
                                  std::span<uint8_t> data) {
  if (!dfu_) return false;
  const int result = device_.ControlTransfer(requestType, static_cast<uint8_t>(request), value,
                                             dfu_->number, data);
  return Received(result, data.size(), data.size());
}

int UsbDriverHandle::GetDescriptor(uint16_t value, uint16_t index, std::span<uint8_t> data) {
  return device_.ControlTransfer(UsbDfu::kRequestTypeStandardIn, UsbDfu::kGetDescriptor, value,
                                 index, data);
}

}  // namespace CVFirmwareLoader
