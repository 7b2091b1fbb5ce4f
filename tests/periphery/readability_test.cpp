// Small text in the ordinary windows reads at WCAG AA (4.5:1) on what is actually drawn
// behind it, in light and dark; the colour picker sits apart from the window's edges over a
// dimmed window.
#include "periphery/DesktopStyle.h"
#include "periphery/FeedbackWindow.h"
#include "periphery/OnboardingWindow.h"
#include "periphery/SettingsWindow.h"
#include "periphery/UpdateManager.h"
#include "periphery/WindowDriver.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <cmath>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// WCAG 2's definitions, written out here so that the check does not lean on the code under test.
double luminance(QRgb c) {
    const auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}
double contrast(QRgb a, QRgb b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
QRgb composite(const QColor& text, QRgb back) {
    const double a = text.alphaF();
    const auto mix = [a](int f, int b) {
        return static_cast<int>(std::lround(f * a + b * (1 - a)));
    };
    return qRgb(mix(text.red(), qRed(back)), mix(text.green(), qGreen(back)),
                mix(text.blue(), qBlue(back)));
}

void collectSoftened(QQuickItem* item, QList<QQuickItem*>& labels) {
    if (!item->isVisible() || item->opacity() == 0)
        return;
    // Secondary and tertiary text: SecondaryLabel and what derives from it (Note, Caption).
    if (item->metaObject()->indexOfProperty("emphasis") >= 0 &&
        !item->property("text").toString().isEmpty())
        labels.append(item);
    for (QQuickItem* child : item->childItems())
        collectSoftened(child, labels);
}

// The lowest contrast of each shown softened text with the pixels drawn under it (the text
// itself hidden, the layout unchanged); returns how many texts were measured.
int expectReadable(QQuickWindow* window, const std::string& where) {
    settle(window);
    QList<QQuickItem*> labels;
    collectSoftened(window->contentItem(), labels);
    for (QQuickItem* label : labels)
        label->setOpacity(0);
    const QImage backdrop = window->grabWindow().convertToFormat(QImage::Format_RGB32);
    for (QQuickItem* label : labels)
        label->setOpacity(1);
    const double scale = backdrop.width() / static_cast<double>(window->width());
    for (QQuickItem* label : labels) {
        const QColor color = label->property("color").value<QColor>();
        const QRect area = QRectF(label->mapRectToScene(label->boundingRect())).toAlignedRect() &
                           window->contentItem()->boundingRect().toAlignedRect();
        double lowest = 21;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb back = backdrop.pixel(int(x * scale), int(y * scale));
                lowest = std::min(lowest, contrast(composite(color, back), back));
            }
        EXPECT_GE(lowest, 4.5) << where << ": \""
                               << label->property("text").toString().toStdString() << "\" in "
                               << color.name(QColor::HexArgb).toStdString();
    }
    return static_cast<int>(labels.size());
}

} // namespace

TEST(Readability, SoftenedTextKeepsItsContrastAndIsNoStrongerThanThat) {
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor("#777777"), Qt::white), 4.48, 0.01);
    const QColor light("#efefef"), card(Qt::white), dark("#242424"), darkCard("#303030");
    for (const auto& [text, backs] : {std::pair{QColor(Qt::black), QList<QColor>{light, card}},
                                      {QColor("#f2f2f2"), QList<QColor>{dark, darkCard}}}) {
        for (const double emphasis : {0.45, 0.62, 0.9}) {
            const QColor tone = softenedText(text, backs, emphasis);
            EXPECT_GE(tone.alphaF(), emphasis - 1e-3);
            for (const QColor& back : backs)
                EXPECT_GE(contrast(composite(tone, back.rgb()), back.rgb()), 4.5) << emphasis;
            // One step softer would not read on one of them, unless the asked opacity reads.
            if (tone.alpha() > std::ceil(emphasis * 255)) {
                QColor softer = tone;
                softer.setAlpha(tone.alpha() - 1);
                EXPECT_TRUE(std::ranges::any_of(backs, [&](const QColor& back) {
                    return contrast(composite(softer, back.rgb()), back.rgb()) < 4.5;
                }));
            }
        }
    }
    // A palette too weak for any softening gets its text at full strength.
    EXPECT_EQ(softenedText(QColor("#888888"), {Qt::white}, 0.45).alpha(), 255);
}

TEST(Readability, OnboardingsNotesAndTheSettingsCaptionsReadInLightAndDark) {
    {
        WindowWorld world;
        world.denyDownloads();
        world.model.start();
        OnboardingWindow onboarding(world.engine, world.model, world.settings, world.clock);
        QQuickWindow* window = shown(onboarding);
        int measured = 0;
        for (int step = 0; step < onboarding.flow().stepCount(); ++step) {
            ASSERT_TRUE(waitFor([&] { return findItem(window, "steps")->opacity() == 1.0; }));
            measured += expectReadable(window, "onboarding step " + std::to_string(step));
            if (step == 1)
                world.allowDownloads(), onboarding.flow().checkAgain();
            onboarding.flow().advance();
        }
        EXPECT_GE(measured, 7) << "every step's text, the access note and the sample's notes";
    }
    WindowWorld world;
    UpdateManager updates(world.clock, world.network, {}, QStringLiteral("1.2"),
                          QStringLiteral("12"));
    FeedbackWindow feedback(world.engine, world.clock, world.network, {});
    SettingsWindow settings(world.engine, world.model, world.settings, updates, feedback);
    const QPalette light = QGuiApplication::palette();
    const auto restore = qScopeGuard([&] { QGuiApplication::setPalette(light); });
    for (const auto& [scheme, palette] : {std::pair{"light", light}, {"dark", darkPalette()}}) {
        QGuiApplication::setPalette(palette);
        QQuickWindow* window = shown(settings);
        int measured = 0;
        for (const char* tab : {"general", "notch", "files"}) {
            click(window, QStringLiteral("tab.%1").arg(tab));
            measured += expectReadable(window, std::string(scheme) + " settings, " + tab);
        }
        EXPECT_GE(measured, 5) << scheme;
    }
}

TEST(Readability, TheColourPickerKeepsClearOfTheWindowsEdgesOverADimmedWindow) {
    WindowWorld world;
    UpdateManager updates(world.clock, world.network, {}, QStringLiteral("1.2"),
                          QStringLiteral("12"));
    FeedbackWindow feedback(world.engine, world.clock, world.network, {});
    SettingsWindow settings(world.engine, world.model, world.settings, updates, feedback);
    const QPalette light = QGuiApplication::palette();
    const auto restore = qScopeGuard([&] { QGuiApplication::setPalette(light); });
    for (const auto& [scheme, palette] : {std::pair{"light", light}, {"dark", darkPalette()}}) {
        SCOPED_TRACE(scheme);
        QGuiApplication::setPalette(palette);
        QQuickWindow* window = shown(settings);
        click(window, "tab.notch");
        const QImage before = window->grabWindow();
        click(window, "countdownColor");
        settle(window);
        QObject* dialog = nullptr;
        for (QObject* child : window->findChildren<QObject*>())
            if (child->inherits("QQuickColorDialogImpl") && child->property("visible").toBool())
                dialog = child;
        ASSERT_NE(dialog, nullptr);
        const QRectF frame(dialog->property("x").toReal(), dialog->property("y").toReal(),
                           dialog->property("width").toReal(), dialog->property("height").toReal());
        EXPECT_TRUE(
            QRectF(QPointF(0, 0), window->size()).adjusted(24, 24, -24, -24).contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        // Nothing of the picker is cut off: its content fits the room the dialog gives it.
        const auto* content = dialog->property("contentItem").value<QQuickItem*>();
        ASSERT_NE(content, nullptr);
        EXPECT_LE(content->implicitHeight(), dialog->property("availableHeight").toReal());
        // Beside the dialog the window is darker than it was.
        const QImage after = window->grabWindow();
        const QPoint beside(int(frame.left() / 2), int(frame.center().y()));
        EXPECT_LT(qGray(after.pixel(beside)), qGray(before.pixel(beside)) - 8)
            << qGray(after.pixel(beside)) << " vs " << qGray(before.pixel(beside));
        savePicture(window, QStringLiteral("settings-colour-dialog-%1").arg(scheme));
        QMetaObject::invokeMethod(dialog, "reject");
        settle(window);
    }
}
