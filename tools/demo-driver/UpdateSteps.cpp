#include "tools/demo-driver/UpdateSteps.h"

#include <utility>

namespace EvarixDemo {

namespace {

std::function<bool(const std::string&)> Is(const std::string& caption) {
  return [caption](const std::string& shown) { return shown == caption; };
}

std::function<bool(const std::string&)> EndsWith(const std::string& ending) {
  return [ending](const std::string& shown) { return shown.ends_with(ending); };
}

// Pictures are numbered in the order the windows come.
std::vector<Step> Numbered(std::vector<Step> steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].name = std::to_string(i + 1) + "-" + steps[i].name;
  }
  return steps;
}

}  // namespace

std::vector<Step> DownloadSteps() {
  return {
      // The status comes with the updater's first look at the keyboard, after the page.
      {"main", Is("Corvane Evarix 25 Firmware Updater (FW v1.2)"), 102, 129, "ButtonOK",
       "TextArea"},
      {"confirmation", Is("Corvane Evarix Update Confirmation"), 103, 146, "ButtonOK", ""},
      {"driver-notice", Is("Corvane Evarix Hardware Installation Notice"), 112, 113, "ButtonOK",
       ""},
      {"progress", Is("Corvane Evarix Updater Progress"), 106, 107, "", ""},
  };
}

std::vector<Step> UpdateSteps(bool throughFailure) {
  std::vector<Step> steps = DownloadSteps();
  if (throughFailure) {
    steps.push_back({"failure", Is("Dialog"), 110, 111, "ButtonRetry", ""});
    const std::vector<Step> retry = DownloadSteps();
    steps.insert(steps.end(), retry.begin(), retry.end());
  }
  steps.push_back({"countdown", EndsWith(" seconds remaining"), 0, 0, "", ""});
  steps.push_back({"success", Is("Corvane Evarix Update Results"), 108, 109, "ButtonOK",
                   "ResultText",
                   "The update was successful. New firmware was installed on your Evarix 25."});
  return Numbered(std::move(steps));
}

std::optional<size_t> ShownStep(std::span<const Step> steps, size_t next,
                                const std::function<bool(const Step&)>& shows) {
  for (size_t i = next; i < steps.size(); ++i) {
    if (shows(steps[i])) return i;
    if (!steps[i].click.empty()) break;
  }
  return std::nullopt;
}

}  // namespace EvarixDemo
