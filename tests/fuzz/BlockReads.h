#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/DFUImage.h"
#include "engine/EResult.h"
#include "fuzz/FuzzSupport.h"
#include "platform/LittleEndian.h"

namespace EvarixFuzz {

// What a read leaves in the buffer when it must not touch it.
constexpr uint8_t kUntouched = 0xA5;

// The block a sized image must hand out: its bytes at index * blockSize, a whole block except for
// a shorter last one.
inline void RequireBlock(const CVFirmwareLoader::DFUImage& image,
                         std::span<const uint8_t> imageBytes, uint16_t index,
                         std::span<const uint8_t> buffer) {
  using CVFirmwareLoader::LittleEndian::Read16;
  const uint16_t blockSize = image.GetBlockSize();
  const uint16_t rest = static_cast<uint16_t>(image.GetPayloadLength() % blockSize);
  const bool last = index + 1 == image.GetBlockCount();
  const uint16_t length = last && rest != 0 ? rest : blockSize;
  Require(Read16(buffer, 0) == index && Read16(buffer, 2) == length, "the header names the block");
  const size_t offset = size_t{index} * blockSize;
  Require(offset + length <= imageBytes.size(), "a block read in full lies inside the image");
  Require(std::equal(buffer.begin() + CVFirmwareLoader::DFUImage::kBlockHeaderSize,
                     buffer.begin() + CVFirmwareLoader::DFUImage::kBlockHeaderSize + length,
                     imageBytes.begin() + offset),
          "a block carries the image's bytes");
}

// Reads one block into a buffer of exactly bufferSize bytes, holding the image to what ReadBlock
// promises for each of its answers. Returns the answer and, on success, the buffer.
inline int ReadBlockChecked(CVFirmwareLoader::DFUImage& image, std::span<const uint8_t> imageBytes,
                            uint16_t index, uint16_t bufferSize, std::vector<uint8_t>& buffer) {
  using namespace CVFirmwareLoader;
  buffer.assign(bufferSize, kUntouched);
  const int result = image.ReadBlock(index, bufferSize, buffer.empty() ? nullptr : buffer.data());
  const auto all = [&buffer](uint8_t value) {
    return std::all_of(buffer.begin(), buffer.end(), [value](uint8_t b) { return b == value; });
  };
  switch (result) {
    case eSuccess:
      RequireBlock(image, imageBytes, index, buffer);
      break;
    case eFailed:
      Require(all(0), "a failed read leaves the buffer zeroed");
      break;
    case eNotReady:
    case eInvalidArgument:
      Require(all(kUntouched), "a refused read leaves the buffer untouched");
      break;
    default:
      Require(false, "ReadBlock answers 0, -10, -50 or -80");
  }
  return result;
}

}  // namespace EvarixFuzz
