#include "support/VirtualPointer.h"

#include <wayland-client.h>

#include "virtual-keyboard-unstable-v1-client.h"
#include "wlr-virtual-pointer-unstable-v1-client.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

namespace fadebin::test {

namespace {

void globalRemove(void*, wl_registry*, std::uint32_t) {}

} // namespace

void VirtualPointer::global(void* data, wl_registry* registry, std::uint32_t name,
                            const char* interface, std::uint32_t) {
    auto* self = static_cast<VirtualPointer*>(data);
    const std::string_view kind(interface);
    if (kind == wl_seat_interface.name && self->m_seat == nullptr)
        self->m_seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (kind == zwlr_virtual_pointer_manager_v1_interface.name)
        self->m_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (kind == zwp_virtual_keyboard_manager_v1_interface.name)
        self->m_keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

std::unique_ptr<VirtualPointer> VirtualPointer::connect(const QString& socketPath, QSize layout) {
    std::unique_ptr<VirtualPointer> pointer(new VirtualPointer);
    pointer->m_layout = layout;
    pointer->m_display = wl_display_connect(socketPath.toLocal8Bit().constData());
    if (pointer->m_display == nullptr)
        return nullptr;
    static constexpr wl_registry_listener listener{global, globalRemove};
    pointer->m_registry = wl_display_get_registry(pointer->m_display);
    wl_registry_add_listener(pointer->m_registry, &listener, pointer.get());
    if (wl_display_roundtrip(pointer->m_display) < 0 || pointer->m_manager == nullptr)
        return nullptr;
    pointer->m_pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointer->m_manager, pointer->m_seat);
    if (wl_display_roundtrip(pointer->m_display) < 0)
        return nullptr;
    return pointer;
}

VirtualPointer::~VirtualPointer() {
    if (m_display == nullptr)
        return;
    if (m_keyboard != nullptr)
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    if (m_keyboards != nullptr)
        zwp_virtual_keyboard_manager_v1_destroy(m_keyboards);
    if (m_pointer != nullptr)
        zwlr_virtual_pointer_v1_destroy(m_pointer);
    if (m_manager != nullptr)
        zwlr_virtual_pointer_manager_v1_destroy(m_manager);
    if (m_seat != nullptr)
        wl_seat_destroy(m_seat);
    if (m_registry != nullptr)
        wl_registry_destroy(m_registry);
    wl_display_roundtrip(m_display);
    wl_display_disconnect(m_display);
}

std::uint32_t VirtualPointer::now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void VirtualPointer::moveTo(QPointF position) {
    // In units of the layout's own size, so that each unit is one logical pixel.
    const auto along = [](double at, int extent) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(at), 0L, long(extent - 1)));
    };
    zwlr_virtual_pointer_v1_motion_absolute(m_pointer, now(), along(position.x(), m_layout.width()),
                                            along(position.y(), m_layout.height()),
                                            static_cast<std::uint32_t>(m_layout.width()),
                                            static_cast<std::uint32_t>(m_layout.height()));
    send();
}

void VirtualPointer::click() {
    for (const auto state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
        zwlr_virtual_pointer_v1_button(m_pointer, now(), BTN_LEFT, state);
        send();
    }
}

void VirtualPointer::send() {
    zwlr_virtual_pointer_v1_frame(m_pointer);
    wl_display_roundtrip(m_display);
}

bool VirtualPointer::addKeyboard() {
    if (m_keyboards == nullptr)
        return false;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names us{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = context != nullptr
                             ? xkb_keymap_new_from_names(context, &us, XKB_KEYMAP_COMPILE_NO_FLAGS)
                             : nullptr;
    char* text =
        keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    if (text == nullptr)
        return false;
    // The keymap goes over as a file, its terminating zero included.
    const std::size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("virtual-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
    std::free(text);
    if (written) {
        m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(m_keyboards, m_seat);
        zwp_virtual_keyboard_v1_keymap(m_keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, fd,
                                       static_cast<std::uint32_t>(size));
    }
    if (fd >= 0)
        close(fd);
    return written && wl_display_roundtrip(m_display) >= 0;
}

void VirtualPointer::type(std::initializer_list<std::uint32_t> keys) {
    for (const std::uint32_t key : keys)
        for (const auto state : {WL_KEYBOARD_KEY_STATE_PRESSED, WL_KEYBOARD_KEY_STATE_RELEASED}) {
            zwp_virtual_keyboard_v1_key(m_keyboard, now(), key, state);
            wl_display_roundtrip(m_display);
        }
}

} // namespace fadebin::test
