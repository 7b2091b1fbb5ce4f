#include "notch/LayerShellPanel.h"

#include "notch/ScreenSource.h"
#include "notch/X11Compositing.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QQuickRenderControl>
#include <QQuickRenderTarget>
#include <QQuickWindow>

#include <wayland-client.h>

// The protocol names an argument "namespace", a C++ keyword; the generated C header is
// read with that one word spelled otherwise (the wire format has no argument names).
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client.h"
#undef namespace

#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace fadebin {

namespace {

constexpr const char* kNamespace = "fadebin-notch";

// The rows where two images of one size differ, as a region of whole-width bands.
QRegion changedRows(const QImage& before, const QImage& after) {
    if (before.size() != after.size())
        return QRegion(after.rect());
    QRegion changed;
    const auto rowBytes = static_cast<std::size_t>(after.width()) * 4;
    int start = -1;
    for (int y = 0; y <= after.height(); ++y) {
        const bool differs =
            y < after.height() &&
            std::memcmp(before.constScanLine(y), after.constScanLine(y), rowBytes) != 0;
        if (differs && start < 0)
            start = y;
        if (!differs && start >= 0) {
            changed += QRect(0, start, after.width(), y - start);
            start = -1;
        }
    }
    return changed;
}

} // namespace

struct LayerShellPanel::Listeners {
    static void configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial,
                          std::uint32_t width, std::uint32_t height) {
        auto* panel = static_cast<LayerShellPanel*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        panel->m_configuredSize = QSize(static_cast<int>(width), static_cast<int>(height));
        panel->m_configured = true;
        panel->scheduleFrame();
    }
    static void closed(void* data, zwlr_layer_surface_v1*) {
        // The output went or the compositor dropped the surface: a new one at the next
        // placement or change of outputs, never at once, or a compositor that keeps closing
        // it would have the program making surfaces in a loop.
        auto* panel = static_cast<LayerShellPanel*>(data);
        panel->destroySurface();
        panel->m_output = nullptr;
    }
    static constexpr zwlr_layer_surface_v1_listener layerListener{configure, closed};

    static void frameDone(void* data, wl_callback* callback, std::uint32_t) {
        auto* panel = static_cast<LayerShellPanel*>(data);
        wl_callback_destroy(callback);
        panel->m_frameCallback = nullptr;
        if (std::exchange(panel->m_frameDue, false))
            panel->scheduleFrame();
    }
    static constexpr wl_callback_listener frameListener{frameDone};

    static void released(void* data, wl_buffer* buffer) {
        auto* panel = static_cast<LayerShellPanel*>(data);
        for (Buffer& b : panel->m_buffers)
            if (b.buffer == buffer)
                b.busy = false;
        if (std::exchange(panel->m_frameDue, false))
            panel->scheduleFrame();
    }
    static constexpr wl_buffer_listener bufferListener{released};
};

LayerShellPanel::LayerShellPanel(WaylandClient& client)
    : m_client(client)
    , m_renderControl(std::make_unique<QQuickRenderControl>())
    , m_window(std::make_unique<QQuickWindow>(m_renderControl.get()))
    , m_host(new NotchContentHost(m_window->contentItem())) {
    m_window->setColor(Qt::transparent);
    m_window->setTitle(QStringLiteral("Fadebin"));
    // The software scene graph draws into an image without a graphics device; any other
    // backend needs one.
    if (QQuickWindow::sceneGraphBackend() != QLatin1String("software") &&
        !m_renderControl->initialize())
        FADEBIN_LOG_ERROR(LogCategory::Notch, "The notch's renderer could not start");
    // Only a changed scene draws: nothing runs while the collapsed notch sits still.
    connect(m_renderControl.get(), &QQuickRenderControl::renderRequested, this,
            &LayerShellPanel::scheduleFrame);
    connect(m_renderControl.get(), &QQuickRenderControl::sceneChanged, this,
            &LayerShellPanel::scheduleFrame);
    // An output that went takes the surface with it; one that came may be where it belongs.
    m_client.onOutputsChanged = [this] {
        if (m_shown)
            applyPlacement();
    };
}

LayerShellPanel::~LayerShellPanel() {
    m_client.onOutputsChanged = {};
    destroySurface();
    releaseBuffers();
    m_client.flush();
    m_window.reset();
}

void LayerShellPanel::setFrame(const Rect& frame) {
    if (frame == m_frame)
        return;
    m_frame = frame;
    const QSize size = DesktopSpace::current().toQt(frame).toAlignedRect().size();
    m_window->resize(size);
    m_host->setSize(size);
    applyPlacement();
}

void LayerShellPanel::present() {
    m_shown = true;
    applyPlacement();
}

void LayerShellPanel::withdraw() {
    m_shown = false;
    destroySurface();
    m_client.flush();
}

std::optional<Size> LayerShellPanel::contentSize() const {
    return Size{m_host->width(), m_host->height()};
}

void LayerShellPanel::setOutline(const QPainterPath& outline) {
    m_outline = outline;
    applyInputRegion();
}

void LayerShellPanel::setOnPressOutside(std::function<void()> callback) {
    const bool grab = static_cast<bool>(callback);
    m_onPressOutside = std::move(callback);
    // While a menu is open the panel takes the presses of its whole rectangle, so that one
    // beside the outline closes the menu, and a popup's grab tells of presses elsewhere.
    applyInputRegion();
    if (!grab) {
        m_menuGrab.reset();
    } else if (!m_menuGrab && m_layer != nullptr) {
        m_menuGrab = std::make_unique<WaylandPopupGrab>(m_client, m_layer, [this] {
            m_menuGrab.reset();
            if (auto told = m_onPressOutside) // it may end the menu and this callback
                told();
        });
    }
}

std::optional<QPointF> LayerShellPanel::pointerPosition() const {
    if (!m_pointer)
        return std::nullopt;
    return globalOf(*m_pointer);
}

QPointF LayerShellPanel::globalOf(QPointF local) const {
    return DesktopSpace::current().toQt(m_frame).topLeft() + local;
}

void LayerShellPanel::applyPlacement() {
    const QRect rect = DesktopSpace::current().toQt(m_frame).toAlignedRect();
    if (!m_shown || rect.isEmpty()) {
        destroySurface();
        m_client.flush();
        return;
    }
    wl_output* output = m_client.outputAt(QPointF(rect.center().x(), rect.bottom()));
    if (m_surface != nullptr && output != m_output)
        destroySurface();
    if (m_surface == nullptr) {
        m_output = output;
        makeSurface();
        return;
    }
    const WaylandOutput* placed = m_client.find(m_output);
    const QPoint origin = placed != nullptr ? placed->logicalFrame.topLeft() : QPoint();
    // On a scaled output the buffers have that many pixels per point, so that the notch is
    // as sharp as the windows beside it.
    const int scale = placed != nullptr ? placed->scale : 1;
    if (scale != m_scale) {
        m_scale = scale;
        scheduleFrame();
    }
    zwlr_layer_surface_v1_set_size(m_layer, static_cast<std::uint32_t>(rect.width()),
                                   static_cast<std::uint32_t>(rect.height()));
    zwlr_layer_surface_v1_set_margin(m_layer, rect.y() - origin.y(), 0, 0, rect.x() - origin.x());
    applyInputRegion();
    wl_surface_commit(m_surface);
    m_client.flush();
}

void LayerShellPanel::makeSurface() {
    m_surface = wl_compositor_create_surface(m_client.compositor());
    m_layer = zwlr_layer_shell_v1_get_layer_surface(m_client.layerShell(), m_surface, m_output,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_TOP, kNamespace);
    zwlr_layer_surface_v1_add_listener(m_layer, &Listeners::layerListener, this);
    zwlr_layer_surface_v1_set_anchor(m_layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                  ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    zwlr_layer_surface_v1_set_exclusive_zone(m_layer, 0);
    applyKeyboard();
    m_client.setInputTarget(m_surface, this);
    m_configured = false;
    // The first commit carries no buffer: the compositor answers with the size to draw.
    applyPlacement();
}

void LayerShellPanel::destroySurface() {
    if (m_surface == nullptr)
        return;
    m_menuGrab.reset(); // a popup goes before its parent
    m_client.setInputTarget(nullptr, nullptr);
    if (m_pointer)
        pointerLeft();
    // The keyboard goes with the surface; a new one asks for it again if it is still wanted.
    if (std::exchange(m_hasKeyboard, false)) {
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(m_window.get(), &out);
    }
    if (m_frameCallback != nullptr)
        wl_callback_destroy(m_frameCallback);
    m_frameCallback = nullptr;
    zwlr_layer_surface_v1_destroy(m_layer);
    wl_surface_destroy(m_surface);
    m_layer = nullptr;
    m_surface = nullptr;
    m_configured = false;
    // A new surface starts from nothing shown: every pixel of the next frame is damage.
    m_shownBuffer = nullptr;
    for (Buffer& b : m_buffers)
        b.stale = QRegion(b.image.rect());
}

void LayerShellPanel::setAllowsKey(bool allows) {
    if (allows == m_allowsKey)
        return;
    m_allowsKey = allows;
    applyKeyboard();
    if (m_surface != nullptr)
        wl_surface_commit(m_surface);
    m_client.flush();
}

// Asked for, the keyboard is taken at once (exclusive: the compositor must give it to the top
// surface that asks so), then, once here, held on demand where the compositor offers that, so
// that a click on another window takes it back as it would from any window. Released, the
// compositor gives it back to the window that had it.
void LayerShellPanel::applyKeyboard() {
    if (m_layer == nullptr)
        return;
    const bool onDemand =
        m_hasKeyboard && zwlr_layer_surface_v1_get_version(m_layer) >=
                             ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND_SINCE_VERSION;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        m_layer, !m_allowsKey ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE
                 : onDemand   ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND
                              : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
}

void LayerShellPanel::applyInputRegion() {
    if (m_surface == nullptr)
        return;
    // No region is the whole surface: while a menu is open, and before there is an outline.
    if (m_onPressOutside || m_outline.isEmpty()) {
        wl_surface_set_input_region(m_surface, nullptr);
        return;
    }
    wl_region* region = wl_compositor_create_region(m_client.compositor());
    for (const QRect& r : shapeRegion(m_outline))
        wl_region_add(region, r.x(), r.y(), r.width(), r.height());
    wl_surface_set_input_region(m_surface, region);
    wl_region_destroy(region);
}

void LayerShellPanel::scheduleFrame() {
    if (m_renderQueued)
        return;
    m_renderQueued = true;
    QMetaObject::invokeMethod(this, &LayerShellPanel::renderFrame, Qt::QueuedConnection);
}

LayerShellPanel::Buffer* LayerShellPanel::freeBuffer() {
    const QSize size = m_configuredSize * m_scale;
    for (Buffer& b : m_buffers) {
        if (b.busy)
            continue;
        if (b.image.size() == size)
            return &b;
        // A buffer of another size is made again at this one.
        if (&b == m_shownBuffer)
            m_shownBuffer = nullptr;
        if (b.buffer != nullptr) {
            wl_buffer_destroy(b.buffer);
            munmap(b.data, b.bytes);
            b = Buffer{};
        }
        const int stride = size.width() * 4;
        const std::size_t bytes = static_cast<std::size_t>(stride) * size.height();
        const int fd = memfd_create("fadebin-notch", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
            if (fd >= 0)
                close(fd);
            FADEBIN_LOG_ERROR(LogCategory::Notch, "No memory for the notch's picture: %s",
                              std::strerror(errno));
            return nullptr;
        }
        void* data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            close(fd);
            return nullptr;
        }
        wl_shm_pool* pool =
            wl_shm_create_pool(m_client.shm(), fd, static_cast<std::int32_t>(bytes));
        b.buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride,
                                             WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        close(fd);
        wl_buffer_add_listener(b.buffer, &Listeners::bufferListener, this);
        b.data = data;
        b.bytes = bytes;
        // ARGB8888 in the machine's byte order is Qt's premultiplied ARGB32.
        b.image = QImage(static_cast<uchar*>(data), size.width(), size.height(), stride,
                         QImage::Format_ARGB32_Premultiplied);
        b.stale = QRegion(b.image.rect());
        return &b;
    }
    return nullptr;
}

void LayerShellPanel::releaseBuffers() {
    m_shownBuffer = nullptr;
    for (Buffer& b : m_buffers) {
        if (b.buffer != nullptr) {
            wl_buffer_destroy(b.buffer);
            munmap(b.data, b.bytes);
        }
        b = Buffer{};
    }
}

void LayerShellPanel::renderFrame() {
    m_renderQueued = false;
    if (m_surface == nullptr || !m_configured || m_configuredSize.isEmpty())
        return;
    if (m_frameCallback != nullptr) {
        m_frameDue = true; // drawn when the compositor shows the last one
        return;
    }
    Buffer* target = freeBuffer();
    if (target == nullptr) {
        m_frameDue = true; // drawn when a buffer comes back
        return;
    }
    if (m_canvas.size() != m_configuredSize * m_scale) {
        m_canvas = QImage(m_configuredSize * m_scale, QImage::Format_ARGB32_Premultiplied);
        m_canvas.setDevicePixelRatio(m_scale);
        m_canvas.fill(Qt::transparent);
        QQuickRenderTarget drawn = QQuickRenderTarget::fromPaintDevice(&m_canvas);
        drawn.setDevicePixelRatio(m_scale);
        m_window->setRenderTarget(drawn);
    }
    m_renderControl->polishItems();
    m_renderControl->beginFrame();
    m_renderControl->sync();
    m_renderControl->render();
    m_renderControl->endFrame();

    // The buffer shown last holds the frame before (every buffer gets its stale rows before
    // it is shown): what differs from it is what changed.
    const QRegion changed = m_shownBuffer != nullptr ? changedRows(m_shownBuffer->image, m_canvas)
                                                     : QRegion(m_canvas.rect());
    for (Buffer& b : m_buffers)
        b.stale += changed;
    if (target->stale.isEmpty() && changed.isEmpty())
        return; // nothing new to show
    // Whole rows, byte for byte: the canvas and the buffer share format, width and stride.
    const auto rowBytes = static_cast<std::size_t>(m_canvas.bytesPerLine());
    for (const QRect& r : target->stale)
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(target->image.scanLine(y), m_canvas.constScanLine(y), rowBytes);
    target->stale = QRegion();

    wl_surface_set_buffer_scale(m_surface, m_scale);
    wl_surface_attach(m_surface, target->buffer, 0, 0);
    for (const QRect& r : changed)
        wl_surface_damage_buffer(m_surface, r.x(), r.y(), r.width(), r.height());
    m_frameCallback = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frameCallback, &Listeners::frameListener, this);
    target->busy = true;
    m_shownBuffer = target;
    wl_surface_commit(m_surface);
    m_client.flush();
}

} // namespace fadebin
