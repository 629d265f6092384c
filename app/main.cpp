// The updater: the device manager first (it closes the tray application and watches for the
// keyboard), then the view system and the MIDI output, then the program itself. The manager has
// static storage duration, so it goes last, at exit, starting the tray application again.
#include <cstdio>
#include <memory>

#include "app/EvarixFirmwareUpdaterApp.h"
#include "app/view/PageDialogHost.h"
#include "engine/EResult.h"
#include "platform/MidiOutput.h"
#include "platform/linux/ManagerWin.h"
#include "platform/linux/RtMidiOutput.h"
#include "platform/linux/gtk/GtkViewSystem.h"

namespace {

constexpr int kCannotStart = 1;

// The one manager of the program; null when it could not start.
CVFirmwareLoader::ManagerWin* StartManager() {
  try {
    static CVFirmwareLoader::ManagerWin manager;
    return &manager;
  } catch (CVFirmwareLoader::EResult failure) {
    std::fprintf(stderr, "Error: the device manager could not start (%d)\n", failure);
    return nullptr;
  }
}

int RunProgram(CVFirmwareLoader::ManagerWin& manager) {
  EvarixView::Gtk::GtkViewSystem views;
  const EvarixView::ScopedViewSystem viewsInstalled(&views);
  CVFirmwareLoader::RtMidiOutput midi(CVFirmwareLoader::RtMidiOutput::SystemOfThisMachine());
  const CVFirmwareLoader::ScopedMidiOutput midiInstalled(&midi);
  EvarixApp::CEvarixFirmwareUpdaterApp app([&manager] { return manager.QuitRequested(); });
  app.InitInstance();
  return 0;
}

}  // namespace

int main() {
  CVFirmwareLoader::ManagerWin* manager = StartManager();
  if (manager == nullptr) return kCannotStart;
  if (!EvarixView::Gtk::GtkViewSystem::InitialiseToolkit()) {
    std::fprintf(stderr, "Error: there is no display to show the updater on\n");
    return kCannotStart;
  }
  return RunProgram(*manager);
}
