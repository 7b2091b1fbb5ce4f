#pragma once

#include <functional>

struct wl_buffer;
struct wl_surface;
struct xdg_popup;
struct xdg_surface;
struct zwlr_layer_surface_v1;

namespace fadebin {

class WaylandClient;

// What tells a layer surface's menu that the user pressed elsewhere: Wayland shows a client
// no presses outside its surfaces, except by ending a popup's grab. This is such a popup,
// one clear pixel over the layer surface, grabbing the seat from the press that opened the
// menu; the compositor ends it at a press on any other client, and onDismissed is told then
// (from the event loop, so it may destroy the grab).
class WaylandPopupGrab {
public:
    WaylandPopupGrab(WaylandClient& client, zwlr_layer_surface_v1* parent,
                     std::function<void()> onDismissed);
    ~WaylandPopupGrab();
    WaylandPopupGrab(const WaylandPopupGrab&) = delete;
    WaylandPopupGrab& operator=(const WaylandPopupGrab&) = delete;

    // False when the compositor has no xdg-shell to make the popup with.
    [[nodiscard]] bool isActive() const { return m_popup != nullptr; }

private:
    struct Listeners;
    friend struct Listeners;

    WaylandClient& m_client;
    std::function<void()> m_onDismissed;
    wl_surface* m_surface = nullptr;
    xdg_surface* m_xdgSurface = nullptr;
    xdg_popup* m_popup = nullptr;
    wl_buffer* m_buffer = nullptr;
    bool m_dismissed = false;
};

} // namespace fadebin
