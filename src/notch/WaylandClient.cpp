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
#include "xdg-shell-client.h"

#include <algorithm>
#include <cstring>

namespace fadebin {

namespace {

// The newest version of each interface this client speaks; the compositor may offer less.
constexpr std::uint32_t kCompositorVersion = 4;
constexpr std::uint32_t kOutputVersion = 3;
// 4 lets the panel take the keyboard on demand; 2 and 3 only for good.
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kOutputManagerVersion = 2;
constexpr std::uint32_t kWmBaseVersion = 2;
constexpr std::uint32_t kDataDeviceVersion = 3;

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

} // namespace

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
            c->takeSeat(registry, name, version);
        } else if (kind == zwlr_layer_shell_v1_interface.name) {
            c->m_layerShell = bind<zwlr_layer_shell_v1>(
                registry, name, &zwlr_layer_shell_v1_interface, version, kLayerShellVersion);
        } else if (kind == xdg_wm_base_interface.name) {
            c->m_wmBase =
                bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, kWmBaseVersion);
            xdg_wm_base_add_listener(c->m_wmBase, &wmBaseListener, c);
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

    // A client that does not answer pings is taken for hung.
    static void ping(void*, xdg_wm_base* base, std::uint32_t serial) {
        xdg_wm_base_pong(base, serial);
    }
    static constexpr xdg_wm_base_listener wmBaseListener{ping};

    // Outputs: the logical frame and name come from the xdg-output details, as Qt's do.
    // Events of versions newer than those bound never arrive, so theirs are left empty.
    static void outputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t,
                               std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
    }
    static void outputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t,
                           std::int32_t) {}
    static void outputDone(void* data, wl_output*) { self(data)->outputsChanged(); }
    static void outputScale(void* data, wl_output* output, std::int32_t factor) {
        for (auto& o : self(data)->m_outputs)
            if (o->output == output)
                o->scale = std::max(1, factor);
    }
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
};

WaylandCompositor probeWaylandCompositor(bool* hasSeat) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return WaylandCompositor::none;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return WaylandCompositor::none;
    std::pair<bool, bool> offered; // the layer shell, a seat
    wl_registry* registry = wl_display_get_registry(display);
    static constexpr wl_registry_listener listener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            auto* found = static_cast<std::pair<bool, bool>*>(data);
            found->first |= std::string_view(interface) == zwlr_layer_shell_v1_interface.name;
            found->second |= std::string_view(interface) == wl_seat_interface.name;
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &listener, &offered);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered)
        return WaylandCompositor::none;
    if (hasSeat != nullptr)
        *hasSeat = offered.second;
    return offered.first ? WaylandCompositor::withLayerShell : WaylandCompositor::withoutLayerShell;
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
    : m_display(display) {
    m_registry = wl_display_get_registry(display);
    wl_registry_add_listener(m_registry, &Listeners::registryListener, this);
}

WaylandClient::~WaylandClient() {
    m_notifier.reset();
    for (auto& output : m_outputs) {
        if (output->details != nullptr)
            zxdg_output_v1_destroy(output->details);
        wl_output_destroy(output->output);
    }
    releaseSeat();
    if (m_dataDeviceManager != nullptr)
        wl_data_device_manager_destroy(m_dataDeviceManager);
    if (m_outputManager != nullptr)
        zxdg_output_manager_v1_destroy(m_outputManager);
    if (m_layerShell != nullptr)
        zwlr_layer_shell_v1_destroy(m_layerShell);
    if (m_wmBase != nullptr)
        xdg_wm_base_destroy(m_wmBase);
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

const WaylandOutput* WaylandClient::find(wl_output* output) const {
    for (const auto& o : m_outputs)
        if (o->output == output)
            return o.get();
    return nullptr;
}

void WaylandClient::flush() {
    if (wl_display_dispatch_pending(m_display) < 0 || wl_display_flush(m_display) < 0) {
        if (errno != EAGAIN)
            lose();
    }
}

void WaylandClient::readEvents() {
    // A broken connection dispatches nothing, and its queue would never empty.
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0) {
            lose();
            return;
        }
    }
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
    // Qt's own connection to the same compositor ends the program; until then the panel's
    // requests go nowhere.
    m_notifier.release()->deleteLater();
}

void WaylandClient::describe(WaylandOutput& output) {
    if (m_outputManager == nullptr || output.details != nullptr)
        return;
    output.details = zxdg_output_manager_v1_get_xdg_output(m_outputManager, output.output);
    zxdg_output_v1_add_listener(output.details, &Listeners::detailsListener, this);
}

void WaylandClient::outputsChanged() {
    if (onOutputsChanged)
        onOutputsChanged();
}

} // namespace fadebin
