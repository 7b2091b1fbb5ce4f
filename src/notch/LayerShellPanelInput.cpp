#include "notch/LayerShellPanel.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QQuickWindow>
#include <QWheelEvent>

#include <wayland-client.h>

#include <linux/input-event-codes.h>

// The seat's events over the layer surface, and its keys while the surface has them, handed
// to the offscreen scene as Qt's own.
namespace fadebin {

namespace {

constexpr const char* kUriListType = "text/uri-list";
// Qt counts a wheel notch as 120; Wayland's axis moves 10 units per notch on most seats.
constexpr double kWheelAnglePerAxisUnit = 12;

Qt::MouseButton qtButton(std::uint32_t button) {
    switch (button) {
    case BTN_LEFT:
        return Qt::LeftButton;
    case BTN_RIGHT:
        return Qt::RightButton;
    case BTN_MIDDLE:
        return Qt::MiddleButton;
    default:
        return Qt::NoButton;
    }
}

} // namespace

void LayerShellPanel::sendMouse(QEvent::Type type, Qt::MouseButton button) {
    const QPointF local = m_pointer.value_or(QPointF());
    QMouseEvent event(type, local, local, globalOf(local), button, m_buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &event);
}

void LayerShellPanel::pointerEntered(QPointF position) {
    m_pointer = position;
    m_host->pointerEntered(position);
    QEnterEvent enter(position, position, globalOf(position));
    QCoreApplication::sendEvent(m_window.get(), &enter);
    sendMouse(QEvent::MouseMove, Qt::NoButton);
}

void LayerShellPanel::pointerMoved(QPointF position) {
    m_pointer = position;
    m_host->pointerMoved(position);
    sendMouse(QEvent::MouseMove, Qt::NoButton);
}

void LayerShellPanel::pointerLeft() {
    m_pointer.reset();
    m_buttons = Qt::NoButton;
    m_host->pointerExited();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_window.get(), &leave);
}

void LayerShellPanel::pointerButton(std::uint32_t button, bool pressed) {
    const Qt::MouseButton which = qtButton(button);
    if (which == Qt::NoButton || !m_pointer)
        return;
    if (pressed && m_onPressOutside && !m_outline.contains(*m_pointer)) {
        auto callback = m_onPressOutside; // it may end the menu and this callback
        callback();
        return;
    }
    m_buttons.setFlag(which, pressed);
    sendMouse(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, which);
}

void LayerShellPanel::pointerScrolled(QPointF delta) {
    if (!m_pointer)
        return;
    const QPoint angle = (-delta * kWheelAnglePerAxisUnit).toPoint();
    QWheelEvent wheel(*m_pointer, globalOf(*m_pointer), (-delta).toPoint(), angle, m_buttons,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_window.get(), &wheel);
}

void LayerShellPanel::keyboardEntered() {
    m_hasKeyboard = true;
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(m_window.get(), &in);
    if (m_allowsKey) {
        applyKeyboard(); // now on demand
        wl_surface_commit(m_surface);
        m_client.flush();
    }
}

void LayerShellPanel::keyboardLeft() {
    m_hasKeyboard = false;
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(m_window.get(), &out);
    if (m_allowsKey && m_onKeyboardLost) {
        auto callback = m_onKeyboardLost; // it may clear allowsKey
        callback();
    }
}

void LayerShellPanel::keyEvent(QKeyEvent& event) {
    QCoreApplication::sendEvent(m_window.get(), &event);
}

void LayerShellPanel::dragEntered(QPointF position, const std::vector<QString>& types) {
    m_dragData = std::make_unique<QMimeData>();
    bool hasFiles = false;
    for (const QString& type : types) {
        m_dragData->setData(type, {});
        hasFiles = hasFiles || type == QLatin1String(kUriListType);
    }
    QDragEnterEvent enter(position.toPoint(), Qt::CopyAction, m_dragData.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &enter);
    m_client.acceptDrop(hasFiles && enter.isAccepted() ? QString::fromLatin1(kUriListType)
                                                       : QString());
}

void LayerShellPanel::dragMoved(QPointF position) {
    if (!m_dragData)
        return;
    QDragMoveEvent move(position.toPoint(), Qt::CopyAction, m_dragData.get(), Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &move);
}

void LayerShellPanel::dragLeft() {
    if (!m_dragData)
        return;
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(m_window.get(), &leave);
    m_dragData.reset();
}

void LayerShellPanel::dropped(QPointF position, const QByteArray& data) {
    if (!m_dragData)
        return;
    m_dragData->setData(QString::fromLatin1(kUriListType), data);
    QDropEvent drop(position, Qt::CopyAction, m_dragData.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &drop);
    m_dragData.reset();
}

} // namespace fadebin
