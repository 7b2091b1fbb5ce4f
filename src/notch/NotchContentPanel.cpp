#include "notch/NotchContentPanel.h"

#include "notch/NotchItems.h"
#include "platform/Log.h"

#include "icons/Icon.h"

#include <QCoreApplication>
#include <QQmlComponent>
#include <QQuickImageProvider>

#include <algorithm>
#include <malloc.h>

namespace fadebin {

namespace {

// The menus' icons, as "image://notchmenu/NAME": templates the menu items tint.
class MenuIconProvider final : public QQuickImageProvider {
public:
    MenuIconProvider()
        : QQuickImageProvider(QQuickImageProvider::Image) {}

    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override {
        // Whatever a caller asks for, an icon stays an icon's size.
        const int side = requestedSize.width() > 0 ? std::min(requestedSize.width(), 128) : 15;
        QImage image = menuImage(IconAsset(id), side);
        if (size != nullptr)
            *size = image.size();
        return image;
    }
};

} // namespace

NotchContent::NotchContent(NotchController& controller, std::function<void()> openSettings,
                           NotchContentOptions options, NotchContentHost& host)
    : m_host(host)
    , m_engine(std::make_unique<QQmlEngine>())
    , m_view(std::make_unique<NotchViewModel>(controller, std::move(openSettings))) {
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    m_engine->addImageProvider(QStringLiteral("notchmenu"), new MenuIconProvider);
    QQmlComponent component(m_engine.get(),
                            QUrl(QStringLiteral("qrc:/qt/qml/Fadebin/Notch/NotchRoot.qml")));
    // The module's types are known once its first component has loaded.
    const int motionType = qmlTypeId("Fadebin.Notch", 1, 0, "Motion");
    m_view->followMotion(options.motion);
    if (auto* motion = m_engine->singletonInstance<NotchMotion*>(motionType)) {
        const auto follow = [motion, view = m_view.get(), animated = options.animated] {
            motion->setEnabled(animated && !view->reducedMotion());
        };
        follow();
        QObject::connect(m_view.get(), &NotchViewModel::reducedMotionChanged, motion, follow);
    }
    // Asked only of a ready component: Qt 6.4 crashes creating from one that failed.
    QObject* made = component.isReady()
                        ? component.createWithInitialProperties(
                              {{QStringLiteral("view"), QVariant::fromValue(m_view.get())}})
                        : nullptr;
    m_root.reset(qobject_cast<QQuickItem*>(made));
    if (!m_root) {
        delete made;
        FADEBIN_LOG_ERROR(LogCategory::Notch, "Notch content failed to load: %s",
                          component.errorString().toUtf8().constData());
        return;
    }
    m_host.setRootView(m_root.get());
    QObject::connect(m_view.get(), &NotchViewModel::stateChanged, m_root.get(),
                     [this, &clock = controller.clock()] {
                         m_cleanUp = m_view->collapsed()
                                         ? clock.singleShot(cleanUpDelay, [this] { cleanUp(); })
                                         : TimerHandle{};
                     });
}

// The open panel makes and drops a delegate for every row that passes through it, hundreds
// a second in a burst of downloads. Their script objects wait for a collection the idle
// engine would not run, and the freed blocks lie among live ones, where the allocator keeps
// them: once the panel has been closed for a moment, both go back.
void NotchContent::cleanUp() {
    m_engine->collectGarbage();
    ::malloc_trim(0);
}

NotchContent::~NotchContent() {
    // The content goes before the view model it binds to and the engine that made it.
    m_host.setRootView(nullptr);
    m_root.reset();
    // Repeaters hand their delegates to deleteLater; they must go while the engine that
    // runs their bindings and animations is still there.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_view.reset();
}

NotchContentPanel::NotchContentPanel(NotchController& controller,
                                     std::function<void()> openSettings, Options options)
    : m_content(controller, std::move(openSettings), options, *hostingView()) {
    setTitle(QStringLiteral("Fadebin"));
}

NotchController::PanelFactory NotchContentPanel::factory(std::function<void()> openSettings,
                                                         Options options) {
    return [openSettings = std::move(openSettings), options](NotchController& controller) {
        return std::make_unique<NotchContentPanel>(controller, openSettings, options);
    };
}

LayerShellContentPanel::LayerShellContentPanel(WaylandClient& client, NotchController& controller,
                                               std::function<void()> openSettings,
                                               NotchContentOptions options)
    : LayerShellPanel(client)
    , m_content(controller, std::move(openSettings), options, *hostingView()) {}

NotchController::PanelFactory
LayerShellContentPanel::factory(WaylandClient& client, std::function<void()> openSettings,
                                std::function<void(LayerShellContentPanel*)> onMade,
                                NotchContentOptions options) {
    return [&client, openSettings = std::move(openSettings), onMade = std::move(onMade),
            options](NotchController& controller) {
        auto panel =
            std::make_unique<LayerShellContentPanel>(client, controller, openSettings, options);
        if (onMade)
            onMade(panel.get());
        return panel;
    };
}

} // namespace fadebin
