#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <string>
#include <utility>

// Owners for what the platform and its tools hold of GLib and GObject: references, texts, errors,
// signal connections and main-loop sources. Each gives its thing back exactly once.
namespace EvarixGlib {

struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

// One reference to a GObject.
template <typename T>
using Object = std::unique_ptr<T, ObjectUnref>;

// Takes over a reference the caller was given (a "transfer full" return).
template <typename T>
Object<T> Adopt(T* object) {
  return Object<T>(object);
}

// Takes a reference of one's own; a floating reference (a fresh widget) is sunk into it.
template <typename T>
Object<T> Ref(T* object) {
  return Object<T>(static_cast<T*>(g_object_ref_sink(object)));
}

struct Free {
  void operator()(gpointer memory) const { g_free(memory); }
};

using Text = std::unique_ptr<gchar, Free>;

inline std::string Copy(const Text& text) {
  return text ? std::string(text.get()) : std::string();
}

struct ErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

using Error = std::unique_ptr<GError, ErrorFree>;

struct BytesUnref {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};

using Bytes = std::unique_ptr<GBytes, BytesUnref>;

struct VariantUnref {
  void operator()(GVariant* variant) const { g_variant_unref(variant); }
};

using Variant = std::unique_ptr<GVariant, VariantUnref>;

struct MainLoopUnref {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};

using MainLoop = std::unique_ptr<GMainLoop, MainLoopUnref>;

// Collects a GError the way GLib functions hand it out.
class ErrorOut {
 public:
  explicit ErrorOut(Error& owner) : owner_(owner) {}
  ~ErrorOut() { owner_.reset(raw_); }
  ErrorOut(const ErrorOut&) = delete;
  ErrorOut& operator=(const ErrorOut&) = delete;
  operator GError**() { return &raw_; }

 private:
  Error& owner_;
  GError* raw_ = nullptr;
};

// A signal handler connected to an object: disconnected when this goes, unless the object went
// first (a finalised object has no handlers left to disconnect).
class SignalConnection {
 public:
  SignalConnection() = default;
  SignalConnection(gpointer instance, const char* signal, GCallback callback, gpointer data)
      : instance_(instance), id_(g_signal_connect(instance, signal, callback, data)) {
    g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
  }
  ~SignalConnection() { Disconnect(); }
  SignalConnection(SignalConnection&& other) noexcept { *this = std::move(other); }
  SignalConnection& operator=(SignalConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      if (other.instance_ != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(other.instance_), &other.instance_);
        instance_ = std::exchange(other.instance_, nullptr);
        g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
      }
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }

  void Disconnect() {
    if (instance_ != nullptr) {
      g_signal_handler_disconnect(instance_, id_);
      g_object_remove_weak_pointer(G_OBJECT(instance_), &instance_);
      instance_ = nullptr;
    }
    id_ = 0;
  }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

// A source attached to the default main context: removed when this goes.
class SourceId {
 public:
  SourceId() = default;
  explicit SourceId(guint id) : id_(id) {}
  ~SourceId() { Remove(); }
  SourceId(SourceId&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceId& operator=(SourceId&& other) noexcept {
    if (this != &other) {
      Remove();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }

  explicit operator bool() const { return id_ != 0; }
  // For a source that has removed itself by returning G_SOURCE_REMOVE.
  void Forget() { id_ = 0; }
  void Remove() {
    if (id_ != 0) g_source_remove(std::exchange(id_, 0));
  }

 private:
  guint id_ = 0;
};

}  // namespace EvarixGlib
