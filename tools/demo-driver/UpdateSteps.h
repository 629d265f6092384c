#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The updater's windows in the order a person meets them during an update, and which of them the
// demo's driver may meet next. Nothing here touches a display.
namespace EvarixDemo {

struct Step {
  std::string name;  // of the picture
  std::function<bool(const std::string&)> caption;
  int templateId = 0;
  int pageId = 0;     // 0: a message box, which shows no page
  std::string click;  // the element clicked; none: the window goes by itself
  // An element the updater writes into only after its page has shown; the picture waits for it.
  std::string writtenLater;
  // What it writes there, where that is known: the picture waits for its last word.
  std::string writtenText{};
};

// The windows from the main window's Update to the end of the download.
std::vector<Step> DownloadSteps();

// A whole update, its pictures numbered in order; with throughFailure a download that fails (the
// keyboard is pulled out during it) and the retry from the failure page come first.
std::vector<Step> UpdateSteps(bool throughFailure);

// Which step from next on has its window showing, asking shows() in order. A window that goes by
// itself may come and go between two looks (a quick download takes the count-down away in
// moments), so the steps after it are asked too, up to the first that waits for a click: no
// window can come before that one has been clicked.
std::optional<size_t> ShownStep(std::span<const Step> steps, size_t next,
                                const std::function<bool(const Step&)>& shows);

}  // namespace EvarixDemo
