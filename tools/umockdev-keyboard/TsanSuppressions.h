#pragma once

namespace EvarixSim {

// GLib, umockdev, libudev and libusb are not built for ThreadSanitizer: it sees the memory they
// touch through the C library but not their futex locks, atomic reference counts and descriptors
// handed over sockets, and takes their own hand-overs for races (libusb's event handling locks a
// transfer that another thread has just allocated, say). What they touch themselves is left out;
// what our code touches is still checked. Every program below the umockdev keyboard returns this
// from its __tsan_default_suppressions.
inline constexpr const char kUnbuiltForTsan[] =
    "called_from_lib:libglib-2.0.so.0\n"
    "called_from_lib:libgobject-2.0.so.0\n"
    "called_from_lib:libgio-2.0.so.0\n"
    "called_from_lib:libumockdev.so.0\n"
    "called_from_lib:libumockdev-preload.so.0\n"
    "called_from_lib:libudev.so.1\n"
    "called_from_lib:libusb-1.0.so.0\n";

}  // namespace EvarixSim
