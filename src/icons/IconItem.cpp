#include "icons/IconItem.h"

#include "icons/Icon.h"

#include <QPainter>

#include <algorithm>

namespace fadebin {

NotchIconItem::NotchIconItem(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void NotchIconItem::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::setColor(const QColor& color) {
    if (color == m_color)
        return;
    m_color = color;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::setBold(bool bold) {
    if (bold == m_bold)
        return;
    m_bold = bold;
    Q_EMIT iconChanged();
    update();
}

void NotchIconItem::paint(QPainter* painter) {
    if (m_name.isEmpty())
        return;
    const double side = std::min(width(), height());
    const QPointF origin((width() - side) / 2, (height() - side) / 2);
    Icon{IconAsset(m_name), side, m_bold}.paint(*painter, origin, m_color);
}

} // namespace fadebin
