#pragma once

#include <QObject>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct wl_compositor;
struct wl_data_device;
struct wl_data_device_manager;
struct wl_data_offer;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct xdg_wm_base;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

class QKeyEvent;
class QSocketNotifier;

namespace fadebin {

// What the Wayland compositor of this session (WAYLAND_DISPLAY) offers, asked on a
// connection of its own that is closed again; hasSeat tells whether it has an input seat.
enum class WaylandCompositor { none, withoutLayerShell, withLayerShell };
[[nodiscard]] WaylandCompositor probeWaylandCompositor(bool* hasSeat = nullptr);

// One output of the compositor, with the name and logical frame Qt gives its screen.
struct WaylandOutput {
    wl_output* output = nullptr;
    zxdg_output_v1* details = nullptr;
    std::uint32_t globalName = 0;
    QString name;
    QRect logicalFrame;
    // Pixels per logical pixel, as the compositor wants buffers drawn for it.
    int scale = 1;
};

// What the seat reports to the surface it is over. Positions are surface-local.
class WaylandInputSink {
public:
    virtual ~WaylandInputSink() = default;
    virtual void pointerEntered(QPointF position) = 0;
    virtual void pointerMoved(QPointF position) = 0;
    virtual void pointerLeft() = 0;
    // Linux input button codes (BTN_LEFT, ...).
    virtual void pointerButton(std::uint32_t button, bool pressed) = 0;
    // Scroll distance in surface units, y down.
    virtual void pointerScrolled(QPointF delta) = 0;
    // A drag over the surface; the offered types arrive with it.
    virtual void dragEntered(QPointF position, const std::vector<QString>& types) = 0;
    virtual void dragMoved(QPointF position) = 0;
    virtual void dragLeft() = 0;
    // The offer's data of the type asked for in acceptDrop().
    virtual void dropped(QPointF position, const QByteArray& data) = 0;
    // The seat's keyboard came to the surface or left it; while there, its keys as Qt's.
    virtual void keyboardEntered() {}
    virtual void keyboardLeft() {}
    virtual void keyEvent(QKeyEvent& event) { (void)event; }
};

// The program's own connection to the compositor, beside Qt's: the globals the layer-shell
// panel needs, the outputs, and the seat's pointer and drags, routed to the one
// surface that asked for them. Events are read on the event loop, so nothing wakes the
// program while the compositor sends nothing.
class WaylandClient : public QObject {
    Q_OBJECT
public:
    // None when there is no compositor or it lacks the layer shell, shared memory or a
    // compositor global (the reason is logged).
    [[nodiscard]] static std::unique_ptr<WaylandClient> connect();
    ~WaylandClient() override;
    WaylandClient(const WaylandClient&) = delete;
    WaylandClient& operator=(const WaylandClient&) = delete;

    [[nodiscard]] wl_display* display() const { return m_display; }
    [[nodiscard]] wl_compositor* compositor() const { return m_compositor; }
    [[nodiscard]] wl_shm* shm() const { return m_shm; }
    [[nodiscard]] zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    // For popups, none when the compositor has no xdg-shell.
    [[nodiscard]] xdg_wm_base* wmBase() const { return m_wmBase; }
    [[nodiscard]] wl_seat* seat() const { return m_seat; }
    // The serial of the seat's last button press, which a popup's grab must name.
    [[nodiscard]] std::uint32_t lastPressSerial() const { return m_lastPressSerial; }
    [[nodiscard]] const std::vector<std::unique_ptr<WaylandOutput>>& outputs() const {
        return m_outputs;
    }
    // The output whose logical frame holds the point (Qt's global coordinates), if any.
    [[nodiscard]] wl_output* outputAt(QPointF qtGlobal) const;
    // The output's record, none for an output that went.
    [[nodiscard]] const WaylandOutput* find(wl_output* output) const;

    // Where seat events over the surface go; one surface at a time.
    void setInputTarget(wl_surface* surface, WaylandInputSink* sink);
    // During a drag over the target: take the offer as this type (empty refuses it).
    void acceptDrop(const QString& type);

    // Sends what is queued to the compositor.
    void flush();
    // Told when outputs come or go or change.
    std::function<void()> onOutputsChanged;

private:
    explicit WaylandClient(wl_display* display);
    void readEvents();
    void lose();
    void describe(WaylandOutput& output);
    void attachDataDevice();
    void dropOffer();
    void outputsChanged();

    struct Listeners;
    friend struct Listeners;
    struct SeatListeners;
    friend struct SeatListeners;
    struct KeyboardListeners;
    friend struct KeyboardListeners;
    void takeKeyboard(bool present);
    void readKeymap(int fd, std::uint32_t size);
    void sendKey(std::uint32_t keycode, bool pressed, bool repeated);
    void repeatKey();
    void takeSeat(wl_registry* registry, std::uint32_t name, std::uint32_t version);
    void releaseSeat();

    // The drag over the target surface, and the clipboard's offer, kept only to be released.
    struct Drag {
        wl_data_offer* offer = nullptr;
        wl_data_offer* selection = nullptr;
        std::vector<QString> types;
        std::vector<QString> nextTypes; // of the offer just introduced
        std::uint32_t serial = 0;
        QString accepted;
        QPointF position;
    };

    wl_display* m_display;
    wl_registry* m_registry = nullptr;
    wl_compositor* m_compositor = nullptr;
    wl_shm* m_shm = nullptr;
    wl_seat* m_seat = nullptr;
    wl_pointer* m_pointer = nullptr;
    wl_data_device_manager* m_dataDeviceManager = nullptr;
    wl_data_device* m_dataDevice = nullptr;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    zxdg_output_manager_v1* m_outputManager = nullptr;
    xdg_wm_base* m_wmBase = nullptr;
    std::vector<std::unique_ptr<WaylandOutput>> m_outputs;
    std::unique_ptr<QSocketNotifier> m_notifier;

    wl_surface* m_targetSurface = nullptr;
    WaylandInputSink* m_sink = nullptr;
    bool m_pointerOnTarget = false;
    std::uint32_t m_lastPressSerial = 0;

    Drag m_drag;

    // The keyboard: its keymap as xkbcommon reads it, and the key held down, repeated as the
    // compositor says (keys come once; repeating is the client's part).
    wl_keyboard* m_keyboard = nullptr;
    xkb_context* m_xkb = nullptr;
    xkb_keymap* m_keymap = nullptr;
    xkb_state* m_keyState = nullptr;
    bool m_keyboardOnTarget = false;
    std::uint32_t m_heldKey = 0;
    int m_repeatRate = 25;   // per second; 0 repeats nothing
    int m_repeatDelay = 600; // ms
    QTimer m_repeat;
};

} // namespace fadebin
