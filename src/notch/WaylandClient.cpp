#include "notch/WaylandClient.h"

#include "platform/Log.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <wayland-client.h>

// The protocol names an argument "namespace", a C++ keyword; the generated C header is
// read with that one word spelled otherwise (the wire format has no argument names).
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace
#include "xdg-output-unstable-v1-client.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace fadebin {

namespace {

// The newest version of each interface this client speaks; the compositor may offer less.
constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kSeatVersion = 5;
constexpr std::uint32_t kOutputVersion = 3;
constexpr std::uint32_t kLayerShellVersion = 2;
constexpr std::uint32_t kOutputManagerVersion = 2;
constexpr std::uint32_t kDataDeviceVersion = 3;

// What a drop may hand over, and how long its source may take: a list of file URLs is small,
// and a source that never writes must not hold the program.
constexpr qsizetype kMaxDropBytes = 4 * 1024 * 1024;
constexpr int kDropReadTimeoutMs = 2000;

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

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

struct WaylandClient::Drag {
    wl_data_offer* offer = nullptr;     // the offer over the target surface
    wl_data_offer* selection = nullptr; // the clipboard's, kept only to be released
    std::vector<QString> types;
    std::vector<QString> nextTypes; // of the offer just introduced
    std::uint32_t serial = 0;
    QString accepted;
    QPointF position;
};

struct WaylandClient::Listeners {
    static WaylandClient* self(void* data) { return static_cast<WaylandClient*>(data); }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version) {
        WaylandClient* c = self(data);
        const std::string_view kind(interface);
        if (kind == wl_compositor_interface.name) {
            c->m_compositor = bind<wl_compositor>(registry, name, &wl_compositor_interface, version,
                                                  kCompositorVersion);
        } else if (kind == wl_shm_interface.name) {
            c->m_shm = bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
        } else if (kind == wl_seat_interface.name && c->m_seat == nullptr) {
            c->m_seat = bind<wl_seat>(registry, name, &wl_seat_interface, version, kSeatVersion);
            wl_seat_add_listener(c->m_seat, &seatListener, c);
            c->attachDataDevice();
        } else if (kind == zwlr_layer_shell_v1_interface.name) {
            c->m_layerShell = bind<zwlr_layer_shell_v1>(
                registry, name, &zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
        } else if (kind == zxdg_output_manager_v1_interface.name) {
            c->m_outputManager = bind<zxdg_output_manager_v1>(
                registry, name, &zxdg_output_manager_v1_interface, version, kOutputManagerVersion);
            for (auto& output : c->m_outputs)
                c->describe(*output);
        } else if (kind == wl_data_device_manager_interface.name) {
            c->m_dataDeviceManager = bind<wl_data_device_manager>(
                registry, name, &wl_data_device_manager_interface, version, kDataDeviceVersion);
            c->attachDataDevice();
        } else if (kind == wl_output_interface.name) {
            auto output = std::make_unique<WaylandOutput>();
            output->globalName = name;
            output->output =
                bind<wl_output>(registry, name, &wl_output_interface, version, kOutputVersion);
            wl_output_add_listener(output->output, &outputListener, c);
            c->describe(*output);
            c->m_outputs.push_back(std::move(output));
        }
    }

    static void globalRemove(void* data, wl_registry*, std::uint32_t name) {
        WaylandClient* c = self(data);
        auto& outputs = c->m_outputs;
        const auto gone = std::find_if(outputs.begin(), outputs.end(),
                                       [name](const auto& o) { return o->globalName == name; });
        if (gone == outputs.end())
            return;
        if ((*gone)->details != nullptr)
            zxdg_output_v1_destroy((*gone)->details);
        wl_output_destroy((*gone)->output);
        outputs.erase(gone);
        c->outputsChanged();
    }
    static constexpr wl_registry_listener registryListener{global, globalRemove};

    // Outputs: the logical frame and name come from the xdg-output details, as Qt's do.
    // Events of versions newer than those bound never arrive, so theirs are left empty.
    static void outputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    }
    static void outputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t,
                           std::int32_t) {}
    static void outputDone(void* data, wl_output*) { self(data)->outputsChanged(); }
    static void outputScale(void*, wl_output*, std::int32_t) {}
    static constexpr wl_output_listener outputListener{outputGeometry, outputMode, outputDone,
                                                       outputScale,    nullptr,    nullptr};

    static WaylandOutput* detailsOwner(WaylandClient* c, zxdg_output_v1* details) {
        for (auto& output : c->m_outputs)
            if (output->details == details)
                return output.get();
        return nullptr;
    }
    static void logicalPosition(void* data, zxdg_output_v1* details, std::int32_t x,
                                std::int32_t y) {
        if (WaylandOutput* o = detailsOwner(self(data), details))
            o->logicalFrame.moveTo(x, y);
    }
    static void logicalSize(void* data, zxdg_output_v1* details, std::int32_t w, std::int32_t h) {
        if (WaylandOutput* o = detailsOwner(self(data), details))
            o->logicalFrame.setSize({w, h});
    }
    static void detailsDone(void* data, zxdg_output_v1*) { self(data)->outputsChanged(); }
    static void outputName(void* data, zxdg_output_v1* details, const char* name) {
        if (WaylandOutput* o = detailsOwner(self(data), details))
            o->name = QString::fromUtf8(name);
    }
    static void outputDescription(void*, zxdg_output_v1*, const char*) {}
    static constexpr zxdg_output_v1_listener detailsListener{
        logicalPosition, logicalSize, detailsDone, outputName, outputDescription};

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
    static void pointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t,
                              std::uint32_t button, std::uint32_t state) {
        WaylandClient* c = self(data);
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
        self(data)->m_drag->nextTypes.push_back(QString::fromUtf8(type));
    }
    static void offerSourceActions(void*, wl_data_offer*, std::uint32_t) {}
    static void offerAction(void*, wl_data_offer*, std::uint32_t) {}
    static constexpr wl_data_offer_listener offerListener{offerType, offerSourceActions,
                                                          offerAction};

    static void dataOffer(void* data, wl_data_device*, wl_data_offer* offer) {
        self(data)->m_drag->nextTypes.clear();
        wl_data_offer_add_listener(offer, &offerListener, data);
    }
    static void dragEnter(void* data, wl_data_device*, std::uint32_t serial, wl_surface* surface,
                          wl_fixed_t x, wl_fixed_t y, wl_data_offer* offer) {
        WaylandClient* c = self(data);
        Drag& drag = *c->m_drag;
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
        if (c->m_drag->offer == nullptr)
            return;
        c->dropOffer();
        if (c->m_sink != nullptr)
            c->m_sink->dragLeft();
    }
    static void dragMotion(void* data, wl_data_device*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
        WaylandClient* c = self(data);
        if (c->m_drag->offer == nullptr || c->m_sink == nullptr)
            return;
        c->m_drag->position = at(x, y);
        c->m_sink->dragMoved(c->m_drag->position);
    }
    static void drop(void* data, wl_data_device*) {
        WaylandClient* c = self(data);
        Drag& drag = *c->m_drag;
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
        Drag& drag = *self(data)->m_drag;
        if (drag.selection != nullptr)
            wl_data_offer_destroy(drag.selection);
        drag.selection = offer;
    }
    static constexpr wl_data_device_listener dataDeviceListener{dataOffer,  dragEnter, dragLeave,
                                                                dragMotion, drop,      selection};
};

WaylandCompositor probeWaylandCompositor() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return WaylandCompositor::none;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return WaylandCompositor::none;
    bool offered = false;
    wl_registry* registry = wl_display_get_registry(display);
    static constexpr wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::string_view(interface) == zwlr_layer_shell_v1_interface.name)
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &offered);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return WaylandCompositor::none;
    return offered ? WaylandCompositor::withLayerShell : WaylandCompositor::withoutLayerShell;
}

std::unique_ptr<WaylandClient> WaylandClient::connect() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        FADEBIN_LOG_ERROR(LogCategory::Notch, "No Wayland compositor to show the notch on");
        return nullptr;
    }
    std::unique_ptr<WaylandClient> client(new WaylandClient(display));
    // Two rounds: the globals, then what the bound ones announce (seat caps, outputs).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0 ||
        client->m_compositor == nullptr || client->m_shm == nullptr ||
        client->m_layerShell == nullptr) {
        FADEBIN_LOG_ERROR(LogCategory::Notch, "The Wayland compositor offers no layer shell");
        return nullptr;
    }
    auto* notifier = new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read);
    client->m_notifier.reset(notifier);
    QObject::connect(notifier, &QSocketNotifier::activated, client.get(),
                     [c = client.get()] { c->readEvents(); });
    client->flush();
    return client;
}

WaylandClient::WaylandClient(wl_display* display)
    : m_display(display)
    , m_drag(std::make_unique<Drag>()) {
    m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(m_registry, &Listeners::registryListener, this);
}

WaylandClient::~WaylandClient() {
    m_notifier.reset();
    dropOffer();
    if (m_drag->selection != nullptr)
        wl_data_offer_destroy(m_drag->selection);
    for (auto& output : m_outputs) {
        if (output->details != nullptr)
            zxdg_output_v1_destroy(output->details);
        wl_output_destroy(output->output);
    }
    if (m_dataDevice != nullptr)
        wl_data_device_destroy(m_dataDevice);
    if (m_pointer != nullptr)
        wl_pointer_destroy(m_pointer);
    if (m_seat != nullptr)
        wl_seat_destroy(m_seat);
    if (m_dataDeviceManager != nullptr)
        wl_data_device_manager_destroy(m_dataDeviceManager);
    if (m_outputManager != nullptr)
        zxdg_output_manager_v1_destroy(m_outputManager);
    if (m_layerShell != nullptr)
        zwlr_layer_shell_v1_destroy(m_layerShell);
    if (m_shm != nullptr)
        wl_shm_destroy(m_shm);
    if (m_compositor != nullptr)
        wl_compositor_destroy(m_compositor);
    wl_registry_destroy(m_registry);
    wl_display_disconnect(m_display);
}

wl_output* WaylandClient::outputAt(QPointF qtGlobal) const {
    for (const auto& output : m_outputs)
        if (QRectF(output->logicalFrame).contains(qtGlobal))
            return output->output;
    return nullptr;
}

void WaylandClient::setInputTarget(wl_surface* surface, WaylandInputSink* sink) {
    if (surface != m_targetSurface) {
        m_pointerOnTarget = false;
        dropOffer();
    }
    m_targetSurface = surface;
    m_sink = sink;
}

void WaylandClient::acceptDrop(const QString& type) {
    Drag& drag = *m_drag;
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

void WaylandClient::flush() {
    if (wl_display_dispatch_pending(m_display) < 0 || wl_display_flush(m_display) < 0) {
        if (errno != EAGAIN)
            lose();
    }
}

void WaylandClient::readEvents() {
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    if (wl_display_read_events(m_display) < 0 || wl_display_dispatch_pending(m_display) < 0) {
        lose();
        return;
    }
    wl_display_flush(m_display);
}

void WaylandClient::lose() {
    if (!m_notifier)
        return;
    FADEBIN_LOG_ERROR(LogCategory::Notch, "Lost the Wayland connection: %s",
                      std::strerror(wl_display_get_error(m_display)));
    m_notifier->setEnabled(false);
    m_notifier.release()->deleteLater();
    if (onConnectionLost)
        onConnectionLost();
}

void WaylandClient::describe(WaylandOutput& output) {
    if (m_outputManager == nullptr || output.details != nullptr)
        return;
    output.details = zxdg_output_manager_v1_get_xdg_output(m_outputManager, output.output);
    zxdg_output_v1_add_listener(output.details, &Listeners::detailsListener, this);
}

void WaylandClient::attachDataDevice() {
    if (m_dataDevice != nullptr || m_seat == nullptr || m_dataDeviceManager == nullptr)
        return;
    m_dataDevice = wl_data_device_manager_get_data_device(m_dataDeviceManager, m_seat);
    wl_data_device_add_listener(m_dataDevice, &Listeners::dataDeviceListener, this);
}

void WaylandClient::dropOffer() {
    Drag& drag = *m_drag;
    if (drag.offer != nullptr)
        wl_data_offer_destroy(drag.offer);
    drag.offer = nullptr;
    drag.types.clear();
    drag.accepted.clear();
}

void WaylandClient::outputsChanged() {
    if (onOutputsChanged)
        onOutputsChanged();
}

} // namespace fadebin
