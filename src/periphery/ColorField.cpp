#include "periphery/ColorField.h"

#include <QColor>
#include <QImage>
#include <QMetaMethod>
#include <QPainter>
#include <QQuickWindow>

#include <algorithm>

namespace fadebin {

namespace {

// The picker inside the dialog's implementation carries this objectName in Qt 6.4.
const QString pickerName = QStringLiteral("colorPicker");

void findPickers(QQuickItem* item, QList<QQuickItem*>& pickers) {
    if (item->objectName() == pickerName && item->metaObject()->indexOfProperty("hue") >= 0 &&
        item->metaObject()->indexOfProperty("contentItem") >= 0)
        pickers.append(item);
    for (QQuickItem* child : item->childItems())
        findPickers(child, pickers);
}

} // namespace

ColorField::ColorField(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void ColorField::setHue(qreal hue) {
    if (qFuzzyCompare(m_hue, hue))
        return;
    m_hue = hue;
    Q_EMIT hueChanged();
    update();
}

void ColorField::followHue() {
    if (QObject* picker = parent())
        setHue(picker->property("hue").toReal());
}

void ColorField::paint(QPainter* painter) {
    const int w = std::max(1, static_cast<int>(width()));
    const int h = std::max(1, static_cast<int>(height()));
    QImage image(w, h, QImage::Format_RGB32);
    const qreal hue = std::clamp(m_hue, 0.0, 1.0);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const qreal saturation = h > 1 ? 1.0 - static_cast<qreal>(y) / (h - 1) : 1.0;
        for (int x = 0; x < w; ++x) {
            const qreal lightness = w > 1 ? static_cast<qreal>(x) / (w - 1) : 0.5;
            line[x] = QColor::fromHslF(hue, saturation, lightness).rgb();
        }
    }
    painter->drawImage(QRectF(0, 0, width(), height()), image);
}

void drawColorFields(QQuickWindow* window) {
    if (!window)
        return;
    QList<QQuickItem*> pickers;
    findPickers(window->contentItem(), pickers);
    for (QQuickItem* picker : pickers) {
        if (qobject_cast<ColorField*>(picker->property("contentItem").value<QQuickItem*>()))
            continue;
        auto* field = new ColorField(picker);
        field->setHue(picker->property("hue").toReal());
        const QMetaProperty hue =
            picker->metaObject()->property(picker->metaObject()->indexOfProperty("hue"));
        const QMetaMethod follow = ColorField::staticMetaObject.method(
            ColorField::staticMetaObject.indexOfSlot("followHue()"));
        if (hue.hasNotifySignal() && follow.isValid())
            QObject::connect(picker, hue.notifySignal(), field, follow);
        picker->setProperty("contentItem", QVariant::fromValue<QQuickItem*>(field));
    }
}

} // namespace fadebin
