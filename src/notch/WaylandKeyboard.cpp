#include "notch/WaylandClient.h"

#include "platform/Log.h"

#include <QKeyEvent>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

// The seat's keyboard over the surface that asked: the compositor's keymap read by xkbcommon,
// and each key handed on as Qt's key event.
namespace fadebin {

namespace {

// A keymap is some tens of kilobytes; a compositor that offers more is not read.
constexpr std::uint32_t kMaxKeymapBytes = 4 * 1024 * 1024;
// Evdev's key codes are xkb's less eight.
constexpr std::uint32_t kEvdevToXkb = 8;

// The keys that are not text, as Qt names them. Qt's own table for this is private API, and
// the notch reads only these and the printable keys.
int qtKeyOf(xkb_keysym_t sym) {
    switch (sym) {
    case XKB_KEY_Escape:
        return Qt::Key_Escape;
    case XKB_KEY_Tab:
        return Qt::Key_Tab;
    case XKB_KEY_ISO_Left_Tab:
        return Qt::Key_Backtab;
    case XKB_KEY_BackSpace:
        return Qt::Key_Backspace;
    case XKB_KEY_Return:
        return Qt::Key_Return;
    case XKB_KEY_KP_Enter:
        return Qt::Key_Enter;
    case XKB_KEY_Delete:
    case XKB_KEY_KP_Delete:
        return Qt::Key_Delete;
    case XKB_KEY_Home:
    case XKB_KEY_KP_Home:
        return Qt::Key_Home;
    case XKB_KEY_End:
    case XKB_KEY_KP_End:
        return Qt::Key_End;
    case XKB_KEY_Left:
    case XKB_KEY_KP_Left:
        return Qt::Key_Left;
    case XKB_KEY_Up:
    case XKB_KEY_KP_Up:
        return Qt::Key_Up;
    case XKB_KEY_Right:
    case XKB_KEY_KP_Right:
        return Qt::Key_Right;
    case XKB_KEY_Down:
    case XKB_KEY_KP_Down:
        return Qt::Key_Down;
    case XKB_KEY_Page_Up:
    case XKB_KEY_KP_Page_Up:
        return Qt::Key_PageUp;
    case XKB_KEY_Page_Down:
    case XKB_KEY_KP_Page_Down:
        return Qt::Key_PageDown;
    case XKB_KEY_Menu:
        return Qt::Key_Menu;
    default:
        break;
    }
    // A printable key is named by its character, capital letters for letters.
    const std::uint32_t code = xkb_keysym_to_utf32(sym);
    if (code < 0x20 || code == 0x7f)
        return 0;
    const char32_t character = code;
    const QString text = QString::fromUcs4(&character, 1);
    return text.size() == 1 ? text.toUpper().at(0).unicode() : 0;
}

} // namespace

struct WaylandClient::KeyboardListeners {
    static WaylandClient* self(void* data) { return static_cast<WaylandClient*>(data); }

    static void keymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd,
                       std::uint32_t size) {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1)
            self(data)->readKeymap(fd, size);
        close(fd);
    }
    static void enter(void* data, wl_keyboard*, std::uint32_t, wl_surface* surface, wl_array*) {
        WaylandClient* c = self(data);
        c->m_keyboardOnTarget = surface != nullptr && surface == c->m_targetSurface;
        if (c->m_keyboardOnTarget && c->m_sink != nullptr)
            c->m_sink->keyboardEntered();
    }
    static void leave(void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
        WaylandClient* c = self(data);
        c->m_repeat.stop();
        c->m_heldKey = 0;
        if (std::exchange(c->m_keyboardOnTarget, false) && c->m_sink != nullptr)
            c->m_sink->keyboardLeft();
    }
    static void key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
                    std::uint32_t state) {
        self(data)->sendKey(key + kEvdevToXkb, state == WL_KEYBOARD_KEY_STATE_PRESSED, false);
    }
    static void modifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed,
                          std::uint32_t latched, std::uint32_t locked, std::uint32_t group) {
        WaylandClient* c = self(data);
        if (c->m_keyState != nullptr)
            xkb_state_update_mask(c->m_keyState, depressed, latched, locked, 0, 0, group);
    }
    static void repeatInfo(void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay) {
        WaylandClient* c = self(data);
        c->m_repeatRate = std::max(rate, 0);
        c->m_repeatDelay = std::max(delay, 0);
    }
    static constexpr wl_keyboard_listener listener{keymap, enter,     leave,
                                                   key,    modifiers, repeatInfo};
};

void WaylandClient::takeKeyboard(bool present) {
    if (present && m_keyboard == nullptr) {
        m_keyboard = wl_seat_get_keyboard(m_seat);
        wl_keyboard_add_listener(m_keyboard, &KeyboardListeners::listener, this);
        QObject::connect(&m_repeat, &QTimer::timeout, this, &WaylandClient::repeatKey,
                         Qt::UniqueConnection);
        return;
    }
    if (present || m_keyboard == nullptr)
        return;
    m_repeat.stop();
    if (std::exchange(m_keyboardOnTarget, false) && m_sink != nullptr)
        m_sink->keyboardLeft();
    if (wl_keyboard_get_version(m_keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(m_keyboard);
    else
        wl_keyboard_destroy(m_keyboard);
    m_keyboard = nullptr;
    xkb_state_unref(std::exchange(m_keyState, nullptr));
    xkb_keymap_unref(std::exchange(m_keymap, nullptr));
    xkb_context_unref(std::exchange(m_xkb, nullptr));
}

void WaylandClient::readKeymap(int fd, std::uint32_t size) {
    if (size == 0 || size > kMaxKeymapBytes)
        return;
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text == MAP_FAILED)
        return;
    if (m_xkb == nullptr)
        m_xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    // The text may or may not end in its terminating zero.
    const auto* chars = static_cast<const char*>(text);
    xkb_keymap* keymap =
        m_xkb == nullptr
            ? nullptr
            : xkb_keymap_new_from_buffer(m_xkb, chars, strnlen(chars, size),
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    if (keymap == nullptr) {
        FADEBIN_LOG_ERROR(LogCategory::Notch, "The compositor's keymap could not be read");
        return;
    }
    xkb_state_unref(m_keyState);
    xkb_keymap_unref(m_keymap);
    m_keymap = keymap;
    m_keyState = xkb_state_new(keymap);
}

void WaylandClient::sendKey(std::uint32_t keycode, bool pressed, bool repeated) {
    if (m_keyState == nullptr)
        return;
    // The last key pressed repeats until it is released or another is pressed.
    if (!repeated && (pressed || keycode == m_heldKey)) {
        m_repeat.stop();
        m_heldKey = 0;
        if (pressed && m_repeatRate > 0 && xkb_keymap_key_repeats(m_keymap, keycode) != 0) {
            m_heldKey = keycode;
            m_repeat.start(m_repeatDelay);
        }
    }
    if (!m_keyboardOnTarget || m_sink == nullptr)
        return;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(m_keyState, keycode);
    const auto active = [&](const char* name) {
        return xkb_state_mod_name_is_active(m_keyState, name, XKB_STATE_MODS_EFFECTIVE) > 0;
    };
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::ShiftModifier, active(XKB_MOD_NAME_SHIFT));
    modifiers.setFlag(Qt::ControlModifier, active(XKB_MOD_NAME_CTRL));
    modifiers.setFlag(Qt::AltModifier, active(XKB_MOD_NAME_ALT));
    modifiers.setFlag(Qt::MetaModifier, active(XKB_MOD_NAME_LOGO));
    char text[16] = {};
    xkb_state_key_get_utf8(m_keyState, keycode, text, sizeof text);
    QKeyEvent event(pressed ? QEvent::KeyPress : QEvent::KeyRelease, qtKeyOf(sym), modifiers,
                    keycode, sym, 0, QString::fromUtf8(text), repeated);
    m_sink->keyEvent(event);
}

void WaylandClient::repeatKey() {
    if (m_heldKey == 0 || m_repeatRate <= 0) {
        m_repeat.stop();
        return;
    }
    m_repeat.start(1000 / m_repeatRate);
    sendKey(m_heldKey, true, true);
}

} // namespace fadebin
