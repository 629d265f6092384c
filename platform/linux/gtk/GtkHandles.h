#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "platform/linux/GlibHandles.h"

// Owners for what the view holds of GLib, GObject and GTK. Each gives its thing back exactly once.
namespace EvarixView::Gtk {

using EvarixGlib::Adopt;
using EvarixGlib::Bytes;
using EvarixGlib::Error;
using EvarixGlib::ErrorOut;
using EvarixGlib::MainLoop;
using EvarixGlib::Object;
using EvarixGlib::Ref;
using EvarixGlib::SignalConnection;
using EvarixGlib::SourceId;
using EvarixGlib::Text;
using EvarixGlib::Variant;

// A top-level window: GTK keeps toplevels alive by itself until they are destroyed, so the owner
// destroys it and then drops the reference it took.
struct WindowDestroy {
  void operator()(GtkWidget* window) const {
    gtk_widget_destroy(window);
    g_object_unref(window);
  }
};

using Window = std::unique_ptr<GtkWidget, WindowDestroy>;

inline Window AdoptWindow(GtkWidget* window) {
  return Window(static_cast<GtkWidget*>(g_object_ref(window)));
}

}  // namespace EvarixView::Gtk
