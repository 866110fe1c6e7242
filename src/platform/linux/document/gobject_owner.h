// Owners of GLib's objects and errors, as libgxps hands them out.
#pragma once

// Before GLib, whose TRUE and FALSE give way to Windows's.
#include "platform.h"

#include <glib-object.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};

template <class T>
using GObjectRef = std::unique_ptr<T, GObjectUnref>;

class GErrorRef {
public:
    GErrorRef() = default;
    GErrorRef(const GErrorRef&) = delete;
    GErrorRef& operator=(const GErrorRef&) = delete;
    ~GErrorRef() { g_clear_error(&m_error); }

    // For the out-parameter of the call that fills it; the error must be empty.
    GError** Out() noexcept { return &m_error; }
    const GError* Get() const noexcept { return m_error; }

private:
    GError* m_error = nullptr;
};
