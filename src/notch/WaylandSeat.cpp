#include "notch/WaylandClient.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// The seat's side of the connection: the pointer and drags over the surface that asked (its
// keyboard is WaylandKeyboard.cpp's).
namespace fadebin {

namespace {

constexpr std::uint32_t kSeatVersion = 5;

// What a drop may hand over, and how long its source may take: a list of file URLs is small,
// and a source that never writes must not hold the program.
constexpr qsizetype kMaxDropBytes = 4 * 1024 * 1024;
constexpr int kDropReadTimeoutMs = 2000;

QByteArray readAll(int fd) {
    QByteArray data;
    char chunk[4096];
    while (data.size() < kMaxDropBytes) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, kDropReadTimeoutMs) <= 0)
            break;
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        data.append(chunk, got);
    }
    return data;
}

} // namespace

struct WaylandClient::SeatListeners {
    static WaylandClient* self(void* data) { return static_cast<WaylandClient*>(data); }

    static void capabilities(void* data, wl_seat* seat, std::uint32_t caps) {
        WaylandClient* c = self(data);
        const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
        if (pointer && c->m_pointer == nullptr) {
            c->m_pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(c->m_pointer, &pointerListener, c);
        } else if (!pointer && c->m_pointer != nullptr) {
            wl_pointer_release(c->m_pointer);
            c->m_pointer = nullptr;
        }
        c->takeKeyboard((caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0);
    }
    static void seatName(void*, wl_seat*, const char*) {}
    static constexpr wl_seat_listener seatListener{capabilities, seatName};

    static QPointF at(wl_fixed_t x, wl_fixed_t y) {
        return {wl_fixed_to_double(x), wl_fixed_to_double(y)};
    }
    static void pointerEnter(void* data, wl_pointer*, std::uint32_t, wl_surface* surface,
                             wl_fixed_t x, wl_fixed_t y) {
        WaylandClient* c = self(data);
        c->m_pointerOnTarget = surface != nullptr && surface == c->m_targetSurface;
        if (c->m_pointerOnTarget && c->m_sink != nullptr)
            c->m_sink->pointerEntered(at(x, y));
    }
    static void pointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
        WaylandClient* c = self(data);
        if (std::exchange(c->m_pointerOnTarget, false) && c->m_sink != nullptr)
            c->m_sink->pointerLeft();
    }
    static void pointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        WaylandClient* c = self(data);
        if (c->m_pointerOnTarget && c->m_sink != nullptr)
            c->m_sink->pointerMoved(at(x, y));
    }
    static void pointerButton(void* data, wl_pointer*, std::uint32_t serial, std::uint32_t,
                              std::uint32_t button, std::uint32_t state) {
        WaylandClient* c = self(data);
        if (state == WL_POINTER_BUTTON_STATE_PRESSED)
            c->m_lastPressSerial = serial;
        if (c->m_pointerOnTarget && c->m_sink != nullptr)
            c->m_sink->pointerButton(button, state == WL_POINTER_BUTTON_STATE_PRESSED);
    }
    static void pointerAxis(void* data, wl_pointer*, std::uint32_t, std::uint32_t axis,
                            wl_fixed_t value) {
        WaylandClient* c = self(data);
        if (!c->m_pointerOnTarget || c->m_sink == nullptr)
            return;
        const double distance = wl_fixed_to_double(value);
        c->m_sink->pointerScrolled(axis == WL_POINTER_AXIS_HORIZONTAL_SCROLL
                                       ? QPointF(distance, 0)
                                       : QPointF(0, distance));
    }
    static void pointerFrame(void*, wl_pointer*) {}
    static void axisSource(void*, wl_pointer*, std::uint32_t) {}
    static void axisStop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
    static void axisDiscrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
    static constexpr wl_pointer_listener pointerListener{
        pointerEnter, pointerLeave, pointerMotion, pointerButton, pointerAxis,
        pointerFrame, axisSource,   axisStop,      axisDiscrete,  nullptr};

    // Drags: an offer is introduced with its types, then entered with, or kept as the
    // clipboard's selection.
    static void offerType(void* data, wl_data_offer*, const char* type) {
        self(data)->m_drag.nextTypes.push_back(QString::fromUtf8(type));
    }
    static void offerSourceActions(void*, wl_data_offer*, std::uint32_t) {}
    static void offerAction(void*, wl_data_offer*, std::uint32_t) {}
    static constexpr wl_data_offer_listener offerListener{offerType, offerSourceActions,
                                                          offerAction};

    static void dataOffer(void* data, wl_data_device*, wl_data_offer* offer) {
        self(data)->m_drag.nextTypes.clear();
        wl_data_offer_add_listener(offer, &offerListener, data);
    }
    static void dragEnter(void* data, wl_data_device*, std::uint32_t serial, wl_surface* surface,
                          wl_fixed_t x, wl_fixed_t y, wl_data_offer* offer) {
        WaylandClient* c = self(data);
        Drag& drag = c->m_drag;
        c->dropOffer();
        if (offer == nullptr)
            return;
        if (surface == nullptr || surface != c->m_targetSurface || c->m_sink == nullptr) {
            wl_data_offer_destroy(offer);
            return;
        }
        drag.offer = offer;
        drag.serial = serial;
        drag.types = drag.nextTypes;
        drag.position = at(x, y);
        c->m_sink->dragEntered(drag.position, drag.types);
    }
    static void dragLeave(void* data, wl_data_device*) {
        WaylandClient* c = self(data);
        if (c->m_drag.offer == nullptr)
            return;
        c->dropOffer();
        if (c->m_sink != nullptr)
            c->m_sink->dragLeft();
    }
    static void dragMotion(void* data, wl_data_device*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        WaylandClient* c = self(data);
        if (c->m_drag.offer == nullptr || c->m_sink == nullptr)
            return;
        c->m_drag.position = at(x, y);
        c->m_sink->dragMoved(c->m_drag.position);
    }
    static void drop(void* data, wl_data_device*) {
        WaylandClient* c = self(data);
        Drag& drag = c->m_drag;
        if (drag.offer == nullptr)
            return;
        QByteArray received;
        int fds[2];
        if (!drag.accepted.isEmpty() && pipe2(fds, O_CLOEXEC) == 0) {
            wl_data_offer_receive(drag.offer, drag.accepted.toUtf8().constData(), fds[1]);
            close(fds[1]);
            wl_display_flush(c->m_display);
            received = readAll(fds[0]);
            close(fds[0]);
            if (wl_data_offer_get_version(drag.offer) >= WL_DATA_OFFER_FINISH_SINCE_VERSION)
                wl_data_offer_finish(drag.offer);
        }
        const QPointF position = drag.position;
        const bool wanted = !drag.accepted.isEmpty();
        c->dropOffer();
        if (c->m_sink != nullptr) {
            if (wanted)
                c->m_sink->dropped(position, received);
            else
                c->m_sink->dragLeft();
        }
    }
    static void selection(void* data, wl_data_device*, wl_data_offer* offer) {
        Drag& drag = self(data)->m_drag;
        if (drag.selection != nullptr)
            wl_data_offer_destroy(drag.selection);
        drag.selection = offer;
    }
    static constexpr wl_data_device_listener dataDeviceListener{dataOffer,  dragEnter, dragLeave,
                                                                dragMotion, drop,      selection};
};

void WaylandClient::takeSeat(wl_registry* registry, std::uint32_t name, std::uint32_t version) {
    m_seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, kSeatVersion)));
    wl_seat_add_listener(m_seat, &SeatListeners::seatListener, this);
    attachDataDevice();
}

void WaylandClient::releaseSeat() {
    takeKeyboard(false);
    dropOffer();
    if (m_drag.selection != nullptr)
        wl_data_offer_destroy(m_drag.selection);
    m_drag.selection = nullptr;
    if (m_dataDevice != nullptr)
        wl_data_device_destroy(m_dataDevice);
    if (m_pointer != nullptr)
        wl_pointer_destroy(m_pointer);
    if (m_seat != nullptr)
        wl_seat_destroy(m_seat);
    m_dataDevice = nullptr;
    m_pointer = nullptr;
    m_seat = nullptr;
}

void WaylandClient::setInputTarget(wl_surface* surface, WaylandInputSink* sink) {
    if (surface != m_targetSurface) {
        m_pointerOnTarget = false;
        m_keyboardOnTarget = false;
        dropOffer();
    }
    m_targetSurface = surface;
    m_sink = sink;
}

void WaylandClient::acceptDrop(const QString& type) {
    Drag& drag = m_drag;
    if (drag.offer == nullptr)
        return;
    drag.accepted = type;
    wl_data_offer_accept(drag.offer, drag.serial,
                         type.isEmpty() ? nullptr : type.toUtf8().constData());
    if (wl_data_offer_get_version(drag.offer) >= WL_DATA_OFFER_SET_ACTIONS_SINCE_VERSION) {
        const std::uint32_t copy = WL_DATA_DEVICE_MANAGER_DND_ACTION_COPY;
        wl_data_offer_set_actions(drag.offer, type.isEmpty() ? 0 : copy, type.isEmpty() ? 0 : copy);
    }
    flush();
}

void WaylandClient::attachDataDevice() {
    if (m_dataDevice != nullptr || m_seat == nullptr || m_dataDeviceManager == nullptr)
        return;
    m_dataDevice = wl_data_device_manager_get_data_device(m_dataDeviceManager, m_seat);
    wl_data_device_add_listener(m_dataDevice, &SeatListeners::dataDeviceListener, this);
}

void WaylandClient::dropOffer() {
    Drag& drag = m_drag;
    if (drag.offer != nullptr)
        wl_data_offer_destroy(drag.offer);
    drag.offer = nullptr;
    drag.types.clear();
    drag.accepted.clear();
}

} // namespace fadebin
