#pragma once

#include "notch/LayerShellPanel.h"
#include "notch/NotchController.h"
#include "notch/NotchPanel.h"
#include "notch/NotchViewModel.h"

#include <QQmlEngine>
#include <QQuickItem>

#include <functional>
#include <memory>

namespace fadebin {

struct NotchContentOptions {
    // Off for pictures and interface tests, which look at settled states.
    bool animated = true;
    // The desktop's wish for less motion, followed while animated; it outlives the panels.
    const MotionPreference* motion = nullptr;
};

// The notch content: the QML root view over a view model of the controller, placed in a
// panel's hosting view. The QML is compiled into the program.
class NotchContent {
public:
    NotchContent(NotchController& controller, std::function<void()> openSettings,
                 NotchContentOptions options, NotchContentHost& host);
    ~NotchContent();
    NotchContent(const NotchContent&) = delete;
    NotchContent& operator=(const NotchContent&) = delete;

    [[nodiscard]] NotchViewModel& viewModel() const { return *m_view; }
    // The root view, none when the content failed to load (that is logged).
    [[nodiscard]] QQuickItem* root() const { return m_root.get(); }

private:
    // After the close animation, and past the deleteLater of the rows it dropped.
    static constexpr Duration cleanUpDelay{3'000};
    void cleanUp();

    NotchContentHost& m_host;
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<NotchViewModel> m_view;
    std::unique_ptr<QQuickItem> m_root;
    TimerHandle m_cleanUp;
};

// The notch panel of X11 (XWayland too) with its content.
class NotchContentPanel final : public NotchPanel {
    Q_OBJECT
public:
    using Options = NotchContentOptions;

    NotchContentPanel(NotchController& controller, std::function<void()> openSettings,
                      Options options);

    // What the controller's install() calls to build the panel.
    [[nodiscard]] static NotchController::PanelFactory factory(std::function<void()> openSettings,
                                                               Options options = {});

    [[nodiscard]] NotchViewModel& viewModel() const { return m_content.viewModel(); }
    [[nodiscard]] QQuickItem* root() const { return m_content.root(); }

private:
    NotchContent m_content;
};

// The notch panel of a Wayland layer shell with its content.
class LayerShellContentPanel final : public LayerShellPanel {
    Q_OBJECT
public:
    LayerShellContentPanel(WaylandClient& client, NotchController& controller,
                           std::function<void()> openSettings, NotchContentOptions options);

    // The factory for the controller; onMade hears of each panel made (the pointer's
    // position on Wayland is the panel's to tell).
    [[nodiscard]] static NotchController::PanelFactory
    factory(WaylandClient& client, std::function<void()> openSettings,
            std::function<void(LayerShellContentPanel*)> onMade, NotchContentOptions options = {});

    [[nodiscard]] NotchViewModel& viewModel() const { return m_content.viewModel(); }

private:
    NotchContent m_content;
};

} // namespace fadebin
