#pragma once

#include <cstdint>

namespace CVFirmwareLoader {

// One keyboard model the updater serves. Device knowledge lives here as data.
struct SupportedModel {
  uint8_t endMarker;                      // 1 in the record that ends the table
  int32_t modelNumber;
  const wchar_t* applicationProductId;    // four upper-case hexadecimal digits
  const wchar_t* updateModeProductId;     // four upper-case hexadecimal digits
  const wchar_t* driverFilePath;          // below the driver folder, or null
  const wchar_t* firmwareResourceName;    // or null
  const wchar_t* firmwareFileName;        // used when there is no resource name; or null
  int32_t timeLeftCeilingSeconds;
  uint8_t sendWholeImage;                 // non-zero: the suffix is sent too
  uint8_t detachTimeoutOverrideMs;        // non-zero replaces the keyboard's value
  uint16_t transferSizeOverride;          // non-zero replaces the keyboard's value
  uint8_t resetAfterManifestation;        // non-zero: the download ends with a reset
};

// The models, ended by a record whose end marker is 1.
extern const SupportedModel SupportedModelTable[];

extern const wchar_t* const HardwareIdPrefix;  // "USB\"
extern const wchar_t* const VendorIdTag;       // "VID_"
extern const wchar_t* const VendorIdText;      // the maker's USB vendor ID, four hex digits
extern const wchar_t* const ProductIdTag;      // "PID_"

}  // namespace CVFirmwareLoader
