#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeLoader.h"
#include "app/EvarixFirmwareUpdaterDlg.h"
#include "app/ResourceIds.h"
#include "support/FakeViewSystem.h"

namespace EvarixTest {

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
