#include "app/StatusSentence.h"

#include "engine/ILoader.h"

namespace EvarixApp {

using CVFirmwareLoader::FirmwareCheck;

namespace {

std::wstring Connected(const wchar_t* secondLine) {
  return std::wstring(L"An ") + kModelName + L" is connected." + secondLine;
}

}  // namespace

std::wstring StatusSentence(int firmwareCheck) {
  switch (static_cast<FirmwareCheck>(firmwareCheck)) {
    case FirmwareCheck::DriverMissing:
      return L"The Evarix drivers are not installed on your computer. Please download and install "
             L"the latest drivers and retry this update.";
    case FirmwareCheck::DriversOutdated:
      return L"Your Evarix drivers are out of date. Please download and install the latest "
             L"drivers and retry this update.";
    case FirmwareCheck::NotReady:
      return L"An internal error has occured in this application.  Please contact Technical "
             L"support.";
    case FirmwareCheck::NoKeyboard:
      return std::wstring(L"No ") + kModelName + L" found." + L"\r\nConnect or turn on your " +
             kModelName + L" to proceed with updating.";
    case FirmwareCheck::UpToDate:
      return Connected(L"\r\nNo update needed. The device is up to date. Click Quit to exit.");
    case FirmwareCheck::UpdateAvailable:
      return Connected(L"\r\nAn update is available. Ready to update. Click Update to proceed.");
    case FirmwareCheck::DeviceNewer:
      return Connected(
          L"\r\nWARNING: Device has newer firmware. Click Update to proceed to overwrite with "
          L"older firmware.");
    case FirmwareCheck::UpdateRequired:
      return std::wstring(L"An ") + kModelName +
             L" is connected and has incomplete firmware installed." +
             L"\r\nUpdate is needed. Click Update to proceed.";
  }
  return {};
}

bool UpdateAllowed(int firmwareCheck) {
  return firmwareCheck >= static_cast<int>(FirmwareCheck::UpdateAvailable);
}

std::wstring IntroductoryLine() {
  return std::wstring(L"This application updates the firmware for ") + kModelName +
         L" MIDI controller keyboards.";
}

}  // namespace EvarixApp
