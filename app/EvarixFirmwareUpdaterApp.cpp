#include "app/EvarixFirmwareUpdaterApp.h"

#include <string>
#include <utility>

#include "app/EvarixFirmwareUpdaterDlg.h"
#include "engine/Manager.h"

namespace EvarixApp {

using CVFirmwareLoader::ILoader;
using CVFirmwareLoader::Manager;

const std::wstring FirmwareLabel = L"(FW v1.2)";

namespace {

constexpr int kModelNumber = 0;

}  // namespace

CEvarixFirmwareUpdaterApp::CEvarixFirmwareUpdaterApp(std::function<bool()> quitRequested)
    : quitRequested_(std::move(quitRequested)) {}

CEvarixFirmwareUpdaterApp::~CEvarixFirmwareUpdaterApp() = default;

bool CEvarixFirmwareUpdaterApp::InitInstance() {
  CEvarixFirmwareUpdaterDlg dialog;
  dialog.loader = CreateLoader();
  dialog.paintedCheck = CEvarixFirmwareUpdaterDlg::kNeverPainted;
  if (quitRequested_ && quitRequested_()) dialog.PostQuitMessage();
  dialog.DoModal();
  DestroyLoader(dialog.loader);
  dialog.loader = nullptr;
  return false;
}

ILoader* CEvarixFirmwareUpdaterApp::CreateLoader() {
  Manager* manager = Manager::Instance();
  return manager != nullptr ? manager->CreateLoader(kModelNumber) : nullptr;
}

void CEvarixFirmwareUpdaterApp::DestroyLoader(ILoader* loader) {
  if (Manager* manager = Manager::Instance()) manager->DestroyLoader(loader);
}

}  // namespace EvarixApp
