#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/DriverControlCodes.h"
#include "platform/UsbDfuWire.h"

namespace CVFirmwareLoader {

// The decoded get-status reply.
struct DfuStatus {
  uint32_t status = 0;
  uint32_t pollWait = 0;  // milliseconds to wait before polling again
  uint32_t state = 0;
};

namespace DriverRequests {

using UsbDfu::kBlockHeaderSize;

// 1.2 times the keyboard's poll time-out, rounded half up: keyboards tend to announce the time
// they need exactly, and polling too early makes some of them fail the block. A wait too long for
// 32 bits is the longest there is.
uint32_t PollWaitFor(uint32_t pollTimeoutMs);

DfuStatus DecodeGetStatusReply(std::span<const uint8_t, kGetStatusReplySize> reply);

std::array<uint8_t, 4> EncodeDetachRequest(uint16_t detachTimeoutMs);

// UTF-16LE text from byte 2 up to the first zero character or the end of the reply.
std::wstring DecodeInfoTextReply(std::span<const uint8_t, kInfoTextReplySize> reply);

}  // namespace DriverRequests
}  // namespace CVFirmwareLoader
