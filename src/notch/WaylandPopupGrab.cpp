#include "notch/WaylandPopupGrab.h"

#include "notch/WaylandClient.h"

#include <QMetaObject>
#include <QPointer>

#include <wayland-client.h>

#include "xdg-shell-client.h"
// The protocol names an argument "namespace", a C++ keyword; the generated C header is
// read with that one word spelled otherwise (the wire format has no argument names).
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace

#include <sys/mman.h>
#include <unistd.h>

namespace fadebin {

struct WaylandPopupGrab::Listeners {
    static void configure(void* data, xdg_surface* surface, std::uint32_t serial) {
        auto* grab = static_cast<WaylandPopupGrab*>(data);
        xdg_surface_ack_configure(surface, serial);
        if (grab->m_buffer != nullptr)
            wl_surface_attach(grab->m_surface, grab->m_buffer, 0, 0);
        wl_surface_commit(grab->m_surface);
    }
    static constexpr xdg_surface_listener surfaceListener{configure};

    static void popupConfigure(void*, xdg_popup*, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t) {}
    static void popupDone(void* data, xdg_popup*) {
        auto* grab = static_cast<WaylandPopupGrab*>(data);
        if (std::exchange(grab->m_dismissed, true))
            return;
        // Told from the event loop: the one told may well destroy this grab.
        QMetaObject::invokeMethod(
            &grab->m_client,
            [done = grab->m_onDismissed] {
                if (done)
                    done();
            },
            Qt::QueuedConnection);
    }
    // Events of versions newer than the one bound never arrive.
    static constexpr xdg_popup_listener popupListener{popupConfigure, popupDone, nullptr};
};

WaylandPopupGrab::WaylandPopupGrab(WaylandClient& client, zwlr_layer_surface_v1* parent,
                                   std::function<void()> onDismissed)
    : m_client(client)
    , m_onDismissed(std::move(onDismissed)) {
    if (client.wmBase() == nullptr || client.seat() == nullptr || parent == nullptr)
        return;
    // One transparent pixel: a popup needs a buffer to be shown, and shown to hold a grab.
    const int fd = memfd_create("fadebin-menu-grab", MFD_CLOEXEC);
    if (fd >= 0 && ftruncate(fd, 4) == 0) {
        wl_shm_pool* pool = wl_shm_create_pool(client.shm(), fd, 4);
        m_buffer = wl_shm_pool_create_buffer(pool, 0, 1, 1, 4, WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
    }
    if (fd >= 0)
        close(fd);
    m_surface = wl_compositor_create_surface(client.compositor());
    // It takes no input itself: presses on the panel still reach the panel.
    wl_region* none = wl_compositor_create_region(client.compositor());
    wl_surface_set_input_region(m_surface, none);
    wl_region_destroy(none);
    m_xdgSurface = xdg_wm_base_get_xdg_surface(client.wmBase(), m_surface);
    xdg_surface_add_listener(m_xdgSurface, &Listeners::surfaceListener, this);
    xdg_positioner* positioner = xdg_wm_base_create_positioner(client.wmBase());
    xdg_positioner_set_size(positioner, 1, 1);
    xdg_positioner_set_anchor_rect(positioner, 0, 0, 1, 1);
    m_popup = xdg_surface_get_popup(m_xdgSurface, nullptr, positioner);
    xdg_positioner_destroy(positioner);
    xdg_popup_add_listener(m_popup, &Listeners::popupListener, this);
    zwlr_layer_surface_v1_get_popup(parent, m_popup);
    xdg_popup_grab(m_popup, client.seat(), client.lastPressSerial());
    wl_surface_commit(m_surface);
    client.flush();
}

WaylandPopupGrab::~WaylandPopupGrab() {
    if (m_popup != nullptr)
        xdg_popup_destroy(m_popup);
    if (m_xdgSurface != nullptr)
        xdg_surface_destroy(m_xdgSurface);
    if (m_surface != nullptr)
        wl_surface_destroy(m_surface);
    if (m_buffer != nullptr)
        wl_buffer_destroy(m_buffer);
    m_client.flush();
}

} // namespace fadebin
