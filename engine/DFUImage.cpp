#include "DFUImage.h"

#include <algorithm>

#include "EResult.h"
#include "FirmwareSuffix.h"
#include "HexText.h"

namespace CVFirmwareLoader {

namespace {

uint16_t ReadU16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

void WriteU16(uint8_t* bytes, uint16_t value) {
  bytes[0] = static_cast<uint8_t>(value & 0xFF);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

static_assert(DFUImage::kSuffixSize == FirmwareSuffix::kSize);

void DFUImage::SetSizing(uint32_t newPayloadLength, uint16_t newBlockSize, uint16_t newBlockCount) {
  payloadLength = newPayloadLength;
  blockSize = newBlockSize;
  blockCount = newBlockCount;
}

void DFUImage::ReadSuffix(const uint8_t* suffix) {
  if (suffix == nullptr) throw eInvalidArgument;
  if (!std::equal(FirmwareSuffix::kSignature.begin(), FirmwareSuffix::kSignature.end(),
                  suffix + FirmwareSuffix::kSignatureOffset)) {
    throw eInvalidImage;
  }
  version = HexText::Version(ReadU16(suffix + FirmwareSuffix::kVersionOffset));
  productId = HexText::Digits(ReadU16(suffix + FirmwareSuffix::kProductIdOffset));
  updateModeProductId =
      HexText::Digits(ReadU16(suffix + FirmwareSuffix::kUpdateModeProductIdOffset));
}

int DFUImage::LocateBlock(uint16_t index, uint16_t bufferSize, const uint8_t* buffer,
                          BlockSpan& span) const {
  if (blockSize == 0 || blockCount == 0) return eNotReady;
  if (index >= blockCount || uint32_t{bufferSize} < uint32_t{blockSize} + kBlockHeaderSize ||
      buffer == nullptr) {
    return eInvalidArgument;
  }
  span.offset = uint32_t{index} * blockSize;
  span.length = blockSize;
  if (index >= blockCount - 1) {
    const auto rest = static_cast<uint16_t>(payloadLength % blockSize);
    if (rest != 0) span.length = rest;
  }
  return eSuccess;
}

void DFUImage::WriteBlockHeader(uint8_t* buffer, uint16_t index, uint16_t length) {
  WriteU16(buffer + 2, length);
  WriteU16(buffer, index);
}

}  // namespace CVFirmwareLoader
