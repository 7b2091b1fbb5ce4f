#pragma once

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
};

// The notch panel with its content: the QML root view over a view model of the controller,
// in the panel's hosting view. The QML is compiled into the program.
class NotchContentPanel final : public NotchPanel {
    Q_OBJECT
public:
    using Options = NotchContentOptions;

    NotchContentPanel(NotchController& controller, std::function<void()> openSettings,
                      Options options);
    ~NotchContentPanel() override;

    // What the controller's install() calls to build the panel.
    [[nodiscard]] static NotchController::PanelFactory factory(std::function<void()> openSettings,
                                                               Options options = {});

    [[nodiscard]] NotchViewModel& viewModel() const { return *m_view; }
    // The root view, none when the content failed to load (that is logged).
    [[nodiscard]] QQuickItem* root() const { return m_root.get(); }

private:
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<NotchViewModel> m_view;
    std::unique_ptr<QQuickItem> m_root;
};

} // namespace fadebin
