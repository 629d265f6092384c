#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/view/PageDialogHost.h"
#include "platform/linux/gtk/GtkHandles.h"
#include "platform/linux/gtk/ModalWindow.h"

namespace EvarixView::Gtk {

class GtkPageDialog;

// A small modal message window: a text, a caption and one OK button. Every way of dismissing it
// (the button, Return, Escape, Space, the close box) goes to the logic first, which may swallow
// it; the logic also drives the caption, the button and the closing.
class GtkMessageBox final : public IMessageBoxHost {
 public:
  GtkMessageBox(const std::wstring& text, const std::wstring& caption, IMessageBoxEvents& events,
                GtkPageDialog* owner);
  ~GtkMessageBox() override;
  GtkMessageBox(const GtkMessageBox&) = delete;
  GtkMessageBox& operator=(const GtkMessageBox&) = delete;

  void RunModal() override;
  void Close() override;
  void SetCaption(const std::wstring& caption) override;
  void EnableOk(bool enabled) override;
  void FocusOk() override;
  void SetTimer(unsigned timerId, unsigned periodMs) override;
  void KillTimer(unsigned timerId) override;

  // For tests and tools.
  GtkWindow* Window() const { return window_.Get(); }
  GtkWidget* OkButton() const { return okButton_; }

 private:
  void Command();

  static void OnOkClicked(GtkButton* button, gpointer self);
  static gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);
  static gboolean OnDeleteEvent(GtkWidget* window, GdkEvent* event, gpointer self);

  IMessageBoxEvents& events_;
  ModalWindow window_;
  GtkWidget* okButton_ = nullptr;  // owned by the window
  std::vector<SignalConnection> connections_;
};

}  // namespace EvarixView::Gtk
