#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeLoader.h"
#include "app/EvarixFirmwareUpdaterDlg.h"
#include "app/ResourceIds.h"
#include "support/FakeViewSystem.h"

namespace EvarixTest {

// Status sentences that several tests look for in the main window.
constexpr const wchar_t* kInternalError =
    L"An internal error has occured in this application.  Please contact Technical support.";
constexpr const wchar_t* kNoKeyboard =
    L"No Evarix 25 found.\r\nConnect or turn on your Evarix 25 to proceed with updating.";
constexpr const wchar_t* kUpdateAvailable =
    L"An Evarix 25 is connected.\r\nAn update is available. Ready to update. Click Update to "
    L"proceed.";
constexpr const wchar_t* kIncompleteFirmware =
    L"An Evarix 25 is connected and has incomplete firmware installed.\r\nUpdate is needed. "
    L"Click Update to proceed.";

// The main window over a fake loader, as the start-up prepares it, with the MIDI sender recording.
class MainDialogTest : public testing::Test {
 protected:
  using Window = FakeViewSystem::Window;

  MainDialogTest() {
    EvarixApp::CEvarixFirmwareUpdaterDlg::mainTextWritten = false;
    dialog.loader = &loader;
    dialog.sendUpdateDone = [this](const char* portName) {
      sent.emplace_back(portName);
      return 0;
    };
  }

  // Runs the main window with this script and returns what DoModal gave.
  int RunMain(FakeViewSystem::Script script) {
    view.OnRun(EvarixApp::Template::kMain, std::move(script));
    return dialog.DoModal();
  }

  Window& Main() { return *view.Find(EvarixApp::Template::kMain); }

  FakeViewSystem view;
  FakeLoader loader;
  EvarixApp::CEvarixFirmwareUpdaterDlg dialog;
  std::vector<std::string> sent;
};

}  // namespace EvarixTest
