#pragma once

#include <glib-object.h>
#include <glib.h>

#include <memory>
#include <string>

// Owners for the GLib objects the umockdev keyboard holds.
namespace EvarixSim::Glib {

struct ObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

// One reference to a GObject.
template <typename T>
using Object = std::unique_ptr<T, ObjectUnref>;

// Takes a reference of one's own to an object someone else holds.
template <typename T>
Object<T> Ref(T* object) {
  return Object<T>(static_cast<T*>(g_object_ref(object)));
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

}  // namespace EvarixSim::Glib
