#pragma once

#include "notch/NotchGeometry.h"
#include "notch/X11KeyboardFocus.h"

#include <QPainterPath>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>

#include <functional>
#include <memory>
#include <optional>

namespace fadebin {

class X11CompositingWatch;

// The panel's content view. It hosts the root view of the notch content and turns pointer
// positions into hover over the drawn shape; equal states in a row are reported once.
class NotchContentHost : public QQuickItem {
    Q_OBJECT
public:
    // The shape test, given a point from the top left of the view and the view's width.
    using HitTest = std::function<bool(Point fromTopLeft, double viewWidth)>;

    explicit NotchContentHost(QQuickItem* parent = nullptr);

    void setOnHoverChange(std::function<void(bool)> callback) {
        m_onHoverChange = std::move(callback);
    }
    // Without a shape test the whole view counts as the shape.
    void setHitTest(HitTest hitTest) { m_hitTest = std::move(hitTest); }
    [[nodiscard]] bool isInsideShape() const { return m_isInsideShape; }

    // The content, kept filling the view.
    void setRootView(QQuickItem* root);
    [[nodiscard]] QQuickItem* rootView() const { return m_rootView; }

    // Pointer tracking over the view, positions from its top left.
    void pointerEntered(QPointF position);
    void pointerMoved(QPointF position);
    void pointerExited();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void setHover(bool inside);

    std::function<void(bool)> m_onHoverChange;
    HitTest m_hitTest;
    bool m_isInsideShape = false;
    QPointer<QQuickItem> m_rootView;
};

// What the notch controller drives: a panel window and the view that hosts its content.
// The program's is NotchPanel; tests put a fake behind it.
class NotchPanelPort {
public:
    virtual ~NotchPanelPort() = default;

    [[nodiscard]] virtual Rect frame() const = 0;
    // Moves and resizes the panel (desktop coordinates, y up); the content is laid out for
    // the new size at once.
    virtual void setFrame(const Rect& frame) = 0;
    // Whether the panel holds the keyboard: taken from the window that had it when set,
    // given back to it when cleared.
    virtual void setAllowsKey(bool allows) = 0;
    // The panel lost the keyboard it held to another window.
    virtual void setOnKeyboardLost(std::function<void()> callback) { (void)callback; }
    virtual void present() = 0;
    virtual void withdraw() = 0;

    // The content view's size, none before there is one.
    [[nodiscard]] virtual std::optional<Size> contentSize() const = 0;
    virtual void setOnHoverChange(std::function<void(bool)> callback) = 0;
    virtual void setHitTest(NotchContentHost::HitTest hitTest) = 0;
    // Whether the content view last saw the pointer inside the shape.
    [[nodiscard]] virtual bool isPointerOverContent() const = 0;

    // The drawn outline in view coordinates: where the panel draws and takes input.
    virtual void setOutline(const QPainterPath& outline) = 0;
    // While a menu is open, every press goes to the panel, and one outside it is told, so
    // that the menu can close as menus do; an empty callback ends that.
    virtual void setOnPressOutside(std::function<void()> callback) = 0;
};

// The borderless always-on-top panel over the notch. It takes no keyboard focus unless
// allowsKey is set (then it takes the focus, and gives it back when cleared), sits exactly at the
// frame it is given (desktop coordinates, y up, may reach past the screen's edges), and takes
// pointer input only inside its shape, so clicks beside the drawn outline reach the windows below.
//
// On X the outline's pixels must show whatever the screen composites: with a compositing
// manager (an owner of _NET_WM_CM_S<screen>) the panel has the alpha visual and its outline
// is only the input shape, so the antialiased edge blends with the desktop; without one it
// has an opaque visual and the outline is also the bounding shape, so the X server itself
// cuts the rounded corners and shows the desktop around them. The manager starting or
// stopping is followed: the shape kinds change at once.
class NotchPanel : public QQuickWindow, public NotchPanelPort {
    Q_OBJECT
public:
    NotchPanel();
    ~NotchPanel() override;
    NotchPanel(const NotchPanel&) = delete;
    NotchPanel& operator=(const NotchPanel&) = delete;

    [[nodiscard]] bool allowsKey() const { return m_allowsKey; }
    void setAllowsKey(bool allows) override;

    void setFrame(const Rect& frame) override;
    [[nodiscard]] Rect frame() const override { return m_frame; }

    // Shows the panel above other windows without activating it; withdraw hides it.
    void present() override;
    void withdraw() override;
    [[nodiscard]] bool isOrderedFront() const { return m_orderedFront; }

    [[nodiscard]] std::optional<Size> contentSize() const override;
    void setOnHoverChange(std::function<void(bool)> callback) override {
        m_hostingView->setOnHoverChange(std::move(callback));
    }
    void setHitTest(NotchContentHost::HitTest hitTest) override {
        m_hostingView->setHitTest(std::move(hitTest));
    }
    [[nodiscard]] bool isPointerOverContent() const override {
        return m_hostingView->isInsideShape();
    }
    void setOutline(const QPainterPath& outline) override { setShape(outline); }
    void setOnPressOutside(std::function<void()> callback) override;
    void setOnKeyboardLost(std::function<void()> callback) override {
        m_onKeyboardLost = std::move(callback);
    }

    // The drawn outline in view coordinates (from the top left). It is also the window's
    // input and drawing mask; on X an empty outline shows nothing and takes no input.
    void setShape(const QPainterPath& outline);
    [[nodiscard]] const QPainterPath& shape() const { return m_shape; }
    // The drawn rectangle of the shape test: shapeSize centred at the top of a view.
    [[nodiscard]] static QPainterPath shapeRect(Size shapeSize, double viewWidth);

    // Whether the window has the alpha visual: chosen when the panel is made, with one only
    // while a compositing manager runs (only a compositor shows it as transparent).
    [[nodiscard]] bool hasAlphaVisual() const { return m_alphaVisual; }
    // Whether the outline is the bounding shape (it clips the drawing) rather than only the
    // input shape: always, except for the alpha visual under a compositing manager.
    [[nodiscard]] bool clipsToShape() const;

    [[nodiscard]] NotchContentHost* hostingView() const { return m_hostingView; }

protected:
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyGeometry();
    void applyDesktopHints();
    void applyShape();

    NotchContentHost* m_hostingView; // owned by the content item
    Rect m_frame;
    QPainterPath m_shape;
    std::unique_ptr<X11CompositingWatch> m_compositing; // on X11 only
    bool m_alphaVisual = true;
    std::function<void()> m_onPressOutside;
    std::function<void()> m_onKeyboardLost;
    X11KeyboardFocus m_keyboard;
    bool m_grabsPointer = false;
    bool m_allowsKey = false;
    bool m_orderedFront = false;
    bool m_desktopHintsApplied = false; // on X11, where a window manager reads them
};

} // namespace fadebin
