// A firmware image file: two bytes of block size, then the file's bytes. The file is opened as the
// updater opens its image, sized as a download sizes it, and read block by block.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/DFUImageFile.h"
#include "engine/EResult.h"
#include "engine/FirmwareSuffix.h"
#include "fuzz/BlockReads.h"
#include "fuzz/FuzzSupport.h"

using namespace CVFirmwareLoader;
using EvarixFuzz::Require;

namespace {

bool IsImage(std::span<const uint8_t> bytes) {
  if (bytes.size() < FirmwareSuffix::kSize) return false;
  const auto signature =
      bytes.last(FirmwareSuffix::kSize).subspan(FirmwareSuffix::kSignatureOffset);
  return std::equal(FirmwareSuffix::kSignature.begin(), FirmwareSuffix::kSignature.end(),
                    signature.begin());
}

std::unique_ptr<DFUImageFile> OpenImage(const EvarixFuzz::TemporaryFile& file) {
  try {
    return std::make_unique<DFUImageFile>(file.Name(), file.ProgramPath());
  } catch (EResult failure) {
    Require(failure == eFailed || failure == eInvalidImage, "a bad image is refused as such");
    return nullptr;
  }
}

// Every block of the sized payload in order, then one past the last, which must be refused.
void ReadEveryBlock(DFUImage& image, std::span<const uint8_t> bytes) {
  const auto bufferSize = static_cast<uint16_t>(image.GetBlockSize() + DFUImage::kBlockHeaderSize);
  std::vector<uint8_t> buffer;
  for (uint16_t index = 0; index < image.GetBlockCount(); ++index) {
    Require(EvarixFuzz::ReadBlockChecked(image, bytes, index, bufferSize, buffer) == eSuccess,
            "every block of a sized image reads");
  }
  Require(EvarixFuzz::ReadBlockChecked(image, bytes, image.GetBlockCount(), bufferSize, buffer) !=
              eSuccess,
          "there is no block past the last");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EvarixFuzz::InputReader input({data, size});
  const uint16_t blockSize = input.Word();
  const std::span<const uint8_t> bytes = input.Rest();
  const EvarixFuzz::TemporaryFile file(bytes);

  const std::unique_ptr<DFUImageFile> image = OpenImage(file);
  Require((image != nullptr) == IsImage(bytes), "exactly the files ending in a suffix open");
  if (image == nullptr) return 0;
  Require(image->GetImageSize() == bytes.size(), "the image is the whole file");
  // Sized as a download sizes it, which never makes blocks it cannot address or whose buffer size
  // does not fit 16 bits.
  if (blockSize == 0 || blockSize > 0xFFFF - DFUImage::kBlockHeaderSize) return 0;
  const uint32_t payloadLength = image->GetImageSize() - DFUImage::kSuffixSize;
  const uint32_t blockCount = payloadLength / blockSize + (payloadLength % blockSize != 0);
  if (blockCount > 0xFFFF) return 0;
  image->SetSizing(payloadLength, blockSize, static_cast<uint16_t>(blockCount));
  ReadEveryBlock(*image, bytes);
  return 0;
}
