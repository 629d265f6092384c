#include "platform/linux/gtk/ModalWindow.h"

#include <utility>

namespace EvarixView::Gtk {

struct ModalWindow::TimerTick {
  ModalWindow* window;
  unsigned id;
};

ModalWindow::ModalWindow(GtkWindow* owner, TimerHandler onTimer)
    : window_(AdoptWindow(gtk_window_new(GTK_WINDOW_TOPLEVEL))),
      onTimer_(std::move(onTimer)),
      loop_(g_main_loop_new(nullptr, FALSE)) {
  if (owner != nullptr) {
    owner_ = GTK_WIDGET(owner);
    g_object_add_weak_pointer(G_OBJECT(owner_), reinterpret_cast<gpointer*>(&owner_));
  }
}

ModalWindow::~ModalWindow() {
  if (owner_ != nullptr) {
    g_object_remove_weak_pointer(G_OBJECT(owner_), reinterpret_cast<gpointer*>(&owner_));
  }
}

void ModalWindow::Run(Showing showing) {
  if (running_) return;
  if (quit_) {
    quit_ = false;
    return;
  }
  GtkWindow* window = Get();
  // A dialog whose owner is hidden (the main window during an update) stands on its own, so that
  // no window manager hides it along with its owner.
  const bool overOwner = owner_ != nullptr && gtk_widget_get_visible(owner_);
  gtk_window_set_transient_for(window, overOwner ? GTK_WINDOW(owner_) : nullptr);
  gtk_window_set_position(window, overOwner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  GtkWidget* blocked = owner_;
  const bool ownerWasSensitive = blocked != nullptr && gtk_widget_get_sensitive(blocked);
  if (ownerWasSensitive) gtk_widget_set_sensitive(blocked, FALSE);
  gtk_window_set_modal(window, TRUE);

  running_ = true;
  revealDue_ = true;
  if (showing == Showing::AtOnce) Reveal();
  while (!quit_) g_main_loop_run(loop_.get());
  running_ = false;
  revealDue_ = false;
  quit_ = false;

  gtk_window_set_modal(window, FALSE);
  gtk_widget_hide(Widget());
  if (ownerWasSensitive && owner_ != nullptr) gtk_widget_set_sensitive(owner_, TRUE);
}

void ModalWindow::Reveal() {
  if (running_ && revealDue_ && !quit_) Show(true);
}

void ModalWindow::Show(bool visible) {
  revealDue_ = false;
  if (visible) {
    gtk_widget_show(Widget());
    gtk_window_present(Get());
  } else {
    gtk_widget_hide(Widget());
  }
}

void ModalWindow::Quit() {
  quit_ = true;
  g_main_loop_quit(loop_.get());
}

void ModalWindow::SetTimer(unsigned timerId, unsigned periodMs) {
  auto* tick = new TimerTick{this, timerId};
  const guint source =
      g_timeout_add_full(G_PRIORITY_DEFAULT, periodMs, OnTimerTick, tick,
                         [](gpointer data) { delete static_cast<TimerTick*>(data); });
  // Replacing the entry removes the timer it held, if any.
  timers_[timerId] = SourceId(source);
}

void ModalWindow::KillTimer(unsigned timerId) {
  timers_.erase(timerId);
}

void ModalWindow::KillAllTimers() {
  timers_.clear();
}

gboolean ModalWindow::OnTimerTick(gpointer data) {
  // The tick's data outlives this call even if the handler kills the timer: GLib frees it only
  // once the dispatch has returned.
  const auto* tick = static_cast<const TimerTick*>(data);
  tick->window->onTimer_(tick->id);
  return G_SOURCE_CONTINUE;
}

void ModalWindow::Post(std::function<void()> event) {
  posted_.push_back(std::move(event));
  if (!postedSource_) postedSource_ = SourceId(g_idle_add(OnPosted, this));
}

void ModalWindow::DropPosted() {
  posted_.clear();
  postedSource_.Remove();
}

gboolean ModalWindow::OnPosted(gpointer data) {
  auto* self = static_cast<ModalWindow*>(data);
  if (self->posted_.empty()) {
    self->postedSource_.Forget();
    return G_SOURCE_REMOVE;
  }
  auto event = std::move(self->posted_.front());
  self->posted_.pop_front();
  const std::weak_ptr<bool> alive = self->alive_;
  event();
  // The event may have ended with this window gone; its destructor has removed this source.
  if (alive.expired()) return G_SOURCE_REMOVE;
  if (!self->posted_.empty()) return G_SOURCE_CONTINUE;
  self->postedSource_.Forget();
  return G_SOURCE_REMOVE;
}

}  // namespace EvarixView::Gtk
