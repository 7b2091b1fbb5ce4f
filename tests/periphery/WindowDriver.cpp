#include "periphery/WindowDriver.h"

#include <QDir>
#include <QJsonDocument>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

namespace fadebin::test {

namespace {

// The first object that `match` gives for an item, depth first over the item tree.
QObject* search(QQuickItem* item, const std::function<QObject*(QQuickItem*)>& match) {
    if (QObject* found = match(item))
        return found;
    for (QQuickItem* child : item->childItems()) {
        if (QObject* found = search(child, match))
            return found;
    }
    return nullptr;
}

} // namespace

QJsonObject WindowWorld::storedSettings() const {
    return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(defaults.filePath())))
        .object();
}

void WindowWorld::denyDownloads() {
    std::filesystem::permissions(home.downloads(), std::filesystem::perms::none);
    if (listNames(home.downloads()))
        std::filesystem::rename(home.downloads(), home.root() / "Downloads.away");
}

void WindowWorld::allowDownloads() {
    if (std::filesystem::exists(home.root() / "Downloads.away"))
        std::filesystem::rename(home.root() / "Downloads.away", home.downloads());
    std::filesystem::permissions(home.downloads(), std::filesystem::perms::owner_all);
}

bool showsText(QQuickWindow* window, const QString& text) {
    std::function<bool(QQuickItem*)> shows = [&](QQuickItem* item) {
        if (!item->isVisible() || item->opacity() <= 0)
            return false;
        if (item->property("text").toString() == text)
            return true;
        const QList<QQuickItem*> children = item->childItems();
        return std::any_of(children.begin(), children.end(), shows);
    };
    return window && shows(window->contentItem());
}

QQuickItem* findItem(QQuickWindow* window, const QString& name) {
    const auto named = [&](QQuickItem* item) {
        return item->objectName() == name ? item : nullptr;
    };
    return window ? static_cast<QQuickItem*>(search(window->contentItem(), named)) : nullptr;
}

QObject* findObject(QQuickWindow* window, const QString& name) {
    const auto held = [&](QQuickItem* item) {
        return item->findChild<QObject*>(name, Qt::FindDirectChildrenOnly);
    };
    return window ? search(window->contentItem(), held) : nullptr;
}

bool isShown(QQuickWindow* window, const QString& name) {
    const QQuickItem* item = findItem(window, name);
    return item && item->isVisible() && item->opacity() > 0;
}

QString textOf(QQuickWindow* window, const QString& name) {
    const QQuickItem* item = findItem(window, name);
    return item ? item->property("text").toString() : QString();
}

void settle(QQuickWindow* window) {
    QCoreApplication::processEvents();
    // A closed window is never polished again.
    if (window->isVisible()) {
        EXPECT_TRUE(QQuickTest::qWaitForPolish(window));
    }
}

void click(QQuickWindow* window, const QString& name, QPointF at) {
    settle(window);
    QQuickItem* item = findItem(window, name);
    ASSERT_NE(item, nullptr) << name.toStdString();
    ASSERT_TRUE(item->isVisible()) << name.toStdString() << " is hidden";
    const QPointF point =
        item->mapToScene(QPointF(item->width() * at.x(), item->height() * at.y()));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point.toPoint());
    settle(window);
}

void press(QQuickWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(window, key, modifiers);
    settle(window);
}

void type(QQuickWindow* window, const QString& text) {
    // QTest types strings into widgets only; windows get one key at a time.
    for (QChar c : text)
        QTest::keyClick(window, c.toLatin1());
    settle(window);
}

void savePicture(QQuickWindow* window, const QString& name) {
    settle(window);
    const QString folder = QStringLiteral(FADEBIN_PICTURES_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage image = window->grabWindow();
    ASSERT_FALSE(image.isNull()) << name.toStdString();
    EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

} // namespace fadebin::test
