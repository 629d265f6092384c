#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/view/PageDialogHost.h"

// Dialog logic for the tests of the real view systems: it records what the view tells it.
namespace EvarixView::Testing {

// Everything a dialog told its logic, in order: "init", "complete", "click:<id>", "timer:<id>",
// "close", "about". A test reacts to events through the hook.
class RecordingEvents : public IPageDialogEvents {
 public:
  void OnInitDialog() override { Record("init"); }
  void OnDocumentComplete() override { Record("complete"); }
  void OnElementClicked(const std::string& elementId) override { Record("click:" + elementId); }
  void OnTimer(unsigned timerId) override { Record("timer:" + std::to_string(timerId)); }
  void OnSystemCommand(SystemCommand command) override {
    Record(command == SystemCommand::Close ? "close" : "about");
  }

  int Count(const std::string& event) const {
    return static_cast<int>(std::count(log.begin(), log.end(), event));
  }

  std::vector<std::string> log;
  std::function<void(const std::string&)> onEvent;

 private:
  void Record(const std::string& event) {
    log.push_back(event);
    if (onEvent) onEvent(event);
  }
};

// The logic of a count-down box, cut down to what the view must carry out for it: it records
// "init", "timer:<id>", and each command as "swallowed" or "command".
class SwallowingEvents : public IMessageBoxEvents {
 public:
  void OnInitDialog() override {
    log.push_back("init");
    if (onInit) onInit();
  }
  void OnTimer(unsigned timerId) override {
    log.push_back("timer:" + std::to_string(timerId));
    if (onTimer) onTimer();
  }
  bool OnCommand() override {
    log.push_back(swallow ? "swallowed" : "command");
    return swallow;
  }

  bool swallow = true;
  std::vector<std::string> log;
  std::function<void()> onInit;
  std::function<void()> onTimer;
};

}  // namespace EvarixView::Testing
