#include "DFUImage.h"

#include <algorithm>

#include "EResult.h"
#include "FirmwareSuffix.h"
#include "HexText.h"
#include "platform/LittleEndian.h"

namespace CVFirmwareLoader {

static_assert(DFUImage::kSuffixSize == FirmwareSuffix::kSize);

void DFUImage::SetSizing(uint32_t newPayloadLength, uint16_t newBlockSize, uint16_t newBlockCount) {
  payloadLength = newPayloadLength;
  blockSize = newBlockSize;
  blockCount = newBlockCount;
}

void DFUImage::ReadSuffix(const uint8_t* suffixStart) {
  if (suffixStart == nullptr) throw eInvalidArgument;
  const std::span<const uint8_t> suffix(suffixStart, FirmwareSuffix::kSize);
  if (!std::equal(FirmwareSuffix::kSignature.begin(), FirmwareSuffix::kSignature.end(),
                  suffix.begin() + FirmwareSuffix::kSignatureOffset)) {
    throw eInvalidImage;
  }
  version = HexText::Version(LittleEndian::Read16(suffix, FirmwareSuffix::kVersionOffset));
  productId = HexText::Digits(LittleEndian::Read16(suffix, FirmwareSuffix::kProductIdOffset));
  updateModeProductId =
      HexText::Digits(LittleEndian::Read16(suffix, FirmwareSuffix::kUpdateModeProductIdOffset));
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
  const std::span<uint8_t> header(buffer, kBlockHeaderSize);
  LittleEndian::Write16(header, 2, length);
  LittleEndian::Write16(header, 0, index);
}

}  // namespace CVFirmwareLoader
