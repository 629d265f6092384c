#include "FirmwareFormat.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/LittleEndian.h"

namespace EvarixFirmware {

using CVFirmwareLoader::FirmwareSuffix;
namespace LittleEndian = CVFirmwareLoader::LittleEndian;

namespace {

constexpr size_t kVersionField = 4;
constexpr size_t kReservedField = 6;
constexpr size_t kLengthField = 8;
constexpr size_t kChecksumField = 12;
constexpr uint32_t kCodeSeed = 0xC0A5E7B1;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < table.size(); ++i) {
    uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) {
      value = (value & 1) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    }
    table[i] = value;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t ContinueCrc(uint32_t crc, std::span<const uint8_t> bytes) {
  for (const uint8_t byte : bytes) crc = (crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFF];
  return crc;
}

// Covers the whole payload but the checksum field, so that no byte of the header can be damaged
// unnoticed either. The payload must hold at least the header.
uint32_t PayloadChecksum(std::span<const uint8_t> payload) {
  return ContinueCrc(DfuSuffixCrc(payload.first(kChecksumField)),
                     payload.subspan(kPayloadHeaderSize));
}

std::string Banner(uint16_t version) {
  char versionText[8];
  std::snprintf(versionText, sizeof versionText, "0x%04X", unsigned{version});
  return "Copyright (c) 2009 Corvane Inc. All rights reserved. Evarix 25 firmware " +
         std::string(versionText) + ", built on " + std::string(kBuildHost) + " at " +
         std::string(kBuildDate) + ".";
}

// The payload as it would be if it were unbounded, written into however many bytes it has.
void FillPayload(std::span<uint8_t> payload, uint16_t version) {
  std::array<uint8_t, kPayloadHeaderSize> header{};
  std::copy(kPayloadMagic.begin(), kPayloadMagic.end(), header.begin());
  LittleEndian::Write16(header, kVersionField, version);
  LittleEndian::Write16(header, kReservedField, 0);
  LittleEndian::Write32(header, kLengthField, static_cast<uint32_t>(payload.size()));
  // The checksum goes in last, once the bytes it covers are in place.

  std::vector<uint8_t> front(kCodeOffset, 0);
  std::copy(header.begin(), header.end(), front.begin());
  const std::string banner = Banner(version);
  std::copy(banner.begin(), banner.end(), front.begin() + kBannerOffset);  // NUL from the zeros

  const size_t frontBytes = std::min(front.size(), payload.size());
  std::copy_n(front.begin(), frontBytes, payload.begin());

  uint32_t state = kCodeSeed ^ version;
  for (size_t offset = kCodeOffset; offset < payload.size(); offset += 4) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    for (size_t i = 0; i < 4 && offset + i < payload.size(); ++i) {
      payload[offset + i] = static_cast<uint8_t>(state >> (8 * i));
    }
  }

  if (payload.size() >= kPayloadHeaderSize) {
    LittleEndian::Write32(payload, kChecksumField, PayloadChecksum(payload));
  }
}

}  // namespace

static_assert(kBannerOffset < kCodeOffset);

std::vector<uint8_t> BuildFirmwareImage(const ImageDescription& description) {
  if (description.totalSize < kSuffixSize) {
    throw std::invalid_argument("a firmware image needs room for its 18-byte suffix");
  }
  std::vector<uint8_t> image(description.totalSize, 0);
  const std::span<uint8_t> bytes(image);
  const size_t suffixStart = image.size() - kSuffixSize;

  FillPayload(bytes.first(suffixStart), description.version);

  const std::span<uint8_t> suffix = bytes.subspan(suffixStart);
  LittleEndian::Write16(suffix, FirmwareSuffix::kUpdateModeProductIdOffset, description.updateModeProductId);
  LittleEndian::Write16(suffix, FirmwareSuffix::kVersionOffset, description.version);
  LittleEndian::Write16(suffix, FirmwareSuffix::kProductIdOffset, description.applicationProductId);
  LittleEndian::Write16(suffix, FirmwareSuffix::kVendorIdOffset, description.vendorId);
  LittleEndian::Write16(suffix, FirmwareSuffix::kFormatVersionOffset, FirmwareSuffix::kFormatVersion);
  std::copy(FirmwareSuffix::kSignature.begin(), FirmwareSuffix::kSignature.end(),
            suffix.begin() + FirmwareSuffix::kSignatureOffset);
  // The length covers the whole trailer, the update-mode product ID in front included, so that DFU
  // tools strip all 18 bytes and see only the payload.
  suffix[FirmwareSuffix::kLengthOffset] = static_cast<uint8_t>(FirmwareSuffix::kSize);
  LittleEndian::Write32(suffix, FirmwareSuffix::kCrcOffset,
         DfuSuffixCrc(bytes.first(image.size() - sizeof(uint32_t))));
  return image;
}

uint32_t DfuSuffixCrc(std::span<const uint8_t> bytes) {
  return ContinueCrc(0xFFFFFFFFu, bytes);
}

std::optional<uint16_t> CheckFirmwarePayload(std::span<const uint8_t> payload) {
  if (payload.size() < kPayloadHeaderSize) return std::nullopt;
  if (!std::equal(kPayloadMagic.begin(), kPayloadMagic.end(), payload.begin())) {
    return std::nullopt;
  }
  if (LittleEndian::Read32(payload, kLengthField) != payload.size()) return std::nullopt;
  if (LittleEndian::Read32(payload, kChecksumField) != PayloadChecksum(payload)) return std::nullopt;
  return LittleEndian::Read16(payload, kVersionField);
}

}  // namespace EvarixFirmware
