#pragma once

// Finds the items of a Qt Quick window by objectName and works them as a user would.
#include <QPointF>
#include <QQuickWindow>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>

class QQuickItem;

namespace fadebin::test {

// The item and every item under it, depth first (the menus' popups included).
void visitItems(QQuickItem* item, const std::function<void(QQuickItem*)>& fn);
// The item with this objectName anywhere in the window's item tree (popups included); with
// visibleOnly, the first of that name that is itself visible.
[[nodiscard]] QQuickItem* findItem(QQuickWindow* window, const QString& name,
                                   bool visibleOnly = false);
// Any object with this objectName held by an item of the window (dialogs, for instance).
[[nodiscard]] QObject* findObject(QQuickWindow* window, const QString& name);
// Whether the item is there and shown (it and every ancestor visible).
[[nodiscard]] bool isShown(QQuickWindow* window, const QString& name);
[[nodiscard]] QString textOf(QQuickWindow* window, const QString& name);
// Whether some shown item of the window displays exactly this text.
[[nodiscard]] bool showsText(QQuickWindow* window, const QString& text);
// Clicks the middle of a named item, or a point in it given as fractions of its size.
void click(QQuickWindow* window, const QString& name, QPointF at = QPointF(0.5, 0.5));
void press(QQuickWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
void type(QQuickWindow* window, const QString& text);
// The named item that holds the keyboard focus after each of `count` presses of the key (a
// control's own inner item counts as the control).
[[nodiscard]] QStringList tabThrough(QQuickWindow* window, int count, Qt::Key key = Qt::Key_Tab);
void settle(QQuickWindow* window);
// A real click at a point of the item given as fractions of its size.
void clickItem(QQuickWindow* window, QQuickItem* item, QPointF at = QPointF(0.5, 0.5));

} // namespace fadebin::test
