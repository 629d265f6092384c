#pragma once

#include <cstdint>
#include <string>

#include "platform/UsbDfuWire.h"

namespace CVFirmwareLoader {

// A firmware image: a payload followed by its FirmwareSuffix. The image is read-only once opened,
// except for the three sizing fields, which the download sets before its first ReadBlock.
class DFUImage {
 public:
  // The FirmwareSuffix at the end of every image.
  static constexpr uint32_t kSuffixSize = 18;
  // Every block handed out starts with this header: u16 block index, u16 number of data bytes.
  static constexpr uint16_t kBlockHeaderSize = UsbDfu::kBlockHeaderSize;

  virtual ~DFUImage() = default;
  DFUImage(const DFUImage&) = delete;
  DFUImage& operator=(const DFUImage&) = delete;

  // Fills buffer with the block header and then the block's payload bytes, taken from offset
  // index * blockSize of the image. Returns 0, or: -50 when the image has not been sized, -80 for
  // an index out of range or a buffer that is null or smaller than blockSize + 4 (the buffer is
  // then untouched), -10 when the block's bytes cannot be read in full (the first bufferSize bytes
  // of the buffer are then zero). The file kind adds -50 when payloadLength is 0 and -30 for a
  // closed file.
  virtual int ReadBlock(uint16_t index, uint16_t bufferSize, uint8_t* buffer) = 0;

  // "0x" and four upper-case hexadecimal digits.
  std::wstring GetVersion() const { return version; }
  // Four upper-case hexadecimal digits.
  std::wstring GetProductId() const { return productId; }
  std::wstring GetUpdateModeProductId() const { return updateModeProductId; }

  // The whole image in bytes, suffix included.
  uint32_t GetImageSize() const { return imageSize; }
  uint32_t GetPayloadLength() const { return payloadLength; }
  uint16_t GetBlockSize() const { return blockSize; }
  uint16_t GetBlockCount() const { return blockCount; }

  // Set by the download before its first ReadBlock. payloadLength is imageSize when the suffix is
  // sent too, else imageSize - 18; blockCount is payloadLength / blockSize rounded up.
  void SetSizing(uint32_t newPayloadLength, uint16_t newBlockSize, uint16_t newBlockCount);

 protected:
  DFUImage() = default;

  // Takes the texts from the 18 suffix bytes. Throws -80 for a null pointer and -60 when the
  // signature is not "UFD".
  void ReadSuffix(const uint8_t* suffix);

  // Where a block lies in the image.
  struct BlockSpan {
    uint32_t offset;
    uint16_t length;
  };

  // The checks and the arithmetic that both kinds share: returns 0 and the block's place, or -50
  // or -80 as ReadBlock does.
  int LocateBlock(uint16_t index, uint16_t bufferSize, const uint8_t* buffer,
                  BlockSpan& span) const;

  // Writes the block header in front of data already in the buffer.
  static void WriteBlockHeader(uint8_t* buffer, uint16_t index, uint16_t length);

  uint32_t imageSize = 0;
  uint32_t payloadLength = 0;
  uint16_t blockSize = 0;
  uint16_t blockCount = 0;
  std::wstring version;
  std::wstring productId;
  std::wstring updateModeProductId;
};

}  // namespace CVFirmwareLoader
