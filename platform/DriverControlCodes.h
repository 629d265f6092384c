#pragma once

#include <cstdint>

namespace CVFirmwareLoader {

// The driver's control codes: device type 0x22, any access, buffered, so 0x220000 + function * 4.
// The five DFU requests take function 0x803 plus their USB DFU 1.1 request number. This is the
// wire contract between the device layer and whatever transport stands in for the driver.
namespace DriverControlCode {
constexpr uint32_t FromFunction(uint32_t function) { return 0x220000u + function * 4u; }

constexpr uint32_t ResetDevice = FromFunction(0x801);          // no request, no reply
constexpr uint32_t DfuDetach = FromFunction(0x803);            // 4 request bytes
constexpr uint32_t DfuDownload = FromFunction(0x804);          // 4 + n request bytes
constexpr uint32_t DfuGetStatus = FromFunction(0x806);         // 6 reply bytes
constexpr uint32_t DfuClearStatus = FromFunction(0x807);       // nothing
constexpr uint32_t DfuAbort = FromFunction(0x809);             // nothing
constexpr uint32_t GetInfoText = FromFunction(0x80B);          // 96 reply bytes
constexpr uint32_t GetDfuDescriptor = FromFunction(0x80C);     // 8 reply bytes
constexpr uint32_t GetDeviceDescriptor = FromFunction(0x80D);  // 18 reply bytes

static_assert(ResetDevice == 0x222004 && DfuDetach == 0x22200C && DfuDownload == 0x222010 &&
              DfuGetStatus == 0x222018 && DfuClearStatus == 0x22201C && DfuAbort == 0x222024 &&
              GetInfoText == 0x22202C && GetDfuDescriptor == 0x222030 &&
              GetDeviceDescriptor == 0x222034);
}  // namespace DriverControlCode

// Reply sizes of the requests that have one.
constexpr uint32_t kGetStatusReplySize = 6;
constexpr uint32_t kInfoTextReplySize = 96;
constexpr uint32_t kDfuDescriptorReplySize = 8;
constexpr uint32_t kDeviceDescriptorReplySize = 18;

}  // namespace CVFirmwareLoader
