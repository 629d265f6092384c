#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeLoader.h"
#include "MainDialogFixture.h"
#include "app/EvarixFirmwareUpdaterApp.h"
#include "app/EvarixFirmwareUpdaterDlg.h"
#include "app/ResourceIds.h"
#include "engine/SupportedModel.h"
#include "platform/Platform.h"
#include "platform/ProgramResources.h"
#include "support/FakeDevice.h"
#include "support/FakeSystemFacts.h"
#include "support/FakeViewSystem.h"
#include "support/TestManager.h"

using namespace EvarixApp;
using CVFirmwareLoader::ILoader;
using EvarixTest::FakeLoader;
using EvarixTest::FakeViewSystem;
using EvarixTest::kNoKeyboard;
using Window = FakeViewSystem::Window;

namespace {

// A program whose loader comes from the test, recording when it is made and destroyed.
class TestApp : public CEvarixFirmwareUpdaterApp {
 public:
  TestApp(ILoader* loader, std::vector<std::string>& log, std::function<bool()> quitRequested)
      : CEvarixFirmwareUpdaterApp(std::move(quitRequested)), loader_(loader), log_(log) {}

 protected:
  ILoader* CreateLoader() override {
    log_.push_back("create");
    return loader_;
  }
  void DestroyLoader(ILoader* loader) override {
    log_.push_back(loader == loader_ ? "destroy" : "destroy another");
  }

 private:
  ILoader* loader_;
  std::vector<std::string>& log_;
};

class AppStartTest : public testing::Test {
 protected:
  AppStartTest() { CEvarixFirmwareUpdaterDlg::mainTextWritten = false; }

  FakeViewSystem view;
  FakeLoader loader;
  std::vector<std::string> log;
};

// A quit requested of the updater, by the paused tray application, ends it before the main window.
TEST_F(AppStartTest, MainWindowRunsWithTheLoaderUnlessQuitWasRequested) {
  view.OnRun(Template::kMain, [&](Window& main) {
    log.push_back("main runs");
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kNoKeyboard);
    main.Click("ButtonCancel");
  });
  TestApp app(&loader, log, [] { return false; });
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(log, (std::vector<std::string>{"create", "main runs", "destroy"}));
  EXPECT_EQ(view.Templates(), std::vector<int>{Template::kMain});
  EXPECT_EQ(view.Find(Template::kMain)->pageId, Page::kMain);

  log.clear();
  TestApp quitting(&loader, log, [] { return true; });
  EXPECT_FALSE(quitting.InitInstance());
  EXPECT_EQ(view.Windows().size(), 1u);
  EXPECT_EQ(log, (std::vector<std::string>{"create", "destroy"}));
}

TEST_F(AppStartTest, WithoutManagerTheMainWindowRunsWithoutLoader) {
  ASSERT_EQ(CVFirmwareLoader::Manager::Instance(), nullptr);
  view.OnRun(Template::kMain, [](Window& main) {
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), EvarixTest::kInternalError);
    EXPECT_TRUE(main.Disabled("ButtonOK"));
    main.Click("ButtonCancel");
  });
  CEvarixFirmwareUpdaterApp app;
  EXPECT_FALSE(app.InitInstance());
}

// The loader comes from the one manager: it learns of a keyboard the manager finds while the main
// window runs, and is gone, with the keyboard it held, once the program has ended.
TEST_F(AppStartTest, LoaderComesFromTheManagerAndGoesBackToIt) {
  EvarixTest::FakeSystemFacts system;
  system.InstallDriverRule(CVFirmwareLoader::SupportedModelTable[0].driverFilePath);
  CVFirmwareLoader::ScopedPlatform platform{{nullptr, &system, nullptr}};
  auto* keyboard = new EvarixTest::FakeDevice({});
  const auto keyboardDestroyed = keyboard->destroyed;
  EvarixTest::TestManager manager{
      &ProgramResources(), [&](auto&, auto&, std::set<CVFirmwareLoader::Device*>& newDevices) {
        if (keyboard != nullptr) newDevices.insert(std::exchange(keyboard, nullptr));
      }};
  view.OnRun(Template::kMain, [&](Window& main) {
    EXPECT_EQ(manager.refreshRequests, 1);
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), kNoKeyboard);
    manager.Refresh();
    main.Wait(200);
    EXPECT_EQ(main.Text("TextArea"), EvarixTest::kUpdateAvailable);
    main.Click("ButtonCancel");
  });
  CEvarixFirmwareUpdaterApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_TRUE(*keyboardDestroyed);
}

}  // namespace
