#pragma once

#include <QPointF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_virtual_pointer_manager_v1;
struct zwlr_virtual_pointer_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace fadebin::test {

// A pointer device made up through the compositor's virtual-pointer protocol: it gives a seat
// without input devices a pointer, then moves it and clicks as a mouse would. Asked, a keyboard
// too (the virtual-keyboard protocol, a US keymap), held until the object goes, so that the seat
// always has the one keyboard and its clients never miss a key while binding a new one.
class VirtualPointer {
public:
    // None when the socket does not answer or offers no virtual pointers. The pointer moves
    // over a layout of this size (the one output's).
    [[nodiscard]] static std::unique_ptr<VirtualPointer> connect(const QString& socketPath,
                                                                 QSize layout);
    ~VirtualPointer();
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;

    void moveTo(QPointF position);
    // A left click where the pointer is.
    void click();
    void clickAt(QPointF position) {
        moveTo(position);
        click();
    }

    // False when the compositor offers no virtual keyboards or no keymap could be made.
    bool addKeyboard();
    // Presses and releases each key in turn (evdev codes, KEY_*).
    void type(std::initializer_list<std::uint32_t> keys);

private:
    VirtualPointer() = default;
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
    void send(); // ends the frame and waits until the compositor has it
    static std::uint32_t now();

    wl_display* m_display = nullptr;
    wl_registry* m_registry = nullptr;
    wl_seat* m_seat = nullptr;
    zwlr_virtual_pointer_manager_v1* m_manager = nullptr;
    zwlr_virtual_pointer_v1* m_pointer = nullptr;
    zwp_virtual_keyboard_manager_v1* m_keyboards = nullptr;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    QSize m_layout;
};

} // namespace fadebin::test
