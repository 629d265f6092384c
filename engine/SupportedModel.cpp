#include "SupportedModel.h"

namespace CVFirmwareLoader {

// Identifiers from a USB test range, so that no real product is ever mistaken for the keyboard.
const wchar_t* const VendorIdText = L"1209";
const wchar_t* const HardwareIdPrefix = L"USB\\";
const wchar_t* const VendorIdTag = L"VID_";
const wchar_t* const ProductIdTag = L"PID_";

const SupportedModel SupportedModelTable[] = {
    {
        .endMarker = 0,
        .modelNumber = 0,
        .applicationProductId = L"0005",
        .updateModeProductId = L"0006",
#ifdef _WIN32
        // The keyboard's kernel streaming driver, below the Program Files folder.
        .driverFilePath = L"\\Corvane\\Evarix\\Streaming\\CorvaneEvarix.sys",
#else
        // What a user installs for the keyboard on this system: the access rule for both modes.
        .driverFilePath = L"/70-corvane-evarix.rules",
#endif
        .firmwareResourceName = L"EV3_25_1023-0780",
        .firmwareFileName = nullptr,
        .timeLeftCeilingSeconds = 1200,
        .sendWholeImage = 0,
        .detachTimeoutOverrideMs = 0,
        .transferSizeOverride = 0,
        .resetAfterManifestation = 1,
    },
    {.endMarker = 1,
     .modelNumber = -1,
     .applicationProductId = nullptr,
     .updateModeProductId = nullptr,
     .driverFilePath = nullptr,
     .firmwareResourceName = nullptr,
     .firmwareFileName = nullptr,
     .timeLeftCeilingSeconds = 0,
     .sendWholeImage = 0,
     .detachTimeoutOverrideMs = 0,
     .transferSizeOverride = 0,
     .resetAfterManifestation = 0},
};

}  // namespace CVFirmwareLoader
