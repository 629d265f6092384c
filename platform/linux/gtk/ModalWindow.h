#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/linux/gtk/GtkHandles.h"

namespace EvarixView::Gtk {

// A top-level window that runs modally over its owner, with repeating timers and a queue of
// events, the parts the page dialogs and the message box share.
//
// A modal run is a nested main loop: every other window's timers and events go on being
// dispatched underneath, and a dialog run from inside another's event nests one level deeper.
class ModalWindow {
 public:
  using TimerHandler = std::function<void(unsigned timerId)>;

  // owner may be null. onTimer receives every tick of every timer of this window.
  ModalWindow(GtkWindow* owner, TimerHandler onTimer);
  ~ModalWindow();
  ModalWindow(const ModalWindow&) = delete;
  ModalWindow& operator=(const ModalWindow&) = delete;

  GtkWindow* Get() const { return GTK_WINDOW(window_.get()); }
  GtkWidget* Widget() const { return window_.get(); }

  enum class Showing { AtOnce, OnReveal };

  // Shows the window, at once or at the run's first Reveal, and dispatches events until Quit,
  // with the owner insensitive meanwhile; hides the window again before it returns. Returns at
  // once, showing nothing, when Quit came before it.
  void Run(Showing showing);
  void Quit();
  bool Running() const { return running_; }
  // Shows the window of a run that waits for it, unless the run has been ended or the window
  // shown or hidden on purpose meanwhile.
  void Reveal();
  // Shows (and raises) or hides the window; a reveal still due is then forgotten.
  void Show(bool visible);

  // Like the classic window timers: a second SetTimer with the same id replaces the first.
  void SetTimer(unsigned timerId, unsigned periodMs);
  void KillTimer(unsigned timerId);
  void KillAllTimers();

  // Delivers an event from the main loop rather than from inside the GTK or page-engine signal
  // that brought it, so that the logic may run a nested modal loop from it. Events are
  // delivered one at a time, in order.
  void Post(std::function<void()> event);
  // Forgets the events not yet delivered: they were meant for a window that has now closed.
  void DropPosted();

 private:
  struct TimerTick;
  static gboolean OnTimerTick(gpointer data);
  static gboolean OnPosted(gpointer data);

  Window window_;
  GtkWidget* owner_ = nullptr;  // weak: cleared if the owner's window goes first
  TimerHandler onTimer_;
  MainLoop loop_;
  bool quit_ = false;
  bool running_ = false;
  bool revealDue_ = false;
  std::map<unsigned, SourceId> timers_;
  std::deque<std::function<void()>> posted_;
  SourceId postedSource_;
  // Lets a callback that called out into the logic tell whether this window still exists.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace EvarixView::Gtk
