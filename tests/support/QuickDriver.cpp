#include "support/QuickDriver.h"

#include <QQuickItem>
#include <QtQuickTest/quicktest.h>

#include <gtest/gtest.h>

namespace fadebin::test {

void visitItems(QQuickItem* item, const std::function<void(QQuickItem*)>& fn) {
    fn(item);
    for (QQuickItem* child : item->childItems())
        visitItems(child, fn);
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

QQuickItem* findItem(QQuickWindow* window, const QString& name, bool visibleOnly) {
    QQuickItem* found = nullptr;
    if (window)
        visitItems(window->contentItem(), [&](QQuickItem* item) {
            if (!found && item->objectName() == name && (!visibleOnly || item->isVisible()))
                found = item;
        });
    return found;
}

QObject* findObject(QQuickWindow* window, const QString& name) {
    QObject* found = nullptr;
    if (window)
        visitItems(window->contentItem(), [&](QQuickItem* item) {
            if (!found)
                found = item->findChild<QObject*>(name, Qt::FindDirectChildrenOnly);
        });
    return found;
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
    clickItem(window, item, at);
    settle(window);
}

void clickItem(QQuickWindow* window, QQuickItem* item, QPointF at) {
    const QPointF point =
        item->mapToScene(QPointF(item->width() * at.x(), item->height() * at.y()));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, point.toPoint());
}

void press(QQuickWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(window, key, modifiers);
    settle(window);
}

QStringList tabThrough(QQuickWindow* window, int count, Qt::Key key) {
    QStringList reached;
    for (int i = 0; i < count; ++i) {
        press(window, key);
        QString name;
        for (QQuickItem* item = window->activeFocusItem(); item && name.isEmpty();
             item = item->parentItem())
            name = item->objectName();
        reached << name;
    }
    return reached;
}

void type(QQuickWindow* window, const QString& text) {
    // QTest types strings into widgets only; windows get one key at a time.
    for (QChar c : text)
        QTest::keyClick(window, c.toLatin1());
    settle(window);
}

} // namespace fadebin::test
