#include "periphery/IconItem.h"

#include "notch/Icon.h"

#include <QPainter>

namespace fadebin {

IconItem::IconItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setImplicitSize(16, 16);
}

void IconItem::setName(const QString& name) {
    if (m_name == name)
        return;
    m_name = name;
    Q_EMIT nameChanged();
    update();
}

void IconItem::setColor(const QColor& color) {
    if (m_color == color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

void IconItem::paint(QPainter* painter) {
    if (m_name.isEmpty())
        return;
    const double side = std::min(width(), height());
    const QPointF topLeft((width() - side) / 2, (height() - side) / 2);
    Icon{IconAsset(m_name), side, false}.paint(*painter, topLeft, m_color);
}

} // namespace fadebin
