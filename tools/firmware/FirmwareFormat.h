#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "engine/FirmwareSuffix.h"

// The keyboard's side of the firmware image: how our images are laid out and built, and how the
// keyboard's boot loader decides that what it received is firmware it may run.
//
// An image is a payload followed by the 18-byte FirmwareSuffix. The payload is laid out as:
//
//   offset  width  content
//   0       4      magic "CVFW"
//   4       u16    firmware version (the same as in the suffix)
//   6       u16    reserved, 0
//   8       u32    payload length in bytes, this header included
//   12      u32    checksum: DfuSuffixCrc of the whole payload without this field (bytes 0 to
//                  11, then 16 to the end)
//   16      ...    banner: NUL-terminated ASCII text with the rights notice, the version text, the
//                  build host and the build date
//   ...     ...    zero bytes up to kCodeOffset
//   512     ...    code: bytes of a xorshift32 generator seeded from the version
//
// Multi-byte fields are little-endian. Every part is cut off where the payload ends, so images of
// any size from the suffix alone upwards can be built; CheckFirmwarePayload refuses those too
// small to hold the header. Nothing depends on the time or the machine of the build: the same
// description always gives the same bytes.
namespace EvarixFirmware {

constexpr size_t kSuffixSize = CVFirmwareLoader::FirmwareSuffix::kSize;
constexpr size_t kPayloadHeaderSize = 16;
constexpr size_t kBannerOffset = kPayloadHeaderSize;
constexpr size_t kCodeOffset = 512;
constexpr std::string_view kPayloadMagic = "CVFW";

constexpr uint16_t kShippedVersion = 0x1023;
constexpr uint32_t kShippedImageSize = 135594;
constexpr std::string_view kBuildHost = "cv-fwbuild-02";
constexpr std::string_view kBuildDate = "2009-11-16 14:05:33";

// What an image is made for. The defaults describe the image the updater ships.
struct ImageDescription {
  uint16_t version = kShippedVersion;
  uint16_t updateModeProductId = 0x0006;
  uint16_t applicationProductId = 0x0005;
  uint16_t vendorId = 0x1209;
  uint32_t totalSize = kShippedImageSize;  // suffix included; at least kSuffixSize
};

// The whole image, suffix included. Throws std::invalid_argument when totalSize is smaller than
// the suffix.
std::vector<uint8_t> BuildFirmwareImage(const ImageDescription& description);

// The CRC of the USB DFU 1.1 file suffix: reflected CRC-32 (polynomial 0x04C11DB7), initial value
// 0xFFFFFFFF, no final inversion.
uint32_t DfuSuffixCrc(std::span<const uint8_t> bytes);

// The firmware version of a received payload (the image without its suffix) when it checks out:
// magic, length equal to the payload's size, and checksum. Nothing otherwise.
std::optional<uint16_t> CheckFirmwarePayload(std::span<const uint8_t> payload);

}  // namespace EvarixFirmware
