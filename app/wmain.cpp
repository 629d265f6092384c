// The updater on Windows: the device manager first (it closes the tray application and watches for
// the keyboard), then the view system and the MIDI output, then the program itself. The manager has
// static storage duration, so it goes last, at exit, starting the tray application again.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/EvarixFirmwareUpdaterApp.h"
#include "app/view/PageDialogHost.h"
#include "engine/EResult.h"
#include "platform/MidiOutput.h"
#include "platform/windows/ManagerWin.h"
#include "platform/windows/WinMmMidiOutput.h"
#include "platform/windows/view/WinViewSystem.h"

namespace {

constexpr int kCannotStart = 1;
// The classic common-control classes, the progress bar's among them.
constexpr DWORD kClassicControlClasses = 0xFF;

// A windowed program's standard error leads nowhere unless it was handed one: then the user is
// told in a box.
void ReportFailedStart(CVFirmwareLoader::EResult failure) {
  std::fprintf(stderr, "Error: the device manager could not start (%d)\n", failure);
  const HANDLE standardError = GetStdHandle(STD_ERROR_HANDLE);
  if (standardError != nullptr && standardError != INVALID_HANDLE_VALUE) return;
  const std::wstring text = L"The updater could not start watching for the keyboard (error " +
                            std::to_wstring(failure) + L").";
  MessageBoxW(nullptr, text.c_str(), L"Corvane Evarix Firmware Updater", MB_OK | MB_ICONERROR);
}

// The one manager of the program; null when it could not start.
CVFirmwareLoader::ManagerWin* StartManager() {
  try {
    static CVFirmwareLoader::ManagerWin manager;
    return &manager;
  } catch (CVFirmwareLoader::EResult failure) {
    ReportFailedStart(failure);
    return nullptr;
  }
}

void RunProgram(CVFirmwareLoader::ManagerWin& manager) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kClassicControlClasses};
  InitCommonControlsEx(&classes);
  EvarixView::Windows::WinViewSystem views;
  const EvarixView::ScopedViewSystem viewsInstalled(&views);
  CVFirmwareLoader::WinMmMidiOutput midi;
  const CVFirmwareLoader::ScopedMidiOutput midiInstalled(&midi);
  EvarixApp::CEvarixFirmwareUpdaterApp app([&manager] { return manager.QuitRequested(); });
  app.InitInstance();
}

}  // namespace

// No command line: whatever it holds is ignored.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CVFirmwareLoader::ManagerWin* manager = StartManager();
  if (manager == nullptr) return kCannotStart;
  RunProgram(*manager);
  return 0;
}
