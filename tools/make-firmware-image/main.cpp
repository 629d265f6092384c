// Writes the firmware image the updater ships. The image is rebuilt from its description alone, so
// running this again anywhere gives the same bytes as the file in resources/.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <vector>

#include "tools/firmware/FirmwareFormat.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: make-firmware-image <output-file>\n"
                 "Writes the shipped firmware image (version 0x1023) to <output-file>.\n";
    return 2;
  }
  const char* outputPath = argv[1];
  const std::vector<uint8_t> image = EvarixFirmware::BuildFirmwareImage({});

  std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
  if (!out) {
    std::cerr << "make-firmware-image: cannot open " << outputPath << " for writing\n";
    return 1;
  }
  out.write(reinterpret_cast<const char*>(image.data()),
            static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::cerr << "make-firmware-image: cannot write " << outputPath << '\n';
    std::remove(outputPath);  // a partial image must not pass for a whole one
    return 1;
  }
  return 0;
}
