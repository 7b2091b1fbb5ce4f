#pragma once

#include "notch/NotchPanel.h"
#include "notch/WaylandClient.h"
#include "notch/WaylandPopupGrab.h"

#include <QImage>
#include <QMimeData>
#include <QObject>
#include <QPainterPath>
#include <QRegion>

#include <array>
#include <memory>
#include <optional>

class QQuickRenderControl;
class QQuickWindow;
struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct zwlr_layer_surface_v1;

namespace fadebin {

// The notch panel as a Wayland layer surface: on the top layer of the output under its
// frame, anchored to the output's top left with the frame's offsets as margins, no exclusive
// zone, input only inside the drawn outline. The content is an offscreen Qt Quick scene,
// drawn by the software renderer into an image and copied into shared-memory buffers, only
// when the scene changed and only where it changed; the seat's pointer and drags are
// handed to that scene as Qt's own events, so the content is the one every panel shows.
class LayerShellPanel : public QObject, public NotchPanelPort, private WaylandInputSink {
    Q_OBJECT
public:
    explicit LayerShellPanel(WaylandClient& client);
    ~LayerShellPanel() override;
    LayerShellPanel(const LayerShellPanel&) = delete;
    LayerShellPanel& operator=(const LayerShellPanel&) = delete;

    [[nodiscard]] Rect frame() const override { return m_frame; }
    void setFrame(const Rect& frame) override;
    // Only a panel opened for the keyboard asks for it: a keyboard-interactive surface on the
    // top layer would take the keyboard from the window the user types in at every opening.
    void setAllowsKey(bool allows) override;
    void setOnKeyboardLost(std::function<void()> callback) override {
        m_onKeyboardLost = std::move(callback);
    }
    void present() override;
    void withdraw() override;
    [[nodiscard]] std::optional<Size> contentSize() const override;
    void setOnHoverChange(std::function<void(bool)> callback) override {
        m_host->setOnHoverChange(std::move(callback));
    }
    void setHitTest(NotchContentHost::HitTest hitTest) override {
        m_host->setHitTest(std::move(hitTest));
    }
    [[nodiscard]] bool isPointerOverContent() const override { return m_host->isInsideShape(); }
    void setOutline(const QPainterPath& outline) override;
    void setOnPressOutside(std::function<void()> callback) override;

    [[nodiscard]] NotchContentHost* hostingView() const { return m_host; }
    // The pointer in Qt's global coordinates while it is over the surface.
    [[nodiscard]] std::optional<QPointF> pointerPosition() const;

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        void* data = nullptr;
        std::size_t bytes = 0;
        QImage image;  // over data
        QRegion stale; // where it differs from the last frame drawn
        bool busy = false;
    };
    struct Listeners;
    friend struct Listeners;

    // WaylandInputSink
    void pointerEntered(QPointF position) override;
    void pointerMoved(QPointF position) override;
    void pointerLeft() override;
    void pointerButton(std::uint32_t button, bool pressed) override;
    void pointerScrolled(QPointF delta) override;
    void dragEntered(QPointF position, const std::vector<QString>& types) override;
    void dragMoved(QPointF position) override;
    void dragLeft() override;
    void dropped(QPointF position, const QByteArray& data) override;
    void keyboardEntered() override;
    void keyboardLeft() override;
    void keyEvent(QKeyEvent& event) override;

    void makeSurface();
    void destroySurface();
    void applyPlacement();
    void applyInputRegion();
    void applyKeyboard();
    void scheduleFrame();
    void renderFrame();
    Buffer* freeBuffer();
    void releaseBuffers();
    [[nodiscard]] QPointF globalOf(QPointF local) const;
    void sendMouse(QEvent::Type type, Qt::MouseButton button);

    WaylandClient& m_client;
    std::unique_ptr<QQuickRenderControl> m_renderControl;
    std::unique_ptr<QQuickWindow> m_window;
    NotchContentHost* m_host; // owned by the window's content item
    Rect m_frame;
    QPainterPath m_outline;
    std::function<void()> m_onPressOutside;
    std::function<void()> m_onKeyboardLost;
    bool m_shown = false;
    bool m_allowsKey = false;
    bool m_hasKeyboard = false;

    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer = nullptr;
    wl_output* m_output = nullptr;
    QSize m_configuredSize; // in points
    int m_scale = 1;        // pixels per point of the output it is on
    bool m_configured = false;
    wl_callback* m_frameCallback = nullptr;
    bool m_frameDue = false;
    bool m_renderQueued = false;

    QImage m_canvas;                 // what the scene drew last
    Buffer* m_shownBuffer = nullptr; // the one last attached: the frame before
    std::array<Buffer, 2> m_buffers;

    std::optional<QPointF> m_pointer;
    Qt::MouseButtons m_buttons;
    std::unique_ptr<QMimeData> m_dragData;
    std::unique_ptr<WaylandPopupGrab> m_menuGrab; // while a menu is open
};

} // namespace fadebin
