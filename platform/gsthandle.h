#pragma once

#include <gst/gst.h>
#include <type_traits>

// Whether a pointer handed to a GstHandle already carries a reference of ours
// (a "transfer full" result such as gst_bus_pop) or the handle must take one
// (a borrowed pointer, or a floating one that the handle sinks).
enum class GstRef { Owned, NeedsRef };

// Holds one reference to a GStreamer object (element, bus, pad) or mini object
// (message, caps, sample) and drops it when it goes out of scope.
template <typename T> class GstHandle
{
public:
    GstHandle(T* p, GstRef ref) : m_p(p)
    {
        if (m_p && ref == GstRef::NeedsRef) {
            if constexpr (isMiniObject)
                gst_mini_object_ref(reinterpret_cast<GstMiniObject*>(m_p));
            else
                gst_object_ref_sink(m_p);
        }
    }
    ~GstHandle()
    {
        if (!m_p)
            return;
        if constexpr (isMiniObject)
            gst_mini_object_unref(reinterpret_cast<GstMiniObject*>(m_p));
        else
            gst_object_unref(m_p);
    }
    GstHandle(const GstHandle&) = delete;
    GstHandle& operator=(const GstHandle&) = delete;

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    static constexpr bool isMiniObject =
        std::is_same_v<T, GstMessage> || std::is_same_v<T, GstCaps> || std::is_same_v<T, GstSample>;
    T* m_p = nullptr;
};
