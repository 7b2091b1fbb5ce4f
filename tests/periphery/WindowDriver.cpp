#include "periphery/WindowDriver.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTest>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

namespace fadebin::test {

namespace {

QQuickItem* search(QQuickItem* item, const QString& name) {
    if (item->objectName() == name)
        return item;
    for (QQuickItem* child : item->childItems()) {
        if (QQuickItem* found = search(child, name))
            return found;
    }
    return nullptr;
}

QObject* searchObject(QQuickItem* item, const QString& name) {
    if (QObject* own = item->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return own;
    for (QQuickItem* child : item->childItems()) {
        if (QObject* found = searchObject(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

QJsonObject WindowWorld::storedSettings() const {
    QFile file(toQString(defaults.filePath()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
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
    return window ? search(window->contentItem(), name) : nullptr;
}

QObject* findObject(QQuickWindow* window, const QString& name) {
    return window ? searchObject(window->contentItem(), name) : nullptr;
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
    EXPECT_TRUE(QQuickTest::qWaitForPolish(window));
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

void press(QQuickWindow* window, Qt::Key key) {
    QTest::keyClick(window, key);
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
