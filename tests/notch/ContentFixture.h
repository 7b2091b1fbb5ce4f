#pragma once

// The real notch content (QML) in the real panel over a real model and controller, on the manual
// clock; items found by objectName and clicked as a user would.
#include "FakeDragSelection.h"
#include "NotchControllerProbe.h"
#include "notch/NotchContentPanel.h"
#include "notch/NotchController.h"
#include "support/ModelWorld.h"
#include "support/QuickDriver.h"

#include <QQuickItem>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace fadebin::test {

// Three waiting downloads with long, short and versioned names.
inline const char* const pendingNames[] = {"Quarterly report 2025 (final, reviewed).pdf",
                                           "holiday-photos.zip", "setup-tool_3.2.1_amd64.deb"};

class ContentFixture : public ModelHarness {
public:
    explicit ContentFixture(NotchContentPanel::Options options = {.animated = false},
                            const std::function<void(ModelWorld&)>& beforeStart = {})
        : ModelHarness(beforeStart) {
        controller = std::make_unique<NotchController>(
            model, settings, clock, screens,
            std::make_unique<DragWatcher>(clock, std::make_unique<FakeDragSelection>()),
            NotchContentPanel::factory([this] { ++settingsOpened; }, options));
        controller->install();
        panel = static_cast<NotchContentPanel*>(NotchControllerProbe::panel(*controller));
        if (panel->root() == nullptr)
            ADD_FAILURE() << "the notch content did not load";
        // Dates read the same on every machine.
        view().setTextContext({QLocale(QStringLiteral("en_GB")), QTimeZone(0)});
    }

    [[nodiscard]] NotchViewModel& view() const { return panel->viewModel(); }
    [[nodiscard]] NotchState state() const { return controller->state(); }
    [[nodiscard]] QString page() const { return view().page(); }

    // The queued transitions run and the scene is laid out as it would be drawn.
    void settle() {
        for (int i = 0; i < 3; ++i) {
            nextTurn();
            [[maybe_unused]] const QImage frame = panel->grabWindow();
        }
    }
    void open() {
        controller->expand(false);
        settle();
    }
    void advance(Duration by) {
        clock.advance(by);
        settle();
    }

    [[nodiscard]] QQuickItem* find(const QString& name) const {
        return findItem(panel, name, /*visibleOnly=*/true);
    }
    [[nodiscard]] QStringList visibleTexts() const {
        QStringList texts;
        visitItems(panel->contentItem(), [&](QQuickItem* item) {
            if (item->isVisible() && item->opacity() > 0 && item->property("text").isValid())
                texts << item->property("text").toString();
        });
        return texts;
    }
    [[nodiscard]] QString textOf(const QString& name) const {
        QQuickItem* item = find(name);
        return item != nullptr ? item->property("text").toString() : QStringLiteral("<none>");
    }
    // A real click at the middle of the named item; fails the test when it is not there.
    void click(const QString& name) {
        settle();
        QQuickItem* item = find(name);
        ASSERT_NE(item, nullptr) << "no visible item " << name.toStdString();
        clickItem(panel, item);
        settle();
    }
    // The first count of pendingNames, of different sizes and origins.
    void pendingFiles(int count) {
        const char* const origins[] = {"https://www.example.org/r.pdf", "https://cdn.example.net/z",
                                       "https://downloads.example.com/d"};
        for (int i = 0; i < count; ++i)
            download(pendingNames[i], std::string(1'234'567 * (i + 1) % 9'000'000, 'x'),
                     origins[i]);
        settle();
    }
    void trackedFiles() {
        settings.setShowTestTimers(true);
        decided("invoice-4411.pdf", ExpiryOption::thirtyMinutes);
        decided("screen recording.mov", ExpiryOption::oneDay);
        decided("notes.txt", ExpiryOption::tenDays);
        settings.setShowTestTimers(false);
    }

    QtScreenSource screens;
    std::unique_ptr<NotchController> controller;
    NotchContentPanel* panel = nullptr;
    int settingsOpened = 0;
};

} // namespace fadebin::test
