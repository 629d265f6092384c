#pragma once

#include <utility>
#include <vector>

namespace EvarixView {

// The order a page dialog keeps between its page's loading and its own start, which may come in
// either order. Element operations asked for before the page has loaded wait for it and are applied
// in the order asked; the page-loaded notice reaches the logic only after the dialog's start.
template <typename Operation>
class PageLoadOrder {
 public:
  bool PageLoaded() const { return loaded_; }

  template <typename Apply>
  void ApplyOrKeep(Operation operation, Apply&& apply) {
    if (loaded_) {
      apply(operation);
    } else {
      kept_.push_back(std::move(operation));
    }
  }

  // Applies what was kept. True when the notice is to go out now; otherwise the start takes it.
  template <typename Apply>
  bool OnPageLoaded(Apply&& apply) {
    loaded_ = true;
    std::vector<Operation> kept;
    kept.swap(kept_);
    for (const Operation& operation : kept) apply(operation);
    if (started_) return true;
    noticeDue_ = true;
    return false;
  }

  // A page loading anew, whose operations wait again.
  void OnPageUnloaded() { loaded_ = false; }
  // A page that will never load: what waited for it goes.
  void DropKept() { kept_.clear(); }

  // Called as the dialog starts, before the logic's start-up: whether a page notice is still to
  // reach it, from a page yet to load or one loaded before the start.
  bool OnDialogStarting() {
    started_ = true;
    return !loaded_ || noticeDue_;
  }
  // After the logic's start-up: true once when a page loaded before the start owes its notice.
  bool TakeNoticeDue() { return std::exchange(noticeDue_, false); }

 private:
  std::vector<Operation> kept_;
  bool loaded_ = false;
  bool started_ = false;
  bool noticeDue_ = false;
};

}  // namespace EvarixView
